// Services of the window system that the class library builds on and that
// have no call of their own on the unit: the screen a dialog is shown on,
// its modal loop, and notice of the drawing objects that go.
#pragma once

#include <functional>

#include "platform/WinGdi.h"
#include "platform/WinUser.h"

namespace dv {

// Makes the window the one the screen shows: opens the display (once), and
// from then on the window's title and icon are the display's and its thread
// waits on the display for input. False when display output is off (tests).
bool ShowOnScreen(HWND hwnd);

// Runs the calling thread's message loop while keepRunning() holds.
// preTranslate sees every message but sent ones first; TRUE means it handled
// the message. A WM_QUIT that ends the loop is forgotten; replies that wait
// for the loop to be idle are sent before it returns, so whoever waits for
// the panel to settle learns that it has ended.
void RunModalLoop(const std::function<bool()>& keepRunning,
                  const std::function<BOOL(MSG*)>& preTranslate);

// Takes a window of this process out without messages (the object behind it
// is being destroyed): its timers and socket go with it.
void DetachWindow(HWND hwnd);

// Called with each device context or font handle the drawing layer lets go
// (deleted, released), so that a wrapper of the handle can be dropped. One
// observer; any thread.
using GdiHandleGoneHook = void (*)(HGDIOBJ handle);
void SetGdiHandleGoneHook(GdiHandleGoneHook hook);

}  // namespace dv
