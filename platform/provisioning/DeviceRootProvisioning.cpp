#include "platform/provisioning/DeviceRootProvisioning.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>
#include <vector>

#include "platform/Platform.h"
#include "platform/Resources.h"
#include "platform/WinReg.h"
#include "platform/core/DebugLog.h"
#include "platform/core/DeviceFolder.h"
#include "platform/core/UniqueFd.h"
#include "platform/drivers/FlashLayout.h"
#include "platform/provisioning/FactoryBootRecord.h"
#include "platform/registry/RegFile.h"

namespace dv {
namespace {

constexpr const char* kClickSoundResource = "question.wav";
constexpr const char* kTouchKey = "HARDWARE\\DEVICEMAP\\TOUCH";
constexpr const char* kCalibrationValue = "CalibrationData";
constexpr mode_t kFolderMode = 0755;
constexpr mode_t kFileMode = 0644;

void Log(const std::string& text) {
    WriteDebugText("Device root: " + text + "\r\n");
}

bool SyncPath(const std::filesystem::path& path, int flags) {
    UniqueFd fd(::open(path.c_str(), flags | O_CLOEXEC));
    return fd.Valid() && ::fsync(fd.Get()) == 0;
}

bool MakeFolder(const std::filesystem::path& path) {
    if (::mkdir(path.c_str(), kFolderMode) != 0) {
        Log("cannot make " + path.string() + " (" + std::strerror(errno) + ")");
        return false;
    }
    return true;
}

bool WriteNewFile(const std::filesystem::path& path, std::span<const BYTE> bytes) {
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kFileMode));
    std::size_t done = 0;
    while (fd.Valid() && done < bytes.size()) {
        ssize_t n = ::write(fd.Get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (!fd.Valid() || done != bytes.size() || ::fsync(fd.Get()) != 0) {
        Log("cannot write " + path.string() + " (" + std::strerror(errno) + ")");
        return false;
    }
    return true;
}

std::vector<BYTE> FactoryFlashImage() {
    std::vector<BYTE> image(flash::kImageSize, flash::kErasedByte);
    auto sector = FactoryBootSector();
    std::copy(sector.begin(), sector.end(), image.begin() + flash::kBootSectorOffset);
    return image;
}

std::string FactoryRegistryText() {
    RegFile file;
    file.CreateKey(kTouchKey);
    file.Set(kTouchKey, kCalibrationValue, kFactoryCalibration);
    return file.Text();
}

std::span<const BYTE> AsBytes(const std::string& text) {
    return {reinterpret_cast<const BYTE*>(text.data()), text.size()};
}

bool BuildRoot(const std::filesystem::path& staging,
               std::optional<std::span<const BYTE>> clickSound) {
    std::string registry = FactoryRegistryText();
    std::vector<BYTE> flashImage = FactoryFlashImage();
    bool ok = MakeFolder(staging / "FlashMem") && MakeFolder(staging / "FlashMem" / "sysini") &&
              MakeFolder(staging / "windows") && MakeFolder(staging / "dev") &&
              WriteNewFile(staging / "dev" / flash::kImageFile, flashImage) &&
              WriteNewFile(staging / "registry.reg", AsBytes(registry));
    if (ok && clickSound) {
        ok = WriteNewFile(staging / "windows" / "question.wav", *clickSound);
    }
    for (const char* folder : {"FlashMem/sysini", "FlashMem", "windows", "dev", ""}) {
        ok = ok && SyncPath(staging / folder, O_RDONLY | O_DIRECTORY);
    }
    return ok;
}

std::filesystem::path StagingPathFor(const std::filesystem::path& root) {
    static std::atomic<unsigned> counter{0};
    return root.parent_path() / ("." + root.filename().string() + ".provision-" +
                                 std::to_string(::getpid()) + "-" + std::to_string(++counter));
}

// An existing root is never changed; one that is not a folder is unusable.
bool KeepExisting(const std::filesystem::path& root) {
    std::error_code ec;
    if (std::filesystem::is_directory(root, ec)) {
        return true;
    }
    Log(root.string() + " exists but is not a folder");
    return false;
}

}  // namespace

bool ProvisionDeviceRootAt(const std::filesystem::path& root,
                           std::optional<std::span<const BYTE>> clickSound) {
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(root, ec))) {
        return KeepExisting(root);
    }
    std::filesystem::create_directories(root.parent_path(), ec);
    std::filesystem::path staging = StagingPathFor(root);
    if (!MakeFolder(staging)) {
        return false;
    }
    if (!BuildRoot(staging, clickSound)) {
        std::filesystem::remove_all(staging, ec);
        return false;
    }
    if (::rename(staging.c_str(), root.c_str()) != 0) {
        int error = errno;
        std::filesystem::remove_all(staging, ec);
        if (error == EEXIST || error == ENOTEMPTY) {
            return std::filesystem::is_directory(root, ec);  // another start made it first
        }
        Log("cannot move " + staging.string() + " to " + root.string() + " (" +
            std::strerror(error) + ")");
        return false;
    }
    SyncPath(root.parent_path(), O_RDONLY | O_DIRECTORY);
    Log("made " + root.string() + " as from the factory");
    return true;
}

bool ProvisionDeviceRoot() {
    std::filesystem::path root = DeviceRoot();
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(root, ec))) {
        const bool usable = KeepExisting(root);
        if (usable) {
            CheckDeviceFolderWritable();  // a read-only root says so at start, not at a tap
        }
        return usable;
    }
    std::optional<std::span<const BYTE>> clickSound;
    if (const EmbeddedResource* wav =
            FindEmbeddedResource(ResourceKind::Data, kClickSoundResource)) {
        clickSound = std::span<const BYTE>(wav->data, wav->size);
    } else {
        Log("no built-in question.wav; \\windows\\question.wav is left out");
    }
    return ProvisionDeviceRootAt(root, clickSound);
}

}  // namespace dv
