// A timing trace for measuring the panel from outside: when DIALVANE_FRAME_LOG
// names a file, pen input as it arrives, every paint pass as it ends and
// every picture shown on the display are appended to it, one line each,
// stamped with CLOCK_REALTIME in nanoseconds:
//
//   1765012345678901234 pen down 44 175
//   1765012345680001234 paint
//   1765012345690001234 present 8 127 81 224
//
// Without the variable nothing is written and each call costs one check. The
// trace is a test hook, compiled only with the build option DV_TEST_HOOKS;
// without it the calls are empty and the program reads no such variable.
#pragma once

#include <string_view>

namespace dv {

#ifdef DV_TEST_HOOKS
// True when the trace is being written; callers skip formatting otherwise.
bool FrameLogOn();
void NoteFrameEvent(std::string_view what);
#else
inline bool FrameLogOn() {
    return false;
}
inline void NoteFrameEvent(std::string_view) {}
#endif

}  // namespace dv
