#include "platform/touch/TouchController.h"

#include <poll.h>
#include <sys/eventfd.h>

#include <cerrno>
#include <cstring>
#include <iterator>

#include "platform/core/DebugLog.h"

namespace dv::touch {
namespace {

void Log(const std::string& text) {
    WriteDebugText("TOUCH: " + text + "\r\n");
}

std::string Describe(const char* axis, AbsRange range) {
    return std::string(axis) + " " + std::to_string(range.minimum) + ".." +
           std::to_string(range.maximum);
}

}  // namespace

std::unique_ptr<TouchController> TouchController::Start(const std::string& path, Notifier notify) {
    int error = 0;
    auto device = EvdevDevice::Open(path, error);
    if (device == nullptr) {
        Log("cannot open " + path + " (" + std::strerror(error) + ")");
        return nullptr;
    }
    const auto x = device->Range(ABS_X);
    const auto y = device->Range(ABS_Y);
    if (!x || !y || !device->HasTouch()) {
        Log(path + " is no touch screen (it needs ABS_X, ABS_Y and BTN_TOUCH); not used");
        return nullptr;
    }
    if (x->Empty() || y->Empty()) {
        Log(path + " reports an empty range (" + Describe("x", *x) + ", " + Describe("y", *y) +
            "); not used");
        return nullptr;
    }
    if (const int grab = device->Grab(); grab != 0) {
        Log("cannot grab " + path + " (" + std::strerror(grab) + ")");
        return nullptr;
    }
    Log("reading " + path + " (\"" + device->Name() + "\", " + Describe("x", *x) + ", " +
        Describe("y", *y) + ")");
    return std::unique_ptr<TouchController>(
        new TouchController(path, std::move(device), *x, *y, notify));
}

TouchController::TouchController(std::string path, std::unique_ptr<EvdevDevice> device, AbsRange x,
                                 AbsRange y, Notifier notify)
    : m_path(std::move(path)),
      m_device(std::move(device)),
      m_x(x),
      m_y(y),
      m_notify(notify),
      m_assembler(RawPoint{m_device->Value(EV_ABS, ABS_X), m_device->Value(EV_ABS, ABS_Y)},
                  m_device->Value(EV_KEY, BTN_TOUCH) != 0),
      m_stop(::eventfd(0, EFD_CLOEXEC)),
      m_reader([this] { Read(); }) {}

TouchController::~TouchController() {
    const uint64_t one = 1;
    if (::write(m_stop.Get(), &one, sizeof one) < 0) {
        Log("cannot stop the reader (" + std::string(std::strerror(errno)) + ")");
    }
    m_reader.join();
}

std::vector<TouchFrame> TouchController::TakeFrames() {
    std::lock_guard guard(m_lock);
    std::vector<TouchFrame> frames(std::make_move_iterator(m_frames.begin()),
                                   std::make_move_iterator(m_frames.end()));
    m_frames.clear();
    return frames;
}

void TouchController::Queue(const TouchFrame& frame) {
    {
        std::lock_guard guard(m_lock);
        m_frames.push_back(frame);
    }
    if (m_notify != nullptr) {
        m_notify();
    }
}

bool TouchController::Drain() {
    input_event event{};
    for (;;) {
        const int rc = m_device->Next(event);
        if (rc == 0) {
            return true;
        }
        if (rc < 0) {
            Log(m_path + " went away (" + std::strerror(-rc) + "); touch input ends");
            return false;
        }
        if (const auto frame = m_assembler.Feed(event)) {
            Queue(*frame);
        }
    }
}

void TouchController::Read() {
    pollfd fds[2] = {{m_device->Fd(), POLLIN, 0}, {m_stop.Get(), POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            Log("cannot wait for " + m_path + " (" + std::strerror(errno) + ")");
            break;
        }
        if (fds[1].revents != 0) {
            return;
        }
        if (fds[0].revents != 0 && !Drain()) {
            break;
        }
        // A hang-up with nothing left to read would wake the wait for ever.
        if ((fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            Log(m_path + " hung up; touch input ends");
            break;
        }
    }
    // A pen held when the device failed is lifted, so no drag hangs.
    if (const auto up = m_assembler.Lift()) {
        Queue(*up);
    }
}

}  // namespace dv::touch
