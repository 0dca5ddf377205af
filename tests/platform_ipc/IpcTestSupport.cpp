#include "IpcTestSupport.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/WinUser.h"
#include "platform/display/Display.h"
#include "platform/testing/TestWindow.h"
#include "platform/window/ThreadQueue.h"

namespace dv::test {

void IpcTest::SetUp() {
    static int counter = 0;
    dv::display::Disable();
    m_runtime = std::filesystem::temp_directory_path() /
                ("dv-ipc-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
    std::filesystem::remove_all(m_runtime);
    ::setenv("DIALVANE_RUNTIME", m_runtime.c_str(), 1);
}

void IpcTest::TearDown() {
    dv::testing::PumpMessagesUntilIdle();
    dv::window::CurrentQueue()->ClearQuit();
    std::error_code ignored;
    std::filesystem::remove_all(m_runtime, ignored);
}

}  // namespace dv::test
