// HKEY_LOCAL_MACHINE kept in ROOT/registry.reg. The file is read again at
// every key open, as another process may have changed it, and written back
// whole and atomically at every change, under a lock so that two processes
// changing it at once do not lose each other's change.
#pragma once

#include <filesystem>
#include <mutex>
#include <string>

#include "platform/registry/RegistryBackend.h"

namespace dv {

class FileRegistry final : public RegistryBackend {
public:
    LONG CreateKey(const std::string& path, bool& created) override;
    LONG OpenKey(const std::string& path) override;
    LONG QueryValue(const std::string& path, const std::string& name, RegValue& value) override;
    LONG SetValue(const std::string& path, const std::string& name, const RegValue& value) override;

    static std::filesystem::path FilePath();

private:
    RegistryTree Load();
    bool Save(const RegistryTree& tree);

    std::mutex m_lock;
    RegistryTree m_cache;        // as read at the last key open or change
    std::string m_reportedText;  // the text whose problems were last logged
};

}  // namespace dv
