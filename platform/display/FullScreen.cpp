// Full screen is read from the environment once per opening; the layout is
// worked out again whenever the window's size changes (a window manager or
// compositor may give the full-screen size only after the window is made).
#include "platform/display/FullScreen.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "platform/core/DebugLog.h"
#include "platform/display/Display.h"

namespace dv::display {
namespace {

constexpr const char* kFullScreenVariable = "DIALVANE_FULLSCREEN";
constexpr const char* kScaleVariable = "DIALVANE_SCALE";

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

std::string Describe(const DisplayState& s) {
    const Letterbox& box = s.box;
    char scale[32];
    std::snprintf(scale, sizeof scale, "%.3f", box.scale);
    return "Display: full screen " + std::to_string(s.drawWidth) + " x " +
           std::to_string(s.drawHeight) + ", panel scaled " + scale + " to " +
           std::to_string(box.width) + " x " + std::to_string(box.height) + " at (" +
           std::to_string(box.x) + ", " + std::to_string(box.y) + "), " +
           (box.filter == ScaleFilter::Nearest ? "crisp" : "smooth") + "\r\n";
}

}  // namespace

void ReadFullScreenChoice(DisplayState& s) {
    const std::string fullScreen = Env(kFullScreenVariable);
    s.fullScreen = fullScreen == "1";
    if (!s.fullScreen) {
        if (!fullScreen.empty() && fullScreen != "0") {
            WriteDebugText("Display: DIALVANE_FULLSCREEN must be 0 or 1, not '" + fullScreen +
                           "'; opening a window\r\n");
        }
        return;
    }
    // The unit's other programs take the focus in turn; the panel must not
    // vanish when one does.
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    const std::string scale = Env(kScaleVariable);
    s.scaleMode = scale == "integer" ? ScaleMode::Integer : ScaleMode::Fit;
    if (!scale.empty() && scale != "integer") {
        WriteDebugText("Display: in full screen DIALVANE_SCALE is 'integer' or unset, not '" +
                       scale + "'; filling the display\r\n");
    }
}

SDL_Window* CreateFullScreenWindow(const char* title) {
    SDL_Rect bounds{SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kScreenWidth, kScreenHeight};
    SDL_GetDisplayBounds(0, &bounds);
    return SDL_CreateWindow(
        title, bounds.x, bounds.y, bounds.w, bounds.h,
        SDL_WINDOW_SHOWN | SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS);
}

void LayOutFullScreen(DisplayState& s) {
    SDL_GetWindowSize(s.window, &s.windowWidth, &s.windowHeight);
    if (SDL_GetRendererOutputSize(s.renderer, &s.drawWidth, &s.drawHeight) != 0) {
        s.drawWidth = s.windowWidth;
        s.drawHeight = s.windowHeight;
    }
    s.box = FitPanel(s.drawWidth, s.drawHeight, s.scaleMode);
    if (s.texture != nullptr) {
        SDL_SetTextureScaleMode(s.texture, s.box.filter == ScaleFilter::Nearest
                                               ? SDL_ScaleModeNearest
                                               : SDL_ScaleModeLinear);
    }
    if (std::string layout = Describe(s); layout != s.layout) {
        WriteDebugText(layout);
        s.layout = std::move(layout);
    }
}

}  // namespace dv::display
