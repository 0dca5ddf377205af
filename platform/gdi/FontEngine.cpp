#include "platform/gdi/FontEngine.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <cmath>
#include <map>
#include <mutex>
#include <unordered_map>

#include "platform/core/DebugLog.h"
#include "platform/gdi/FontResolver.h"

namespace dv::gdi {
namespace {

constexpr int kDefaultCellHeight = 12;
constexpr int kMaxCellHeight = 512;
constexpr long kFixedOne = 64;  // 26.6 fixed point

// Loaded faces are kept for the life of the process: the program uses two or
// three, and reopening them would cost far more than their memory.
class FaceLibrary {
public:
    static FaceLibrary& Instance() {
        static FaceLibrary* library = new FaceLibrary;  // lives to the process end
        return *library;
    }

    FT_Face Open(const FaceLocation& where) {
        if (m_library == nullptr) {
            return nullptr;
        }
        const std::string key = where.file + "#" + std::to_string(where.index);
        auto it = m_faces.find(key);
        if (it != m_faces.end()) {
            return it->second;
        }
        FT_Face face = nullptr;
        if (FT_New_Face(m_library, where.file.c_str(), where.index, &face) != 0) {
            WriteDebugText("GDI: cannot load font file " + where.file + "\r\n");
            face = nullptr;
        }
        m_faces.emplace(key, face);
        return face;
    }

private:
    FaceLibrary() {
        if (FT_Init_FreeType(&m_library) != 0) {
            WriteDebugText("GDI: FreeType could not be initialised; text is not drawn\r\n");
            m_library = nullptr;
        }
    }

    FT_Library m_library = nullptr;
    std::unordered_map<std::string, FT_Face> m_faces;
};

struct FaceRef {
    FT_Face face = nullptr;
    bool embolden = false;
};

// Ascent and descent in font units, as the unit's font engine sizes cells:
// the OS/2 Windows metrics where the face has them.
std::pair<long, long> CellMetrics(FT_Face face) {
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 != nullptr && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
        return {os2->usWinAscent, os2->usWinDescent};
    }
    return {face->ascender, -face->descender};
}

class FreeTypeFont final : public FontInstance {
public:
    explicit FreeTypeFont(const FontRequest& request) : m_request(request) {
        if (auto where = ResolveFace(request.family, request.bold)) {
            m_primary = {FaceLibrary::Instance().Open(*where), where->embolden};
        }
        ComputeSize();
    }

    int Ascent() const override { return m_ascent; }
    int CellHeight() const override { return m_cellHeight; }

    const Glyph& GlyphFor(char32_t ch) override {
        auto it = m_glyphs.find(ch);
        if (it != m_glyphs.end()) {
            return it->second;
        }
        return m_glyphs.emplace(ch, Render(ch)).first->second;
    }

private:
    void ComputeSize() {
        int cell = m_request.height == 0 ? kDefaultCellHeight : m_request.height;
        if (m_primary.face == nullptr || !FT_IS_SCALABLE(m_primary.face)) {
            m_cellHeight = std::min(std::abs(cell), kMaxCellHeight);
            m_ascent = m_cellHeight * 4 / 5;
            m_ppem = m_cellHeight * kFixedOne;
            return;
        }
        const auto [ascent, descent] = CellMetrics(m_primary.face);
        const double unitsPerEm = m_primary.face->units_per_EM;
        double ppem = 0;
        if (cell > 0) {
            cell = std::min(cell, kMaxCellHeight);
            ppem = cell * unitsPerEm / static_cast<double>(ascent + descent);
            m_cellHeight = cell;
        } else {
            ppem = std::min(-cell, kMaxCellHeight);
            m_cellHeight = static_cast<int>(std::lround((ascent + descent) * ppem / unitsPerEm));
        }
        m_ppem = std::max(1L, std::lround(ppem * kFixedOne));
        m_ascent = static_cast<int>(std::lround(ascent * ppem / unitsPerEm));
    }

    FaceRef FaceFor(char32_t ch) {
        if (m_primary.face != nullptr && FT_Get_Char_Index(m_primary.face, ch) != 0) {
            return m_primary;
        }
        auto it = m_fallbacks.find(ch);
        if (it == m_fallbacks.end()) {
            FaceRef ref = m_primary;
            if (auto where = ResolveFaceForChar(m_request.family, m_request.bold, ch)) {
                if (FT_Face face = FaceLibrary::Instance().Open(*where)) {
                    ref = {face, where->embolden};
                }
            }
            it = m_fallbacks.emplace(ch, ref).first;
        }
        return it->second;
    }

    Glyph Render(char32_t ch) {
        Glyph glyph;
        const FaceRef ref = FaceFor(ch);
        if (ref.face == nullptr) {
            return glyph;
        }
        FT_Face face = ref.face;
        // Faces are shared between instances; each render sets its own size.
        if (FT_Set_Char_Size(face, 0, m_ppem, 72, 72) != 0) {
            return glyph;
        }
        const FT_Int32 target = m_request.antialias ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_MONO;
        if (FT_Load_Char(face, ch, FT_LOAD_DEFAULT | target) != 0) {
            return glyph;
        }
        FT_GlyphSlot slot = face->glyph;
        if (ref.embolden) {
            FT_GlyphSlot_Embolden(slot);
        }
        const FT_Render_Mode mode =
            m_request.antialias ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO;
        if (FT_Render_Glyph(slot, mode) != 0) {
            return glyph;
        }
        CopyBitmap(slot, glyph);
        return glyph;
    }

    static void CopyBitmap(FT_GlyphSlot slot, Glyph& glyph) {
        const FT_Bitmap& bitmap = slot->bitmap;
        glyph.left = slot->bitmap_left;
        glyph.top = slot->bitmap_top;
        glyph.width = static_cast<int>(bitmap.width);
        glyph.rows = static_cast<int>(bitmap.rows);
        glyph.advance = static_cast<int>((slot->advance.x + kFixedOne / 2) / kFixedOne);
        glyph.coverage.assign(static_cast<std::size_t>(glyph.width) * glyph.rows, 0);
        for (int y = 0; y < glyph.rows; ++y) {
            const unsigned char* row =
                bitmap.buffer + static_cast<std::ptrdiff_t>(y) * bitmap.pitch;
            uint8_t* out = glyph.coverage.data() + static_cast<std::size_t>(y) * glyph.width;
            for (int x = 0; x < glyph.width; ++x) {
                if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
                    out[x] = (row[x >> 3] & (0x80 >> (x & 7))) != 0 ? 255 : 0;
                } else if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
                    out[x] = row[x];
                }
            }
        }
    }

    FontRequest m_request;
    FaceRef m_primary;
    long m_ppem = kDefaultCellHeight * kFixedOne;
    int m_ascent = 0;
    int m_cellHeight = 0;
    std::unordered_map<char32_t, Glyph> m_glyphs;
    std::unordered_map<char32_t, FaceRef> m_fallbacks;
};

}  // namespace

std::shared_ptr<FontInstance> GetFontInstance(const FontRequest& request) {
    static std::mutex lock;
    static auto* instances = new std::map<FontRequest, std::shared_ptr<FontInstance>>;
    std::scoped_lock guard(lock);
    auto& slot = (*instances)[request];
    if (!slot) {
        slot = std::make_shared<FreeTypeFont>(request);
    }
    return slot;
}

}  // namespace dv::gdi
