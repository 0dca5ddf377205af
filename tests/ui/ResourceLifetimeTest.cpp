#include <gtest/gtest.h>

#include "platform/gdi/ObjectCounts.h"
#include "tests/ui/UiTestSupport.h"

namespace {

constexpr int kRounds = 10000;

using ResourceLifetime = uitest::DialogTest;

TEST_F(ResourceLifetime, RepeatedPaintsAndDragsLeaveNoDrawingObjectsBehind) {
    Dlg().AdvanPageDAta.nFmtOn = FMT_ON;
    const dv::gdi::ObjectCounts start = dv::gdi::LiveObjectCounts();
    for (SHORT page : {PAGE_MAIN, PAGE_SOUND, PAGE_BASIC, PAGE_ADVAN}) {
        Dlg().m_nCurPage = page;
        for (int i = 0; i < kRounds; ++i) {
            Dlg().OnPaint();
        }
        ASSERT_EQ(dv::gdi::LiveObjectCounts(), start) << "page " << page;
    }
    for (int i = 0; i < kRounds; ++i) {
        Dlg().DrawVolumeSlider(Dlg().m_pScreenDC, 80 + i % 81, i % 3);
    }
    ASSERT_EQ(dv::gdi::LiveObjectCounts(), start);
    for (int i = 0; i < kRounds; ++i) {
        Dlg().DrawBar(Dlg().m_pScreenDC, 156 + i % 271, i % 2 == 0 ? BAR_BRIGHT : BAR_CONTRAST);
    }
    EXPECT_EQ(dv::gdi::LiveObjectCounts(), start);
}

using DialogLifetime = DeviceTestRoot;

TEST_F(DialogLifetime, DestructionFreesEverySurfaceBitmapAndFont) {
    dv::display::Disable();
    const dv::gdi::ObjectCounts start = dv::gdi::LiveObjectCounts();
    {
        CSettingsDlg dlg;
        ASSERT_TRUE(dlg.Create(IDD_SETTINGS_DIALOG));
        dlg.OnPaint();
        dlg.DestroyWindow();
        // Only the buttons, which go with the dialog object, are left.
        const dv::gdi::ObjectCounts left = dv::gdi::LiveObjectCounts();
        EXPECT_EQ(left.dcs - start.dcs, IMAGE_BUTTON_COUNT);
        EXPECT_EQ(left.bitmaps - start.bitmaps, IMAGE_BUTTON_COUNT);
        EXPECT_EQ(left.fonts, start.fonts);
        EXPECT_EQ(dlg.m_pScreenDC, nullptr);
    }
    EXPECT_EQ(dv::gdi::LiveObjectCounts(), start);
}

}  // namespace
