#include "platform/gdi/Screen.h"

#include <png.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "platform/core/DebugLog.h"
#include "platform/gdi/GdiLog.h"
#include "platform/gdi/GdiObjects.h"

namespace dv::gdi {
namespace {

std::atomic<ScreenPresenter> g_presenter{nullptr};

}  // namespace

void SetScreenPresenter(ScreenPresenter presenter) {
    g_presenter.store(presenter);
}

void PresentScreen(const RECT& rect) {
    if (ScreenPresenter presenter = g_presenter.load()) {
        presenter(rect);
    }
}

HDC CreateScreenDC() {
    auto& table = GdiObjects::Instance();
    std::scoped_lock lock(table.Lock());
    DcObject dc;
    dc.screen = true;
    dc.bitmap = table.ScreenBitmap();
    dc.font = table.StockFont();
    table.FindFont(dc.font)->selections++;
    return table.AddDc(dc);
}

bool DeleteScreenDC(HDC hdc) {
    auto& table = GdiObjects::Instance();
    {
        std::scoped_lock lock(table.Lock());
        DcObject* dc = table.FindDc(hdc);
        if (dc == nullptr || !dc->screen) {
            LogRefusal("ReleaseDC", "not a screen surface", hdc);
            return false;
        }
        if (auto* font = table.FindFont(dc->font)) {
            --font->selections;
        }
        table.RemoveDc(hdc);
    }
    NotifyHandleGone(hdc);
    return true;
}

std::span<const uint32_t> ScreenPixels() {
    auto& table = GdiObjects::Instance();
    std::scoped_lock lock(table.Lock());
    return std::as_const(table.ScreenSurface()).Pixels();
}

bool SaveScreenPng(const char* path) {
    if (path == nullptr || *path == '\0') {
        LogRefusal("SaveScreenPng", "no file name");
        return false;
    }
    constexpr int kChannels = 3;
    std::vector<png_byte> rgb;
    int width = 0;
    int height = 0;
    {
        auto& table = GdiObjects::Instance();
        std::scoped_lock lock(table.Lock());
        const Surface& screen = table.ScreenSurface();
        width = screen.width;
        height = screen.height;
        rgb.reserve(screen.Size() * kChannels);
        for (uint32_t p : screen.Pixels()) {
            rgb.push_back(static_cast<png_byte>(p >> 16));
            rgb.push_back(static_cast<png_byte>(p >> 8));
            rgb.push_back(static_cast<png_byte>(p));
        }
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    // Written beside the target and renamed, so that a reader never sees half
    // a picture and a failure leaves an existing file as it was.
    const std::string partial = std::string(path) + ".part";
    if (png_image_write_to_file(&image, partial.c_str(), 0, rgb.data(), width * kChannels,
                                nullptr) == 0) {
        WriteDebugText(std::string("GDI: cannot write screenshot ") + path + ": " + image.message +
                       "\r\n");
        png_image_free(&image);
        std::remove(partial.c_str());
        return false;
    }
    if (std::rename(partial.c_str(), path) != 0) {
        WriteDebugText(std::string("GDI: cannot write screenshot ") + path + "\r\n");
        std::remove(partial.c_str());
        return false;
    }
    return true;
}

}  // namespace dv::gdi
