// The registry functions: key handles, paths and the size rule of queries,
// on top of whichever backend keeps HKEY_LOCAL_MACHINE.
#include <cstring>
#include <mutex>
#include <string>
#include <utility>

#include "platform/Platform.h"
#include "platform/WinReg.h"
#include "platform/core/KernelObject.h"
#include "platform/registry/FileRegistry.h"
#include "platform/registry/RegistryBackend.h"

namespace dv {
namespace {

class RegistryKey final : public KernelObject {
public:
    explicit RegistryKey(std::string path) : path(std::move(path)) {}
    std::string path;
};

struct BackendSlot {
    std::mutex lock;
    std::shared_ptr<RegistryBackend> replacement;
    std::shared_ptr<RegistryBackend> file = std::make_shared<FileRegistry>();
};

BackendSlot& Slot() {
    static BackendSlot* slot = new BackendSlot;  // lives to the process end
    return *slot;
}

// The path of an open key, or nothing for a handle that is not one.
std::optional<std::string> KeyPath(HKEY key) {
    if (key == HKEY_LOCAL_MACHINE) {
        return std::string();
    }
    auto object = LookupHandleAs<RegistryKey>(reinterpret_cast<HANDLE>(key));
    if (!object) {
        return std::nullopt;
    }
    return object->path;
}

std::string NameOf(LPCWSTR name) {
    return name == nullptr ? std::string() : WideToUtf8(name);
}

bool IsValueNameUsable(const std::string& name) {
    return name.find_first_of("\r\n") == std::string::npos;
}

// Resolves parent + subkey; an error code when either is unusable.
LONG ResolvePath(HKEY parent, LPCWSTR subKey, std::string& path) {
    auto base = KeyPath(parent);
    if (!base) {
        return ERROR_INVALID_HANDLE;
    }
    auto checked = RegistryTree::CheckPath(NameOf(subKey));
    if (!checked) {
        return ERROR_INVALID_PARAMETER;
    }
    path = RegistryTree::Join(*base, *checked);
    return ERROR_SUCCESS;
}

HKEY NewKeyHandle(std::string path) {
    return reinterpret_cast<HKEY>(InsertHandle(std::make_shared<RegistryKey>(std::move(path))));
}

}  // namespace

std::shared_ptr<RegistryBackend> CurrentRegistryBackend() {
    BackendSlot& s = Slot();
    std::lock_guard guard(s.lock);
    return s.replacement ? s.replacement : s.file;
}

std::shared_ptr<RegistryBackend> ReplaceRegistryBackend(std::shared_ptr<RegistryBackend> backend) {
    BackendSlot& s = Slot();
    std::lock_guard guard(s.lock);
    return std::exchange(s.replacement, std::move(backend));
}

}  // namespace dv

LONG RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR, DWORD, REGSAM, void*,
                     HKEY* phkResult, DWORD* lpdwDisposition) {
    if (phkResult == nullptr || Reserved != 0) {
        return ERROR_INVALID_PARAMETER;
    }
    *phkResult = nullptr;
    std::string path;
    if (LONG error = dv::ResolvePath(hKey, lpSubKey, path); error != ERROR_SUCCESS) {
        return error;
    }
    bool created = false;
    if (LONG error = dv::CurrentRegistryBackend()->CreateKey(path, created);
        error != ERROR_SUCCESS) {
        return error;
    }
    if (lpdwDisposition != nullptr) {
        *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    }
    *phkResult = dv::NewKeyHandle(std::move(path));
    return ERROR_SUCCESS;
}

LONG RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM, HKEY* phkResult) {
    if (phkResult == nullptr || ulOptions != 0) {
        return ERROR_INVALID_PARAMETER;
    }
    *phkResult = nullptr;
    std::string path;
    if (LONG error = dv::ResolvePath(hKey, lpSubKey, path); error != ERROR_SUCCESS) {
        return error;
    }
    if (LONG error = dv::CurrentRegistryBackend()->OpenKey(path); error != ERROR_SUCCESS) {
        return error;
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
    dv::RegValue value;
    if (LONG error =
            dv::CurrentRegistryBackend()->QueryValue(*path, dv::NameOf(lpValueName), value);
        error != ERROR_SUCCESS) {
        return error;
    }
    if (lpType != nullptr) {
        *lpType = value.type;
    }
    if (lpcbData == nullptr) {
        return ERROR_SUCCESS;
    }
    auto needed = static_cast<DWORD>(value.data.size());
    if (lpData != nullptr) {
        // A value larger than the buffer is not cut to fit: the caller learns
        // the size it needs and gets nothing.
        if (needed > *lpcbData) {
            *lpcbData = needed;
            return ERROR_MORE_DATA;
        }
        // An empty value has no bytes to copy, and memcpy may not be given its null data.
        if (needed != 0) {
            std::memcpy(lpData, value.data.data(), needed);
        }
    }
    *lpcbData = needed;
    return ERROR_SUCCESS;
}

LONG RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType,
                    const BYTE* lpData, DWORD cbData) {
    auto path = dv::KeyPath(hKey);
    if (!path) {
        return ERROR_INVALID_HANDLE;
    }
    std::string name = dv::NameOf(lpValueName);
    if ((lpData == nullptr && cbData != 0) || !dv::IsValueNameUsable(name) || Reserved != 0) {
        return ERROR_INVALID_PARAMETER;
    }
    dv::RegValue value{dwType, std::vector<BYTE>(lpData, lpData + cbData)};
    return dv::CurrentRegistryBackend()->SetValue(*path, name, value);
}

LONG RegCloseKey(HKEY hKey) {
    if (hKey == HKEY_LOCAL_MACHINE) {
        return ERROR_SUCCESS;
    }
    auto path = dv::KeyPath(hKey);
    if (!path) {
        return ERROR_INVALID_HANDLE;
    }
    dv::RemoveHandle(reinterpret_cast<HANDLE>(hKey));
    dv::CurrentRegistryBackend()->CloseKey(*path);
    return ERROR_SUCCESS;
}
