#include "bench/BenchRoot.h"

#include <cstdlib>
#include <filesystem>

#include "app/SettingsDlg.h"
#include "platform/Platform.h"
#include "platform/core/DebugLog.h"
#include "platform/display/Display.h"
#include "platform/testing/TestWindow.h"

namespace {

std::string* g_pFolderToRemove = nullptr;

void RemoveBenchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(*g_pFolderToRemove, ec);
}

}  // namespace

BenchRoot& BenchRoot::Get() {
    static auto* root = new BenchRoot;  // lives to the process end, dialog and all
    return *root;
}

BenchRoot::BenchRoot() {
    char pattern[] = "/tmp/dialvane-bench-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        std::abort();
    }
    m_folder = pattern;
    g_pFolderToRemove = &m_folder;
    std::atexit(RemoveBenchFolder);
    ::setenv("DIALVANE_ROOT", (m_folder + "/unit").c_str(), 1);
    ::setenv("DIALVANE_RUNTIME", (m_folder + "/run").c_str(), 1);
    dv::display::Disable();
    dv::SetDebugLogToStderr(false);
    dv::ProvisionDeviceRoot();
    m_pDlg = new CSettingsDlg;  // never destroyed: the run ends with the process
    m_pDlg->Create(IDD_SETTINGS_DIALOG);
    dv::testing::PumpMessagesUntilIdle();
}

CSettingsDlg& BenchRoot::Dlg() {
    return *m_pDlg;
}

void BenchRoot::Pen(UINT message, int x, int y) {
    m_pDlg->SendMessage(message, MK_LBUTTON, MAKELPARAM(x, y));
}

void BenchRoot::Show(SHORT page) {
    m_pDlg->m_nCurPage = page;
    ::InvalidateRect(m_pDlg->m_hWnd, nullptr, FALSE);
    dv::testing::PumpMessagesUntilIdle();
}
