// The parts of the settings pages that change with the pen: the volume
// sliders, the option marks, the brightness and contrast bars and the FM
// frequency panel. Each is composed off screen over a copy of its page
// background and reaches its target in a single block copy, so it never
// flickers; the pieces are loaded per call and freed before returning.
#include <algorithm>
#include <cwchar>

#include "app/SettingsDlg.h"
#include "ui/ResourceIds.h"
#include "ui/ScratchSurface.h"
#include "ui/ScreenLayout.h"

namespace {

using layout::kKnobCentreOffset;
using layout::kKnobTopMax;
using layout::kSliderColumnX;
using layout::kSliderHeight;
using layout::kSliderTop;
using layout::kSliderWidth;
static_assert(std::size(kSliderColumnX) == VOLUME_SLIDER_COUNT);
constexpr int kSliderKnobWidth = layout::kSliderKnobSize.cx;
constexpr int kSliderKnobHeight = layout::kSliderKnobSize.cy;
constexpr int kSliderFillX = layout::kSliderGrooveX;
constexpr int kSliderFillGap = 2;
constexpr int kSliderFillWidth = 4;

// Option marks.
constexpr int kOptionsX = layout::kOptionsOrigin.x;
constexpr int kOptionsY = layout::kOptionsOrigin.y;
constexpr int kBasicOptionsWidth = 275;
constexpr int kBasicOptionsHeight = 45;
constexpr int kAdvanOptionsWidth = 300;
constexpr int kAdvanOptionsHeight = 60;
constexpr int kMarkWidth = layout::kMarkSize.cx;
constexpr int kMarkHeight = layout::kMarkSize.cy;

struct MarkPlace {
    int nValue;
    POINT pt;
};

using layout::kAdvanMarks;
using layout::kBasicMarks;
constexpr MarkPlace kAutoStartMarks[] = {
    {0, kBasicMarks[0]}, {1, kBasicMarks[1]}, {2, kBasicMarks[2]}};
constexpr MarkPlace kAutoPowerMarks[] = {{AUTOPOWER_OFF, kBasicMarks[3]},
                                         {AUTOPOWER_ON, kBasicMarks[4]}};
constexpr POINT kPiKoMuteOnMark = kAdvanMarks[0];
constexpr POINT kPiKoMuteOffMark = kAdvanMarks[1];
constexpr MarkPlace kRearCameraMarks[] = {{REARCAM_OFF, kAdvanMarks[2]},
                                          {REARCAM_ON, kAdvanMarks[3]}};

// Bars: the knob's left edge runs over x 156..405 on the screen.
constexpr int kBarX = layout::kBarX;
static_assert(kBarX == BAR_KNOB_X_MIN);
constexpr int kBrightBarY = layout::kBrightRowTop;
constexpr int kContrastBarY = layout::kContrastRowTop;
constexpr int kBarWidth = layout::kBarSize.cx;
constexpr int kBarHeight = layout::kBarSize.cy;
constexpr int kBarTravel = BAR_KNOB_X_MAX - BAR_KNOB_X_MIN;
constexpr int kBarFillY = layout::kBarLineY;
constexpr int kBarFillHeight = 3;
constexpr int kBarKnobSize = 19;

// FM frequency panel.
constexpr int kFmX = layout::kFmRect.left;
constexpr int kFmY = layout::kFmRect.top;
constexpr int kFmWidth = layout::kFmRect.right - layout::kFmRect.left;
constexpr int kFmHeight = layout::kFmRect.bottom - layout::kFmRect.top;
constexpr int kFmArrowWidth = 12;
constexpr int kFmArrowHeight = 14;
constexpr int kFmBoxWidth = 54;
constexpr int kFmBoxHeight = 18;
constexpr POINT kFmLeftArrows[] = {{0, 2}, {19, 2}};
constexpr POINT kFmBox = {36, 0};
constexpr POINT kFmRightArrows[] = {{97, 2}, {114, 2}};
// Taller than the box so that the text centres on the box's middle.
constexpr RECT kFmTextRect = {359, 118, 413, 180};
constexpr int kFmTextCapacity = 32;

int SliderIndex(int nSlider) {
    return (nSlider == 0 || nSlider == 1) ? nSlider : 2;
}

int KnobTop(int nKnobY) {
    return std::clamp(nKnobY - kKnobCentreOffset, 0, kKnobTopMax);
}

template <size_t N>
const MarkPlace* FindMark(const MarkPlace (&marks)[N], int nValue) {
    for (const MarkPlace& mark : marks) {
        if (mark.nValue == nValue) {
            return &mark;
        }
    }
    return nullptr;
}

void PutPiece(CScratchSurface& composite, CScratchSurface& piece, POINT pt, int cx, int cy) {
    composite->BitBlt(pt.x, pt.y, cx, cy, piece.Get(), 0, 0, SRCCOPY);
}

void PutMark(CScratchSurface& composite, CScratchSurface& mark, const MarkPlace* place) {
    if (place != nullptr) {
        PutPiece(composite, mark, place->pt, kMarkWidth, kMarkHeight);
    }
}

// The bar row as the basic page background holds it, the green line up to
// the knob, then the knob at its offset.
void ComposeBar(CDC* pTargetDC, CDC* pBackground, int nOffset, int nRowY) {
    CScratchSurface composite(pTargetDC);
    composite.HoldBlank(kBarWidth, kBarHeight);
    CScratchSurface piece(pTargetDC);
    composite->BitBlt(0, 0, kBarWidth, kBarHeight, pBackground, kBarX, nRowY, SRCCOPY);
    piece.HoldResource(IDB_BAR_FILL);
    if (nOffset > 0) {
        PutPiece(composite, piece, {0, kBarFillY}, nOffset, kBarFillHeight);
    }
    piece.HoldResource(IDB_BAR_KNOB);
    PutPiece(composite, piece, {nOffset, 0}, kBarKnobSize, kBarKnobSize);
    pTargetDC->BitBlt(kBarX, nRowY, kBarWidth, kBarHeight, composite.Get(), 0, 0, SRCCOPY);
}

void ComposeFmStrip(CDC* pTargetDC, CDC* pBackground) {
    CScratchSurface composite(pTargetDC);
    composite.HoldBlank(kFmWidth, kFmHeight);
    CScratchSurface piece(pTargetDC);
    composite->BitBlt(0, 0, kFmWidth, kFmHeight, pBackground, kFmX, kFmY, SRCCOPY);
    piece.HoldResource(IDB_FM_ARROW_LEFT);
    for (POINT pt : kFmLeftArrows) {
        PutPiece(composite, piece, pt, kFmArrowWidth, kFmArrowHeight);
    }
    piece.HoldResource(IDB_FM_BOX);
    PutPiece(composite, piece, kFmBox, kFmBoxWidth, kFmBoxHeight);
    piece.HoldResource(IDB_FM_ARROW_RIGHT);
    for (POINT pt : kFmRightArrows) {
        PutPiece(composite, piece, pt, kFmArrowWidth, kFmArrowHeight);
    }
    pTargetDC->BitBlt(kFmX, kFmY, kFmWidth, kFmHeight, composite.Get(), 0, 0, SRCCOPY);
}

}  // namespace

void CSettingsDlg::DrawVolumeSlider(CDC* pTargetDC, int nKnobY, int nSlider) {
    const int nIndex = SliderIndex(nSlider);
    const int nColumnX = kSliderColumnX[nIndex];
    // The controller compares the next pen y with the value as given, unclamped.
    m_nLastKnobY[nIndex] = nKnobY;
    if (pTargetDC == nullptr) {
        return;
    }
    const int t = KnobTop(nKnobY);

    CScratchSurface composite(pTargetDC);
    composite.HoldBlank(kSliderWidth, kSliderHeight);
    CScratchSurface knob(pTargetDC);
    CScratchSurface fill(pTargetDC);
    knob.HoldResource(IDB_SLIDER_KNOB);
    fill.HoldResource(IDB_SLIDER_FILL);

    composite->BitBlt(0, 0, kSliderWidth, kSliderHeight, &m_dcSoundBg, nColumnX, kSliderTop,
                      SRCCOPY);
    // The fill runs from just below the knob to the column's bottom edge,
    // which cuts what lies beyond it.
    PutPiece(composite, fill, {kSliderFillX, t + kSliderFillGap}, kSliderFillWidth, kSliderHeight);
    PutPiece(composite, knob, {0, t}, kSliderKnobWidth, kSliderKnobHeight);
    pTargetDC->BitBlt(nColumnX, kSliderTop, kSliderWidth, kSliderHeight, composite.Get(), 0, 0,
                      SRCCOPY);
}

void CSettingsDlg::DrawBasicOptions(CDC* pTargetDC) {
    if (pTargetDC == nullptr) {
        return;
    }
    CScratchSurface composite(pTargetDC);
    composite.HoldBlank(kBasicOptionsWidth, kBasicOptionsHeight);
    CScratchSurface mark(pTargetDC);
    mark.HoldResource(IDB_OPTION_MARK);

    composite->BitBlt(0, 0, kBasicOptionsWidth, kBasicOptionsHeight, &m_dcBasicBg, kOptionsX,
                      kOptionsY, SRCCOPY);
    PutMark(composite, mark, FindMark(kAutoStartMarks, BasicPageData.nAutoStart));
    PutMark(composite, mark, FindMark(kAutoPowerMarks, BasicPageData.nAutoPowerOn));
    pTargetDC->BitBlt(kOptionsX, kOptionsY, kBasicOptionsWidth, kBasicOptionsHeight,
                      composite.Get(), 0, 0, SRCCOPY);
}

void CSettingsDlg::DrawAdvanOptions(CDC* pTargetDC) {
    if (pTargetDC == nullptr) {
        return;
    }
    CScratchSurface composite(pTargetDC);
    composite.HoldBlank(kAdvanOptionsWidth, kAdvanOptionsHeight);
    CScratchSurface mark(pTargetDC);
    mark.HoldResource(IDB_OPTION_MARK);

    composite->BitBlt(0, 0, kAdvanOptionsWidth, kAdvanOptionsHeight, &m_dcAdvanBg, kOptionsX,
                      kOptionsY, SRCCOPY);
    NKDbgPrintfW(L"\r\n\r\nAdvanPageDAta.PiKoMute = %d\r\n", AdvanPageDAta.PiKoMute);
    if (AdvanPageDAta.PiKoMute == PIKOMUTE_ON) {
        PutPiece(composite, mark, kPiKoMuteOnMark, kMarkWidth, kMarkHeight);
        NKDbgPrintfW(L"AdvanPageDAta PiKoMute PIKOMUTEON\r\n");
    } else if (AdvanPageDAta.PiKoMute == PIKOMUTE_OFF) {
        PutPiece(composite, mark, kPiKoMuteOffMark, kMarkWidth, kMarkHeight);
        NKDbgPrintfW(L"AdvanPageDAta PiKoMute PIKOMUTEOFF\r\n");
    }
    PutMark(composite, mark, FindMark(kRearCameraMarks, AdvanPageDAta.nRearCamera));
    pTargetDC->BitBlt(kOptionsX, kOptionsY, kAdvanOptionsWidth, kAdvanOptionsHeight,
                      composite.Get(), 0, 0, SRCCOPY);
}

void CSettingsDlg::DrawBar(CDC* pTargetDC, int nX, int nBarId) {
    if (nBarId != BAR_BRIGHT && nBarId != BAR_CONTRAST) {
        NKDbgPrintfW(L"DrawBar: unknown bar id %d, nothing drawn\r\n", nBarId);
        return;
    }
    SHORT& nWorking = (nBarId == BAR_BRIGHT) ? BasicPageData.nBright : BasicPageData.nContrast;
    int e = nX - kBarX;
    if (e > kBarTravel) {
        e = kBarTravel;
        nWorking = BAR_KNOB_X_MAX;
    } else if (e < 0) {
        // Only a damaged settings record puts the knob left of the bar; a
        // negative offset would reach the display as an out-of-range level.
        NKDbgPrintfW(L"DrawBar: knob x %d left of the bar, drawn at %d\r\n", nX, kBarX);
        e = 0;
        nWorking = BAR_KNOB_X_MIN;
    } else {
        nWorking = static_cast<SHORT>(nX);
    }

    if (pTargetDC != nullptr) {
        ComposeBar(pTargetDC, &m_dcBasicBg, e, nBarId == BAR_BRIGHT ? kBrightBarY : kContrastBarY);
    }
    // The drivers skip a level equal to the last one written.
    if (nBarId == BAR_BRIGHT) {
        m_device.SetBacklight(e);
    } else {
        m_device.SetContrast(e);
    }
}

void CSettingsDlg::DrawFmPanel(CDC* pTargetDC, int nStep, int bDisplayOnly) {
    if (nStep == FM_STEP_UP || nStep == FM_STEP_DOWN) {
        m_device.StepFmFrequency(AdvanPageDAta, nStep);
    }
    wchar_t szText[kFmTextCapacity];
    std::swprintf(szText, kFmTextCapacity, L"%d.%d", AdvanPageDAta.nFmtMhz,
                  AdvanPageDAta.nFmtDecimal);

    if (pTargetDC != nullptr) {
        ComposeFmStrip(pTargetDC, &m_dcAdvanBg);
    }
    if (m_pScreenDC != nullptr) {
        RECT rcText = kFmTextRect;
        m_pScreenDC->DrawText(szText, static_cast<int>(std::wcslen(szText)), &rcText,
                              DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    }
    if (bDisplayOnly == 0) {
        m_device.SetFmTransmitter(FMT_MODE_ON, AdvanPageDAta.nFmtMhz, AdvanPageDAta.nFmtDecimal);
    }
}
