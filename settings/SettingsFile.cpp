// The settings file operations of the launcher link: the raw 26-byte record
// read from and written to "\FlashMem\sysini\conf.ini".
#include "devices/LauncherLink.h"
#include "platform/WinBase.h"
#include "platform/afx/CFile.h"

namespace {

// Create or truncate, read and write, no sharing.
constexpr UINT kWriteFlags = CFile::modeCreate | CFile::modeReadWrite;
// Existing file, read only, no sharing.
constexpr UINT kReadFlags = CFile::modeRead;

}  // namespace

int CLauncherLink::IniWriteString(const INIINFO* pIniInfo, LPCWSTR lpszPath) {
    CFile file;
    if (!file.Open(lpszPath, kWriteFlags)) {
        NKDbgPrintfW(L"IniWriteString Open Error!!\r\n");
        return 0;
    }
    file.Write(pIniInfo, sizeof(INIINFO));
    file.Close();
    return 1;
}

int CLauncherLink::IniReadString(INIINFO* pIniInfo, LPCWSTR lpszPath) {
    CFile file;
    if (!file.Open(lpszPath, kReadFlags)) {
        NKDbgPrintfW(L"IniReadString Open Error!!\r\n");
        IniSetDefault(pIniInfo);
        return 0;
    }
    UINT nRead = file.Read(pIniInfo, sizeof(INIINFO));
    if (nRead < sizeof(INIINFO)) {
        NKDbgPrintfW(L"Read Size Error ReadByte : %d, INIINFO Size : %d\r\n",
                     static_cast<int>(nRead), static_cast<int>(sizeof(INIINFO)));
        // The file is still open here, so the default record's write cannot
        // open it and the short file stays until the next save.
        IniSetDefault(pIniInfo);
    }
    file.Close();
    NKDbgPrintfW(L"IniRead Success\r\n");
    return 1;
}

int CLauncherLink::IniSetDefault(INIINFO* pIniInfo) {
    *pIniInfo = kFactoryIniInfo;
    return IniWriteString(pIniInfo, kSettingsFilePath);
}
