// The display window: opening it (or SDL's offscreen stand-in), presenting
// the screen surface, title, icon and raising.
#include "platform/display/Display.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>

#include "platform/Platform.h"
#include "platform/core/DebugLog.h"
#include "platform/core/FrameLog.h"
#include "platform/display/DisplayState.h"
#include "platform/display/FullScreen.h"
#include "platform/display/TouchScreen.h"
#include "platform/display/WindowSurface.h"
#include "platform/gdi/Icons.h"
#include "platform/gdi/Screen.h"

namespace dv::display {
namespace {

constexpr int kMaxDefaultScale = 3;
constexpr int kMaxScale = 8;
constexpr const char* kOffscreenDriver = "offscreen";
constexpr int kDisplayMissingExit = 4;

bool EnvSays(const char* name, const char* value) {
    const char* v = std::getenv(name);
    return v != nullptr && std::string(v) == value;
}

// The display the environment names ("X display \":0\"", ...), or "" when
// it names none.
std::string NamedDisplay() {
    for (auto [variable, kind] :
         {std::pair{"DISPLAY", "X display"}, std::pair{"WAYLAND_DISPLAY", "Wayland display"}}) {
        if (const char* name = std::getenv(variable); name != nullptr && *name != '\0') {
            return std::string(kind) + " \"" + name + "\"";
        }
    }
    return {};
}

void LogHeadless(const std::string& why) {
    static bool said = false;
    if (!said) {
        said = true;
        WriteDebugText("Display: " + why + "; running headless with SDL's offscreen driver\r\n");
    }
}

// A display that was asked for and is not there ends the program: running
// unseen would look like a hang to whoever started it.
[[noreturn]] void DisplayMissing(const std::string& what, const std::string& why) {
    // The log goes to stderr as well.
    WriteDebugText("Display: cannot open the " + what + ": " + why +
                   " (DIALVANE_DISPLAY=none runs without a display)\r\n");
    std::_Exit(kDisplayMissingExit);
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
    const char* chosen = std::getenv("SDL_VIDEODRIVER");
    const std::string asked = chosen == nullptr ? "" : chosen;
    const std::string named = NamedDisplay();
    if (asked.empty() && named.empty()) {
        LogHeadless("no display found (DISPLAY and WAYLAND_DISPLAY are not set)");
        SDL_SetHint(SDL_HINT_VIDEODRIVER, kOffscreenDriver);
    }
    const std::string wanted = !asked.empty() ? "SDL video driver \"" + asked + "\"" : named;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
        const char* driver = SDL_GetCurrentVideoDriver();
        if (driver != nullptr && std::string(driver) == kOffscreenDriver) {
            if (asked.empty() && !named.empty()) {
                DisplayMissing(named, "SDL cannot connect to it");
            }
            LogHeadless("SDL video driver is offscreen");
        }
        return true;
    }
    if (!wanted.empty()) {
        DisplayMissing(wanted, SDL_GetError());
    }
    WriteDebugText("Display: SDL video cannot start: " + std::string(SDL_GetError()) + "\r\n");
    return false;
}

bool ScaleFits(int scale, const SDL_Rect& usable) {
    return kScreenWidth * scale <= usable.w && kScreenHeight * scale <= usable.h;
}

// The largest scale up to most that fits the display, at least 1.
int LargestFit(int most, const SDL_Rect& usable) {
    int scale = most;
    while (scale > 1 && !ScaleFits(scale, usable)) {
        --scale;
    }
    return scale;
}

// DIALVANE_SCALE when it is a scale, else 0.
int AskedScale() {
    const char* env = std::getenv("DIALVANE_SCALE");
    if (env == nullptr || *env == '\0') {
        return 0;
    }
    char* end = nullptr;
    const long scale = std::strtol(env, &end, 10);
    if (*end == '\0' && scale >= 1 && scale <= kMaxScale) {
        return static_cast<int>(scale);
    }
    WriteDebugText("Display: DIALVANE_SCALE must be 1.." + std::to_string(kMaxScale) +
                   "; choosing a scale that fits\r\n");
    return 0;
}

int ChooseScale(bool offscreen) {
    const int asked = AskedScale();
    SDL_Rect usable{};
    // Headless, a larger picture only costs memory and copying.
    if (offscreen || SDL_GetDisplayUsableBounds(0, &usable) != 0) {
        return asked != 0 ? asked : 1;
    }
    if (asked == 0) {
        return LargestFit(kMaxDefaultScale, usable);
    }
    const int scale = LargestFit(asked, usable);
    if (scale != asked) {
        WriteDebugText("Display: DIALVANE_SCALE=" + std::to_string(asked) + " makes a window of " +
                       std::to_string(kScreenWidth * asked) + " x " +
                       std::to_string(kScreenHeight * asked) + ", larger than the display's " +
                       std::to_string(usable.w) + " x " + std::to_string(usable.h) +
                       "; using scale " + std::to_string(scale) + "\r\n");
    }
    return scale;
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
    SDL_FreeSurface(s.stage);
    s.texture = nullptr;
    s.renderer = nullptr;
    s.stage = nullptr;
    s.surface = false;
    s.window = nullptr;
}

// Without a GPU the window's own surface is shown; SDL must not make that
// surface through a renderer, which would load OpenGL after all.
bool UseWindowSurface(DisplayState& s) {
    SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_OVERRIDE);
    if (SDL_GetWindowSurface(s.window) == nullptr) {
        WriteDebugText("Display: cannot make the window's surface: " + std::string(SDL_GetError()) +
                       "; trying SDL's renderer\r\n");
        return false;
    }
    s.surface = true;
    return true;
}

bool UseRenderer(DisplayState& s) {
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
        return false;
    }
    return true;
}

void LogPresentation(const DisplayState& s, const std::string& why) {
    std::string how = "the window's surface, without OpenGL";
    if (!s.surface) {
        SDL_RendererInfo info{};
        how = std::string("SDL's renderer '") +
              (SDL_GetRendererInfo(s.renderer, &info) == 0 ? info.name : "?") + "'";
    }
    WriteDebugText("Display: presenting through " + how + " (" + why + ")\r\n");
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
    std::string why;
    const bool surfaceWanted = ChooseSurface(why);
    if (!(surfaceWanted && UseWindowSurface(s)) && !UseRenderer(s)) {
        DestroyWindow(s);
        return false;
    }
    LogPresentation(s, why);
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
    if (s.surface) {
        PresentToSurface(s, area, pixels);
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
