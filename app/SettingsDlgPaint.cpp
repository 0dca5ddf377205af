// The paint handler: the only path by which a page change reaches the
// screen. The whole page is composed off screen and copied once, so a
// repaint never flickers. The first paint after touch calibration ends the
// touch page instead of drawing.
#include <cwchar>

#include "app/SettingsDlg.h"
#include "ui/ScratchSurface.h"
#include "ui/ScreenLayout.h"

namespace {

using layout::kScreenHeight;
using layout::kScreenWidth;

constexpr int kBtnClose = 4;
constexpr int kBtnOk = 5;
constexpr int kBtnDefault = 7;
constexpr int kMainIconCount = 4;

constexpr const wchar_t* kVersionText = L"QX-9  V1.20  (2008.4.19)";
using layout::kVersionRect;
constexpr COLORREF kWhite = RGB(255, 255, 255);

// The build's version on the advanced page, in the version font when it was
// made. Giving the surface its own font back lets the version font be deleted
// at destruction without a surface still holding it.
void DrawVersionText(CDC* pPage, HFONT hVersionFont) {
    pPage->SetBkMode(TRANSPARENT);
    HGDIOBJ hPrevFont = nullptr;
    if (hVersionFont != nullptr) {
        hPrevFont = pPage->SelectObject(hVersionFont);
    }
    pPage->SetTextColor(kWhite);
    RECT rcVersion = kVersionRect;
    pPage->DrawText(kVersionText, static_cast<int>(std::wcslen(kVersionText)), &rcVersion,
                    DT_SINGLELINE | DT_VCENTER);
    if (hPrevFont != nullptr) {
        pPage->SelectObject(hPrevFont);
    }
}

}  // namespace

void CSettingsDlg::DrawMainIcons(CDC* pDC, int nPressedIcon) {
    for (int i = 0; i < kMainIconCount; ++i) {
        m_btn[i].Draw(pDC, i == nPressedIcon, 0);
    }
}

void CSettingsDlg::OnPaint() {
    CPaintDC dc(this);
    NKDbgPrintfW(L"++++++++++++++++++++++Dialvane OnPaint\r\n");

    if (m_nCurPage == PAGE_TOUCH) {
        NKDbgPrintfW(L"Send Power Touch Out\r\n");
        m_launcher.NotifyTouchCal(0);
        // Back to the main menu; OnBtOk invalidates, and the next pass draws it.
        OnBtOk();
        return;
    }

    {
        CScratchSurface page(&dc);
        page.HoldBlank(kScreenWidth, kScreenHeight);
        CDC* pPage = page.Get();

        switch (m_nCurPage) {
            case PAGE_MAIN:
                pPage->BitBlt(0, 0, kScreenWidth, kScreenHeight, &m_dcMainBg, 0, 0, SRCCOPY);
                DrawMainIcons(pPage, m_nSelIcon);
                DrawMainPreview(pPage);
                break;
            case PAGE_SOUND:
                pPage->BitBlt(0, 0, kScreenWidth, kScreenHeight, &m_dcSoundBg, 0, 0, SRCCOPY);
                DrawVolumeSlider(pPage, m_device.GetVolumeStepY(SoundPageData.nNaviVolume), 0);
                DrawVolumeSlider(pPage, m_device.GetVolumeStepY(SoundPageData.nDmbVolume), 1);
                DrawVolumeSlider(pPage, m_device.GetVolumeStepY(SoundPageData.nAvInVolume), 2);
                break;
            case PAGE_BASIC:
                pPage->BitBlt(0, 0, kScreenWidth, kScreenHeight, &m_dcBasicBg, 0, 0, SRCCOPY);
                DrawBasicOptions(pPage);
                // Each bar also brings its hardware level to the working value.
                DrawBar(pPage, BasicPageData.nBright, BAR_BRIGHT);
                DrawBar(pPage, BasicPageData.nContrast, BAR_CONTRAST);
                break;
            case PAGE_ADVAN:
                pPage->BitBlt(0, 0, kScreenWidth, kScreenHeight, &m_dcAdvanBg, 0, 0, SRCCOPY);
                DrawAdvanOptions(pPage);
                m_btn[kBtnDefault].Draw(pPage, false, 0);
                DrawVersionText(pPage, m_hVersionFont);
                break;
            default:
                break;
        }

        m_btn[kBtnClose].Draw(pPage, false, 0);
        if (m_nCurPage != PAGE_MAIN) {
            m_btn[kBtnOk].Draw(pPage, false, 0);
        }
        dc.BitBlt(0, 0, kScreenWidth, kScreenHeight, pPage, 0, 0, SRCCOPY);
    }
    // Drawn once the page surface is gone: the screen then owns its pixels
    // alone and the strip is written straight into them.
    if (m_nCurPage == PAGE_ADVAN && AdvanPageDAta.nFmtOn == FMT_ON) {
        DrawFmPanel(m_pScreenDC, 0, TRUE);
    }
}
