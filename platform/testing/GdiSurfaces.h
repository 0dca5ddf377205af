// The pixels behind drawing surfaces (0x00RRGGBB), to compare or prepare, and
// the image decoders fed arbitrary bytes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <tuple>
#include <vector>

#include "platform/WinGdi.h"

namespace dv::testing {

struct PixelSnapshot {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    bool operator==(const PixelSnapshot&) const = default;
};

PixelSnapshot SnapshotScreen();  // the screen's pixels (480 x 234)
// An RGB PNG file's pixels, for pictures kept beside the tests.
std::optional<PixelSnapshot> LoadPng(const std::filesystem::path& file);

// The pixels of the surface's bitmap (or screen); empty for an unknown surface.
PixelSnapshot SnapshotSurface(HDC hdc);
PixelSnapshot SnapshotBitmap(HBITMAP hbm);
// Sets every pixel of the surface's bitmap to f(x, y).
void PaintSurface(HDC hdc, const std::function<uint32_t(int x, int y)>& f);

// What a font was made from; a surface's font, background mode and text colour.
using TextState = std::tuple<HFONT, int, COLORREF>;
std::optional<LOGFONTW> LogFontOf(HFONT font);
std::optional<TextState> TextStateOf(HDC dc);

// The images of an ICO file, 0xAARRGGBB; the pixels of a BMP file; the images
// behind an icon handle (none for one LoadIconW did not return).
std::vector<PixelSnapshot> DecodeIcoImages(std::span<const uint8_t> bytes);
std::optional<PixelSnapshot> DecodeBmpPicture(std::span<const uint8_t> bytes);
std::vector<PixelSnapshot> IconPictures(HICON icon);

class GdiMemorySurface {  // a memory surface of w x h with its own bitmap, deleted with the object
public:
    GdiMemorySurface(int w, int h) : m_dc(CreateCompatibleDC(nullptr)) {
        SelectObject(m_dc, CreateCompatibleBitmap(m_dc, w, h));
    }
    ~GdiMemorySurface() { DeleteDC(m_dc); }
    GdiMemorySurface(const GdiMemorySurface&) = delete;
    GdiMemorySurface& operator=(const GdiMemorySurface&) = delete;

    HDC dc() const { return m_dc; }

private:
    HDC m_dc;
};

}  // namespace dv::testing
