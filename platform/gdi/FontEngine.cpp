#include "platform/gdi/FontEngine.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/core/DebugLog.h"
#include "platform/gdi/FontResolver.h"

namespace dv::gdi {
namespace {

constexpr int kDefaultCellHeight = 12;
constexpr int kMaxCellHeight = 512;
constexpr long kFixedOne = 64;  // 26.6 fixed point
// Stem weight a bold design adds to its regular one, as a share of the em
// (Tahoma's two cuts differ by about this much).
constexpr double kBoldStemEm = 0.075;
// The letter whose stem tells a face's weight, and the stem of two pixels or
// more that hand-drawn bold bitmaps have at every size.
constexpr char32_t kStemLetter = U'l';
constexpr int kBoldStrikeStem = 2;
constexpr int kHalfCoverage = 128;

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

// How a bold request is drawn with a face that is not a bold design: stems
// thickened, and advances widened as well when the face is a regular cut.
enum class BoldSynthesis { kNone, kThicken, kThickenAndWiden };

struct FaceRef {
    FT_Face face = nullptr;
    BoldSynthesis synthesis = BoldSynthesis::kNone;
    // Embedded bitmaps may be used (monochrome text whose strike, if the
    // face has one at this size, is of the weight asked for).
    bool strikes = false;
};

// Width of the stem letter's outline in font units; 0 when the face lacks it.
long StemWidth(FT_Face face) {
    if (FT_Load_Char(face, kStemLetter, FT_LOAD_NO_SCALE) != 0 ||
        face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) {
        return 0;
    }
    FT_BBox box;
    FT_Outline_Get_CBox(&face->glyph->outline, &box);
    return box.xMax - box.xMin;
}

// Some bold cuts carry the regular design's outlines under bold metrics
// (Debian's Wine Tahoma Bold does): their stems are no heavier than those of
// the regular cut, so the weight has to be made.
BoldSynthesis SynthesisFor(const FaceLocation& bold, FT_Face face,
                           const std::optional<FaceLocation>& regular) {
    if (bold.embolden) {
        return BoldSynthesis::kThickenAndWiden;
    }
    if (!regular || (regular->file == bold.file && regular->index == bold.index)) {
        return BoldSynthesis::kNone;
    }
    FT_Face plain = FaceLibrary::Instance().Open(*regular);
    if (plain == nullptr) {
        return BoldSynthesis::kNone;
    }
    const long boldStem = StemWidth(face);
    const long plainStem = StemWidth(plain);
    const bool sameWeight = boldStem != 0 && plainStem != 0 && boldStem <= plainStem;
    return sameWeight ? BoldSynthesis::kThicken : BoldSynthesis::kNone;
}

int WidestRun(const std::vector<uint8_t>& coverage, int width, int row) {
    int widest = 0;
    int run = 0;
    for (int x = 0; x < width; ++x) {
        run = coverage[static_cast<std::size_t>(row) * width + x] >= kHalfCoverage ? run + 1 : 0;
        widest = std::max(widest, run);
    }
    return widest;
}

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
        const auto where = ResolveFace(request.family, request.bold);
        FT_Face face = where ? FaceLibrary::Instance().Open(*where) : nullptr;
        ComputeSize(face);
        if (face != nullptr) {
            m_primary = MakeRef(*where, face, [&] { return ResolveFace(request.family, false); });
        }
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
    void ComputeSize(FT_Face face) {
        int cell = m_request.height == 0 ? kDefaultCellHeight : m_request.height;
        if (face == nullptr || !FT_IS_SCALABLE(face)) {
            m_cellHeight = std::min(std::abs(cell), kMaxCellHeight);
            m_ascent = m_cellHeight * 4 / 5;
            m_ppem = m_cellHeight * kFixedOne;
            return;
        }
        const auto [ascent, descent] = CellMetrics(face);
        const double unitsPerEm = face->units_per_EM;
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
                    ref = MakeRef(*where, face,
                                  [&] { return ResolveFaceForChar(m_request.family, false, ch); });
                }
            }
            it = m_fallbacks.emplace(ch, ref).first;
        }
        return it->second;
    }

    template <typename RegularCut>
    FaceRef MakeRef(const FaceLocation& where, FT_Face face, RegularCut regularCut) {
        FaceRef ref{face, BoldSynthesis::kNone, !m_request.antialias};
        if (m_request.bold) {
            ref.synthesis = SynthesisFor(where, face, regularCut());
            ref.strikes = ref.strikes && StrikeIsBold(face);
        }
        return ref;
    }

    // A face without a strike at this size passes: its outlines are used.
    bool StrikeIsBold(FT_Face face) const {
        if (FT_Set_Char_Size(face, 0, m_ppem, 72, 72) != 0 ||
            FT_Load_Char(face, kStemLetter, FT_LOAD_TARGET_MONO) != 0 ||
            face->glyph->format != FT_GLYPH_FORMAT_BITMAP) {
            return true;
        }
        Glyph stem;
        CopyBitmap(face->glyph, stem);
        return stem.rows > 0 &&
               WidestRun(stem.coverage, stem.width, stem.rows / 2) >= kBoldStrikeStem;
    }

    // Antialiased text is drawn from outlines, never from embedded bitmaps:
    // a strike is a monochrome design. Monochrome text uses a strike where
    // the face has one of the weight asked for, as the unit's rasteriser
    // does, and hinted outlines elsewhere.
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
        const bool smooth = m_request.antialias;
        FT_Int32 flags = smooth ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_MONO;
        if (!ref.strikes) {
            flags |= FT_LOAD_NO_BITMAP;
        }
        if (FT_Load_Char(face, ch, flags) != 0) {
            return glyph;
        }
        FT_GlyphSlot slot = face->glyph;
        const bool synthesise =
            ref.synthesis != BoldSynthesis::kNone && slot->format == FT_GLYPH_FORMAT_OUTLINE;
        const FT_Pos strength = synthesise ? BoldStrength() : 0;
        if (synthesise && smooth) {
            FT_Outline_EmboldenXY(&slot->outline, strength, 0);
        }
        if (synthesise && ref.synthesis == BoldSynthesis::kThickenAndWiden) {
            slot->advance.x += strength;
        }
        const FT_Render_Mode mode = smooth ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO;
        if (FT_Render_Glyph(slot, mode) != 0) {
            return glyph;
        }
        CopyBitmap(slot, glyph);
        if (synthesise && !smooth) {
            Overstrike(glyph, static_cast<int>(strength / kFixedOne));
        }
        return glyph;
    }

    // Extra stem width of a made bold in 26.6 pixels; whole pixels for
    // monochrome text, where a fraction would break the hinted pixel grid.
    FT_Pos BoldStrength() const {
        const long exact = std::lround(static_cast<double>(m_ppem) * kBoldStemEm);
        if (m_request.antialias) {
            return exact;
        }
        return std::max(kFixedOne, (exact + kFixedOne / 2) / kFixedOne * kFixedOne);
    }

    // The glyph drawn again `pixels` to the right over itself, as the unit
    // makes a bold from a regular monochrome design.
    static void Overstrike(Glyph& glyph, int pixels) {
        if (glyph.width == 0 || pixels <= 0) {
            return;
        }
        const int width = glyph.width + pixels;
        std::vector<uint8_t> wider(static_cast<std::size_t>(width) * glyph.rows, 0);
        for (int y = 0; y < glyph.rows; ++y) {
            const uint8_t* in = glyph.coverage.data() + static_cast<std::size_t>(y) * glyph.width;
            uint8_t* out = wider.data() + static_cast<std::size_t>(y) * width;
            for (int x = 0; x < glyph.width; ++x) {
                for (int k = 0; k <= pixels; ++k) {
                    out[x + k] = std::max(out[x + k], in[x]);
                }
            }
        }
        glyph.width = width;
        glyph.coverage = std::move(wider);
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
