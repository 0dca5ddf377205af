#include "app/SettingsDlg.h"

namespace {

constexpr int kScreenWidth = 480;
constexpr int kScreenHeight = 234;
constexpr WPARAM kEnterKey = 13;
// What the Enter key becomes, so that it never reaches the dialog manager
// as Enter and never produces the dialog's OK command.
constexpr WPARAM kEnterReplacement = 210;

// Option hit rectangles: basic page 0..4, advanced page 5..10.
constexpr RECT kOptionRects[OPTION_RECT_COUNT] = {
    {156, 75, 225, 90},   {246, 75, 327, 90},   {349, 75, 415, 90},   {156, 103, 225, 118},
    {246, 103, 300, 118}, {154, 83, 242, 102},  {250, 83, 435, 102},  {156, 113, 220, 131},
    {232, 113, 290, 131}, {156, 144, 220, 159}, {232, 144, 290, 159},
};

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
        m_rcHit[i] = kOptionRects[i];
    }
}

CSettingsDlg::~CSettingsDlg() = default;

BOOL CSettingsDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hAppIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hAppIcon));
    MoveWindow(0, 0, kScreenWidth, kScreenHeight, TRUE);
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
