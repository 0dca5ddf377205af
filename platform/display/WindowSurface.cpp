#include "platform/display/WindowSurface.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "platform/core/DebugLog.h"
#include "platform/display/Display.h"

namespace dv::display {
namespace {

constexpr const char* kPresentVariable = "DIALVANE_PRESENT";
constexpr const char* kRenderNodeFolder = "/dev/dri";
constexpr std::string_view kRenderNodePrefix = "renderD";
constexpr Uint32 kPanelFormat = SDL_PIXELFORMAT_XRGB8888;

// A GPU this user may draw with: a render node it can read and write.
bool RenderNodeUsable() {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(kRenderNodeFolder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(kRenderNodePrefix) &&
            ::access(entry.path().c_str(), R_OK | W_OK) == 0) {
            return true;
        }
    }
    return false;
}

// The panel's pixels as an SDL surface, without a copy; freed by its owner.
struct PanelSurface {
    explicit PanelSurface(std::span<const uint32_t> pixels)
        : surface(SDL_CreateRGBSurfaceWithFormatFrom(
              const_cast<uint32_t*>(pixels.data()), kScreenWidth, kScreenHeight, 32,
              kScreenWidth * static_cast<int>(sizeof(uint32_t)), kPanelFormat)) {}
    ~PanelSurface() { SDL_FreeSurface(surface); }
    PanelSurface(const PanelSurface&) = delete;
    PanelSurface& operator=(const PanelSurface&) = delete;
    SDL_Surface* surface;
};

// The window pixels that show panel area at the box's scale. Filtering
// reads the neighbours of each pixel, so a smooth picture changes one
// window pixel further on each side.
SDL_Rect WindowArea(const Letterbox& box, const SDL_Rect& area) {
    const double sx = static_cast<double>(box.width) / kScreenWidth;
    const double sy = static_cast<double>(box.height) / kScreenHeight;
    const int margin = box.filter == ScaleFilter::Nearest ? 0 : 1;
    const int left = std::max(0, static_cast<int>(std::floor(area.x * sx)) - margin);
    const int top = std::max(0, static_cast<int>(std::floor(area.y * sy)) - margin);
    const int right =
        std::min(box.width, static_cast<int>(std::ceil((area.x + area.w) * sx)) + margin);
    const int bottom =
        std::min(box.height, static_cast<int>(std::ceil((area.y + area.h) * sy)) + margin);
    return SDL_Rect{box.x + left, box.y + top, right - left, bottom - top};
}

// Whole scales: each panel pixel becomes a block of window pixels.
bool CopyCrisp(SDL_Surface* panel, const SDL_Rect& area, SDL_Surface* target, SDL_Rect to) {
    SDL_Rect from = area;
    if (to.w == area.w && to.h == area.h) {
        return SDL_BlitSurface(panel, &from, target, &to) == 0;
    }
    return SDL_BlitScaled(panel, &from, target, &to) == 0;
}

// Other scales: the whole picture filtered again (the filter of one part
// depends on its neighbours), though only the changed part is shown.
bool CopySmooth(DisplayState& s, SDL_Surface* panel, SDL_Surface* target) {
    SDL_Rect box{s.box.x, s.box.y, s.box.width, s.box.height};
    if (target->format->format == kPanelFormat) {
        return SDL_SoftStretchLinear(panel, nullptr, target, &box) == 0;
    }
    // SDL filters only between surfaces of one format: a stage converts.
    if (s.stage == nullptr || s.stage->w != box.w || s.stage->h != box.h) {
        SDL_FreeSurface(s.stage);
        s.stage = SDL_CreateRGBSurfaceWithFormat(0, box.w, box.h, 32, kPanelFormat);
        if (s.stage == nullptr) {
            return false;
        }
    }
    return SDL_SoftStretchLinear(panel, nullptr, s.stage, nullptr) == 0 &&
           SDL_BlitSurface(s.stage, nullptr, target, &box) == 0;
}

}  // namespace

bool ChooseSurface(std::string& why) {
    const char* choice = std::getenv(kPresentVariable);
    const std::string chosen = choice == nullptr ? "" : choice;
    if (chosen == "surface" || chosen == "renderer") {
        why = std::string(kPresentVariable) + "=" + chosen;
        return chosen == "surface";
    }
    if (!chosen.empty()) {
        WriteDebugText("Display: DIALVANE_PRESENT must be surface or renderer, not '" + chosen +
                       "'; choosing by the GPU\r\n");
    }
    if (RenderNodeUsable()) {
        why = "a GPU render node in /dev/dri";
        return false;
    }
    why = "no GPU render node in /dev/dri that this user can open";
    return true;
}

bool PresentToSurface(DisplayState& s, const SDL_Rect& area, std::span<const uint32_t> pixels) {
    SDL_Surface* target = SDL_GetWindowSurface(s.window);
    PanelSurface panel(pixels);
    if (target == nullptr || panel.surface == nullptr) {
        return false;
    }
    const bool whole = area.w == kScreenWidth && area.h == kScreenHeight;
    if (whole && s.fullScreen) {
        SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, 0, 0, 0));
    }
    const SDL_Rect to = WindowArea(s.box, area);
    const bool copied = s.box.filter == ScaleFilter::Nearest
                            ? CopyCrisp(panel.surface, area, target, to)
                            : CopySmooth(s, panel.surface, target);
    if (!copied) {
        return false;
    }
    if (whole) {
        return SDL_UpdateWindowSurface(s.window) == 0;
    }
    return SDL_UpdateWindowSurfaceRects(s.window, &to, 1) == 0;
}

}  // namespace dv::display
