// The static material of the screens: the main background, the three page
// backgrounds (main background with the page's panel on top), the two fonts,
// the main-menu preview and the eight image buttons.
#include <cwchar>

#include "app/SettingsDlg.h"
#include "platform/afx/CWinApp.h"
#include "ui/ResourceIds.h"
#include "ui/ScratchSurface.h"

namespace {

constexpr int kScreenWidth = 480;
constexpr int kScreenHeight = 234;

// Every page panel lies at the same place over the main background.
constexpr int kPanelX = 11;
constexpr int kPanelY = 32;
constexpr int kPanelWidth = 457;
constexpr int kPanelHeight = 160;

constexpr int kPreviewX = 216;
constexpr int kPreviewY = 111;
constexpr int kPreviewWidth = 189;
constexpr int kPreviewHeight = 123;
constexpr int kPreviewCount = 4;
constexpr UINT kPreviewBitmaps[kPreviewCount] = {IDB_PREVIEW_SOUND, IDB_PREVIEW_BASIC,
                                                 IDB_PREVIEW_ADVAN, IDB_PREVIEW_TOUCH};

constexpr LONG kScreenFontHeight = 12;
constexpr const wchar_t* kScreenFontFace = L"Tahoma";
constexpr COLORREF kWhite = RGB(255, 255, 255);

struct ButtonSpec {
    UINT nBitmapId;
    RECT rect;
};

// Buttons 0..7: the four main-menu icons (sound, basic, advanced, touch),
// close, OK, Cancel and Default. Each strip is twice the rectangle's width.
constexpr ButtonSpec kButtons[IMAGE_BUTTON_COUNT] = {
    {IDB_ICON_SOUND, {8, 127, 81, 224}},   {IDB_ICON_BASIC, {81, 100, 139, 190}},
    {IDB_ICON_ADVAN, {139, 62, 199, 145}}, {IDB_ICON_TOUCH, {199, 15, 262, 111}},
    {IDB_BTN_CLOSE, {405, 8, 466, 30}},    {IDB_BTN_OK, {11, 197, 90, 228}},
    {IDB_BTN_CANCEL, {98, 197, 177, 228}}, {IDB_BTN_DEFAULT, {389, 197, 468, 228}},
};

HBITMAP LoadResourceBitmap(UINT nBitmapId) {
    return ::LoadBitmapW(AfxGetResourceHandle(), MAKEINTRESOURCEW(nBitmapId));
}

HDC SafeHdc(CDC* pDC) {
    return pDC != nullptr ? pDC->GetSafeHdc() : nullptr;
}

// Length of a face name when it fits LF_FACESIZE with its terminator, else -1.
int FittingFaceLength(LPCWSTR lpszFace) {
    if (lpszFace == nullptr) {
        return -1;
    }
    for (int n = 0; n < LF_FACESIZE; ++n) {
        if (lpszFace[n] == L'\0') {
            return n;
        }
    }
    return -1;
}

}  // namespace

void CSettingsDlg::CreateMainBackground() {
    m_dcMainBg.CreateCompatibleDC(m_pScreenDC);
    // The surface holds the resource bitmap itself and frees it with itself.
    HBITMAP hBitmap = LoadResourceBitmap(IDB_MAIN_BG);
    if (hBitmap != nullptr) {
        m_dcMainBg.SelectObject(hBitmap);
    }
}

void CSettingsDlg::CreatePageBackground(CDC& pageDC, UINT nPanelBitmapId) {
    pageDC.CreateCompatibleDC(m_pScreenDC);
    CScratchSurface panel(m_pScreenDC);
    HBITMAP hPage = ::CreateCompatibleBitmap(SafeHdc(m_pScreenDC), kScreenWidth, kScreenHeight);
    if (hPage != nullptr) {
        pageDC.SelectObject(hPage);
    }
    panel.HoldResource(nPanelBitmapId);
    pageDC.BitBlt(0, 0, kScreenWidth, kScreenHeight, &m_dcMainBg, 0, 0, SRCCOPY);
    pageDC.BitBlt(kPanelX, kPanelY, kPanelWidth, kPanelHeight, panel.Get(), 0, 0, SRCCOPY);
}

void CSettingsDlg::CreateSoundBackground() {
    CreatePageBackground(m_dcSoundBg, IDB_PANEL_SOUND);
}

void CSettingsDlg::CreateBasicBackground() {
    CreatePageBackground(m_dcBasicBg, IDB_PANEL_BASIC);
}

void CSettingsDlg::CreateAdvanBackground() {
    CreatePageBackground(m_dcAdvanBg, IDB_PANEL_ADVAN);
}

void CSettingsDlg::InitScreenFont() {
    LOGFONTW lf{};
    lf.lfHeight = kScreenFontHeight;
    lf.lfWeight = FW_BOLD;
    std::wcscpy(lf.lfFaceName, kScreenFontFace);
    m_fontScreen.CreateFontIndirect(&lf);
    if (m_pScreenDC == nullptr) {
        return;
    }
    m_pOldFont = m_pScreenDC->SelectObject(&m_fontScreen);
    // The FM frequency is the only text drawn straight on the screen.
    m_pScreenDC->SetBkMode(TRANSPARENT);
    m_pScreenDC->SetTextColor(kWhite);
}

HFONT CSettingsDlg::MakeFont(LPCWSTR lpszFace, int nHeight, bool bBold, bool bAntialiased) {
    LOGFONTW lf{};
    lf.lfHeight = static_cast<BYTE>(nHeight);
    lf.lfWeight = bBold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = bAntialiased ? ANTIALIASED_QUALITY : NONANTIALIASED_QUALITY;
    const int nFaceLength = FittingFaceLength(lpszFace);
    if (nFaceLength >= 0) {
        std::wmemcpy(lf.lfFaceName, lpszFace, static_cast<size_t>(nFaceLength) + 1);
    } else {
        // The font is still made, in the platform's default face.
        NKDbgPrintfW(L"MakeFont: face name missing or longer than %d characters\r\n",
                     LF_FACESIZE - 1);
    }
    return ::CreateFontIndirectW(&lf);
}

void CSettingsDlg::DrawMainPreview(CDC* pTargetDC) {
    if (pTargetDC == nullptr || m_nSelIcon < 0 || m_nSelIcon >= kPreviewCount) {
        return;
    }
    CScratchSurface preview(m_pScreenDC);
    preview.HoldResource(kPreviewBitmaps[m_nSelIcon]);
    pTargetDC->BitBlt(kPreviewX, kPreviewY, kPreviewWidth, kPreviewHeight, preview.Get(), 0, 0,
                      SRCCOPY);
}

void CSettingsDlg::CreateButtons() {
    for (int i = 0; i < IMAGE_BUTTON_COUNT; ++i) {
        m_btn[i].Create(m_pScreenDC, kButtons[i].nBitmapId, kButtons[i].rect, 0, 0, 0);
    }
}
