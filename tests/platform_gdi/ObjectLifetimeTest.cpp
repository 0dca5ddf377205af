#include <gtest/gtest.h>

#include "platform/WinBase.h"
#include "platform/WinGdi.h"
#include "platform/afx/CDC.h"
#include "platform/afx/CFont.h"
#include "platform/gdi/ObjectCounts.h"
#include "platform/testing/GdiSurfaces.h"
#include "platform/testing/LogCapture.h"

namespace {

using dv::gdi::LiveObjectCounts;
using dv::gdi::ObjectCounts;

ObjectCounts Plus(ObjectCounts a, int dcs, int bitmaps, int fonts) {
    return {a.dcs + dcs, a.bitmaps + bitmaps, a.fonts + fonts};
}

LOGFONTW Tahoma(LONG height, LONG weight, BYTE quality) {
    LOGFONTW lf{};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfQuality = quality;
    std::wcscpy(lf.lfFaceName, L"Tahoma");
    return lf;
}

TEST(GdiObjects, DeleteDcFreesTheBitmapSelectedIntoIt) {
    const ObjectCounts start = LiveObjectCounts();
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 30, 20);
    EXPECT_EQ(LiveObjectCounts(), Plus(start, 1, 1, 0));
    HGDIOBJ stock = SelectObject(dc, bitmap);
    EXPECT_NE(stock, nullptr);
    EXPECT_EQ(SelectObject(dc, bitmap), bitmap);  // re-selecting returns itself
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_EQ(LiveObjectCounts(), start);
    dv::testing::LogCapture log;
    EXPECT_FALSE(DeleteObject(bitmap));  // already gone with its surface
    EXPECT_FALSE(DeleteDC(dc));
    EXPECT_TRUE(log.Contains("GDI: DeleteDC: unknown surface"));
}

TEST(GdiObjects, DeleteObjectRefusesSelectedAndStockObjects) {
    dv::testing::LogCapture log;
    const ObjectCounts start = LiveObjectCounts();
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 8, 8);
    const LOGFONTW lf = Tahoma(12, FW_BOLD, DEFAULT_QUALITY);
    HFONT font = CreateFontIndirectW(&lf);
    HGDIOBJ stockBitmap = SelectObject(dc, bitmap);
    HGDIOBJ stockFont = SelectObject(dc, font);

    EXPECT_FALSE(DeleteObject(bitmap));
    EXPECT_FALSE(DeleteObject(font));
    EXPECT_FALSE(DeleteObject(stockBitmap));
    EXPECT_FALSE(DeleteObject(stockFont));
    EXPECT_TRUE(log.Contains("GDI: DeleteObject: bitmap is selected into a surface"));
    EXPECT_TRUE(log.Contains("GDI: DeleteObject: font is selected into a surface"));
    EXPECT_TRUE(log.Contains("GDI: DeleteObject: stock objects cannot be deleted"));

    // Put back what the surface had, and both become deletable.
    EXPECT_EQ(SelectObject(dc, stockBitmap), bitmap);
    EXPECT_EQ(SelectObject(dc, stockFont), font);
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_EQ(LiveObjectCounts(), start);
}

TEST(GdiObjects, ABitmapLivesInOneSurfaceAtATime) {
    dv::testing::LogCapture log;
    HDC a = CreateCompatibleDC(nullptr);
    HDC b = CreateCompatibleDC(a);
    HBITMAP bitmap = CreateCompatibleBitmap(a, 4, 4);
    SelectObject(a, bitmap);
    EXPECT_EQ(SelectObject(b, bitmap), nullptr);
    EXPECT_TRUE(log.Contains("GDI: SelectObject: bitmap is selected into another surface"));
    EXPECT_EQ(SelectObject(b, reinterpret_cast<HGDIOBJ>(0x99)), nullptr);
    EXPECT_EQ(SelectObject(reinterpret_cast<HDC>(0x99), bitmap), nullptr);
    DeleteDC(a);
    DeleteDC(b);
}

TEST(GdiObjects, BadSizesAndUnknownSurfacesCreateNothing) {
    dv::testing::LogCapture log;
    const ObjectCounts start = LiveObjectCounts();
    EXPECT_EQ(CreateCompatibleBitmap(nullptr, 0, 10), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(nullptr, -1, 10), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(nullptr, 100000, 100000), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(reinterpret_cast<HDC>(0x55), 4, 4), nullptr);
    EXPECT_EQ(CreateCompatibleDC(reinterpret_cast<HDC>(0x55)), nullptr);
    EXPECT_EQ(CreateFontIndirectW(nullptr), nullptr);
    EXPECT_FALSE(DeleteObject(reinterpret_cast<HGDIOBJ>(0x55)));
    EXPECT_EQ(LiveObjectCounts(), start);
    EXPECT_TRUE(log.Contains("GDI: CreateCompatibleBitmap: size out of range: 0 x 10\r\n"));
}

TEST(GdiObjects, LoadBitmapGivesANewCountedCopyEachTime) {
    const ObjectCounts start = LiveObjectCounts();
    HBITMAP first = LoadBitmapW(nullptr, MAKEINTRESOURCEW(129));
    HBITMAP second = LoadBitmapW(nullptr, MAKEINTRESOURCEW(129));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(LiveObjectCounts(), Plus(start, 0, 2, 0));
    const auto a = dv::testing::SnapshotBitmap(first);
    EXPECT_EQ(a.width, 480);
    EXPECT_EQ(a.height, 234);
    EXPECT_EQ(a, dv::testing::SnapshotBitmap(second));
    EXPECT_TRUE(DeleteObject(first));
    EXPECT_TRUE(DeleteObject(second));
    EXPECT_EQ(LiveObjectCounts(), start);
}

TEST(GdiObjects, LoadBitmapOfAMissingIdReturnsNull) {
    dv::testing::LogCapture log;
    const ObjectCounts start = LiveObjectCounts();
    SetLastError(0);
    EXPECT_EQ(LoadBitmapW(nullptr, MAKEINTRESOURCEW(999)), nullptr);
    EXPECT_NE(GetLastError(), 0u);
    EXPECT_EQ(LoadBitmapW(nullptr, nullptr), nullptr);
    EXPECT_EQ(LoadBitmapW(nullptr, L"NOSUCHBITMAP"), nullptr);
    EXPECT_EQ(LiveObjectCounts(), start);
    EXPECT_TRUE(log.Contains("GDI: LoadBitmapW: no bitmap resource 999\r\n"));
}

TEST(GdiObjects, ClassLibraryWrappersFreeWhatTheyOwn) {
    dv::testing::LogCapture log;
    const ObjectCounts start = LiveObjectCounts();
    {
        CDC memory;
        ASSERT_TRUE(memory.CreateCompatibleDC(nullptr));
        memory.SelectObject(CreateCompatibleBitmap(memory.GetSafeHdc(), 4, 4));
        CFont font;
        const LOGFONTW lf = Tahoma(12, FW_BOLD, DEFAULT_QUALITY);
        ASSERT_TRUE(font.CreateFontIndirect(&lf));
        CFont* old = memory.SelectObject(&font);
        ASSERT_NE(old, nullptr);
        EXPECT_EQ(CFont::FromHandle(static_cast<HFONT>(old->GetSafeHandle())), old);
        EXPECT_FALSE(font.DeleteObject());  // still selected: refused, handle kept
        EXPECT_NE(font.GetSafeHandle(), nullptr);
        memory.SelectObject(old);
        EXPECT_TRUE(font.DeleteObject());
        EXPECT_EQ(CDC::FromHandle(memory.GetSafeHdc()), CDC::FromHandle(memory.GetSafeHdc()));
    }  // the CDC deletes its surface and with it the bitmap
    EXPECT_EQ(LiveObjectCounts(), start);
}

}  // namespace
