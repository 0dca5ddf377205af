// Glyphs of a logical font: faces loaded with FreeType, sized so that a
// positive height is the cell height (ascent + descent), a negative one the
// em height, as the unit's fonts are. Antialiased glyphs come from outlines,
// monochrome ones from the face's bitmap strike where it has one of the
// weight asked for; a bold request on a face without bold stems gets them
// made. Glyphs are rendered once per (face, size, weight, antialiasing) and
// kept.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace dv::gdi {

struct FontRequest {
    std::string family;
    int height = 0;
    bool bold = false;
    bool antialias = false;

    auto operator<=>(const FontRequest&) const = default;
};

struct Glyph {
    // Position of the coverage block relative to the pen on the baseline.
    int left = 0;
    int top = 0;  // rows above the baseline
    int width = 0;
    int rows = 0;
    int advance = 0;
    // 0..255 per pixel; a font without antialiasing has 0 and 255 only.
    std::vector<uint8_t> coverage;
};

class FontInstance {
public:
    virtual ~FontInstance() = default;
    virtual int Ascent() const = 0;
    virtual int CellHeight() const = 0;
    virtual const Glyph& GlyphFor(char32_t ch) = 0;
};

// The shared instance for a request; never null (without any usable face the
// instance draws nothing and measures zero).
std::shared_ptr<FontInstance> GetFontInstance(const FontRequest& request);

}  // namespace dv::gdi
