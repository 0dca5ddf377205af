#include "platform/gdi/TextDrawing.h"

#include <algorithm>
#include <vector>

namespace dv::gdi {
namespace {

uint32_t ToPixel(COLORREF c) {
    return (static_cast<uint32_t>(GetRValue(c)) << 16) |
           (static_cast<uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
}

uint32_t Blend(uint32_t dst, uint32_t src, unsigned alpha) {
    if (alpha == 255) {
        return src;
    }
    uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const unsigned d = (dst >> shift) & 0xFF;
        const unsigned s = (src >> shift) & 0xFF;
        out |= ((s * alpha + d * (255 - alpha) + 127) / 255) << shift;
    }
    return out;
}

std::vector<std::wstring_view> SplitLines(std::wstring_view text, bool singleLine) {
    std::vector<std::wstring_view> lines;
    if (singleLine) {
        lines.push_back(text);
        return lines;
    }
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == L'\n') {
            std::wstring_view line = text.substr(start, i - start);
            if (!line.empty() && line.back() == L'\r') {
                line.remove_suffix(1);
            }
            lines.push_back(line);
            start = i + 1;
        }
    }
    return lines;
}

bool IsControl(wchar_t c) {
    return c < 0x20 || c == 0x7F;
}

int LineWidth(FontInstance& font, std::wstring_view line) {
    int width = 0;
    for (wchar_t c : line) {
        if (!IsControl(c)) {
            width += font.GlyphFor(static_cast<char32_t>(c)).advance;
        }
    }
    return width;
}

class LineWriter {
public:
    LineWriter(Surface& surface, PixelRect clip, uint32_t color)
        : m_surface(surface), m_clip(clip), m_color(color) {}

    void Draw(FontInstance& font, std::wstring_view line, int x, int baseline) {
        for (wchar_t c : line) {
            if (IsControl(c)) {
                continue;
            }
            const Glyph& glyph = font.GlyphFor(static_cast<char32_t>(c));
            DrawGlyph(glyph, x + glyph.left, baseline - glyph.top);
            x += glyph.advance;
        }
    }

    PixelRect Changed() const { return m_changed; }

private:
    void DrawGlyph(const Glyph& glyph, int gx, int gy) {
        const int x0 = std::max(gx, m_clip.left);
        const int y0 = std::max(gy, m_clip.top);
        const int x1 = std::min(gx + glyph.width, m_clip.right);
        const int y1 = std::min(gy + glyph.rows, m_clip.bottom);
        if (x1 <= x0 || y1 <= y0) {
            return;
        }
        for (int y = y0; y < y1; ++y) {
            const uint8_t* cover =
                glyph.coverage.data() + static_cast<std::size_t>(y - gy) * glyph.width;
            uint32_t* row = m_surface.Row(y);
            for (int x = x0; x < x1; ++x) {
                const unsigned alpha = cover[x - gx];
                if (alpha != 0) {
                    row[x] = Blend(row[x], m_color, alpha);
                }
            }
        }
        Grow({x0, y0, x1, y1});
    }

    void Grow(const PixelRect& r) {
        if (m_changed.Empty()) {
            m_changed = r;
            return;
        }
        m_changed.left = std::min(m_changed.left, r.left);
        m_changed.top = std::min(m_changed.top, r.top);
        m_changed.right = std::max(m_changed.right, r.right);
        m_changed.bottom = std::max(m_changed.bottom, r.bottom);
    }

    Surface& m_surface;
    PixelRect m_clip;
    uint32_t m_color;
    PixelRect m_changed;
};

PixelRect Union(PixelRect a, const PixelRect& b) {
    if (a.Empty()) {
        return b;
    }
    if (b.Empty()) {
        return a;
    }
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

PixelRect Intersect(const PixelRect& a, const PixelRect& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

void Fill(Surface& surface, const PixelRect& r, uint32_t color) {
    for (int y = r.top; y < r.bottom; ++y) {
        std::fill(surface.Row(y) + r.left, surface.Row(y) + r.right, color);
    }
}

}  // namespace

TextResult DrawTextInto(Surface& surface, FontInstance& font, std::wstring_view text,
                        const RECT& rect, UINT format, const TextStyle& style) {
    const bool singleLine = (format & DT_SINGLELINE) != 0;
    const std::vector<std::wstring_view> lines = SplitLines(text, singleLine);
    const int lineHeight = font.CellHeight();
    const int textHeight = lineHeight * static_cast<int>(lines.size());

    // Vertical placement applies to a single line only, as on the unit.
    int top = rect.top;
    if (singleLine && (format & DT_VCENTER) != 0) {
        top = (rect.top + rect.bottom - lineHeight) / 2;
    } else if (singleLine && (format & DT_BOTTOM) != 0) {
        top = rect.bottom - lineHeight;
    }

    PixelRect clip{0, 0, surface.width, surface.height};
    if ((format & DT_NOCLIP) == 0) {
        clip = Intersect(clip, {rect.left, rect.top, rect.right, rect.bottom});
    }
    TextResult result;
    result.height = textHeight;
    if (clip.Empty()) {
        return result;
    }

    LineWriter writer(surface, clip, ToPixel(style.textColor));
    PixelRect filled;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int width = LineWidth(font, lines[i]);
        int x = rect.left;
        if ((format & DT_CENTER) != 0) {
            x = (rect.left + rect.right - width) / 2;
        } else if ((format & DT_RIGHT) != 0) {
            x = rect.right - width;
        }
        const int lineTop = top + static_cast<int>(i) * lineHeight;
        if (style.opaque) {
            const PixelRect box = Intersect(clip, {x, lineTop, x + width, lineTop + lineHeight});
            if (!box.Empty()) {
                Fill(surface, box, ToPixel(style.bkColor));
                filled = Union(filled, box);
            }
        }
        writer.Draw(font, lines[i], x, lineTop + font.Ascent());
    }
    result.changed = Union(filled, writer.Changed());
    return result;
}

}  // namespace dv::gdi
