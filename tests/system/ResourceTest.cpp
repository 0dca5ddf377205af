// The artwork as the program loads it: every bitmap's id, size, depth and
// strip layout, and the fit of the page panels to the places where the
// program draws its pieces, to the pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <tuple>

#include "devices/VolumeTable.h"
#include "platform/Resources.h"
#include "platform/WinGdi.h"
#include "platform/testing/GdiSurfaces.h"

namespace {

using dv::testing::PixelSnapshot;

constexpr uint32_t Rgb(int r, int g, int b) {
    return static_cast<uint32_t>(r << 16 | g << 8 | b);
}
constexpr uint32_t kPlain = Rgb(24, 24, 24);
constexpr uint32_t kGroove = Rgb(17, 17, 17);
constexpr uint32_t kBarLine = Rgb(84, 84, 84);
constexpr int kPanelX = 11;
constexpr int kPanelY = 32;
constexpr std::size_t kBmpBitCountOffset = 28;

struct BitmapRow {
    unsigned id;
    int width, height, bits;
    bool strip;
};

// clang-format off
constexpr BitmapRow kTable[] = {
    {129, 480, 234, 24, false}, {130, 146, 97, 24, true},   {131, 116, 90, 24, true},
    {132, 120, 83, 24, true},   {133, 126, 96, 24, true},   {134, 189, 123, 24, false},
    {135, 189, 123, 24, false}, {136, 189, 123, 24, false}, {137, 189, 123, 24, false},
    {138, 122, 22, 32, true},   {139, 457, 160, 24, false}, {140, 158, 31, 32, true},
    {141, 158, 31, 32, true},   {142, 18, 19, 32, false},   {143, 4, 79, 32, false},
    {144, 457, 160, 24, false}, {145, 15, 14, 32, false},   {146, 268, 3, 32, false},
    {147, 19, 19, 32, false},   {148, 457, 160, 24, false}, {149, 158, 31, 32, true},
    {150, 12, 14, 32, false},   {151, 54, 18, 32, false},   {152, 12, 14, 32, false},
};
// clang-format on

PixelSnapshot Load(unsigned id) {
    HBITMAP hbm = ::LoadBitmapW(nullptr, MAKEINTRESOURCEW(id));
    EXPECT_NE(hbm, nullptr) << id;
    PixelSnapshot picture = dv::testing::SnapshotBitmap(hbm);
    ::DeleteObject(hbm);
    return picture;
}

uint32_t PanelAt(const PixelSnapshot& panel, int sx, int sy) {
    return panel.At(sx - kPanelX, sy - kPanelY);
}

void ExpectPlain(const PixelSnapshot& panel, std::tuple<int, int, int, int> box) {
    const auto [left, top, right, bottom] = box;
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            ASSERT_EQ(PanelAt(panel, x, y), kPlain) << "at " << x << "," << y;
        }
    }
}

// Whether the 15 x 14 mark at (mx, my) on the panel is the picture at (rx, ry).
bool SameMark(const PixelSnapshot& panel, int mx, int my, int rx, int ry) {
    for (int y = 0; y < 14; ++y) {
        for (int x = 0; x < 15; ++x) {
            if (PanelAt(panel, mx + x, my + y) != PanelAt(panel, rx + x, ry + y)) {
                return false;
            }
        }
    }
    return true;
}

TEST(Resources, EveryBitmapHasItsIdSizeAndDepthAndStripsAPressedHalf) {
    std::set<unsigned> ids;
    for (const auto& r : dv::EmbeddedResources()) {
        if (r.kind == dv::ResourceKind::Bitmap) {
            ids.insert(r.id);
            ASSERT_GT(r.size, kBmpBitCountOffset);
            const int bits = r.data[kBmpBitCountOffset];
            const auto row = std::find_if(std::begin(kTable), std::end(kTable),
                                          [&](const BitmapRow& b) { return b.id == r.id; });
            ASSERT_NE(row, std::end(kTable)) << r.id;
            EXPECT_EQ(bits, row->bits) << r.id;
        }
    }
    EXPECT_EQ(ids.size(), std::size(kTable));
    EXPECT_NE(dv::FindEmbeddedResource(dv::ResourceKind::Icon, 128), nullptr);
    for (const BitmapRow& s : kTable) {
        const PixelSnapshot bmp = Load(s.id);
        EXPECT_EQ(std::pair(bmp.width, bmp.height), std::pair(s.width, s.height)) << s.id;
        if (s.strip && bmp.width == s.width) {
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
}

TEST(Resources, SoundPanelGroovesAndScaleMarksLieUnderTheKnobs) {
    const PixelSnapshot panel = Load(139);
    std::set<int> centres;
    for (const VolumeStep& step : VolumeTable) {
        centres.insert(80 + std::clamp(step.nKnobY - 90, 0, 62) + 19 / 2);
    }
    for (int column : {106, 213, 320}) {
        std::set<int> marks;
        for (int y = 80; y <= 159; ++y) {
            for (int x = column + 7; x <= column + 10; ++x) {
                ASSERT_EQ(PanelAt(panel, x, y), kGroove) << x << "," << y;
            }
            EXPECT_GT(PanelAt(panel, column + 6, y) & 0xFF, 17u);
            EXPECT_GT(PanelAt(panel, column + 11, y) & 0xFF, 17u);
            if (PanelAt(panel, column + 21, y) != kPlain) {
                marks.insert(y);
            }
        }
        EXPECT_EQ(marks, centres) << column;
    }
}

// The pressed look of the main icons fades out inside the button: its two
// outer columns, top rows and bottom row are those of the normal half.
TEST(Resources, PressedIconsKeepTheirGlowInside) {
    for (unsigned id : {130u, 131u, 132u, 133u}) {
        const PixelSnapshot bmp = Load(id);
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

TEST(Resources, BasicPanelBarLinesMarksAndLabelsFitTheDrawingPositions) {
    const PixelSnapshot panel = Load(144);
    for (auto [top, stripTop, stripBottom] : {std::tuple{137, 129, 147}, {164, 156, 174}}) {
        for (int y = stripTop; y <= stripBottom; ++y) {
            for (int x = 156; x <= 423; ++x) {
                const bool line = y >= top && y <= top + 2;
                ASSERT_EQ(PanelAt(panel, x, y), line ? kBarLine : kPlain) << x << "," << y;
            }
        }
    }
    const PixelSnapshot mark = Load(145);
    for (auto [mx, my] : {std::pair{155, 75}, {246, 75}, {348, 75}, {155, 103}, {246, 103}}) {
        EXPECT_TRUE(SameMark(panel, mx, my, 155, 75)) << mx << "," << my;
        EXPECT_NE(PanelAt(panel, mx + 7, my + 7), mark.At(7, 7));  // the empty mark has no dot
        ExpectPlain(panel, {mx - 1, my, mx - 1, my + 13});
    }
    for (auto gap : {std::tuple{226, 75, 245, 89},
                     {328, 75, 347, 89},
                     {416, 75, 450, 89},
                     {226, 103, 245, 117},
                     {301, 103, 450, 117}}) {
        ExpectPlain(panel, gap);
    }
}

TEST(Resources, AdvancedPanelMarksLabelsAndPlainAreasFit) {
    const PixelSnapshot panel = Load(148);
    for (auto [mx, my] : {std::pair{155, 86}, {246, 86}, {155, 114}, {232, 114}}) {
        EXPECT_TRUE(SameMark(panel, mx, my, 155, 86)) << mx << "," << my;
        EXPECT_NE(PanelAt(panel, mx + 7, my), kPlain);  // the ring
    }
    for (auto gap : {std::tuple{243, 86, 245, 101},
                     {436, 86, 455, 101},
                     {221, 114, 231, 130},
                     {291, 114, 455, 130},
                     {158, 141, 361, 153},
                     {323, 141, 447, 158}}) {
        ExpectPlain(panel, gap);
    }
}

TEST(Resources, PiecesJoinThePanelBackground) {
    for (unsigned id : {145u, 150u, 151u, 152u, 147u}) {
        const PixelSnapshot piece = Load(id);
        ASSERT_GT(piece.width, 0) << id;
        EXPECT_EQ(piece.At(0, 0), kPlain) << id;
        EXPECT_EQ(piece.At(piece.width - 1, piece.height - 1), kPlain) << id;
    }
}

}  // namespace
