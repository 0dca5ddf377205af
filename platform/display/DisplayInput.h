// What the screen reads from its user: pen input in screen pixels, the Escape
// key and the window's close box. The display only reads and maps it; whoever
// waits on the display (the window layer) says where it goes.
#pragma once

namespace dv {

enum class PenAction { Down, Move, Up };

}  // namespace dv

namespace dv::display {

struct InputSink {
    void (*pen)(PenAction action, int x, int y) = nullptr;
    void (*cancel)() = nullptr;
    void (*close)() = nullptr;
};

}  // namespace dv::display
