// The bound touch controller (TOUCH = evdev:/dev/input/eventN): opened with
// libevdev, grabbed, and read by a thread of its own that queues its frames
// and calls the notifier, so that the thread waiting on the display wakes and
// takes them. The reader ends with the owner.
#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/core/UniqueFd.h"
#include "platform/touch/EvdevDevice.h"
#include "platform/touch/FrameAssembler.h"
#include "platform/touch/TouchFrame.h"

namespace dv::touch {

class TouchController {
public:
    using Notifier = void (*)();

    // Nothing, with one log line saying why, when the node cannot be opened
    // or grabbed, is no touch screen, or has an empty range.
    static std::unique_ptr<TouchController> Start(const std::string& path, Notifier notify);
    ~TouchController();
    TouchController(const TouchController&) = delete;
    TouchController& operator=(const TouchController&) = delete;

    AbsRange RangeX() const { return m_x; }
    AbsRange RangeY() const { return m_y; }
    const std::string& Path() const { return m_path; }
    // The frames read since the last call, oldest first.
    std::vector<TouchFrame> TakeFrames();

private:
    TouchController(std::string path, std::unique_ptr<EvdevDevice> device, AbsRange x, AbsRange y,
                    Notifier notify);
    void Read();
    // Reads what is waiting; false when the device has failed.
    bool Drain();
    void Queue(const TouchFrame& frame);

    std::string m_path;
    std::unique_ptr<EvdevDevice> m_device;
    AbsRange m_x;
    AbsRange m_y;
    Notifier m_notify;
    FrameAssembler m_assembler;
    UniqueFd m_stop;
    std::mutex m_lock;
    std::deque<TouchFrame> m_frames;
    std::thread m_reader;
};

}  // namespace dv::touch
