#include "platform/touch/FrameAssembler.h"

namespace dv::touch {

std::optional<TouchFrame> FrameAssembler::Feed(const input_event& event) {
    if (event.type == EV_KEY && event.code == BTN_TOUCH) {
        m_touching = event.value != 0;
    } else if (event.type == EV_ABS && event.code == ABS_X) {
        m_place.x = event.value;
    } else if (event.type == EV_ABS && event.code == ABS_Y) {
        m_place.y = event.value;
    } else if (event.type == EV_SYN && event.code == SYN_REPORT) {
        const bool moved = m_place.x != m_sent.x || m_place.y != m_sent.y;
        if (m_touching == m_down && !(m_down && moved)) {
            return std::nullopt;
        }
        const TouchPhase phase = m_touching == m_down ? TouchPhase::Move
                                 : m_touching         ? TouchPhase::Down
                                                      : TouchPhase::Up;
        m_down = m_touching;
        m_sent = m_place;
        return TouchFrame{phase, m_place};
    }
    return std::nullopt;
}

std::optional<TouchFrame> FrameAssembler::Lift() {
    if (!m_down) {
        return std::nullopt;
    }
    m_down = false;
    m_touching = false;
    return TouchFrame{TouchPhase::Up, m_sent};
}

}  // namespace dv::touch
