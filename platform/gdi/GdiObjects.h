// The table behind HDC, HBITMAP and HFONT values. Handles are serial numbers,
// never reused, so a stale handle is recognised as stale instead of reaching
// a newer object. All access goes through the table's lock.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/WinGdi.h"
#include "platform/gdi/ObjectCounts.h"
#include "platform/gdi/Surface.h"

namespace dv::gdi {

// The face drawn when none is named: the stock font's, the calibration screen's, an empty
// LOGFONT's.
inline constexpr wchar_t kDefaultFontFace[] = L"Tahoma";

struct BitmapObject {
    Surface surface;
    bool stock = false;
    // The surface this bitmap is selected into; a bitmap lives in at most one
    // (the stock bitmap excepted).
    HDC selectedInto = nullptr;
};

struct FontObject {
    LOGFONTW logFont{};
    bool stock = false;
    int selections = 0;
};

struct DcObject {
    HBITMAP bitmap = nullptr;
    HFONT font = nullptr;
    int bkMode = OPAQUE;
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    // Draws on the screen: drawing is presented, the bitmap cannot change.
    bool screen = false;
};

class GdiObjects {
public:
    static GdiObjects& Instance();

    std::mutex& Lock() { return m_lock; }

    // All members below expect the lock to be held.
    HDC AddDc(DcObject dc);
    HBITMAP AddBitmap(BitmapObject bitmap);
    HFONT AddFont(FontObject font);

    DcObject* FindDc(HDC hdc);
    BitmapObject* FindBitmap(HBITMAP hbm);
    FontObject* FindFont(HFONT hfont);
    BitmapObject* FindBitmap(HGDIOBJ h) { return FindBitmap(static_cast<HBITMAP>(h)); }
    FontObject* FindFont(HGDIOBJ h) { return FindFont(static_cast<HFONT>(h)); }

    void RemoveDc(HDC hdc);
    void RemoveBitmap(HBITMAP hbm);
    void RemoveFont(HFONT hfont);

    HBITMAP StockBitmap() const { return m_stockBitmap; }
    HFONT StockFont() const { return m_stockFont; }
    HBITMAP ScreenBitmap() const { return m_screenBitmap; }
    Surface& ScreenSurface() { return m_bitmaps.at(Key(m_screenBitmap))->surface; }

    // The surface a DC draws on (its selected bitmap); never null for a live DC.
    Surface& SurfaceOf(const DcObject& dc);

    ObjectCounts Counts() const { return m_counts; }

private:
    GdiObjects();
    static uintptr_t Key(const void* handle) { return reinterpret_cast<uintptr_t>(handle); }
    uintptr_t NextKey();

    std::mutex m_lock;
    uintptr_t m_nextKey;
    std::unordered_map<uintptr_t, std::unique_ptr<DcObject>> m_dcs;
    std::unordered_map<uintptr_t, std::unique_ptr<BitmapObject>> m_bitmaps;
    std::unordered_map<uintptr_t, std::unique_ptr<FontObject>> m_fonts;
    ObjectCounts m_counts;
    HBITMAP m_stockBitmap = nullptr;
    HFONT m_stockFont = nullptr;
    HBITMAP m_screenBitmap = nullptr;
};

// Tells the observer the class library registered that a device context or
// font handle has gone. Called without the table's lock.
void NotifyHandleGone(HGDIOBJ handle);

}  // namespace dv::gdi
