// The in-memory registry double, used through the ordinary functions the
// way the calibration export reads its value.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/WinReg.h"
#include "platform/testing/ScopedDeviceRoot.h"
#include "platform/testing/TestRegistry.h"

namespace {

using dv::testing::RegistryOp;
using dv::testing::TestRegistry;

constexpr const wchar_t* kTouch = L"HARDWARE\\DEVICEMAP\\TOUCH";

// Reads CalibrationData as the export does: 100 bytes offered.
LONG ReadCalibration(char16_t (&buffer)[100], DWORD& disposition, DWORD& size) {
    std::memset(buffer, 0, sizeof buffer);
    HKEY key = nullptr;
    LONG result =
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, kTouch, 0, nullptr, 0, 0, nullptr, &key, &disposition);
    if (result != ERROR_SUCCESS) {
        return result;
    }
    size = 100;
    DWORD type = REG_SZ;
    result = RegQueryValueExW(key, L"CalibrationData", nullptr, &type,
                              reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    return result;
}

TEST(TestRegistry, NoKeyIsCreatedEmptyAndRecorded) {
    dv::testing::ScopedDeviceRoot root;
    TestRegistry reg;
    char16_t buffer[100];
    DWORD disposition = 0;
    DWORD size = 0;
    EXPECT_EQ(ReadCalibration(buffer, disposition, size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    EXPECT_TRUE(reg.HasKey(kTouch));
    EXPECT_EQ(reg.Calls(), (std::vector<std::string>{
                               "create HARDWARE\\DEVICEMAP\\TOUCH created",
                               "query HARDWARE\\DEVICEMAP\\TOUCH CalibrationData -> error 2",
                               "close HARDWARE\\DEVICEMAP\\TOUCH"}));
    EXPECT_FALSE(root.Exists("registry.reg"));  // the file is not touched
}

TEST(TestRegistry, KeyWithoutValueAndValuesOfEveryShape) {
    TestRegistry reg;
    reg.CreateKey(kTouch);
    char16_t buffer[100];
    DWORD disposition = 0;
    DWORD size = 0;
    EXPECT_EQ(ReadCalibration(buffer, disposition, size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);

    reg.SetString(kTouch, L"CalibrationData", std::u16string(50, u'1'));
    EXPECT_EQ(ReadCalibration(buffer, disposition, size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 102u);

    reg.SetMultiString(kTouch, L"CalibrationData", {u"12", u"34"});
    EXPECT_EQ(ReadCalibration(buffer, disposition, size), ERROR_SUCCESS);
    EXPECT_EQ(size, 14u);  // "12", "34" and the closing empty string
    EXPECT_EQ(std::u16string(buffer, 7), std::u16string(u"12\0"
                                                        u"34\0\0",
                                                        7));

    reg.SetString(kTouch, L"CalibrationData", u"\u0100\u0141x");
    EXPECT_EQ(ReadCalibration(buffer, disposition, size), ERROR_SUCCESS);
    EXPECT_EQ(buffer[0], 0x0100);
    EXPECT_EQ(buffer[1], 0x0141);
}

TEST(TestRegistry, SetValuesCanBeInspectedAndCallsCanBeMadeToFail) {
    TestRegistry reg;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kTouch, 0, nullptr, 0, 0, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    BYTE data[] = {'5', 0, 0, 0};
    ASSERT_EQ(RegSetValueExW(key, L"CalibrationData", 0, REG_SZ, data, 4), ERROR_SUCCESS);
    RegCloseKey(key);
    auto value = reg.Value(kTouch, L"calibrationdata");
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->data, std::vector<BYTE>(data, data + 4));

    reg.Fail(RegistryOp::CreateKey, ERROR_ACCESS_DENIED);
    char16_t buffer[100];
    DWORD disposition = 0;
    DWORD size = 0;
    EXPECT_EQ(ReadCalibration(buffer, disposition, size), ERROR_ACCESS_DENIED);
    reg.Succeed(RegistryOp::CreateKey);
    reg.DeleteKey(kTouch);
    EXPECT_FALSE(reg.HasKey(kTouch));
}

TEST(TestRegistry, ScopeEndBringsTheRegistryFileBack) {
    dv::testing::ScopedDeviceRoot root;
    {
        TestRegistry reg;
        reg.CreateKey(L"Only\\In\\Memory");
    }
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Only\\In\\Memory", 0, 0, &key),
              ERROR_FILE_NOT_FOUND);
}

}  // namespace
