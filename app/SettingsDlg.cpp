#include "app/SettingsDlg.h"

#include <algorithm>
#include <iterator>

#include "ui/ScreenLayout.h"

namespace {

constexpr WPARAM kEnterKey = 13;
// What the Enter key becomes, so that it never reaches the dialog manager
// as Enter and never produces the dialog's OK command.
constexpr WPARAM kEnterReplacement = 210;

static_assert(std::size(layout::kOptionRects) == OPTION_RECT_COUNT);

}  // namespace

CSettingsDlg::CSettingsDlg(CWnd* pParent)
    : CDialog(IDD_SETTINGS_DIALOG, pParent),
      m_hAppIcon(nullptr),
      m_pScreenDC(nullptr),
      m_nSelIcon(0),
      m_nCurPage(PAGE_MAIN),
      SoundPageData{},
      BasicPageData{},
      AdvanPageDAta{},
      m_IniInfo{},
      m_nPressedBtn(BTN_NONE),
      m_nDragSlider(DRAG_NONE),
      m_nDragBar(DRAG_NONE),
      m_nLastKnobY{-1, -1, -1},
      m_rcHit{},
      m_pOldFont(nullptr),
      m_bFmRepeat(0),
      m_nFmDirection(0),
      m_bBarChanged(0),
      m_hVersionFont(nullptr) {
    m_hAppIcon = LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDI_APP_ICON));
    for (int i = 0; i < OPTION_RECT_COUNT; ++i) {
        m_rcHit[i] = layout::kOptionRects[i];
    }
}

CSettingsDlg::~CSettingsDlg() = default;

BOOL CSettingsDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hAppIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hAppIcon));
    MoveWindow(0, 0, layout::kScreenWidth, layout::kScreenHeight, TRUE);
    SetWindowText(kSettingsTitle);
    NKDbgPrintfW(L"\r\nBuild Time - %S %S\r\n", __DATE__, __TIME__);
    NKDbgPrintfW(L"Build Version - QX-9 V1.20 (2008.4.19)\r\n");
    CreateScreenResources();
    LoadSettings();
    return TRUE;
}

void CSettingsDlg::OnDestroy() {
    Default();
    RestoreDevices();
    DestroyScreenResources();
    PostQuitMessage(0);
}

BOOL CSettingsDlg::PreTranslateMessage(MSG* pMsg) {
    if (pMsg->wParam == kEnterKey) {
        pMsg->wParam = kEnterReplacement;
    }
    return CDialog::PreTranslateMessage(pMsg);
}

BOOL CSettingsDlg::OnEraseBkgnd(CDC* /*pDC*/) {
    return FALSE;
}

LRESULT CSettingsDlg::OnCloseSettings(WPARAM /*wParam*/, LPARAM /*lParam*/) {
    return DestroyWindow();
}
