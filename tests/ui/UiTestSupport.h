// Shared ground of the drawing tests: a settings dialog created on a fresh
// device root with the display off, and pixel snapshots of surfaces and of
// the program's bitmap resources to compare against.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "app/SettingsDlg.h"
#include "platform/display/Display.h"
#include "platform/gdi/GdiObjects.h"
#include "tests/common/DeviceTestRoot.h"

namespace uitest {

constexpr int kScreenWidth = 480;
constexpr int kScreenHeight = 234;

// A copy of a surface's pixels (0x00RRGGBB, row by row).
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    bool Empty() const { return pixels.empty(); }
};

inline dv::gdi::Surface* SurfaceOfDc(HDC hdc) {
    auto& table = dv::gdi::GdiObjects::Instance();
    std::scoped_lock lock(table.Lock());
    dv::gdi::DcObject* dc = table.FindDc(hdc);
    return dc != nullptr ? &table.SurfaceOf(*dc) : nullptr;
}

inline Image Capture(CDC* pDC) {
    Image image;
    if (dv::gdi::Surface* s = SurfaceOfDc(pDC->GetSafeHdc())) {
        auto& table = dv::gdi::GdiObjects::Instance();
        std::scoped_lock lock(table.Lock());
        image.width = s->width;
        image.height = s->height;
        const auto pixels = std::as_const(*s).Pixels();
        image.pixels.assign(pixels.begin(), pixels.end());
    }
    return image;
}

// The pixels of a bitmap resource as the program loads it.
inline Image ResourceImage(UINT id) {
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    HBITMAP hBitmap = ::LoadBitmapW(nullptr, MAKEINTRESOURCEW(id));
    Image image;
    if (hBitmap != nullptr) {
        HGDIOBJ hOld = dc.SelectObject(hBitmap);
        image = Capture(&dc);
        dc.SelectObject(hOld);
        ::DeleteObject(hBitmap);
    }
    dc.DeleteDC();
    return image;
}

inline bool Inside(const RECT& r, int x, int y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// Counts the pixels of `rect` in `actual` that differ from `expected` placed
// with its (0, 0) at `origin`.
inline int CountMismatches(const Image& actual, RECT rect, const Image& expected, POINT origin) {
    int n = 0;
    for (int y = rect.top; y < rect.bottom; ++y) {
        for (int x = rect.left; x < rect.right; ++x) {
            const int ex = x - origin.x;
            const int ey = y - origin.y;
            if (ex < 0 || ey < 0 || ex >= expected.width || ey >= expected.height ||
                actual.At(x, y) != expected.At(ex, ey)) {
                ++n;
            }
        }
    }
    return n;
}

inline int CountMismatches(const Image& actual, RECT rect, const Image& expected) {
    return CountMismatches(actual, rect, expected, {0, 0});
}

// Pixels outside `rect` that differ between the two images.
inline int CountChangesOutside(const Image& before, const Image& after, RECT rect) {
    int n = 0;
    for (int y = 0; y < before.height; ++y) {
        for (int x = 0; x < before.width; ++x) {
            if (!Inside(rect, x, y) && before.At(x, y) != after.At(x, y)) {
                ++n;
            }
        }
    }
    return n;
}

// The smallest rectangle holding every pixel that differs between the images.
inline RECT ChangedBounds(const Image& before, const Image& after) {
    RECT r{before.width, before.height, -1, -1};
    for (int y = 0; y < before.height; ++y) {
        for (int x = 0; x < before.width; ++x) {
            if (before.At(x, y) != after.At(x, y)) {
                r.left = std::min<LONG>(r.left, x);
                r.top = std::min<LONG>(r.top, y);
                r.right = std::max<LONG>(r.right, x + 1);
                r.bottom = std::max<LONG>(r.bottom, y + 1);
            }
        }
    }
    return r;
}

inline std::string Describe(const RECT& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" +
           std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

// A screen-sized memory surface filled with a pattern that no artwork
// shares, so that any pixel a routine writes shows.
class PatternSurface {
public:
    explicit PatternSurface(CDC* pLikeDC) {
        m_dc.CreateCompatibleDC(pLikeDC);
        m_hBitmap = ::CreateCompatibleBitmap(pLikeDC->GetSafeHdc(), kScreenWidth, kScreenHeight);
        m_hOld = m_dc.SelectObject(m_hBitmap);
        if (dv::gdi::Surface* s = SurfaceOfDc(m_dc.GetSafeHdc())) {
            for (int y = 0; y < s->height; ++y) {
                for (int x = 0; x < s->width; ++x) {
                    s->Row(y)[x] = 0x00A50000u | static_cast<uint32_t>((x * 7 + y * 13) & 0xFFFF);
                }
            }
        }
    }
    ~PatternSurface() {
        m_dc.SelectObject(m_hOld);
        ::DeleteObject(m_hBitmap);
        m_dc.DeleteDC();
    }
    CDC* Get() { return &m_dc; }

private:
    CDC m_dc;
    HBITMAP m_hBitmap = nullptr;
    HGDIOBJ m_hOld = nullptr;
};

// A settings dialog with its window, backgrounds, fonts and buttons made.
class DialogTest : public DeviceTestRoot {
protected:
    void SetUp() override {
        DeviceTestRoot::SetUp();
        dv::display::Disable();
        m_dlg = std::make_unique<CSettingsDlg>();
        ASSERT_TRUE(m_dlg->Create(IDD_SETTINGS_DIALOG));
        ASSERT_NE(m_dlg->m_pScreenDC, nullptr);
    }

    void TearDown() override {
        if (m_dlg && m_dlg->GetSafeHwnd() != nullptr) {
            m_dlg->DestroyWindow();
        }
        m_dlg.reset();
        DeviceTestRoot::TearDown();
    }

    CSettingsDlg& Dlg() { return *m_dlg; }
    Image Screen() { return Capture(m_dlg->m_pScreenDC); }

    std::unique_ptr<CSettingsDlg> m_dlg;
};

}  // namespace uitest
