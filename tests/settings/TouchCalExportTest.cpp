#include <gtest/gtest.h>

#include <fstream>

#include "devices/LauncherLink.h"
#include "platform/WinReg.h"
#include "tests/common/DeviceTestRoot.h"

namespace {

constexpr const char* kTouchCal = "FlashMem/sysini/touchcal.ini";
constexpr LPCWSTR kTouchKey = L"HARDWARE\\DEVICEMAP\\TOUCH";

class TouchCalExportTest : public DeviceTestRoot {
protected:
    void SetValue(DWORD type, const std::u16string& units) {
        HKEY key = nullptr;
        DWORD disposition = 0;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kTouchKey, 0, nullptr, 0, 0, nullptr, &key,
                                  &disposition),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExW(key, L"CalibrationData", 0, type,
                                 reinterpret_cast<const BYTE*>(units.data()),
                                 static_cast<DWORD>(units.size() * sizeof(char16_t))),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    void ClearRegistry() {
        std::ofstream(Root() / "registry.reg") << "Windows Registry Editor Version 5.00\r\n\r\n";
    }
    std::string FileText() const {
        auto bytes = ReadBytes(kTouchCal);
        return std::string(bytes.begin(), bytes.end());
    }
    bool Export(CLauncherLink& link) {
        if (!link.ReadCalibrationData()) {
            return false;
        }
        link.SaveTouchCal();
        return true;
    }
};

TEST_F(TouchCalExportTest, StringIsWrittenAsItsBytesWithoutTerminator) {
    SetValue(REG_SZ, std::u16string(u"512,384 98,80\0", 15));
    CLauncherLink link;
    ASSERT_TRUE(Export(link));
    EXPECT_EQ(FileText(), "512,384 98,80");
    EXPECT_EQ(m_log.Text(), "touchcal.ini File Save OK!!!!\r\n");
}

TEST_F(TouchCalExportTest, FortyNineCharactersFitAndFiftyFailLeavingTheOldFile) {
    std::u16string text49(49, u'7');
    SetValue(REG_SZ, text49 + u'\0');
    CLauncherLink link;
    ASSERT_TRUE(Export(link));
    EXPECT_EQ(FileText(), std::string(49, '7'));
    SetValue(REG_SZ, std::u16string(50, u'8') + u'\0');
    m_log.Clear();
    EXPECT_FALSE(Export(link));
    EXPECT_EQ(m_log.Text(), "");
    EXPECT_EQ(FileText(), std::string(49, '7'));
}

TEST_F(TouchCalExportTest, MultiStringPiecesAreJoinedAndHighUnitsKeepTheirLowByte) {
    SetValue(REG_MULTI_SZ, std::u16string(u"1,2\0"
                                          u"3,4\0\0",
                                          9));
    CLauncherLink link;
    ASSERT_TRUE(Export(link));
    EXPECT_EQ(FileText(), "1,23,4");
    SetValue(REG_SZ, std::u16string(u"A\u0141\u0100B\0", 5));
    ASSERT_TRUE(Export(link));
    EXPECT_EQ(FileText(), std::string("AA\0B", 4));
}

TEST_F(TouchCalExportTest, MissingKeyIsCreatedEmptyAndNothingIsExported) {
    ClearRegistry();
    CLauncherLink link;
    EXPECT_EQ(link.ReadCalibrationData(), 0);
    EXPECT_FALSE(std::filesystem::exists(Root() / kTouchCal));
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kTouchKey, 0, nullptr, 0, 0, nullptr, &key,
                              &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    RegCloseKey(key);
    // A key without the value fails the query the same way.
    EXPECT_EQ(link.ReadCalibrationData(), 0);
    EXPECT_EQ(m_log.Text(), "");
}

TEST_F(TouchCalExportTest, UnwritableFileIsLoggedAndStillReportsDone) {
    SetValue(REG_SZ, std::u16string(u"1,1\0", 4));
    std::filesystem::remove_all(Root() / "FlashMem/sysini");
    CLauncherLink link;
    ASSERT_EQ(link.ReadCalibrationData(), 1);
    EXPECT_EQ(link.SaveTouchCal(), 1);
    EXPECT_EQ(m_log.Text(), "touchcal.ini File Open Fail\r\n");
}

}  // namespace
