// Shared set-up of the window tests: no display, a private runtime folder.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/WinUser.h"
#include "platform/testing/TestWindow.h"

namespace dv::test {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// A test window that paints the way a dialog does: BeginPaint / EndPaint.
class PaintingWindow : public dv::testing::TestWindow {
public:
    using TestWindow::TestWindow;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Invalidate again from within the next paint pass.
    bool invalidateWhilePainting = false;
};

std::vector<UINT> MessageIds(const dv::testing::TestWindow& window);

}  // namespace dv::test
