#include "WindowTestEnvironment.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/afx/CPaintDC.h"
#include "platform/display/Display.h"
#include "platform/window/ThreadQueue.h"

namespace dv::test {
namespace {

std::filesystem::path RuntimeFolder() {
    return std::filesystem::temp_directory_path() /
           ("dv-window-test-" + std::to_string(::getpid()));
}

// Removes the test program's runtime folder when it ends.
class RuntimeFolderCleanup : public ::testing::Environment {
public:
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(RuntimeFolder(), ignored);
    }
};

[[maybe_unused]] ::testing::Environment* const kCleanup =
    ::testing::AddGlobalTestEnvironment(new RuntimeFolderCleanup);

}  // namespace

void WindowTest::SetUp() {
    dv::display::Disable();
    ::setenv("DIALVANE_RUNTIME", RuntimeFolder().c_str(), 1);
}

void WindowTest::TearDown() {
    dv::testing::PumpMessagesUntilIdle();
    // A quit left by a test must not end the next test's loop.
    PostQuitMessage(0);
    dv::testing::PumpMessagesUntilIdle();
    dv::window::CurrentQueue()->ClearQuit();
}

LRESULT PaintingWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = TestWindow::WindowProc(message, wParam, lParam);
    if (message == WM_PAINT) {
        CPaintDC dc(this);
        if (invalidateWhilePainting) {
            invalidateWhilePainting = false;
            Invalidate(FALSE);
        }
    }
    return result;
}

std::vector<UINT> MessageIds(const dv::testing::TestWindow& window) {
    std::vector<UINT> ids;
    for (const auto& m : window.Messages()) {
        ids.push_back(m.message);
    }
    return ids;
}

}  // namespace dv::test
