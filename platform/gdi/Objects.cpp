// Bitmaps and fonts: creation, loading from the resources, deletion.
#include <cwchar>
#include <string>

#include "platform/Platform.h"
#include "platform/Resources.h"
#include "platform/WinBase.h"
#include "platform/WinGdi.h"
#include "platform/gdi/BitmapResources.h"
#include "platform/gdi/GdiLog.h"
#include "platform/gdi/GdiObjects.h"

namespace {

// Bounds a bitmap to a sane size: larger requests are refused, not attempted.
constexpr int kMaxBitmapDimension = 8192;
constexpr DWORD kErrorResourceNotFound = 1814;  // ERROR_RESOURCE_NAME_NOT_FOUND

unsigned ResourceIdOf(LPCWSTR name) {
    if (IS_INTRESOURCE(name)) {
        return static_cast<unsigned>(reinterpret_cast<UINT_PTR>(name));
    }
    // "#129" names a numeric id, as resource names on the unit may.
    if (name[0] == L'#') {
        return static_cast<unsigned>(std::wcstoul(name + 1, nullptr, 10));
    }
    return 0;
}

}  // namespace

using dv::gdi::BitmapObject;
using dv::gdi::FontObject;
using dv::gdi::GdiObjects;
using dv::gdi::LogRefusal;

HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
    auto& table = GdiObjects::Instance();
    std::scoped_lock lock(table.Lock());
    if (hdc != nullptr && table.FindDc(hdc) == nullptr) {
        LogRefusal("CreateCompatibleBitmap", "unknown surface", hdc);
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (cx <= 0 || cy <= 0 || cx > kMaxBitmapDimension || cy > kMaxBitmapDimension) {
        LogRefusal("CreateCompatibleBitmap",
                   "size out of range: " + std::to_string(cx) + " x " + std::to_string(cy));
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return table.AddBitmap(BitmapObject{dv::gdi::Surface(cx, cy), false, nullptr});
}

HBITMAP LoadBitmapW(HINSTANCE /*hInstance*/, LPCWSTR lpBitmapName) {
    if (lpBitmapName == nullptr) {
        LogRefusal("LoadBitmapW", "no bitmap name");
        SetLastError(kErrorResourceNotFound);
        return nullptr;
    }
    const unsigned id = ResourceIdOf(lpBitmapName);
    // Id 0 (a name that is not a number) is never a resource: the look-up misses.
    const std::shared_ptr<const dv::gdi::Surface> decoded = dv::gdi::DecodedBitmapResource(id);
    if (!decoded) {
        const std::string what =
            id != 0 ? std::to_string(id) : "\"" + dv::WideToUtf8(lpBitmapName) + "\"";
        LogRefusal("LoadBitmapW", "no bitmap resource " + what);
        SetLastError(kErrorResourceNotFound);
        return nullptr;
    }
    auto& table = GdiObjects::Instance();
    std::scoped_lock lock(table.Lock());
    return table.AddBitmap(BitmapObject{*decoded, false, nullptr});
}

HFONT CreateFontIndirectW(const LOGFONTW* lplf) {
    if (lplf == nullptr) {
        LogRefusal("CreateFontIndirectW", "no LOGFONTW");
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    FontObject font;
    font.logFont = *lplf;
    // The face name may arrive without its terminator; never read past it.
    font.logFont.lfFaceName[LF_FACESIZE - 1] = L'\0';
    auto& table = GdiObjects::Instance();
    std::scoped_lock lock(table.Lock());
    return table.AddFont(std::move(font));
}

DWORD GetObjectType(HGDIOBJ h) {
    auto& table = dv::gdi::GdiObjects::Instance();
    std::scoped_lock lock(table.Lock());
    if (const auto* dc = table.FindDc(static_cast<HDC>(h))) {
        return dc->screen ? OBJ_DC : OBJ_MEMDC;
    }
    if (table.FindBitmap(h) != nullptr) {
        return OBJ_BITMAP;
    }
    return table.FindFont(h) != nullptr ? OBJ_FONT : 0;
}

BOOL DeleteObject(HGDIOBJ ho) {
    if (ho == nullptr) {
        return FALSE;
    }
    auto& table = GdiObjects::Instance();
    bool wasFont = false;
    {
        std::scoped_lock lock(table.Lock());
        if (BitmapObject* bitmap = table.FindBitmap(ho)) {
            if (bitmap->stock) {
                LogRefusal("DeleteObject", "stock objects cannot be deleted", ho);
                return FALSE;
            }
            if (bitmap->selectedInto != nullptr) {
                LogRefusal("DeleteObject", "bitmap is selected into a surface", ho);
                return FALSE;
            }
            table.RemoveBitmap(static_cast<HBITMAP>(ho));
        } else if (FontObject* font = table.FindFont(ho)) {
            if (font->stock) {
                LogRefusal("DeleteObject", "stock objects cannot be deleted", ho);
                return FALSE;
            }
            if (font->selections > 0) {
                LogRefusal("DeleteObject", "font is selected into a surface", ho);
                return FALSE;
            }
            table.RemoveFont(static_cast<HFONT>(ho));
            wasFont = true;
        } else {
            LogRefusal("DeleteObject", "unknown object", ho);
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
    }
    if (wasFont) {
        dv::gdi::NotifyHandleGone(ho);
    }
    return TRUE;
}
