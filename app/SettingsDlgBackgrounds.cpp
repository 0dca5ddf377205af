// The static material of the screens: the main background, the three page
// backgrounds (main background with the page's panel on top), the two fonts,
// the main-menu preview and the eight image buttons.
#include <cwchar>
#include <iterator>

#include "app/SettingsDlg.h"
#include "ui/ResourceIds.h"
#include "ui/ScratchSurface.h"
#include "ui/ScreenLayout.h"
#include "ui/TextStyle.h"

namespace {

constexpr int kPreviewCount = 4;
constexpr UINT kPreviewBitmaps[kPreviewCount] = {IDB_PREVIEW_SOUND, IDB_PREVIEW_BASIC,
                                                 IDB_PREVIEW_ADVAN, IDB_PREVIEW_TOUCH};

constexpr LONG kScreenFontHeight = 12;

// The strips of buttons 0..7, in the order of their rectangles on the screen;
// each strip is twice its rectangle's width.
constexpr UINT kButtonBitmaps[IMAGE_BUTTON_COUNT] = {
    IDB_ICON_SOUND, IDB_ICON_BASIC, IDB_ICON_ADVAN, IDB_ICON_TOUCH,
    IDB_BTN_CLOSE,  IDB_BTN_OK,     IDB_BTN_CANCEL, IDB_BTN_DEFAULT,
};
static_assert(std::size(layout::kButtonRects) == IMAGE_BUTTON_COUNT);

HDC SafeHdc(CDC* pDC) {
    return pDC != nullptr ? pDC->GetSafeHdc() : nullptr;
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
    HBITMAP hPage =
        ::CreateCompatibleBitmap(SafeHdc(m_pScreenDC), layout::kScreenWidth, layout::kScreenHeight);
    if (hPage != nullptr) {
        pageDC.SelectObject(hPage);
    }
    panel.HoldResource(nPanelBitmapId);
    pageDC.BitBlt(0, 0, layout::kScreenWidth, layout::kScreenHeight, &m_dcMainBg, 0, 0, SRCCOPY);
    pageDC.BitBlt(layout::kPanelOrigin.x, layout::kPanelOrigin.y, layout::kPanelSize.cx,
                  layout::kPanelSize.cy, panel.Get(), 0, 0, SRCCOPY);
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
    std::wcscpy(lf.lfFaceName, kTextFace);
    m_fontScreen.CreateFontIndirect(&lf);
    if (m_pScreenDC == nullptr) {
        return;
    }
    m_pOldFont = m_pScreenDC->SelectObject(&m_fontScreen);
    // The FM frequency is the only text drawn straight on the screen.
    m_pScreenDC->SetBkMode(TRANSPARENT);
    m_pScreenDC->SetTextColor(kTextColour);
}

HFONT CSettingsDlg::MakeFont(LPCWSTR lpszFace, int nHeight, bool bBold, bool bAntialiased) {
    LOGFONTW lf{};
    lf.lfHeight = static_cast<BYTE>(nHeight);
    lf.lfWeight = bBold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = bAntialiased ? ANTIALIASED_QUALITY : NONANTIALIASED_QUALITY;
    // A face name fits when its terminator is within LF_FACESIZE units.
    const size_t nFaceLength = lpszFace != nullptr ? wcsnlen(lpszFace, LF_FACESIZE) : LF_FACESIZE;
    if (nFaceLength < LF_FACESIZE) {
        std::wmemcpy(lf.lfFaceName, lpszFace, nFaceLength + 1);
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
    const RECT& rc = layout::kPreviewRect;
    pTargetDC->BitBlt(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, preview.Get(), 0, 0,
                      SRCCOPY);
}

void CSettingsDlg::CreateButtons() {
    for (int i = 0; i < IMAGE_BUTTON_COUNT; ++i) {
        m_btn[i].Create(m_pScreenDC, kButtonBitmaps[i], layout::kButtonRects[i], 0, 0, 0);
    }
}
