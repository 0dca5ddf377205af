#include "ui/ImageButton.h"

#include <gtest/gtest.h>

#include "platform/gdi/ObjectCounts.h"
#include "platform/testing/LogCapture.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/ResourceIds.h"

namespace {

using uitest::Capture;
using uitest::CountChangesOutside;
using uitest::CountMismatches;
using uitest::DialogTest;
using uitest::PatternSurface;
using uitest::ResourceImage;

constexpr UINT kButtonBitmaps[IMAGE_BUTTON_COUNT] = {IDB_ICON_SOUND, IDB_ICON_BASIC, IDB_ICON_ADVAN,
                                                     IDB_ICON_TOUCH, IDB_BTN_CLOSE,  IDB_BTN_OK,
                                                     IDB_BTN_CANCEL, IDB_BTN_DEFAULT};

using ImageButtonOnDialog = DialogTest;

TEST_F(ImageButtonOnDialog, DrawsEachHalfOfItsStripExactlyOverItsRectangle) {
    for (int i = 0; i < IMAGE_BUTTON_COUNT; ++i) {
        SCOPED_TRACE("button " + std::to_string(i));
        CImageButton& btn = Dlg().m_btn[i];
        const RECT r = btn.m_rect;
        const LONG w = r.right - r.left;
        const uitest::Image strip = ResourceImage(kButtonBitmaps[i]);
        ASSERT_EQ(strip.width, 2 * w);
        ASSERT_EQ(strip.height, r.bottom - r.top);

        PatternSurface normalOnly(Dlg().m_pScreenDC);
        btn.Draw(normalOnly.Get(), false, 0);
        const uitest::Image normal = Capture(normalOnly.Get());

        PatternSurface target(Dlg().m_pScreenDC);
        const uitest::Image before = Capture(target.Get());
        btn.Draw(target.Get(), true, 0);
        const uitest::Image pressed = Capture(target.Get());
        EXPECT_EQ(CountMismatches(pressed, r, strip, {r.left - w, r.top}), 0);
        EXPECT_EQ(CountChangesOutside(before, pressed, r), 0);

        btn.Draw(target.Get(), false, 0);
        const uitest::Image restored = Capture(target.Get());
        EXPECT_EQ(CountMismatches(restored, r, strip, {r.left, r.top}), 0);
        EXPECT_EQ(restored.pixels, normal.pixels);
    }
}

TEST_F(ImageButtonOnDialog, ImageIndexBeyondItsImagesDrawsNothing) {
    PatternSurface target(Dlg().m_pScreenDC);
    const uitest::Image before = Capture(target.Get());
    for (int index : {1, 2, 3, -1}) {
        Dlg().m_btn[4].Draw(target.Get(), false, index);
        Dlg().m_btn[4].Draw(target.Get(), true, index);
    }
    EXPECT_EQ(Capture(target.Get()).pixels, before.pixels);
}

TEST(ImageButton, FreesExactlyTheSurfacesItsImageCountCreated) {
    dv::display::Disable();
    const RECT rect = {11, 197, 90, 228};
    for (int extra = 0; extra <= 2; ++extra) {
        SCOPED_TRACE("extra images " + std::to_string(extra));
        const dv::gdi::ObjectCounts start = dv::gdi::LiveObjectCounts();
        {
            CImageButton btn;
            btn.Create(nullptr, IDB_BTN_OK, rect, extra, IDB_BTN_CANCEL, IDB_BTN_DEFAULT);
            const dv::gdi::ObjectCounts made = dv::gdi::LiveObjectCounts();
            EXPECT_EQ(made.dcs - start.dcs, extra + 1);
            EXPECT_EQ(made.bitmaps - start.bitmaps, extra + 1);

            // The last image is drawn from its own bitmap.
            CDC target;
            target.CreateCompatibleDC(nullptr);
            HBITMAP hBitmap = ::CreateCompatibleBitmap(nullptr, 480, 234);
            HGDIOBJ hOld = target.SelectObject(hBitmap);
            btn.Draw(&target, false, extra);
            const UINT ids[] = {IDB_BTN_OK, IDB_BTN_CANCEL, IDB_BTN_DEFAULT};
            EXPECT_EQ(CountMismatches(Capture(&target), rect, ResourceImage(ids[extra]),
                                      {rect.left, rect.top}),
                      0);
            target.SelectObject(hOld);
            ::DeleteObject(hBitmap);
            target.DeleteDC();
        }
        EXPECT_EQ(dv::gdi::LiveObjectCounts(), start);
    }
}

TEST(ImageButton, ImageCountOutOfRangeIsReportedAndTreatedAsNoExtraImages) {
    dv::display::Disable();
    dv::testing::LogCapture log;
    const dv::gdi::ObjectCounts start = dv::gdi::LiveObjectCounts();
    {
        CImageButton btn;
        btn.Create(nullptr, IDB_BTN_OK, {11, 197, 90, 228}, 3, 0, 0);
        EXPECT_TRUE(log.Contains("extra image count 3 out of range"));
        EXPECT_EQ(btn.m_nExtraImages, 0);
        EXPECT_EQ(dv::gdi::LiveObjectCounts().dcs - start.dcs, 1);
    }
    EXPECT_EQ(dv::gdi::LiveObjectCounts(), start);
}

TEST(ImageButton, MissingBitmapStillMakesAButtonThatCleansUp) {
    dv::display::Disable();
    dv::testing::LogCapture log;
    const dv::gdi::ObjectCounts start = dv::gdi::LiveObjectCounts();
    {
        CImageButton btn;
        btn.Create(nullptr, 999, {0, 0, 10, 10}, 0, 0, 0);
        CDC target;
        target.CreateCompatibleDC(nullptr);
        btn.Draw(&target, true, 0);
        target.DeleteDC();
    }
    EXPECT_EQ(dv::gdi::LiveObjectCounts(), start);
}

}  // namespace
