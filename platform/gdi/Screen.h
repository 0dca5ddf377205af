// The screen surface: 480 x 234 pixels of 0x00RRGGBB that the display shows.
// Drawing through a screen device context reaches the display when the
// drawing call returns.
#pragma once

#include <cstdint>
#include <span>

#include "platform/WinDef.h"

namespace dv::gdi {

constexpr int kScreenWidth = 480;
constexpr int kScreenHeight = 234;

// Shows a changed rectangle of the screen. The display hands one over when it
// opens and takes it back when it closes; without one, drawing stays in the
// screen's pixels.
using ScreenPresenter = void (*)(const RECT& rect);
void SetScreenPresenter(ScreenPresenter presenter);
void PresentScreen(const RECT& rect);

// A device context that draws on the screen (GetDC, BeginPaint).
HDC CreateScreenDC();
// False, with a log line, for anything but such a surface.
bool DeleteScreenDC(HDC hdc);
// The screen's pixels, row by row, for screenshots and tests.
std::span<const uint32_t> ScreenPixels();
// Writes the screen as a 480 x 234 PNG (dialvane-ctl shot). False on failure.
bool SaveScreenPng(const char* path);

}  // namespace dv::gdi
