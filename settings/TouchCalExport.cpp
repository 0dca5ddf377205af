// The touch calibration export of the launcher link: the registry value the
// touch driver keeps, copied as 8-bit text into "\FlashMem\sysini\touchcal.ini".
#include <cstring>

#include "devices/LauncherLink.h"
#include "platform/WinBase.h"
#include "platform/WinReg.h"
#include "platform/afx/CFile.h"

namespace {

constexpr LPCWSTR kTouchKey = L"HARDWARE\\DEVICEMAP\\TOUCH";
constexpr LPCWSTR kCalibrationValue = L"CalibrationData";
constexpr LPCWSTR kTouchCalPath = L"\\FlashMem\\sysini\\touchcal.ini";
// The query is offered half the buffer: a string of at most 49 characters.
constexpr DWORD kOfferedBytes = 100;
// Create or truncate, write only, no sharing.
constexpr UINT kTouchCalFlags = CFile::modeCreate | CFile::modeWrite;

}  // namespace

int CLauncherLink::ReadCalibrationData() {
    std::memset(szCalibrationData, 0, sizeof(szCalibrationData));
    HKEY hKey = nullptr;
    DWORD dwDisposition = 0;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kTouchKey, 0, nullptr, REG_OPTION_NON_VOLATILE, 0,
                        nullptr, &hKey, &dwDisposition) != ERROR_SUCCESS) {
        return 0;
    }
    if (dwDisposition != REG_OPENED_EXISTING_KEY) {
        RegCloseKey(hKey);
        return 0;
    }
    DWORD dwSize = kOfferedBytes;
    DWORD dwType = REG_SZ;
    LONG lResult = RegQueryValueExW(hKey, kCalibrationValue, nullptr, &dwType,
                                    reinterpret_cast<BYTE*>(szCalibrationData), &dwSize);
    RegCloseKey(hKey);
    return lResult == ERROR_SUCCESS ? 1 : 0;
}

int CLauncherLink::SaveTouchCal() {
    CFile file;
    if (!file.Open(kTouchCalPath, kTouchCalFlags)) {
        NKDbgPrintfW(L"touchcal.ini File Open Fail\r\n");
        return 1;
    }
    for (WCHAR unit : szCalibrationData) {
        if (unit != 0) {
            BYTE low = static_cast<BYTE>(unit & 0xFF);
            file.Write(&low, 1);
        }
    }
    NKDbgPrintfW(L"touchcal.ini File Save OK!!!!\r\n");
    file.Close();
    return 1;
}
