// The registry functions on HKEY_LOCAL_MACHINE kept in ROOT/registry.reg.
// The file is read again at every key open, as another process may have
// changed it, and written back whole and atomically at every change, under a
// lock so that two processes changing it at once do not lose each other's
// change.
#include <fcntl.h>
#include <sys/file.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>

#include "platform/Platform.h"
#include "platform/WinReg.h"
#include "platform/core/DebugLog.h"
#include "platform/core/KernelObject.h"
#include "platform/core/UniqueFd.h"
#include "platform/registry/RegFile.h"
#include "platform/storage/AtomicReplacement.h"
#include "platform/storage/FileLock.h"

namespace dv {
namespace {

constexpr const char* kFileName = "registry.reg";
constexpr LONG kErrorKeyDeleted = 1018;

class RegistryKey final : public KernelObject {
public:
    explicit RegistryKey(std::string path) : path(std::move(path)) {}
    std::string path;
};

std::filesystem::path FilePath() {
    return DeviceRoot() / kFileName;
}

// Held while the file is read, changed and written back: waits for another
// process's change to finish.
UniqueFd TakeChangeLock() {
    std::filesystem::path file = FileLock::LockFileFor(FilePath(), ".change");
    std::error_code ec;
    if (std::filesystem::is_directory(DeviceRoot(), ec)) {
        std::filesystem::create_directory(file.parent_path(), ec);
    }
    UniqueFd fd(::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    while (fd.Valid() && ::flock(fd.Get(), LOCK_EX) != 0 && errno == EINTR) {
    }
    return fd;
}

struct Shared {
    std::mutex lock;           // held by each function that reads or writes the file
    RegFile cache;             // as read at the last key open or change
    std::string reportedText;  // the text whose problems were last logged
};

Shared& State() {
    static Shared* state = new Shared;  // lives to the process end
    return *state;
}

RegFile Load() {
    std::ifstream in(FilePath(), std::ios::binary);
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    RegFile file = RegFile::Parse(text);
    for (std::size_t i = 0; text != State().reportedText && i < file.Problems().size(); ++i) {
        WriteDebugText("Registry: " + FilePath().string() + " " + file.Problems()[i] +
                       "; line skipped\r\n");
    }
    State().reportedText = std::move(text);
    return file;
}

// The cache follows the file only once it is written.
LONG Save(RegFile file) {
    std::string text = file.Text();
    if (!AtomicReplacement::ReplaceWhole(
            FilePath(), {reinterpret_cast<const BYTE*>(text.data()), text.size()})) {
        WriteDebugText("Registry: cannot write " + FilePath().string() + "\r\n");
        return ERROR_WRITE_FAULT;
    }
    State().reportedText = std::move(text);
    State().cache = std::move(file);
    return ERROR_SUCCESS;
}

std::string NameOf(LPCWSTR name) {
    return name == nullptr ? std::string() : WideToUtf8(name);
}

// The path of an open key, or nothing for a handle that is not one.
std::optional<std::string> KeyPath(HKEY key) {
    if (key == HKEY_LOCAL_MACHINE) {
        return std::string();
    }
    auto object = LookupHandleAs<RegistryKey>(reinterpret_cast<HANDLE>(key));
    return object ? std::optional(object->path) : std::nullopt;
}

// Checks the arguments of a key open: parent + subKey into path, else an
// error code. The reserved argument must be 0.
LONG ResolvePath(HKEY parent, LPCWSTR subKey, DWORD reserved, HKEY* result, std::string& path) {
    if (result == nullptr || reserved != 0) {
        return ERROR_INVALID_PARAMETER;
    }
    *result = nullptr;
    auto base = KeyPath(parent);
    auto child = RegFile::CheckPath(NameOf(subKey));
    if (!base || !child) {
        return base ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE;
    }
    path = base->empty() || child->empty() ? *base + *child : *base + '\\' + *child;
    return ERROR_SUCCESS;
}

HKEY NewKeyHandle(std::string path) {
    return reinterpret_cast<HKEY>(InsertHandle(std::make_shared<RegistryKey>(std::move(path))));
}

}  // namespace
}  // namespace dv

LONG RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR, DWORD, REGSAM, void*,
                     HKEY* phkResult, DWORD* lpdwDisposition) {
    std::string path;
    if (LONG error = dv::ResolvePath(hKey, lpSubKey, Reserved, phkResult, path)) {
        return error;
    }
    std::lock_guard guard(dv::State().lock);
    const dv::UniqueFd change = dv::TakeChangeLock();
    dv::RegFile file = dv::Load();
    const bool created = !file.HasKey(path);
    if (!created) {
        dv::State().cache = std::move(file);
    } else if (file.CreateKey(path); dv::Save(std::move(file)) != ERROR_SUCCESS) {
        return ERROR_WRITE_FAULT;  // a key that is created is written at once, even empty
    }
    if (lpdwDisposition != nullptr) {
        *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    }
    *phkResult = dv::NewKeyHandle(std::move(path));
    return ERROR_SUCCESS;
}

LONG RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM, HKEY* phkResult) {
    std::string path;
    if (LONG error = dv::ResolvePath(hKey, lpSubKey, ulOptions, phkResult, path)) {
        return error;
    }
    std::lock_guard guard(dv::State().lock);
    if (!(dv::State().cache = dv::Load()).HasKey(path)) {
        return ERROR_FILE_NOT_FOUND;
    }
    *phkResult = dv::NewKeyHandle(std::move(path));
    return ERROR_SUCCESS;
}

LONG RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD* lpReserved, DWORD* lpType,
                      BYTE* lpData, DWORD* lpcbData) {
    auto path = dv::KeyPath(hKey);
    if (!path) {
        return ERROR_INVALID_HANDLE;
    }
    if ((lpData != nullptr && lpcbData == nullptr) || lpReserved != nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    std::unique_lock guard(dv::State().lock);
    const std::optional<dv::RegValue> value =
        dv::State().cache.Find(*path, dv::NameOf(lpValueName));
    guard.unlock();
    if (!value) {
        return ERROR_FILE_NOT_FOUND;
    }
    if (lpType != nullptr) {
        *lpType = value->type;
    }
    const auto needed = static_cast<DWORD>(value->data.size());
    // A value larger than the buffer is not cut to fit: the caller learns the
    // size it needs and gets nothing.
    const bool fits = lpData == nullptr || lpcbData == nullptr || needed <= *lpcbData;
    if (lpData != nullptr && fits && needed != 0) {  // memcpy may not be given null data
        std::memcpy(lpData, value->data.data(), needed);
    }
    if (lpcbData != nullptr) {
        *lpcbData = needed;
    }
    return fits ? ERROR_SUCCESS : ERROR_MORE_DATA;
}

LONG RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType,
                    const BYTE* lpData, DWORD cbData) {
    auto path = dv::KeyPath(hKey);
    if (!path) {
        return ERROR_INVALID_HANDLE;
    }
    const std::string name = dv::NameOf(lpValueName);
    if ((lpData == nullptr && cbData != 0) || name.find_first_of("\r\n") != std::string::npos ||
        Reserved != 0) {
        return ERROR_INVALID_PARAMETER;
    }
    std::lock_guard guard(dv::State().lock);
    const dv::UniqueFd change = dv::TakeChangeLock();
    dv::RegFile file = dv::Load();
    if (!file.Set(*path, name, {dwType, std::vector<BYTE>(lpData, lpData + cbData)})) {
        dv::State().cache = std::move(file);
        return dv::kErrorKeyDeleted;  // another process took the key away
    }
    return dv::Save(std::move(file));
}

LONG RegCloseKey(HKEY hKey) {
    if (hKey == HKEY_LOCAL_MACHINE) {
        return ERROR_SUCCESS;
    }
    if (!dv::KeyPath(hKey)) {
        return ERROR_INVALID_HANDLE;
    }
    dv::RemoveHandle(reinterpret_cast<HANDLE>(hKey));
    return ERROR_SUCCESS;
}
