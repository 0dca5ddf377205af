#include "platform/touch/EvdevDevice.h"

#include <fcntl.h>
#include <libevdev/libevdev.h>

#include <cerrno>

namespace dv::touch {

std::unique_ptr<EvdevDevice> EvdevDevice::Open(const std::string& path, int& error) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid()) {
        error = errno;
        return nullptr;
    }
    libevdev* device = nullptr;
    if (const int rc = libevdev_new_from_fd(fd.Get(), &device); rc < 0) {
        error = -rc;
        return nullptr;
    }
    return std::unique_ptr<EvdevDevice>(new EvdevDevice(std::move(fd), device));
}

EvdevDevice::~EvdevDevice() {
    libevdev_free(m_device);
}

std::string EvdevDevice::Name() const {
    const char* name = libevdev_get_name(m_device);
    return name == nullptr ? std::string() : std::string(name);
}

bool EvdevDevice::HasTouch() const {
    return libevdev_has_event_code(m_device, EV_KEY, BTN_TOUCH) != 0;
}

std::optional<AbsRange> EvdevDevice::Range(unsigned axis) const {
    const input_absinfo* info = libevdev_get_abs_info(m_device, axis);
    if (info == nullptr) {
        return std::nullopt;
    }
    return AbsRange{info->minimum, info->maximum};
}

int EvdevDevice::Value(unsigned type, unsigned code) const {
    return libevdev_get_event_value(m_device, type, code);
}

int EvdevDevice::Grab() {
    const int rc = libevdev_grab(m_device, LIBEVDEV_GRAB);
    return rc < 0 ? -rc : 0;
}

int EvdevDevice::Next(input_event& event) {
    // After SYN_DROPPED the library replays the device's state as events;
    // they are read like any others until it has caught up.
    for (;;) {
        const unsigned flags = m_syncing ? LIBEVDEV_READ_FLAG_SYNC : LIBEVDEV_READ_FLAG_NORMAL;
        const int rc = libevdev_next_event(m_device, flags, &event);
        if (rc == LIBEVDEV_READ_STATUS_SYNC) {
            m_syncing = true;
            return 1;
        }
        if (rc == LIBEVDEV_READ_STATUS_SUCCESS) {
            return 1;
        }
        if (rc == -EAGAIN && m_syncing) {
            m_syncing = false;
            continue;
        }
        return rc == -EAGAIN ? 0 : rc;
    }
}

}  // namespace dv::touch
