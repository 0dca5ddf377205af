// The pen controller: pen down, move and up, and the FM repeat timer, for
// every page. Each case runs its steps in a fixed order: click, pressed
// look, working copy, hardware, commit, page change.
#include <algorithm>

#include "app/SettingsDlg.h"
#include "sound/WavePlayer.h"
#include "ui/ScreenLayout.h"

namespace {

constexpr LPCWSTR kClickSound = L"\\windows\\question.wav";

// A zone whose bounds both count as inside, unlike a rectangle's.
struct Zone {
    int left;
    int top;
    int right;
    int bottom;
    bool Holds(POINT pt) const {
        return pt.x >= left && pt.x <= right && pt.y >= top && pt.y <= bottom;
    }
};

constexpr Zone kPreviewZone = {layout::kPreviewRect.left, layout::kPreviewRect.top,
                               layout::kPreviewRect.right, layout::kPreviewRect.bottom};
constexpr int kSliderYMax = layout::kSliderTop + layout::kSliderHeight;

constexpr Zone SliderZone(int nSlider) {
    const int x = layout::kSliderColumnX[nSlider];
    return {x, layout::kSliderTop, x + layout::kSliderTouchWidth, kSliderYMax};
}
constexpr Zone kSliderZones[VOLUME_SLIDER_COUNT] = {SliderZone(0), SliderZone(1), SliderZone(2)};

// Basic page options: m_rcHit 0..4; advanced page: 5..8 (9 and 10, the FM
// transmitter's, are never accepted).
constexpr int kBasicFirstOption = 0;
constexpr int kBasicLastOption = 4;
constexpr int kAutoStartLastOption = 2;
constexpr int kAdvanFirstOption = 5;
constexpr int kAdvanLastAccepted = 8;

// What each accepted advanced option sets: PiKoMute for the first two,
// nRearCamera for the others.
struct AdvanOption {
    SHORT ADVAN_PAGE_DATA::*field;
    SHORT value;
};
constexpr AdvanOption kAdvanOptions[] = {
    {&ADVAN_PAGE_DATA::PiKoMute, PIKOMUTE_ON},
    {&ADVAN_PAGE_DATA::PiKoMute, PIKOMUTE_OFF},
    {&ADVAN_PAGE_DATA::nRearCamera, REARCAM_OFF},
    {&ADVAN_PAGE_DATA::nRearCamera, REARCAM_ON},
};

// The buttons a pen down can hold, on each page that takes the pen.
constexpr bool kSoundButtons[IMAGE_BUTTON_COUNT] = {false, false, false, false,
                                                    true,  true,  false, false};
constexpr bool kBasicButtons[IMAGE_BUTTON_COUNT] = {false, false, false, false,
                                                    true,  true,  false, false};
constexpr bool kAdvanButtons[IMAGE_BUTTON_COUNT] = {false, false, false, false,
                                                    true,  true,  false, true};
constexpr bool kMainButtons[IMAGE_BUTTON_COUNT] = {true, true,  true,  true,
                                                   true, false, false, false};

}  // namespace

void CSettingsDlg::Click() {
    PlayWaveFile(kClickSound);
}

void CSettingsDlg::PressButton(int nButton) {
    Click();
    m_nPressedBtn = nButton;
    m_btn[nButton].Draw(m_pScreenDC, true, 0);
}

bool CSettingsDlg::ButtonHolds(int nButton, POINT point) const {
    return PtInRect(&m_btn[nButton].m_rect, point) != FALSE;
}

void CSettingsDlg::PressAcceptedButton(POINT point, const bool (&bAccepted)[IMAGE_BUTTON_COUNT]) {
    for (int i = 0; i < IMAGE_BUTTON_COUNT; ++i) {
        if (bAccepted[i] && ButtonHolds(i, point)) {
            PressButton(i);
        }
    }
}

void CSettingsDlg::OpenTouchPage() {
    m_launcher.NotifyTouchCal(1);
    TouchCalibrate();
}

void CSettingsDlg::OnLButtonDown(UINT /*nFlags*/, POINT point) {
    switch (m_nCurPage) {
        case PAGE_MAIN:
            PenDownMain(point);
            break;
        case PAGE_SOUND:
            PenDownSound(point);
            break;
        case PAGE_BASIC:
            PenDownBasic(point);
            break;
        case PAGE_ADVAN:
            PenDownAdvan(point);
            break;
        default:
            break;
    }
    Default();
}

void CSettingsDlg::PenDownMain(POINT point) {
    PressAcceptedButton(point, kMainButtons);
    if (!kPreviewZone.Holds(point)) {
        return;
    }
    Click();
    if (m_nSelIcon >= PAGE_SOUND && m_nSelIcon <= PAGE_ADVAN) {
        m_nCurPage = m_nSelIcon;
    } else if (m_nSelIcon == PAGE_TOUCH) {
        m_nCurPage = PAGE_TOUCH;
        OpenTouchPage();
    }
    if (m_nCurPage != PAGE_TOUCH) {
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
    }
    SavePageData();
}

void CSettingsDlg::PenDownSound(POINT point) {
    PressAcceptedButton(point, kSoundButtons);
    for (int nSlider = 0; nSlider < VOLUME_SLIDER_COUNT; ++nSlider) {
        if (!kSliderZones[nSlider].Holds(point)) {
            continue;
        }
        // The navigation slider clicks when it is released, after the new
        // volume is in force; the other two click now.
        if (nSlider != 0) {
            Click();
        }
        m_nDragSlider = nSlider;
        DrawVolumeSlider(m_pScreenDC, point.y, nSlider);
        break;
    }
}

void CSettingsDlg::PenDownBasic(POINT point) {
    PressAcceptedButton(point, kBasicButtons);
    // Options 0..2 are the start-up application's, 3 and 4 automatic power-on's.
    for (int i = kBasicFirstOption; i <= kBasicLastOption; ++i) {
        if (PtInRect(&m_rcHit[i], point)) {
            Click();
            SHORT& nField =
                i <= kAutoStartLastOption ? BasicPageData.nAutoStart : BasicPageData.nAutoPowerOn;
            nField = static_cast<SHORT>(i);
            break;
        }
    }
    // Every pen down on this page redraws the marks and commits the page.
    DrawBasicOptions(m_pScreenDC);
    SavePageData();
    if (point.x < layout::kBarX || point.x > layout::kBarTouchRight) {
        return;
    }
    if (point.y >= layout::kBrightRowTop && point.y <= layout::kBrightRowBottom) {
        Click();
        m_nDragBar = BAR_BRIGHT;
        DrawBar(m_pScreenDC, point.x, BAR_BRIGHT);
        m_bBarChanged = TRUE;
    }
    if (point.y >= layout::kContrastRowTop && point.y <= layout::kContrastRowBottom) {
        Click();
        m_nDragBar = BAR_CONTRAST;
        DrawBar(m_pScreenDC, point.x, BAR_CONTRAST);
        m_bBarChanged = TRUE;
    }
}

void CSettingsDlg::PenDownAdvan(POINT point) {
    NKDbgPrintfW(L"point.x = %d, point.y = %d\r\n", static_cast<int>(point.x),
                 static_cast<int>(point.y));
    PressAcceptedButton(point, kAdvanButtons);
    for (int i = kAdvanFirstOption; i <= kAdvanLastAccepted; ++i) {
        if (!PtInRect(&m_rcHit[i], point)) {
            continue;
        }
        int j = i - kAdvanFirstOption;
        Click();
        NKDbgPrintfW(L"Advan Check Select i : %d\r\n", j);
        AdvanPageDAta.*kAdvanOptions[j].field = kAdvanOptions[j].value;
        DrawAdvanOptions(m_pScreenDC);
        SavePageData();
        return;
    }
}

void CSettingsDlg::OnMouseMove(UINT /*nFlags*/, POINT point) {
    if (m_nPressedBtn != BTN_NONE && !ButtonHolds(m_nPressedBtn, point)) {
        // The selected main-menu icon keeps its pressed look: it is also its
        // selected look.
        if (m_nPressedBtn != m_nSelIcon) {
            m_btn[m_nPressedBtn].Draw(m_pScreenDC, false, 0);
        }
        m_nPressedBtn = BTN_NONE;
    }
    if (m_nCurPage == PAGE_SOUND && m_nDragSlider != DRAG_NONE) {
        if (point.y != m_nLastKnobY[m_nDragSlider]) {
            int nY = std::clamp<int>(point.y, layout::kSliderTop, kSliderYMax);
            DrawVolumeSlider(m_pScreenDC, nY, m_nDragSlider);
        }
    } else if (m_nCurPage == PAGE_BASIC && m_nDragBar != DRAG_NONE) {
        DrawBar(m_pScreenDC, std::clamp<int>(point.x, layout::kBarX, layout::kBarTouchRight),
                m_nDragBar);
    }
    Default();
}

void CSettingsDlg::OnLButtonUp(UINT /*nFlags*/, POINT point) {
    // A held slider or bar is let go before a held button acts. One pen down
    // holds only one of them, but a second down whose first never got its up
    // can hold a button as well; OK or close acting first would leave the
    // page, and the value just set would be committed without it.
    switch (m_nDragSlider) {
        case 0:
            SoundPageData.nNaviVolume = static_cast<SHORT>(m_device.VolumeStepFromY(point.y, TRUE));
            Click();
            SavePageData();
            break;
        case 1:
            SoundPageData.nDmbVolume = static_cast<SHORT>(m_device.VolumeStepFromY(point.y, FALSE));
            SavePageData();
            break;
        case 2:
            SoundPageData.nAvInVolume =
                static_cast<SHORT>(m_device.VolumeStepFromY(point.y, FALSE));
            SavePageData();
            break;
        default:
            break;
    }
    if (m_bFmRepeat != 0) {
        KillTimer(IDT_FM_REPEAT);
        m_bFmRepeat = 0;
    }
    if (m_bBarChanged != 0) {
        m_bBarChanged = FALSE;
        SavePageData();
    }
    m_nDragSlider = DRAG_NONE;
    m_nDragBar = DRAG_NONE;
    if (m_nPressedBtn != BTN_NONE) {
        int nButton = m_nPressedBtn;
        // Let go before the action: the calibration screen's loop hands over
        // pen messages queued meanwhile, and the up of a quick second tap
        // must not find the touch icon still held and calibrate again.
        m_nPressedBtn = BTN_NONE;
        if (ButtonHolds(nButton, point)) {
            if (nButton >= BTN_CLOSE) {
                m_btn[nButton].Draw(m_pScreenDC, false, 0);
            }
            RunButtonAction(nButton);
        }
    }
    Default();
}

void CSettingsDlg::RunButtonAction(int nButton) {
    switch (nButton) {
        case BTN_ICON_TOUCH:
            DrawMainIcons(m_pScreenDC, nButton);
            m_nSelIcon = m_nCurPage = PAGE_TOUCH;
            OpenTouchPage();
            SavePageData();
            break;
        case BTN_CLOSE:
            DestroyWindow();
            break;
        case BTN_OK:
            OnBtOk();
            break;
        case BTN_DEFAULT:
            OnBtDefault();
            break;
        default:
            if (nButton >= BTN_ICON_SOUND && nButton < BTN_ICON_TOUCH) {
                DrawMainIcons(m_pScreenDC, nButton);
                m_nSelIcon = m_nCurPage = static_cast<SHORT>(nButton);
                ::InvalidateRect(m_hWnd, nullptr, FALSE);
                SavePageData();
            }
            break;
    }
}

void CSettingsDlg::OnLButtonDblClk(UINT /*nFlags*/, POINT /*point*/) {
    // The second press of a double tap is not a pen down: a double tap acts once.
    Default();
}

void CSettingsDlg::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == IDT_FM_REPEAT) {
        DrawFmPanel(m_pScreenDC, m_nFmDirection, FALSE);
    }
    Default();
}
