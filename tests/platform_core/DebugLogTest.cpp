#include <gtest/gtest.h>

#include "platform/WinBase.h"
#include "platform/testing/LogCapture.h"

namespace {

TEST(DebugLog, WidePrintfKeepsLineEndsAndTakesWideStrings) {
    dv::testing::LogCapture log;
    NKDbgPrintfW(L"Read Size Error ReadByte : %d, INIINFO Size : %d\r\n", 0, 26);
    NKDbgPrintfW(L"Error opening %s. Error code = 0x%08x\n", L"\\windows\\question.wav", 2u);
    NKDbgPrintfW(L"ConTrast : 0X%02x \r\n", 0xC0);
    EXPECT_EQ(log.Text(),
              "Read Size Error ReadByte : 0, INIINFO Size : 26\r\n"
              "Error opening \\windows\\question.wav. Error code = 0x00000002\n"
              "ConTrast : 0Xc0 \r\n");
}

TEST(DebugLog, NonAsciiTextComesOutAsUtf8) {
    dv::testing::LogCapture log;
    NKDbgPrintfW(L"%s\r\n", L"\uC124\uC815");
    EXPECT_EQ(log.Text(), "\xEC\x84\xA4\xEC\xA0\x95\r\n");
}

TEST(DebugLog, PercentSignsAndNullFormatAreSafe) {
    dv::testing::LogCapture log;
    NKDbgPrintfW(L"100%% %c\r\n", L'x');
    NKDbgPrintfW(nullptr);
    EXPECT_EQ(log.Text(), "100% x\r\n");
}

TEST(Handles, CloseOfUnknownHandleFailsWithInvalidHandle) {
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(reinterpret_cast<HANDLE>(0x12345)));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

}  // namespace
