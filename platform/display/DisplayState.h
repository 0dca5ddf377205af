// What the display's window, presentation and event files share.
#pragma once

#include <SDL.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/display/Letterbox.h"
#include "platform/touch/TouchController.h"
#include "platform/touch/TouchMap.h"

namespace dv::display {

struct DisplayState {
    // Guards the fields below against Wake() from other threads.
    std::mutex lock;
    std::condition_variable woken;
    bool wakePending = false;

    bool attempted = false;
    bool disabled = false;
    std::atomic<bool> open{false};
    bool ownsVideo = false;
    int scale = 1;
    // SDL's offscreen driver: no input ever comes from SDL, and SDL can only
    // wait for its events by polling.
    bool offscreen = false;
    Uint32 wakeEventType = 0;

    // Full screen: the panel's picture placed on the whole display, its
    // window's size in SDL's coordinates and the renderer's in pixels, and
    // the last layout logged. In a window the picture fills it.
    bool fullScreen = false;
    ScaleMode scaleMode = ScaleMode::Fit;
    Letterbox box;
    int windowWidth = 0;
    int windowHeight = 0;
    int drawWidth = 0;
    int drawHeight = 0;
    std::string layout;

    SDL_Window* window = nullptr;
    // A window presents through an SDL renderer, or through its own surface
    // (surface; stage converts a smooth picture when the window's pixels
    // have another format).
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    bool surface = false;
    SDL_Surface* stage = nullptr;

    std::string title = "Dialvane";

    // Pen state of the event pump: which pointer, if any, is down.
    bool mouseDown = false;
    bool fingerDown = false;
    SDL_FingerID finger = 0;

    // The bound touch controller, the map of its raw values, what the map
    // was made from (the stored calibration, the full-screen layout), and
    // whether its pen is down.
    std::unique_ptr<touch::TouchController> touch;
    std::optional<touch::TouchMap> touchMap;
    std::optional<std::wstring> touchCalibration;
    std::string touchLayout;
    bool touchDown = false;
};

DisplayState& State();
// Copies the whole screen to the window again (after an expose).
void PresentAll();

}  // namespace dv::display
