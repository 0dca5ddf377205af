#include "platform/testing/TestRegistry.h"

#include <map>
#include <mutex>

#include "platform/Platform.h"
#include "platform/registry/RegistryTree.h"

namespace dv::testing {

class TestRegistry::Backend final : public RegistryBackend {
public:
    LONG CreateKey(const std::string& path, bool& created) override {
        std::lock_guard guard(lock);
        if (LONG error = Planned(RegistryOp::CreateKey); error != ERROR_SUCCESS) {
            return Log("create " + path, error);
        }
        created = !tree.HasKey(path);
        tree.CreateKey(path);
        return Log("create " + path + (created ? " created" : " existed"), ERROR_SUCCESS);
    }

    LONG OpenKey(const std::string& path) override {
        std::lock_guard guard(lock);
        LONG error = Planned(RegistryOp::OpenKey);
        if (error == ERROR_SUCCESS && !tree.HasKey(path)) {
            error = ERROR_FILE_NOT_FOUND;
        }
        return Log("open " + path, error);
    }

    LONG QueryValue(const std::string& path, const std::string& name, RegValue& value) override {
        std::lock_guard guard(lock);
        LONG error = Planned(RegistryOp::QueryValue);
        if (error == ERROR_SUCCESS) {
            const RegValue* found = tree.FindValue(path, name);
            if (found == nullptr) {
                error = ERROR_FILE_NOT_FOUND;
            } else {
                value = *found;
            }
        }
        return Log("query " + path + " " + name, error);
    }

    LONG SetValue(const std::string& path, const std::string& name,
                  const RegValue& value) override {
        std::lock_guard guard(lock);
        LONG error = Planned(RegistryOp::SetValue);
        if (error == ERROR_SUCCESS && !tree.SetValue(path, name, value)) {
            error = ERROR_FILE_NOT_FOUND;
        }
        return Log("set " + path + " " + name + " type " + std::to_string(value.type) + " size " +
                       std::to_string(value.data.size()),
                   error);
    }

    void CloseKey(const std::string& path) override {
        std::lock_guard guard(lock);
        calls.push_back("close " + path);
    }

    mutable std::mutex lock;
    RegistryTree tree;
    std::vector<std::string> calls;
    std::map<RegistryOp, LONG> failures;

private:
    LONG Planned(RegistryOp op) const {
        auto it = failures.find(op);
        return it == failures.end() ? ERROR_SUCCESS : it->second;
    }

    LONG Log(std::string line, LONG error) {
        if (error != ERROR_SUCCESS) {
            line += " -> error " + std::to_string(error);
        }
        calls.push_back(std::move(line));
        return error;
    }
};

namespace {

std::string Utf8(std::wstring_view text) {
    return WideToUtf8(text);
}

std::vector<BYTE> UnitsAsBytes(std::u16string_view units) {
    std::vector<BYTE> bytes;
    for (char16_t u : units) {
        bytes.push_back(static_cast<BYTE>(u & 0xFF));
        bytes.push_back(static_cast<BYTE>(u >> 8));
    }
    return bytes;
}

}  // namespace

TestRegistry::TestRegistry()
    : m_backend(std::make_shared<Backend>()), m_previous(ReplaceRegistryBackend(m_backend)) {}

TestRegistry::~TestRegistry() {
    ReplaceRegistryBackend(m_previous);
}

void TestRegistry::CreateKey(std::wstring_view key) {
    std::lock_guard guard(m_backend->lock);
    m_backend->tree.CreateKey(Utf8(key));
}

void TestRegistry::DeleteKey(std::wstring_view key) {
    std::lock_guard guard(m_backend->lock);
    m_backend->tree.DeleteKey(Utf8(key));
}

void TestRegistry::SetString(std::wstring_view key, std::wstring_view name,
                             std::u16string_view text) {
    std::u16string units(text);
    units.push_back(u'\0');
    SetValue(key, name, REG_SZ, UnitsAsBytes(units));
}

void TestRegistry::SetMultiString(std::wstring_view key, std::wstring_view name,
                                  const std::vector<std::u16string>& strings) {
    std::u16string units;
    for (const std::u16string& s : strings) {
        units += s;
        units.push_back(u'\0');
    }
    units.push_back(u'\0');
    SetValue(key, name, REG_MULTI_SZ, UnitsAsBytes(units));
}

void TestRegistry::SetValue(std::wstring_view key, std::wstring_view name, DWORD type,
                            std::vector<BYTE> data) {
    std::lock_guard guard(m_backend->lock);
    m_backend->tree.CreateKey(Utf8(key));
    m_backend->tree.SetValue(Utf8(key), Utf8(name), RegValue{type, std::move(data)});
}

bool TestRegistry::HasKey(std::wstring_view key) const {
    std::lock_guard guard(m_backend->lock);
    return m_backend->tree.HasKey(Utf8(key));
}

std::optional<RegValue> TestRegistry::Value(std::wstring_view key, std::wstring_view name) const {
    std::lock_guard guard(m_backend->lock);
    const RegValue* value = m_backend->tree.FindValue(Utf8(key), Utf8(name));
    return value == nullptr ? std::nullopt : std::optional<RegValue>(*value);
}

std::vector<std::string> TestRegistry::Calls() const {
    std::lock_guard guard(m_backend->lock);
    return m_backend->calls;
}

void TestRegistry::ClearCalls() {
    std::lock_guard guard(m_backend->lock);
    m_backend->calls.clear();
}

void TestRegistry::Fail(RegistryOp op, LONG error) {
    std::lock_guard guard(m_backend->lock);
    m_backend->failures[op] = error;
}

void TestRegistry::Succeed(RegistryOp op) {
    std::lock_guard guard(m_backend->lock);
    m_backend->failures.erase(op);
}

}  // namespace dv::testing
