// Drawing calls: block copies, text and pixel reads. Drawing through a
// screen surface is presented before the call returns.
#include <cwchar>
#include <optional>
#include <string_view>

#include "platform/Platform.h"
#include "platform/WinBase.h"
#include "platform/WinGdi.h"
#include "platform/gdi/FontEngine.h"
#include "platform/gdi/GdiLog.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Screen.h"
#include "platform/gdi/TextDrawing.h"

namespace {

constexpr LONG kBoldWeight = 600;  // semibold and heavier draw bold

dv::gdi::FontRequest RequestFor(const LOGFONTW& lf) {
    dv::gdi::FontRequest request;
    const std::wstring_view face(lf.lfFaceName, ::wcsnlen(lf.lfFaceName, LF_FACESIZE));
    request.family = dv::WideToUtf8(face.empty() ? dv::gdi::kDefaultFontFace : face);
    request.height = lf.lfHeight;
    request.bold = lf.lfWeight >= kBoldWeight;
    // Default, draft and proof quality follow the unit's font smoothing,
    // which is off: they draw monochrome, as non-antialiased quality does.
    request.antialias = lf.lfQuality >= ANTIALIASED_QUALITY;
    return request;
}

void PresentIfScreen(const std::optional<RECT>& changed) {
    if (changed) {
        dv::gdi::PresentScreen(*changed);
    }
}

std::optional<RECT> ScreenChange(const dv::gdi::DcObject& dc, const dv::gdi::PixelRect& r) {
    if (!dc.screen || r.Empty()) {
        return std::nullopt;
    }
    return RECT{r.left, r.top, r.right, r.bottom};
}

}  // namespace

using dv::gdi::DcObject;
using dv::gdi::GdiObjects;
using dv::gdi::LogRefusal;

BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
    std::optional<RECT> changed;
    {
        auto& table = GdiObjects::Instance();
        std::scoped_lock lock(table.Lock());
        DcObject* dst = table.FindDc(hdc);
        DcObject* src = table.FindDc(hdcSrc);
        if (dst == nullptr || src == nullptr) {
            LogRefusal("BitBlt", "unknown surface", dst == nullptr ? hdc : hdcSrc);
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        if (rop != SRCCOPY) {
            LogRefusal("BitBlt", "only SRCCOPY is supported");
            SetLastError(ERROR_NOT_SUPPORTED);
            return FALSE;
        }
        const dv::gdi::PixelRect written =
            dv::gdi::CopyPixels(table.SurfaceOf(*dst), x, y, cx, cy, table.SurfaceOf(*src), x1, y1);
        changed = ScreenChange(*dst, written);
    }
    PresentIfScreen(changed);
    return TRUE;
}

int DrawTextW(HDC hdc, LPCWSTR lpchText, int cchText, RECT* lprc, UINT format) {
    if (lpchText == nullptr || lprc == nullptr || cchText < -1) {
        LogRefusal("DrawTextW", "missing text or rectangle, or a bad length");
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::size_t length =
        cchText == -1 ? std::wcslen(lpchText) : static_cast<std::size_t>(cchText);
    std::optional<RECT> changed;
    int height = 0;
    {
        auto& table = GdiObjects::Instance();
        std::scoped_lock lock(table.Lock());
        DcObject* dc = table.FindDc(hdc);
        if (dc == nullptr) {
            LogRefusal("DrawTextW", "unknown surface", hdc);
            SetLastError(ERROR_INVALID_HANDLE);
            return 0;
        }
        const dv::gdi::FontObject* font = table.FindFont(dc->font);
        auto instance = dv::gdi::GetFontInstance(RequestFor(font->logFont));
        dv::gdi::TextStyle style{dc->textColor, dc->bkColor, dc->bkMode == OPAQUE};
        const dv::gdi::TextResult result =
            dv::gdi::DrawTextInto(table.SurfaceOf(*dc), *instance,
                                  std::wstring_view(lpchText, length), *lprc, format, style);
        height = result.height;
        changed = ScreenChange(*dc, result.changed);
    }
    PresentIfScreen(changed);
    return height;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
    auto& table = GdiObjects::Instance();
    std::scoped_lock lock(table.Lock());
    DcObject* dc = table.FindDc(hdc);
    if (dc == nullptr) {
        return CLR_INVALID;
    }
    const dv::gdi::Surface& surface = table.SurfaceOf(*dc);
    if (!surface.Contains(x, y)) {
        return CLR_INVALID;
    }
    const uint32_t p = surface.Row(y)[x];
    return RGB(static_cast<BYTE>(p >> 16), static_cast<BYTE>(p >> 8), static_cast<BYTE>(p));
}
