// The artwork as the program draws it: every bitmap's id, size, depth and
// strip layout, and the fit of the page panels to the places where the
// program draws its pieces, to the pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "devices/VolumeTable.h"
#include "platform/Resources.h"

namespace {

struct Bmp {
    int width = 0;
    int height = 0;
    int bits = 0;
    bool zeroAlpha = true;
    std::vector<uint32_t> rgb;  // top row first, 0x00RRGGBB

    uint32_t At(int x, int y) const { return rgb[static_cast<std::size_t>(y) * width + x]; }
};

uint32_t Le(const unsigned char* p, int n) {
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) {
        v = v << 8 | p[i];
    }
    return v;
}

// Reads the uncompressed bottom-up BMPs the artwork generator writes.
std::optional<Bmp> ReadBmp(const dv::EmbeddedResource& r) {
    if (r.size < 54 || r.data[0] != 'B' || r.data[1] != 'M') {
        return std::nullopt;
    }
    Bmp bmp;
    const uint32_t offset = Le(r.data + 10, 4);
    bmp.width = static_cast<int32_t>(Le(r.data + 18, 4));
    bmp.height = static_cast<int32_t>(Le(r.data + 22, 4));
    bmp.bits = static_cast<int>(Le(r.data + 28, 2));
    if (Le(r.data + 30, 4) != 0 || bmp.width <= 0 || bmp.height <= 0 ||
        (bmp.bits != 24 && bmp.bits != 32)) {
        return std::nullopt;
    }
    const std::size_t bpp = bmp.bits / 8;
    const std::size_t stride = (bmp.width * bpp + 3) / 4 * 4;
    if (offset + stride * bmp.height > r.size) {
        return std::nullopt;
    }
    bmp.rgb.resize(static_cast<std::size_t>(bmp.width) * bmp.height);
    for (int y = 0; y < bmp.height; ++y) {
        const unsigned char* row = r.data + offset + stride * (bmp.height - 1 - y);
        for (int x = 0; x < bmp.width; ++x) {
            const unsigned char* p = row + x * bpp;
            bmp.rgb[static_cast<std::size_t>(y) * bmp.width + x] = p[2] << 16 | p[1] << 8 | p[0];
            if (bpp == 4 && p[3] != 0) {
                bmp.zeroAlpha = false;
            }
        }
    }
    return bmp;
}

Bmp Load(unsigned id) {
    const auto* r = dv::FindEmbeddedResource(dv::ResourceKind::Bitmap, id);
    EXPECT_NE(r, nullptr) << id;
    if (r == nullptr) {
        return {};
    }
    auto bmp = ReadBmp(*r);
    EXPECT_TRUE(bmp.has_value()) << id;
    return bmp.value_or(Bmp{});
}

constexpr uint32_t Rgb(int r, int g, int b) {
    return r << 16 | g << 8 | b;
}
constexpr uint32_t kPlain = Rgb(24, 24, 24);
constexpr uint32_t kGroove = Rgb(17, 17, 17);
constexpr uint32_t kBarLine = Rgb(84, 84, 84);
constexpr int kPanelX = 11;
constexpr int kPanelY = 32;

struct BitmapRow {
    unsigned id;
    int width, height, bits;
    bool strip;
};

const BitmapRow kTable[] = {
    {129, 480, 234, 24, false}, {130, 146, 97, 24, true},   {131, 116, 90, 24, true},
    {132, 120, 83, 24, true},   {133, 126, 96, 24, true},   {134, 189, 123, 24, false},
    {135, 189, 123, 24, false}, {136, 189, 123, 24, false}, {137, 189, 123, 24, false},
    {138, 122, 22, 32, true},   {139, 457, 160, 24, false}, {140, 158, 31, 32, true},
    {141, 158, 31, 32, true},   {142, 18, 19, 32, false},   {143, 4, 79, 32, false},
    {144, 457, 160, 24, false}, {145, 15, 14, 32, false},   {146, 268, 3, 32, false},
    {147, 19, 19, 32, false},   {148, 457, 160, 24, false}, {149, 158, 31, 32, true},
    {150, 12, 14, 32, false},   {151, 54, 18, 32, false},   {152, 12, 14, 32, false},
};

TEST(BitmapResources, EveryBitmapHasItsIdSizeAndDepth) {
    std::set<unsigned> ids;
    for (const auto& r : dv::EmbeddedResources()) {
        if (r.kind == dv::ResourceKind::Bitmap) {
            ids.insert(r.id);
        }
    }
    std::set<unsigned> expected;
    for (const BitmapRow& s : kTable) {
        expected.insert(s.id);
        const Bmp bmp = Load(s.id);
        EXPECT_EQ(bmp.width, s.width) << s.id;
        EXPECT_EQ(bmp.height, s.height) << s.id;
        EXPECT_EQ(bmp.bits, s.bits) << s.id;
        EXPECT_TRUE(bmp.zeroAlpha) << s.id;
    }
    EXPECT_EQ(ids, expected);
    ASSERT_NE(dv::FindEmbeddedResource(dv::ResourceKind::Icon, 128), nullptr);
}

TEST(BitmapResources, StripsHaveADifferentPressedHalf) {
    for (const BitmapRow& s : kTable) {
        if (!s.strip) {
            continue;
        }
        const Bmp bmp = Load(s.id);
        const int half = bmp.width / 2;
        int differing = 0;
        for (int y = 0; y < bmp.height; ++y) {
            for (int x = 0; x < half; ++x) {
                differing += bmp.At(x, y) != bmp.At(x + half, y);
            }
        }
        EXPECT_GT(differing, half * bmp.height / 20) << s.id;
    }
}

// Panel pixel at a screen position.
uint32_t PanelAt(const Bmp& panel, int sx, int sy) {
    return panel.At(sx - kPanelX, sy - kPanelY);
}

void ExpectPlain(const Bmp& panel, int left, int top, int right, int bottom, unsigned id) {
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            ASSERT_EQ(PanelAt(panel, x, y), kPlain) << "panel " << id << " at " << x << "," << y;
        }
    }
}

TEST(BitmapResources, SoundPanelGroovesLieUnderTheSliderColumns) {
    const Bmp panel = Load(139);
    for (int column : {106, 213, 320}) {
        for (int y = 80; y <= 159; ++y) {
            for (int x = column + 7; x <= column + 10; ++x) {
                ASSERT_EQ(PanelAt(panel, x, y), kGroove) << x << "," << y;
            }
            // Lighter edges beside the groove.
            EXPECT_GT(PanelAt(panel, column + 6, y) & 0xFF, 17u);
            EXPECT_GT(PanelAt(panel, column + 11, y) & 0xFF, 17u);
        }
    }
}

// Each mark of the volume scale lies at the row of a knob centre (the 18 x 19
// knob's top at y - 90 inside the column, kept within 0..62), and every
// step's knob centre has its mark.
TEST(BitmapResources, SoundPanelScaleMarksLieAtTheKnobCentres) {
    const Bmp panel = Load(139);
    std::set<int> centres;
    for (const VolumeStep& step : VolumeTable) {
        centres.insert(80 + std::clamp(step.nKnobY - 90, 0, 62) + 19 / 2);
    }
    for (int column : {106, 213, 320}) {
        std::set<int> marks;
        for (int y = 80; y <= 159; ++y) {
            if (PanelAt(panel, column + 21, y) != kPlain) {
                marks.insert(y);
            }
        }
        EXPECT_EQ(marks, centres) << column;
    }
}

// The pressed look of the main icons fades out inside the button: its two
// outer columns, top rows and bottom row are those of the normal half.
TEST(BitmapResources, PressedIconsKeepTheirGlowInside) {
    for (unsigned id : {130u, 131u, 132u, 133u}) {
        const Bmp bmp = Load(id);
        const int w = bmp.width / 2;
        auto same = [&](int x, int y) { return bmp.At(x, y) == bmp.At(x + w, y); };
        for (int edge : {0, 1}) {
            for (int y = 0; y < bmp.height; ++y) {
                EXPECT_TRUE(same(edge, y) && same(w - 1 - edge, y)) << id << " row " << y;
            }
            for (int x = 0; x < w; ++x) {
                EXPECT_TRUE(same(x, edge) && same(x, bmp.height - 1)) << id << " column " << x;
            }
        }
    }
}

TEST(BitmapResources, BasicPanelBarLinesAndMarksFitTheDrawingPositions) {
    const Bmp panel = Load(144);
    for (auto [top, stripTop, stripBottom] : {std::tuple{137, 129, 147}, {164, 156, 174}}) {
        for (int y = stripTop; y <= stripBottom; ++y) {
            for (int x = 156; x <= 423; ++x) {
                const bool line = y >= top && y <= top + 2;
                ASSERT_EQ(PanelAt(panel, x, y), line ? kBarLine : kPlain) << x << "," << y;
            }
        }
    }
    // Every empty mark is the same picture and sits exactly where mark 145 goes.
    const std::pair<int, int> marks[] = {{155, 75}, {246, 75}, {348, 75}, {155, 103}, {246, 103}};
    const Bmp mark = Load(145);
    for (auto [mx, my] : marks) {
        int differing = 0;
        for (int y = 0; y < 14; ++y) {
            for (int x = 0; x < 15; ++x) {
                EXPECT_EQ(PanelAt(panel, mx + x, my + y), PanelAt(panel, 155 + x, 75 + y));
                differing += PanelAt(panel, mx + x, my + y) != mark.At(x, y);
            }
            // The mark's frame: plain on all sides just outside the ring.
            EXPECT_EQ(PanelAt(panel, mx - 1, my + y), kPlain);
        }
        EXPECT_GT(differing, 10);  // empty and filled marks differ (the dot)
        EXPECT_EQ(mark.At(0, 0), kPlain);
    }
}

// The option labels end inside their touch areas: the rest of the row, up to
// the next option, is plain.
void ExpectLabelsInsideHits(const Bmp& panel, unsigned id,
                            std::initializer_list<std::tuple<int, int, int, int>> gaps) {
    for (auto [left, top, right, bottom] : gaps) {
        ExpectPlain(panel, left, top, right, bottom, id);
    }
}

TEST(BitmapResources, OptionLabelsStayInsideTheirTouchAreas) {
    // Gaps between one option's touch area and the next mark, per row.
    ExpectLabelsInsideHits(Load(144), 144,
                           {{226, 75, 245, 89},
                            {328, 75, 347, 89},
                            {416, 75, 450, 89},
                            {226, 103, 245, 117},
                            {301, 103, 450, 117}});
    ExpectLabelsInsideHits(
        Load(148), 148,
        {{243, 86, 245, 101}, {436, 86, 455, 101}, {221, 114, 231, 130}, {291, 114, 455, 130}});
}

TEST(BitmapResources, AdvancedPanelMarksAndPlainAreasFit) {
    const Bmp panel = Load(148);
    for (auto [mx, my] : {std::pair{155, 86}, {246, 86}, {155, 114}, {232, 114}}) {
        for (int y = 0; y < 14; ++y) {
            for (int x = 0; x < 15; ++x) {
                EXPECT_EQ(PanelAt(panel, mx + x, my + y), PanelAt(panel, 155 + x, 86 + y));
            }
        }
        EXPECT_NE(PanelAt(panel, mx + 7, my), kPlain);  // the ring
    }
    ExpectPlain(panel, 158, 141, 361, 153, 148);  // version label
    ExpectPlain(panel, 323, 141, 447, 158, 148);  // FM strip
}

TEST(BitmapResources, PiecesJoinThePanelBackground) {
    for (unsigned id : {145u, 150u, 151u, 152u, 147u}) {
        const Bmp piece = Load(id);
        EXPECT_EQ(piece.At(0, 0), kPlain) << id;
        EXPECT_EQ(piece.At(piece.width - 1, piece.height - 1), kPlain) << id;
    }
}

}  // namespace
