// The panel filling the unit's display (DIALVANE_FULLSCREEN=1): how it is
// asked for, and the picture's place once the display's size is known.
#pragma once

#include "platform/display/DisplayState.h"

namespace dv::display {

// Reads DIALVANE_FULLSCREEN and DIALVANE_SCALE into s.fullScreen and
// s.scaleMode; a value neither understands gets a log line.
void ReadFullScreenChoice(DisplayState& s);
// A window without frame or title bar over the whole first display. It is
// made as large as the display too, for an X server without a window manager
// to make it full screen.
SDL_Window* CreateFullScreenWindow(const char* title);
// Places the panel's picture on the window as it now is and sets the
// texture's filter; logs the layout when it differs from the last one.
void LayOutFullScreen(DisplayState& s);

}  // namespace dv::display
