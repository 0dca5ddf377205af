#include "platform/registry/FileRegistry.h"

#include <fcntl.h>
#include <sys/file.h>

#include <fstream>
#include <sstream>

#include "platform/Platform.h"
#include "platform/WinBase.h"
#include "platform/core/DebugLog.h"
#include "platform/core/UniqueFd.h"
#include "platform/registry/RegFileFormat.h"
#include "platform/storage/AtomicReplacement.h"
#include "platform/storage/FileLock.h"

namespace dv {
namespace {

constexpr const char* kFileName = "registry.reg";
constexpr LONG kErrorKeyDeleted = 1018;

// Held while the file is read, changed and written back; waits for another
// process's change to finish.
class ChangeLock {
public:
    ChangeLock() {
        std::filesystem::path file = FileLock::LockFileFor(FileRegistry::FilePath(), ".change");
        std::error_code ec;
        if (std::filesystem::is_directory(DeviceRoot(), ec)) {
            std::filesystem::create_directory(file.parent_path(), ec);
        }
        m_fd = UniqueFd(::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
        while (m_fd.Valid() && ::flock(m_fd.Get(), LOCK_EX) != 0 && errno == EINTR) {
        }
    }

private:
    UniqueFd m_fd;
};

std::string ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

std::filesystem::path FileRegistry::FilePath() {
    return DeviceRoot() / kFileName;
}

RegistryTree FileRegistry::Load() {
    std::string text = ReadWholeFile(FilePath());
    RegParseResult parsed = ParseRegFile(text);
    if (!parsed.problems.empty() && text != m_reportedText) {
        for (const std::string& problem : parsed.problems) {
            WriteDebugText("Registry: " + FilePath().string() + " " + problem +
                           "; line skipped\r\n");
        }
    }
    m_reportedText = std::move(text);
    return std::move(parsed.tree);
}

bool FileRegistry::Save(const RegistryTree& tree) {
    std::string text = FormatRegFile(tree);
    std::span<const BYTE> bytes(reinterpret_cast<const BYTE*>(text.data()), text.size());
    if (!AtomicReplacement::ReplaceWhole(FilePath(), bytes)) {
        WriteDebugText("Registry: cannot write " + FilePath().string() + "\r\n");
        return false;
    }
    m_reportedText = std::move(text);
    return true;
}

LONG FileRegistry::CreateKey(const std::string& path, bool& created) {
    std::lock_guard guard(m_lock);
    ChangeLock change;
    RegistryTree tree = Load();
    created = !tree.HasKey(path);
    if (created) {
        tree.CreateKey(path);
        if (!Save(tree)) {
            return ERROR_WRITE_FAULT;
        }
    }
    m_cache = std::move(tree);
    return ERROR_SUCCESS;
}

LONG FileRegistry::OpenKey(const std::string& path) {
    std::lock_guard guard(m_lock);
    m_cache = Load();
    return m_cache.HasKey(path) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

LONG FileRegistry::QueryValue(const std::string& path, const std::string& name, RegValue& value) {
    std::lock_guard guard(m_lock);
    const RegValue* found = m_cache.FindValue(path, name);
    if (found == nullptr) {
        return ERROR_FILE_NOT_FOUND;
    }
    value = *found;
    return ERROR_SUCCESS;
}

LONG FileRegistry::SetValue(const std::string& path, const std::string& name,
                            const RegValue& value) {
    std::lock_guard guard(m_lock);
    ChangeLock change;
    RegistryTree tree = Load();
    if (!tree.SetValue(path, name, value)) {
        m_cache = std::move(tree);
        return kErrorKeyDeleted;  // another process took the key away
    }
    if (!Save(tree)) {
        return ERROR_WRITE_FAULT;
    }
    m_cache = std::move(tree);
    return ERROR_SUCCESS;
}

}  // namespace dv
