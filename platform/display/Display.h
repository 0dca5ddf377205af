// The unit's screen on this machine: an SDL window of 480 x 234 logical
// pixels at an integer scale, the whole display with the panel scaled to fit
// (DIALVANE_FULLSCREEN=1), or SDL's offscreen driver when there is no
// display. The window layer opens it for the dialog it shows (ShowOnScreen)
// and waits on it for input; the drawing layer presents what changed through
// the presenter the display hands it.
#pragma once

#include <string_view>

#include "platform/WinDef.h"
#include "platform/display/DisplayInput.h"
#include "platform/gdi/Screen.h"

namespace dv::display {

constexpr int kScreenWidth = gdi::kScreenWidth;
constexpr int kScreenHeight = gdi::kScreenHeight;

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
// is called; input goes to the sink (the window layer's, which makes pen
// messages of it) as it is read. Without a sink it only ends the wait.
void WaitEvents(int timeoutMs, const InputSink& sink = {});
// Ends a WaitEvents from any thread.
void Wake();

}  // namespace dv::display
