// An in-memory HKEY_LOCAL_MACHINE for the scope of a test, in the place of
// the registry file. Tests fill it and look into it, see every call the
// registry functions made on it, and can make one kind of call fail:
//
//   dv::testing::TestRegistry reg;
//   reg.SetString(L"HARDWARE\\DEVICEMAP\\TOUCH", L"CalibrationData", u"1,2 3,4");
//   ... code under test ...
//   EXPECT_EQ(reg.Calls()[0], "create HARDWARE\\DEVICEMAP\\TOUCH existed");
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/WinReg.h"
#include "platform/registry/RegistryBackend.h"

namespace dv::testing {

enum class RegistryOp { CreateKey, OpenKey, QueryValue, SetValue };

class TestRegistry {
public:
    TestRegistry();
    ~TestRegistry();
    TestRegistry(const TestRegistry&) = delete;
    TestRegistry& operator=(const TestRegistry&) = delete;

    void CreateKey(std::wstring_view key);
    void DeleteKey(std::wstring_view key);
    // REG_SZ: the UTF-16 units of text and a terminator.
    void SetString(std::wstring_view key, std::wstring_view name, std::u16string_view text);
    // REG_MULTI_SZ: each string with its terminator, then one more.
    void SetMultiString(std::wstring_view key, std::wstring_view name,
                        const std::vector<std::u16string>& strings);
    // Any type, raw bytes (also makes the key).
    void SetValue(std::wstring_view key, std::wstring_view name, DWORD type,
                  std::vector<BYTE> data);

    bool HasKey(std::wstring_view key) const;
    std::optional<RegValue> Value(std::wstring_view key, std::wstring_view name) const;

    // One line per call: "create PATH created|existed", "open PATH",
    // "query PATH NAME", "set PATH NAME type T size N", "close PATH";
    // a failed call ends in " -> error E".
    std::vector<std::string> Calls() const;
    void ClearCalls();
    // Every later call of op fails with error (until Succeed).
    void Fail(RegistryOp op, LONG error);
    void Succeed(RegistryOp op);

    class Backend;

private:
    std::shared_ptr<Backend> m_backend;
    std::shared_ptr<RegistryBackend> m_previous;
};

}  // namespace dv::testing
