// The registry functions on HKEY_LOCAL_MACHINE kept in ROOT/registry.reg,
// read again at every key open and query, as another process may have
// changed it, and written back whole and atomically at every change under a
// lock, so that processes changing it at once all keep their change.
#include <fcntl.h>
#include <sys/file.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <span>

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
    const std::filesystem::path file = FileLock::LockFileFor(FilePath(), ".change");
    UniqueFd fd(::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    while (fd.Valid() && ::flock(fd.Get(), LOCK_EX) != 0 && errno == EINTR) {
    }
    return fd;
}

struct Shared {
    std::mutex lock;           // held by each function that reads or writes the file
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

LONG Save(const RegFile& file) {
    std::string text = file.Text();
    if (!AtomicReplacement::ReplaceWhole(
            FilePath(), {reinterpret_cast<const BYTE*>(text.data()), text.size()})) {
        WriteDebugText("Registry: cannot write " + FilePath().string() + "\r\n");
        return ERROR_WRITE_FAULT;
    }
    State().reportedText = std::move(text);
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

// UTF-16LE bytes of text with a terminating zero unit, as REG_SZ holds it.
std::vector<BYTE> StringBytes(std::string_view text) {
    std::vector<BYTE> bytes;
    for (char16_t u : Utf8ToUtf16(text) + u'\0') {
        bytes.insert(bytes.end(), {static_cast<BYTE>(u & 0xFF), static_cast<BYTE>(u >> 8)});
    }
    return bytes;
}

// The text of a string the file can hold: one line that reads back as the
// same bytes (one terminator at the end, no other zero, no lone surrogate).
std::optional<std::string> StringText(DWORD type, std::span<const BYTE> bytes) {
    std::u16string units;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        units += static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
    }
    std::string text = Utf16ToUtf8(units.substr(0, units.find(u'\0')));
    if (type != REG_SZ || !std::ranges::equal(StringBytes(text), bytes) ||
        text.find_first_of("\r\n") != std::string::npos) {
        return std::nullopt;
    }
    return text;
}

// Opens a key, or creates it when asked: a key that is created is written at
// once, even empty. The reserved argument must be 0.
LONG OpenKey(HKEY parent, LPCWSTR subKey, DWORD reserved, HKEY* result, bool create,
             DWORD* disposition) {
    if (result == nullptr || reserved != 0) {
        return ERROR_INVALID_PARAMETER;
    }
    *result = nullptr;
    const auto base = KeyPath(parent);
    const auto child = RegFile::CheckPath(NameOf(subKey));
    if (!base || !child) {
        return base ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE;
    }
    std::string path = base->empty() || child->empty() ? *base + *child : *base + '\\' + *child;
    std::lock_guard guard(State().lock);
    const UniqueFd change = create ? TakeChangeLock() : UniqueFd();
    RegFile file = Load();
    const bool found = file.HasKey(path);
    if (!found) {
        file.CreateKey(path);
        if (const LONG error = create ? Save(file) : ERROR_FILE_NOT_FOUND) {
            return error;
        }
    }
    if (disposition != nullptr) {
        *disposition = found ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
    }
    *result = reinterpret_cast<HKEY>(InsertHandle(std::make_shared<RegistryKey>(std::move(path))));
    return ERROR_SUCCESS;
}

}  // namespace
}  // namespace dv

LONG RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR, DWORD, REGSAM, void*,
                     HKEY* phkResult, DWORD* lpdwDisposition) {
    return dv::OpenKey(hKey, lpSubKey, Reserved, phkResult, true, lpdwDisposition);
}

LONG RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM, HKEY* phkResult) {
    return dv::OpenKey(hKey, lpSubKey, ulOptions, phkResult, false, nullptr);
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
    const std::optional<std::string> text = dv::Load().Find(*path, dv::NameOf(lpValueName));
    guard.unlock();
    if (!text) {
        return ERROR_FILE_NOT_FOUND;
    }
    if (lpType != nullptr) {
        *lpType = REG_SZ;
    }
    const std::vector<BYTE> data = dv::StringBytes(*text);
    const auto needed = static_cast<DWORD>(data.size());
    // A value larger than the buffer is not cut to fit: the caller learns the
    // size it needs and gets nothing.
    const bool fits = lpData == nullptr || needed <= *lpcbData;
    if (lpData != nullptr && fits) {
        std::memcpy(lpData, data.data(), needed);
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
    // Only strings are kept, as the unit stores no other type.
    const auto text = dv::StringText(dwType, {lpData, lpData == nullptr ? 0 : cbData});
    if (!text || name.find_first_of("\r\n") != std::string::npos || Reserved != 0) {
        return ERROR_INVALID_PARAMETER;
    }
    std::lock_guard guard(dv::State().lock);
    const dv::UniqueFd change = dv::TakeChangeLock();
    dv::RegFile file = dv::Load();
    if (!file.Set(*path, name, *text)) {
        return dv::kErrorKeyDeleted;  // another process took the key away
    }
    return dv::Save(file);
}

LONG RegCloseKey(HKEY hKey) {
    if (!dv::KeyPath(hKey)) {
        return ERROR_INVALID_HANDLE;
    }
    dv::RemoveHandle(reinterpret_cast<HANDLE>(hKey));  // none for the root, which is no handle
    return ERROR_SUCCESS;
}
