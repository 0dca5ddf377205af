// Where the registry functions keep HKEY_LOCAL_MACHINE. The default is the
// device root's registry.reg; a test puts an in-memory one in its place for
// a while (platform/testing/TestRegistry.h) without the system code knowing.
// Paths are below the root, in UTF-8, already checked; results are the
// registry functions' error codes.
#pragma once

#include <memory>
#include <string>

#include "platform/WinDef.h"
#include "platform/registry/RegistryTree.h"

namespace dv {

class RegistryBackend {
public:
    virtual ~RegistryBackend() = default;

    virtual LONG CreateKey(const std::string& path, bool& created) = 0;
    virtual LONG OpenKey(const std::string& path) = 0;
    virtual LONG QueryValue(const std::string& path, const std::string& name, RegValue& value) = 0;
    virtual LONG SetValue(const std::string& path, const std::string& name,
                          const RegValue& value) = 0;
    virtual void CloseKey(const std::string&) {}
};

// The backend in use (the registry file unless replaced).
std::shared_ptr<RegistryBackend> CurrentRegistryBackend();
// Puts backend in place; null brings the registry file back. Returns the
// one it replaced (null when that was the file).
std::shared_ptr<RegistryBackend> ReplaceRegistryBackend(std::shared_ptr<RegistryBackend> backend);

}  // namespace dv
