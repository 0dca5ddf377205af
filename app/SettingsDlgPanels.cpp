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

static_assert(std::size(layout::kSliderColumnX) == VOLUME_SLIDER_COUNT);

struct MarkPlace {
    int nValue;
    POINT pt;
};

constexpr MarkPlace kAutoStartMarks[] = {
    {0, layout::kBasicMarks[0]}, {1, layout::kBasicMarks[1]}, {2, layout::kBasicMarks[2]}};
constexpr MarkPlace kAutoPowerMarks[] = {{AUTOPOWER_OFF, layout::kBasicMarks[3]},
                                         {AUTOPOWER_ON, layout::kBasicMarks[4]}};
constexpr MarkPlace kRearCameraMarks[] = {{REARCAM_OFF, layout::kAdvanMarks[2]},
                                          {REARCAM_ON, layout::kAdvanMarks[3]}};

// Bars: the knob's left edge runs over x 156..405 on the screen.
static_assert(layout::kBarX == BAR_KNOB_X_MIN);
constexpr int kBarTravel = BAR_KNOB_X_MAX - BAR_KNOB_X_MIN;

constexpr int kFmTextCapacity = 32;

int SliderIndex(int nSlider) {
    return (nSlider == 0 || nSlider == 1) ? nSlider : 2;
}

int KnobTop(int nKnobY) {
    return std::clamp(nKnobY - layout::kKnobCentreOffset, 0, layout::kKnobTopMax);
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

void PutPiece(CScratchSurface& composite, CScratchSurface& piece, POINT pt, SIZE size) {
    composite->BitBlt(pt.x, pt.y, size.cx, size.cy, piece.Get(), 0, 0, SRCCOPY);
}

void PutMark(CScratchSurface& composite, CScratchSurface& mark, const MarkPlace* place) {
    if (place != nullptr) {
        PutPiece(composite, mark, place->pt, layout::kMarkSize);
    }
}

// The block at pt as the background holds it, the start of every composite.
void CopyBackground(CScratchSurface& composite, CDC* pBackground, POINT pt, SIZE size) {
    composite.HoldBlank(size.cx, size.cy);
    composite->BitBlt(0, 0, size.cx, size.cy, pBackground, pt.x, pt.y, SRCCOPY);
}

void PutComposite(CDC* pTargetDC, CScratchSurface& composite, POINT pt, SIZE size) {
    pTargetDC->BitBlt(pt.x, pt.y, size.cx, size.cy, composite.Get(), 0, 0, SRCCOPY);
}

// The bar row as the basic page background holds it, the green line up to
// the knob, then the knob at its offset.
void ComposeBar(CDC* pTargetDC, CDC* pBackground, int nOffset, int nRowY) {
    const POINT pt = {layout::kBarX, nRowY};
    CScratchSurface composite(pTargetDC);
    CScratchSurface piece(pTargetDC);
    CopyBackground(composite, pBackground, pt, layout::kBarSize);
    piece.HoldResource(IDB_BAR_FILL);
    if (nOffset > 0) {
        PutPiece(composite, piece, {0, layout::kBarLineY}, {nOffset, layout::kBarLineHeight});
    }
    piece.HoldResource(IDB_BAR_KNOB);
    PutPiece(composite, piece, {nOffset, 0}, layout::kBarKnobSize);
    PutComposite(pTargetDC, composite, pt, layout::kBarSize);
}

void ComposeFmStrip(CDC* pTargetDC, CDC* pBackground) {
    const RECT& rc = layout::kFmRect;
    const POINT pt = {rc.left, rc.top};
    const SIZE size = {rc.right - rc.left, rc.bottom - rc.top};
    CScratchSurface composite(pTargetDC);
    CScratchSurface piece(pTargetDC);
    CopyBackground(composite, pBackground, pt, size);
    piece.HoldResource(IDB_FM_ARROW_LEFT);
    for (POINT ptArrow : layout::kFmLeftArrows) {
        PutPiece(composite, piece, ptArrow, layout::kFmArrowSize);
    }
    piece.HoldResource(IDB_FM_BOX);
    PutPiece(composite, piece, layout::kFmBox, layout::kFmBoxSize);
    piece.HoldResource(IDB_FM_ARROW_RIGHT);
    for (POINT ptArrow : layout::kFmRightArrows) {
        PutPiece(composite, piece, ptArrow, layout::kFmArrowSize);
    }
    PutComposite(pTargetDC, composite, pt, size);
}

}  // namespace

void CSettingsDlg::DrawVolumeSlider(CDC* pTargetDC, int nKnobY, int nSlider) {
    const int nIndex = SliderIndex(nSlider);
    const POINT pt = {layout::kSliderColumnX[nIndex], layout::kSliderTop};
    const SIZE size = {layout::kSliderWidth, layout::kSliderHeight};
    // The controller compares the next pen y with the value as given, unclamped.
    m_nLastKnobY[nIndex] = nKnobY;
    if (pTargetDC == nullptr) {
        return;
    }
    const int t = KnobTop(nKnobY);

    CScratchSurface composite(pTargetDC);
    CScratchSurface knob(pTargetDC);
    CScratchSurface fill(pTargetDC);
    knob.HoldResource(IDB_SLIDER_KNOB);
    fill.HoldResource(IDB_SLIDER_FILL);
    CopyBackground(composite, &m_dcSoundBg, pt, size);
    // The fill runs from just below the knob to the column's bottom edge,
    // which cuts what lies beyond it.
    PutPiece(composite, fill, {layout::kSliderGrooveX, t + layout::kSliderFillGap},
             {layout::kSliderFillWidth, layout::kSliderHeight});
    PutPiece(composite, knob, {0, t}, layout::kSliderKnobSize);
    PutComposite(pTargetDC, composite, pt, size);
}

void CSettingsDlg::DrawBasicOptions(CDC* pTargetDC) {
    if (pTargetDC == nullptr) {
        return;
    }
    CScratchSurface composite(pTargetDC);
    CScratchSurface mark(pTargetDC);
    mark.HoldResource(IDB_OPTION_MARK);
    CopyBackground(composite, &m_dcBasicBg, layout::kOptionsOrigin, layout::kBasicOptionsSize);
    PutMark(composite, mark, FindMark(kAutoStartMarks, BasicPageData.nAutoStart));
    PutMark(composite, mark, FindMark(kAutoPowerMarks, BasicPageData.nAutoPowerOn));
    PutComposite(pTargetDC, composite, layout::kOptionsOrigin, layout::kBasicOptionsSize);
}

void CSettingsDlg::DrawAdvanOptions(CDC* pTargetDC) {
    if (pTargetDC == nullptr) {
        return;
    }
    CScratchSurface composite(pTargetDC);
    CScratchSurface mark(pTargetDC);
    mark.HoldResource(IDB_OPTION_MARK);
    CopyBackground(composite, &m_dcAdvanBg, layout::kOptionsOrigin, layout::kAdvanOptionsSize);
    NKDbgPrintfW(L"\r\n\r\nAdvanPageDAta.PiKoMute = %d\r\n", AdvanPageDAta.PiKoMute);
    // Marks 0 and 1 are voice guidance on and off, 2 and 3 the rear camera's.
    if (AdvanPageDAta.PiKoMute == PIKOMUTE_ON) {
        PutPiece(composite, mark, layout::kAdvanMarks[0], layout::kMarkSize);
        NKDbgPrintfW(L"AdvanPageDAta PiKoMute PIKOMUTEON\r\n");
    } else if (AdvanPageDAta.PiKoMute == PIKOMUTE_OFF) {
        PutPiece(composite, mark, layout::kAdvanMarks[1], layout::kMarkSize);
        NKDbgPrintfW(L"AdvanPageDAta PiKoMute PIKOMUTEOFF\r\n");
    }
    PutMark(composite, mark, FindMark(kRearCameraMarks, AdvanPageDAta.nRearCamera));
    PutComposite(pTargetDC, composite, layout::kOptionsOrigin, layout::kAdvanOptionsSize);
}

void CSettingsDlg::DrawBar(CDC* pTargetDC, int nX, int nBarId) {
    if (nBarId != BAR_BRIGHT && nBarId != BAR_CONTRAST) {
        NKDbgPrintfW(L"DrawBar: unknown bar id %d, nothing drawn\r\n", nBarId);
        return;
    }
    SHORT& nWorking = (nBarId == BAR_BRIGHT) ? BasicPageData.nBright : BasicPageData.nContrast;
    int e = nX - layout::kBarX;
    if (e > kBarTravel) {
        e = kBarTravel;
        nWorking = BAR_KNOB_X_MAX;
    } else if (e < 0) {
        // Only a damaged settings record puts the knob left of the bar; a
        // negative offset would reach the display as an out-of-range level.
        NKDbgPrintfW(L"DrawBar: knob x %d left of the bar, drawn at %d\r\n", nX, layout::kBarX);
        e = 0;
        nWorking = BAR_KNOB_X_MIN;
    } else {
        nWorking = static_cast<SHORT>(nX);
    }

    if (pTargetDC != nullptr) {
        ComposeBar(pTargetDC, &m_dcBasicBg, e,
                   nBarId == BAR_BRIGHT ? layout::kBrightRowTop : layout::kContrastRowTop);
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
        RECT rcText = layout::kFmTextRect;
        m_pScreenDC->DrawText(szText, static_cast<int>(std::wcslen(szText)), &rcText,
                              DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    }
    if (bDisplayOnly == 0) {
        m_device.SetFmTransmitter(FMT_MODE_ON, AdvanPageDAta.nFmtMhz, AdvanPageDAta.nFmtDecimal);
    }
}
