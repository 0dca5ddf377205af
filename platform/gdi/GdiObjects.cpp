#include "platform/gdi/GdiObjects.h"

#include <atomic>
#include <cwchar>

#include "platform/WindowServices.h"
#include "platform/gdi/Screen.h"

namespace dv::gdi {
namespace {

// Handles start well above the range of integer resource ids and step by 16,
// so that no handle can be mistaken for MAKEINTRESOURCE or for null.
constexpr uintptr_t kFirstHandle = 0x00100000;
constexpr uintptr_t kHandleStep = 0x10;

// The font a fresh surface draws with until another is selected.
constexpr LONG kStockFontHeight = 13;

template <typename Map>
auto* FindIn(Map& map, const void* handle) {
    auto it = map.find(reinterpret_cast<uintptr_t>(handle));
    return it == map.end() ? nullptr : it->second.get();
}

std::atomic<GdiHandleGoneHook> g_handleGone{nullptr};

}  // namespace

void NotifyHandleGone(HGDIOBJ handle) {
    if (GdiHandleGoneHook hook = g_handleGone.load()) {
        hook(handle);
    }
}

GdiObjects& GdiObjects::Instance() {
    static GdiObjects* table = new GdiObjects;  // lives to the process end
    return *table;
}

GdiObjects::GdiObjects() : m_nextKey(kFirstHandle) {
    BitmapObject stockBitmap{Surface(1, 1), true, nullptr};
    m_stockBitmap = AddBitmap(std::move(stockBitmap));
    FontObject stockFont;
    stockFont.stock = true;
    stockFont.logFont.lfHeight = kStockFontHeight;
    stockFont.logFont.lfWeight = FW_NORMAL;
    std::wcsncpy(stockFont.logFont.lfFaceName, dv::gdi::kDefaultFontFace, LF_FACESIZE - 1);
    m_stockFont = AddFont(std::move(stockFont));
    BitmapObject screen{Surface(kScreenWidth, kScreenHeight), true, nullptr};
    m_screenBitmap = AddBitmap(std::move(screen));
}

uintptr_t GdiObjects::NextKey() {
    const uintptr_t key = m_nextKey;
    m_nextKey += kHandleStep;
    return key;
}

HDC GdiObjects::AddDc(DcObject dc) {
    const uintptr_t key = NextKey();
    m_dcs.emplace(key, std::make_unique<DcObject>(std::move(dc)));
    ++m_counts.dcs;
    return reinterpret_cast<HDC>(key);
}

HBITMAP GdiObjects::AddBitmap(BitmapObject bitmap) {
    const uintptr_t key = NextKey();
    const bool stock = bitmap.stock;
    m_bitmaps.emplace(key, std::make_unique<BitmapObject>(std::move(bitmap)));
    if (!stock) {
        ++m_counts.bitmaps;
    }
    return reinterpret_cast<HBITMAP>(key);
}

HFONT GdiObjects::AddFont(FontObject font) {
    const uintptr_t key = NextKey();
    const bool stock = font.stock;
    m_fonts.emplace(key, std::make_unique<FontObject>(std::move(font)));
    if (!stock) {
        ++m_counts.fonts;
    }
    return reinterpret_cast<HFONT>(key);
}

DcObject* GdiObjects::FindDc(HDC hdc) {
    return FindIn(m_dcs, hdc);
}
BitmapObject* GdiObjects::FindBitmap(HBITMAP hbm) {
    return FindIn(m_bitmaps, hbm);
}
FontObject* GdiObjects::FindFont(HFONT hfont) {
    return FindIn(m_fonts, hfont);
}

void GdiObjects::RemoveDc(HDC hdc) {
    if (m_dcs.erase(Key(hdc)) != 0) {
        --m_counts.dcs;
    }
}

void GdiObjects::RemoveBitmap(HBITMAP hbm) {
    auto it = m_bitmaps.find(Key(hbm));
    if (it == m_bitmaps.end() || it->second->stock) {
        return;
    }
    m_bitmaps.erase(it);
    --m_counts.bitmaps;
}

void GdiObjects::RemoveFont(HFONT hfont) {
    auto it = m_fonts.find(Key(hfont));
    if (it == m_fonts.end() || it->second->stock) {
        return;
    }
    m_fonts.erase(it);
    --m_counts.fonts;
}

Surface& GdiObjects::SurfaceOf(const DcObject& dc) {
    return FindBitmap(dc.bitmap)->surface;
}

ObjectCounts LiveObjectCounts() {
    auto& table = GdiObjects::Instance();
    std::scoped_lock lock(table.Lock());
    return table.Counts();
}

}  // namespace dv::gdi

void dv::SetGdiHandleGoneHook(GdiHandleGoneHook hook) {
    gdi::g_handleGone.store(hook);
}
