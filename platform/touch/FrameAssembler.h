// Turns a touch controller's events into pen frames: BTN_TOUCH says down or
// up, ABS_X and ABS_Y where, and each SYN_REPORT closes a frame, which
// becomes a down, a move (while down, when the place changed) or an up.
#pragma once

#include <linux/input.h>

#include <optional>

#include "platform/touch/TouchFrame.h"

namespace dv::touch {

class FrameAssembler {
public:
    // Starts from the device's current place and pen state.
    FrameAssembler(RawPoint place, bool touching) : m_place(place), m_touching(touching) {}

    std::optional<TouchFrame> Feed(const input_event& event);
    // The up that ends a pen still down, when the device goes away mid-drag.
    std::optional<TouchFrame> Lift();

private:
    RawPoint m_place;
    bool m_touching;
    bool m_down = false;
    RawPoint m_sent;
};

}  // namespace dv::touch
