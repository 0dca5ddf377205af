// The unit's screen on this machine: an SDL window of 480 x 234 logical
// pixels at an integer scale, the whole display with the panel scaled to fit
// (DIALVANE_FULLSCREEN=1), or SDL's offscreen driver when there is no
// display. The window layer opens it with the first top-level window and
// waits on it for input; the drawing layer presents what changed.
#pragma once

#include <string_view>

#include "platform/WinDef.h"

namespace dv::display {

constexpr int kScreenWidth = 480;
constexpr int kScreenHeight = 234;

// Opens the window (or the offscreen stand-in) once; later calls return the
// first result. Returns false when display output is turned off
// (DIALVANE_DISPLAY=none, or Disable()), as in unit tests.
bool Open();
void Close();
bool IsOpen();
// Tests turn the display off before anything opens it.
void Disable();

void SetTitle(std::wstring_view title);
// Sets the window's icon from an icon of the program's resources (WM_SETICON).
void SetIcon(HICON icon);
void Raise();
// Shows the screen pixels of the rectangle (clipped to the screen) now.
void Present(const RECT& rect);

// Blocks up to timeoutMs (negative: no limit) until input arrives or Wake()
// is called; input becomes pen messages through the window layer.
void WaitEvents(int timeoutMs);
// Ends a WaitEvents from any thread.
void Wake();

}  // namespace dv::display
