// Presenting without OpenGL. Where no accelerated renderer is available, an
// SDL renderer means a software OpenGL stack (tens of megabytes and a JIT)
// for copying one small picture; the window's own surface, which SDL shows
// with the X server's shared memory, does the same in software. A whole
// scale is copied crisp, any other filtered smoothly.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <span>
#include <string>

#include "platform/display/DisplayState.h"

namespace dv::display {

// Whether the window presents through its own surface rather than an SDL
// renderer: DIALVANE_PRESENT=surface or renderer chooses; otherwise the
// surface when no GPU render node (/dev/dri/renderD*) can be opened. why
// gets the reason for the log.
bool ChooseSurface(std::string& why);

// Shows area (panel pixels) of the panel's picture in the window, at the
// window's scale and place (s.box). The whole screen repaints the border too.
bool PresentToSurface(DisplayState& s, const SDL_Rect& area, std::span<const uint32_t> pixels);

}  // namespace dv::display
