// The paint handler: the only path by which a page change reaches the
// screen. The whole page is composed off screen and copied once, so a
// repaint never flickers. The first paint after touch calibration ends the
// touch page instead of drawing.
#include <cwchar>

#include "app/SettingsDlg.h"
#include "ui/ScratchSurface.h"
#include "ui/ScreenLayout.h"
#include "ui/TextStyle.h"

namespace {

constexpr const wchar_t* kVersionText = L"QX-9  V1.20  (2008.4.19)";

// The build's version on the advanced page, in the version font when it was
// made. Giving the surface its own font back lets the version font be deleted
// at destruction without a surface still holding it.
void DrawVersionText(CDC* pPage, HFONT hVersionFont) {
    pPage->SetBkMode(TRANSPARENT);
    HGDIOBJ hPrevFont = nullptr;
    if (hVersionFont != nullptr) {
        hPrevFont = pPage->SelectObject(hVersionFont);
    }
    pPage->SetTextColor(kTextColour);
    RECT rcVersion = layout::kVersionRect;
    pPage->DrawText(kVersionText, static_cast<int>(std::wcslen(kVersionText)), &rcVersion,
                    DT_SINGLELINE | DT_VCENTER);
    if (hPrevFont != nullptr) {
        pPage->SelectObject(hPrevFont);
    }
}

void CopyScreen(CDC* pTarget, CDC* pSource) {
    pTarget->BitBlt(0, 0, layout::kScreenWidth, layout::kScreenHeight, pSource, 0, 0, SRCCOPY);
}

}  // namespace

void CSettingsDlg::DrawMainIcons(CDC* pDC, int nPressedIcon) {
    for (int i = BTN_ICON_SOUND; i <= BTN_ICON_TOUCH; ++i) {
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
        page.HoldBlank(layout::kScreenWidth, layout::kScreenHeight);
        CDC* pPage = page.Get();

        switch (m_nCurPage) {
            case PAGE_MAIN:
                CopyScreen(pPage, &m_dcMainBg);
                DrawMainIcons(pPage, m_nSelIcon);
                DrawMainPreview(pPage);
                break;
            case PAGE_SOUND:
                CopyScreen(pPage, &m_dcSoundBg);
                DrawVolumeSlider(pPage, m_device.GetVolumeStepY(SoundPageData.nNaviVolume), 0);
                DrawVolumeSlider(pPage, m_device.GetVolumeStepY(SoundPageData.nDmbVolume), 1);
                DrawVolumeSlider(pPage, m_device.GetVolumeStepY(SoundPageData.nAvInVolume), 2);
                break;
            case PAGE_BASIC:
                CopyScreen(pPage, &m_dcBasicBg);
                DrawBasicOptions(pPage);
                // Each bar also brings its hardware level to the working value.
                DrawBar(pPage, BasicPageData.nBright, BAR_BRIGHT);
                DrawBar(pPage, BasicPageData.nContrast, BAR_CONTRAST);
                break;
            case PAGE_ADVAN:
                CopyScreen(pPage, &m_dcAdvanBg);
                DrawAdvanOptions(pPage);
                m_btn[BTN_DEFAULT].Draw(pPage, false, 0);
                DrawVersionText(pPage, m_hVersionFont);
                break;
            default:
                break;
        }

        m_btn[BTN_CLOSE].Draw(pPage, false, 0);
        if (m_nCurPage != PAGE_MAIN) {
            m_btn[BTN_OK].Draw(pPage, false, 0);
        }
        CopyScreen(&dc, pPage);
    }
    // Drawn once the page surface is gone: the screen then owns its pixels
    // alone and the strip is written straight into them.
    if (m_nCurPage == PAGE_ADVAN && AdvanPageDAta.nFmtOn == FMT_ON) {
        DrawFmPanel(m_pScreenDC, 0, TRUE);
    }
}
