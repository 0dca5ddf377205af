// Device contexts: creation, deletion, selection of bitmaps and fonts, and
// the text state.
#include <vector>

#include "platform/WinBase.h"
#include "platform/WinGdi.h"
#include "platform/gdi/GdiLog.h"
#include "platform/gdi/GdiObjects.h"

namespace dv::gdi {
namespace {

HGDIOBJ SelectBitmap(GdiObjects& table, HDC hdc, DcObject& dc, HBITMAP hbm, BitmapObject& bitmap) {
    if (dc.screen) {
        LogRefusal("SelectObject", "a screen surface cannot take a bitmap", hbm);
        return nullptr;
    }
    if (dc.bitmap == hbm) {
        return hbm;
    }
    if (!bitmap.stock && bitmap.selectedInto != nullptr) {
        LogRefusal("SelectObject", "bitmap is selected into another surface", hbm);
        return nullptr;
    }
    HBITMAP previous = dc.bitmap;
    if (BitmapObject* old = table.FindBitmap(previous); old != nullptr && !old->stock) {
        old->selectedInto = nullptr;
    }
    if (!bitmap.stock) {
        bitmap.selectedInto = hdc;
    }
    dc.bitmap = hbm;
    return previous;
}

HGDIOBJ SelectFont(GdiObjects& table, DcObject& dc, HFONT hfont, FontObject& font) {
    HFONT previous = dc.font;
    if (FontObject* old = table.FindFont(previous); old != nullptr) {
        --old->selections;
    }
    ++font.selections;
    dc.font = hfont;
    return previous;
}

}  // namespace
}  // namespace dv::gdi

using dv::gdi::DcObject;
using dv::gdi::GdiObjects;
using dv::gdi::LogRefusal;

HDC CreateCompatibleDC(HDC hdc) {
    auto& table = GdiObjects::Instance();
    std::scoped_lock lock(table.Lock());
    if (hdc != nullptr && table.FindDc(hdc) == nullptr) {
        LogRefusal("CreateCompatibleDC", "unknown surface", hdc);
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    DcObject dc;
    dc.bitmap = table.StockBitmap();
    dc.font = table.StockFont();
    table.FindFont(dc.font)->selections++;
    return table.AddDc(dc);
}

BOOL DeleteDC(HDC hdc) {
    auto& table = GdiObjects::Instance();
    {
        std::scoped_lock lock(table.Lock());
        DcObject* dc = table.FindDc(hdc);
        if (dc == nullptr) {
            LogRefusal("DeleteDC", "unknown surface", hdc);
            return FALSE;
        }
        if (dc->screen) {
            LogRefusal("DeleteDC", "a screen surface is released, not deleted", hdc);
            return FALSE;
        }
        if (auto* font = table.FindFont(dc->font)) {
            --font->selections;
        }
        // The surface owns the bitmap selected into it.
        table.RemoveBitmap(dc->bitmap);
        table.RemoveDc(hdc);
    }
    dv::gdi::NotifyHandleGone(hdc);
    return TRUE;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h) {
    auto& table = GdiObjects::Instance();
    std::scoped_lock lock(table.Lock());
    DcObject* dc = table.FindDc(hdc);
    if (dc == nullptr) {
        LogRefusal("SelectObject", "unknown surface", hdc);
        return nullptr;
    }
    if (auto* bitmap = table.FindBitmap(h)) {
        return dv::gdi::SelectBitmap(table, hdc, *dc, static_cast<HBITMAP>(h), *bitmap);
    }
    if (auto* font = table.FindFont(h)) {
        return dv::gdi::SelectFont(table, *dc, static_cast<HFONT>(h), *font);
    }
    LogRefusal("SelectObject", "unknown object", h);
    return nullptr;
}

int SetBkMode(HDC hdc, int mode) {
    auto& table = GdiObjects::Instance();
    std::scoped_lock lock(table.Lock());
    DcObject* dc = table.FindDc(hdc);
    if (dc == nullptr || (mode != TRANSPARENT && mode != OPAQUE)) {
        LogRefusal("SetBkMode", dc == nullptr ? "unknown surface" : "unknown mode", hdc);
        return 0;
    }
    const int previous = dc->bkMode;
    dc->bkMode = mode;
    return previous;
}

COLORREF SetTextColor(HDC hdc, COLORREF color) {
    auto& table = GdiObjects::Instance();
    std::scoped_lock lock(table.Lock());
    DcObject* dc = table.FindDc(hdc);
    if (dc == nullptr) {
        LogRefusal("SetTextColor", "unknown surface", hdc);
        return CLR_INVALID;
    }
    const COLORREF previous = dc->textColor;
    dc->textColor = color & 0x00FFFFFFu;
    return previous;
}

COLORREF SetBkColor(HDC hdc, COLORREF color) {
    auto& table = GdiObjects::Instance();
    std::scoped_lock lock(table.Lock());
    DcObject* dc = table.FindDc(hdc);
    if (dc == nullptr) {
        LogRefusal("SetBkColor", "unknown surface", hdc);
        return CLR_INVALID;
    }
    const COLORREF previous = dc->bkColor;
    dc->bkColor = color & 0x00FFFFFFu;
    return previous;
}
