// What the screen reads from its user: pen input in screen pixels, the Escape
// key and the window's close box. The display only reads and maps it; whoever
// waits on the display (the window layer) says where it goes.
#pragma once

#include "platform/touch/TouchFrame.h"

namespace dv {

enum class PenAction { Down, Move, Up };

}  // namespace dv

namespace dv::display {

struct InputSink {
    void (*pen)(PenAction action, int x, int y) = nullptr;
    void (*cancel)() = nullptr;
    void (*close)() = nullptr;
    // Pen input from a bound touch controller, with the raw values it read;
    // without it such input goes to pen.
    void (*touch)(PenAction action, int x, int y, touch::RawPoint raw) = nullptr;
};

}  // namespace dv::display
