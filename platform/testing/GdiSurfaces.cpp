#include "platform/testing/GdiSurfaces.h"

#include <png.h>

#include <algorithm>

#include "platform/gdi/BitmapResources.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/IconDecoder.h"
#include "platform/gdi/Icons.h"
#include "platform/gdi/Screen.h"

namespace dv::testing {
namespace {

PixelSnapshot Copy(const gdi::Surface& s) {
    const auto pixels = s.Pixels();
    return {s.width, s.height, {pixels.begin(), pixels.end()}};
}

std::vector<PixelSnapshot> Pictures(const std::vector<gdi::IconImage>& images) {
    std::vector<PixelSnapshot> pictures;
    for (const auto& image : images) {
        pictures.push_back({image.width, image.height, image.argb});
    }
    return pictures;
}

// Runs f on the surface behind hdc, under the object table's lock.
template <typename F>
void OnSurface(HDC hdc, F f) {
    auto& table = gdi::GdiObjects::Instance();
    std::scoped_lock lock(table.Lock());
    if (const gdi::DcObject* dc = table.FindDc(hdc)) {
        f(table.SurfaceOf(*dc));
    }
}

}  // namespace

PixelSnapshot SnapshotScreen() {
    const auto pixels = gdi::ScreenPixels();
    return {480, 234, {pixels.begin(), pixels.end()}};
}

std::optional<PixelSnapshot> LoadPng(const std::filesystem::path& file) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, file.c_str()) == 0) {
        return std::nullopt;
    }
    // Each pixel read as a word B, G, R, A in memory, then without its alpha.
    image.format = PNG_FORMAT_BGRA;
    PixelSnapshot picture{static_cast<int>(image.width), static_cast<int>(image.height), {}};
    picture.pixels.resize(std::size_t{image.width} * image.height);
    if (png_image_finish_read(&image, nullptr, picture.pixels.data(), 0, nullptr) == 0) {
        return std::nullopt;
    }
    std::ranges::for_each(picture.pixels, [](uint32_t& pixel) { pixel &= 0x00FFFFFFu; });
    return picture;
}

PixelSnapshot SnapshotSurface(HDC hdc) {
    PixelSnapshot picture;
    OnSurface(hdc, [&](gdi::Surface& s) { picture = Copy(s); });
    return picture;
}

PixelSnapshot SnapshotBitmap(HBITMAP hbm) {
    auto& table = gdi::GdiObjects::Instance();
    std::scoped_lock lock(table.Lock());
    const gdi::BitmapObject* bitmap = table.FindBitmap(hbm);
    return bitmap == nullptr ? PixelSnapshot{} : Copy(bitmap->surface);
}

void PaintSurface(HDC hdc, const std::function<uint32_t(int x, int y)>& f) {
    OnSurface(hdc, [&](gdi::Surface& s) {
        for (int y = 0; y < s.height; ++y) {
            for (int x = 0; x < s.width; ++x) {
                s.Row(y)[x] = f(x, y) & 0x00FFFFFFu;
            }
        }
    });
}

std::optional<LOGFONTW> LogFontOf(HFONT font) {
    auto& table = gdi::GdiObjects::Instance();
    std::scoped_lock lock(table.Lock());
    const gdi::FontObject* object = table.FindFont(font);
    return object == nullptr ? std::nullopt : std::optional(object->logFont);
}

std::optional<TextState> TextStateOf(HDC hdc) {
    auto& table = gdi::GdiObjects::Instance();
    std::scoped_lock lock(table.Lock());
    const gdi::DcObject* dc = table.FindDc(hdc);
    return dc ? std::optional(TextState{dc->font, dc->bkMode, dc->textColor}) : std::nullopt;
}

std::vector<PixelSnapshot> DecodeIcoImages(std::span<const uint8_t> bytes) {
    return Pictures(gdi::DecodeIco(bytes));
}

std::optional<PixelSnapshot> DecodeBmpPicture(std::span<const uint8_t> bytes) {
    const auto surface = gdi::DecodeBmp(bytes.data(), bytes.size());
    return surface ? std::optional(Copy(*surface)) : std::nullopt;
}

std::vector<PixelSnapshot> IconPictures(HICON icon) {
    const auto* images = gdi::IconImages(icon);
    return images == nullptr ? std::vector<PixelSnapshot>{} : Pictures(*images);
}

}  // namespace dv::testing
