// What the calibration shows: a dark full screen, one crosshair target and a
// short instruction line, composed off screen and copied to the screen in one
// block.
#pragma once

#include <cstdint>

#include "platform/WinDef.h"

namespace dv {

class CalibrationScreen {
public:
    // What the instruction line says: the plain request, or why the last tap
    // was refused.
    enum class Prompt { Touch, DoubleTap, StartAgain };

    CalibrationScreen();
    ~CalibrationScreen();
    CalibrationScreen(const CalibrationScreen&) = delete;
    CalibrationScreen& operator=(const CalibrationScreen&) = delete;

    // Shows the target at `target`, the index-th of `count`.
    void Show(POINT target, int index, int count, Prompt prompt = Prompt::Touch);

private:
    void Fill(uint32_t colour);
    void DrawCross(POINT centre, uint32_t colour);
    void DrawRing(POINT centre, int radius, uint32_t colour);

    HDC m_hdc;
    HBITMAP m_bitmap;
    HGDIOBJ m_oldBitmap;
    HFONT m_font;
    HGDIOBJ m_oldFont;
};

}  // namespace dv
