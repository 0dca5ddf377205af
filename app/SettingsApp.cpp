#include "app/SettingsApp.h"

#include "app/SettingsDlg.h"
#include "app/SettingsIds.h"

namespace {

constexpr LPCWSTR kSingleInstanceMutex = L"Dialvane";
constexpr LPCWSTR kDialogClass = L"Dialog";

}  // namespace

CSettingsApp theApp;

CSettingsApp::CSettingsApp() : CWinApp(nullptr) {}

BOOL CSettingsApp::InitInstance() {
    HANDLE hMutex = CreateMutexW(nullptr, TRUE, kSingleInstanceMutex);
    DWORD dwError = GetLastError();
    if (hMutex != nullptr) {
        // Only a marker of a running copy: ownership is not kept, and the
        // handle stays open so the name lives as long as this process.
        ReleaseMutex(hMutex);
    }
    if (dwError == ERROR_ALREADY_EXISTS) {
        NKDbgPrintfW(L"===============> Alead Play\r\n");
        HWND hWnd = FindWindowW(nullptr, kSettingsTitle);
        if (hWnd != nullptr) {
            NKDbgPrintfW(L"===============> Find Hwnd\r\n");
            SetForegroundWindow(hWnd);
        } else {
            NKDbgPrintfW(L"===============> No Find Hwnd\r\n");
        }
        return FALSE;
    }

    // The dialog class takes the double-click style, so the second press of
    // a quick double tap arrives as WM_LBUTTONDBLCLK and is not a pen down.
    WNDCLASSW wc = {};
    GetClassInfoW(AfxGetInstanceHandle(), kDialogClass, &wc);
    UnregisterClassW(kDialogClass, nullptr);
    wc.style |= CS_DBLCLKS;
    wc.lpszClassName = kDialogClass;
    RegisterClassW(&wc);

    CSettingsDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}
