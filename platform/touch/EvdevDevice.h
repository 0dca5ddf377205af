// Owner of an evdev node opened through libevdev: the descriptor and the
// library's device, both released when the owner goes.
#pragma once

#include <linux/input.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/core/UniqueFd.h"
#include "platform/touch/TouchFrame.h"

struct libevdev;

namespace dv::touch {

class EvdevDevice {
public:
    // Opens the node read-only and non-blocking; on failure, nothing, and
    // `error` holds the errno of the call that failed.
    static std::unique_ptr<EvdevDevice> Open(const std::string& path, int& error);
    ~EvdevDevice();
    EvdevDevice(const EvdevDevice&) = delete;
    EvdevDevice& operator=(const EvdevDevice&) = delete;

    int Fd() const { return m_fd.Get(); }
    std::string Name() const;
    bool HasTouch() const;
    // The axis's EVIOCGABS range; nothing when the device has no such axis.
    std::optional<AbsRange> Range(unsigned axis) const;
    int Value(unsigned type, unsigned code) const;
    // EVIOCGRAB: no other reader (SDL, a compositor) gets its events. The
    // errno, or 0.
    int Grab();
    // The next event: 1 with one, 0 when none is waiting, a negative errno
    // when the device failed (-ENODEV: it went away).
    int Next(input_event& event);

private:
    EvdevDevice(UniqueFd fd, libevdev* device) : m_fd(std::move(fd)), m_device(device) {}

    UniqueFd m_fd;
    libevdev* m_device;
    bool m_syncing = false;
};

}  // namespace dv::touch
