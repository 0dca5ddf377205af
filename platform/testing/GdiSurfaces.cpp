#include "platform/testing/GdiSurfaces.h"

#include <algorithm>

#include "platform/gdi/GdiObjects.h"

namespace dv::testing {
namespace {

PixelSnapshot Copy(const gdi::Surface& s) {
    const auto pixels = s.Pixels();
    return {s.width, s.height, {pixels.begin(), pixels.end()}};
}

}  // namespace

PixelSnapshot SnapshotSurface(HDC hdc) {
    auto& table = gdi::GdiObjects::Instance();
    std::scoped_lock lock(table.Lock());
    const gdi::DcObject* dc = table.FindDc(hdc);
    return dc == nullptr ? PixelSnapshot{} : Copy(table.SurfaceOf(*dc));
}

PixelSnapshot SnapshotBitmap(HBITMAP hbm) {
    auto& table = gdi::GdiObjects::Instance();
    std::scoped_lock lock(table.Lock());
    const gdi::BitmapObject* bitmap = table.FindBitmap(hbm);
    return bitmap == nullptr ? PixelSnapshot{} : Copy(bitmap->surface);
}

void PaintSurface(HDC hdc, uint32_t (*f)(int x, int y)) {
    auto& table = gdi::GdiObjects::Instance();
    std::scoped_lock lock(table.Lock());
    const gdi::DcObject* dc = table.FindDc(hdc);
    if (dc == nullptr) {
        return;
    }
    gdi::Surface& s = table.SurfaceOf(*dc);
    for (int y = 0; y < s.height; ++y) {
        for (int x = 0; x < s.width; ++x) {
            s.Row(y)[x] = f(x, y) & 0x00FFFFFFu;
        }
    }
}

void FillSurface(HDC hdc, uint32_t rgb) {
    auto& table = gdi::GdiObjects::Instance();
    std::scoped_lock lock(table.Lock());
    const gdi::DcObject* dc = table.FindDc(hdc);
    if (dc != nullptr) {
        std::ranges::fill(table.SurfaceOf(*dc).Pixels(), rgb & 0x00FFFFFFu);
    }
}

GdiMemorySurface::GdiMemorySurface(int w, int h) : m_dc(CreateCompatibleDC(nullptr)) {
    SelectObject(m_dc, CreateCompatibleBitmap(m_dc, w, h));
}

GdiMemorySurface::~GdiMemorySurface() {
    DeleteDC(m_dc);
}

}  // namespace dv::testing
