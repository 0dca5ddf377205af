// What a touch controller reports, in its own raw units: one frame per
// SYN_REPORT that changed the pen's state or place.
#pragma once

namespace dv::touch {

struct RawPoint {
    int x = 0;
    int y = 0;
};

// An axis's range as EVIOCGABS reports it.
struct AbsRange {
    int minimum = 0;
    int maximum = 0;
    bool Empty() const { return maximum <= minimum; }
};

enum class TouchPhase { Down, Move, Up };

struct TouchFrame {
    TouchPhase phase = TouchPhase::Down;
    RawPoint raw;
};

}  // namespace dv::touch
