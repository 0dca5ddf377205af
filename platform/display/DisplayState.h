// What the display's window, presentation and event files share.
#pragma once

#include <SDL.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>

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

    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;

    std::string title = "Dialvane";

    // Pen state of the event pump: which pointer, if any, is down.
    bool mouseDown = false;
    bool fingerDown = false;
    SDL_FingerID finger = 0;
};

DisplayState& State();
// Copies the whole screen to the window again (after an expose).
void PresentAll();

}  // namespace dv::display
