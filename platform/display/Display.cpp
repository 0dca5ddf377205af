// The display window: opening it (or SDL's offscreen stand-in), presenting
// the screen surface, title, icon and raising.
#include "platform/display/Display.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/Platform.h"
#include "platform/core/DebugLog.h"
#include "platform/core/FrameLog.h"
#include "platform/display/DisplayState.h"
#include "platform/display/FullScreen.h"
#include "platform/display/TouchScreen.h"
#include "platform/gdi/Icons.h"
#include "platform/gdi/Screen.h"

namespace dv::display {
namespace {

constexpr int kMaxDefaultScale = 3;
constexpr int kMaxScale = 8;
constexpr const char* kOffscreenDriver = "offscreen";

bool EnvSays(const char* name, const char* value) {
    const char* v = std::getenv(name);
    return v != nullptr && std::string(v) == value;
}

bool HaveDesktop() {
    const char* x = std::getenv("DISPLAY");
    const char* w = std::getenv("WAYLAND_DISPLAY");
    return (x != nullptr && *x != '\0') || (w != nullptr && *w != '\0');
}

void LogHeadless(const std::string& why) {
    static bool said = false;
    if (!said) {
        said = true;
        WriteDebugText("Display: " + why + "; running headless with SDL's offscreen driver\r\n");
    }
}

bool InitVideo() {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // Touch arrives as finger events; SDL's mouse copies of them would
    // deliver every tap twice.
    SDL_SetHint(SDL_HINT_TOUCH_MOUSE_EVENTS, "0");
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    // A panel has no click that only brings its window forward: without
    // this, SDL drops a press it reads within 10 ms of the window's focus,
    // so the first tap after the window opens could be lost.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    const bool driverChosen = std::getenv("SDL_VIDEODRIVER") != nullptr;
    if (!driverChosen && !HaveDesktop()) {
        LogHeadless("no display found (DISPLAY and WAYLAND_DISPLAY are not set)");
        SDL_SetHint(SDL_HINT_VIDEODRIVER, kOffscreenDriver);
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
        const char* driver = SDL_GetCurrentVideoDriver();
        if (driver != nullptr && std::string(driver) == kOffscreenDriver) {
            LogHeadless("SDL video driver is offscreen");
        }
        return true;
    }
    const std::string error = SDL_GetError();
    SDL_SetHint(SDL_HINT_VIDEODRIVER, kOffscreenDriver);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
        LogHeadless("cannot open the display (" + error + ")");
        return true;
    }
    WriteDebugText("Display: SDL video cannot start: " + std::string(SDL_GetError()) + "\r\n");
    return false;
}

int ChooseScale(bool offscreen) {
    if (const char* env = std::getenv("DIALVANE_SCALE"); env != nullptr && *env != '\0') {
        char* end = nullptr;
        const long scale = std::strtol(env, &end, 10);
        if (*end == '\0' && scale >= 1 && scale <= kMaxScale) {
            return static_cast<int>(scale);
        }
        WriteDebugText("Display: DIALVANE_SCALE must be 1.." + std::to_string(kMaxScale) +
                       "; choosing a scale that fits\r\n");
    }
    // Headless, a larger picture only costs memory and copying.
    SDL_Rect usable{};
    if (offscreen || SDL_GetDisplayUsableBounds(0, &usable) != 0) {
        return 1;
    }
    for (int scale = kMaxDefaultScale; scale > 1; --scale) {
        if (kScreenWidth * scale <= usable.w && kScreenHeight * scale <= usable.h) {
            return scale;
        }
    }
    return 1;
}

void DestroyWindow(DisplayState& s) {
    if (s.texture != nullptr) {
        SDL_DestroyTexture(s.texture);
    }
    if (s.renderer != nullptr) {
        SDL_DestroyRenderer(s.renderer);
    }
    if (s.window != nullptr) {
        SDL_DestroyWindow(s.window);
    }
    s.texture = nullptr;
    s.renderer = nullptr;
    s.window = nullptr;
}

bool CreateWindow(DisplayState& s) {
    const char* driver = SDL_GetCurrentVideoDriver();
    const bool offscreen = driver != nullptr && std::string(driver) == kOffscreenDriver;
    s.offscreen = offscreen;
    s.fullScreen = false;
    if (!offscreen) {
        ReadFullScreenChoice(s);
    }
    s.scale = s.fullScreen ? 1 : ChooseScale(offscreen);
    s.window = s.fullScreen ? CreateFullScreenWindow(s.title.c_str())
                            : SDL_CreateWindow(s.title.c_str(), SDL_WINDOWPOS_CENTERED,
                                               SDL_WINDOWPOS_CENTERED, kScreenWidth * s.scale,
                                               kScreenHeight * s.scale, SDL_WINDOW_SHOWN);
    if (s.window == nullptr) {
        WriteDebugText("Display: cannot create the window: " + std::string(SDL_GetError()) +
                       "\r\n");
        return false;
    }
    if (offscreen) {
        // Headless, nothing is shown: the window's plain surface, made in
        // memory without a GL stack (and its JIT), takes the pictures.
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        if (SDL_GetWindowSurface(s.window) == nullptr) {
            WriteDebugText("Display: cannot make the window's surface: " +
                           std::string(SDL_GetError()) + "\r\n");
            DestroyWindow(s);
            return false;
        }
        return true;
    }
    s.renderer = SDL_CreateRenderer(s.window, -1, 0);
    if (s.renderer == nullptr) {
        s.renderer = SDL_CreateRenderer(s.window, -1, SDL_RENDERER_SOFTWARE);
    }
    if (s.renderer != nullptr) {
        s.texture = SDL_CreateTexture(s.renderer, SDL_PIXELFORMAT_XRGB8888,
                                      SDL_TEXTUREACCESS_STREAMING, kScreenWidth, kScreenHeight);
    }
    if (s.texture == nullptr) {
        WriteDebugText("Display: cannot create the renderer: " + std::string(SDL_GetError()) +
                       "\r\n");
        DestroyWindow(s);
        return false;
    }
    if (s.fullScreen) {
        LayOutFullScreen(s);
        SDL_ShowCursor(SDL_DISABLE);
    } else {
        s.box = Letterbox{0, 0, kScreenWidth * s.scale, kScreenHeight * s.scale, 1.0 * s.scale};
    }
    return true;
}

// Headless, the picture goes straight into the window's own surface: no
// renderer, no texture, one buffer fewer for pictures nobody sees.
void RenderOffscreen(DisplayState& s, const SDL_Rect& area, uint32_t* pixels) {
    SDL_Surface* target = SDL_GetWindowSurface(s.window);
    SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(
        pixels, kScreenWidth, kScreenHeight, 32, kScreenWidth * static_cast<int>(sizeof(uint32_t)),
        SDL_PIXELFORMAT_XRGB8888);
    if (target != nullptr && source != nullptr) {
        SDL_Rect from = area;
        SDL_Rect to = area;
        SDL_BlitSurface(source, &from, target, &to);
        SDL_UpdateWindowSurfaceRects(s.window, &area, 1);
    }
    SDL_FreeSurface(source);
}

void Render(DisplayState& s, const SDL_Rect& area) {
    const auto pixels = gdi::ScreenPixels();
    if (s.offscreen) {
        RenderOffscreen(s, area, const_cast<uint32_t*>(pixels.data()));
        return;
    }
    const uint32_t* first =
        pixels.data() + static_cast<std::size_t>(area.y) * kScreenWidth + area.x;
    SDL_UpdateTexture(s.texture, &area, first, kScreenWidth * static_cast<int>(sizeof(uint32_t)));
    const SDL_Rect target{s.box.x, s.box.y, s.box.width, s.box.height};
    SDL_RenderClear(s.renderer);
    SDL_RenderCopy(s.renderer, s.texture, nullptr, &target);
    SDL_RenderPresent(s.renderer);
}

}  // namespace

DisplayState& State() {
    static auto* state = new DisplayState;  // lives to the process end
    return *state;
}

bool Open() {
    DisplayState& s = State();
    if (s.attempted) {
        return s.open;
    }
    s.attempted = true;
    if (s.disabled || EnvSays("DIALVANE_DISPLAY", "none")) {
        return false;
    }
    if (!InitVideo()) {
        return false;
    }
    s.ownsVideo = true;
    if (!CreateWindow(s)) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        s.ownsVideo = false;
        return false;
    }
    {
        std::scoped_lock lock(s.lock);
        s.wakeEventType = SDL_RegisterEvents(1);
        s.open = true;
    }
    gdi::SetScreenPresenter(&Present);
    PresentAll();
    StartTouchScreen(s);
    return true;
}

void Close() {
    DisplayState& s = State();
    StopTouchScreen(s);
    gdi::SetScreenPresenter(nullptr);
    {
        std::scoped_lock lock(s.lock);
        s.open = false;
    }
    DestroyWindow(s);
    if (s.ownsVideo) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        s.ownsVideo = false;
    }
    s.attempted = false;
    s.layout.clear();
    s.mouseDown = false;
    s.fingerDown = false;
}

bool IsOpen() {
    return State().open;
}

void Disable() {
    State().disabled = true;
    if (IsOpen()) {
        Close();
    }
}

void SetTitle(std::wstring_view title) {
    DisplayState& s = State();
    s.title = WideToUtf8(title);
    if (s.open) {
        SDL_SetWindowTitle(s.window, s.title.c_str());
    }
}

void SetIcon(HICON icon) {
    DisplayState& s = State();
    const auto* images = gdi::IconImages(icon);
    if (images == nullptr || images->empty()) {
        WriteDebugText("Display: SetIcon: not an icon of the program's resources\r\n");
        return;
    }
    if (!s.open) {
        return;
    }
    // The largest image serves best; the window manager scales it down.
    const auto& image =
        *std::max_element(images->begin(), images->end(),
                          [](const auto& a, const auto& b) { return a.width < b.width; });
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<uint32_t*>(image.argb.data()), image.width, image.height, 32,
        image.width * static_cast<int>(sizeof(uint32_t)), SDL_PIXELFORMAT_ARGB8888);
    if (surface != nullptr) {
        SDL_SetWindowIcon(s.window, surface);
        SDL_FreeSurface(surface);
    }
}

void Raise() {
    DisplayState& s = State();
    if (s.open) {
        SDL_RaiseWindow(s.window);
    }
}

void Present(const RECT& rect) {
    DisplayState& s = State();
    if (!s.open) {
        return;
    }
    const int left = std::clamp<int>(rect.left, 0, kScreenWidth);
    const int top = std::clamp<int>(rect.top, 0, kScreenHeight);
    const int right = std::clamp<int>(rect.right, 0, kScreenWidth);
    const int bottom = std::clamp<int>(rect.bottom, 0, kScreenHeight);
    if (right <= left || bottom <= top) {
        return;
    }
    Render(s, SDL_Rect{left, top, right - left, bottom - top});
    if (FrameLogOn()) {
        NoteFrameEvent("present " + std::to_string(left) + " " + std::to_string(top) + " " +
                       std::to_string(right) + " " + std::to_string(bottom));
    }
}

void PresentAll() {
    Present(RECT{0, 0, kScreenWidth, kScreenHeight});
}

void Wake() {
    DisplayState& s = State();
    std::scoped_lock lock(s.lock);
    s.wakePending = true;
    s.woken.notify_all();
    // Headless, the wait never reads SDL's queue: an event pushed there would
    // stay until the queue is full.
    if (s.open && !s.offscreen && s.wakeEventType != static_cast<Uint32>(-1)) {
        SDL_Event event{};
        event.type = s.wakeEventType;
        SDL_PushEvent(&event);
    }
}

}  // namespace dv::display
