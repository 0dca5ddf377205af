#include "platform/drivers/V4l2Modulator.h"

#include <fcntl.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstdio>

#include "platform/core/DebugLog.h"
#include "platform/drivers/KernelDevice.h"

namespace dv {
namespace {

constexpr std::string_view kDevice = "FMT1";
constexpr uint32_t kRadioModulator = V4L2_CAP_RADIO | V4L2_CAP_MODULATOR;
constexpr uint32_t kLowUnitsPerMhz = 16000;  // 62.5 Hz
constexpr uint32_t kLowUnitsPerTenth = 1600;
constexpr uint32_t kTenthUnitsPerMhz = 160;  // tenths of 62.5 kHz
constexpr uint32_t kTenthUnitsPerTenth = 16;

// Interrupted calls are made again: a signal is not the device's answer.
int Control(int fd, unsigned long request, void* arg) {
    int result = 0;
    do {
        result = ::ioctl(fd, request, arg);
    } while (result != 0 && errno == EINTR);
    return result;
}

// "100.3125 MHz" of a count of 62.5 Hz units, without trailing zeros.
std::string Megahertz(uint64_t lowUnits) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", static_cast<double>(lowUnits) / kLowUnitsPerMhz);
    std::string s(text);
    while (s.back() == '0' && s[s.size() - 2] != '.') {
        s.pop_back();
    }
    return s + " MHz";
}

}  // namespace

uint32_t ModulatorUnits(int mhz, int tenths, bool lowUnits) {
    const auto m = static_cast<uint32_t>(mhz), t = static_cast<uint32_t>(tenths);
    if (lowUnits) {
        return m * kLowUnitsPerMhz + t * kLowUnitsPerTenth;
    }
    return (m * kTenthUnitsPerMhz + t * kTenthUnitsPerTenth + 5) / 10;
}

DWORD V4l2Modulator::Refuse(const std::string& what, const char* call, int error) {
    m_fd.Reset();
    LogKernelFailure(kDevice, what, call, error);
    return OpenErrorOf(error);
}

DWORD V4l2Modulator::Open(const std::string& node) {
    m_label = "v4l2:" + node;
    const std::string cannot = "cannot open " + m_label;
    m_fd = UniqueFd(::open(node.c_str(), O_RDWR | O_CLOEXEC));
    if (!m_fd.Valid()) {
        return Refuse(cannot, "open", errno);
    }
    v4l2_capability caps{};
    if (Control(m_fd.Get(), VIDIOC_QUERYCAP, &caps) != 0) {
        return Refuse(cannot, "VIDIOC_QUERYCAP", errno);
    }
    const uint32_t have =
        (caps.capabilities & V4L2_CAP_DEVICE_CAPS) != 0 ? caps.device_caps : caps.capabilities;
    if ((have & kRadioModulator) != kRadioModulator) {
        return Refuse(cannot + ", not a radio modulator", "VIDIOC_QUERYCAP", ENODEV);
    }
    m_modulator = {};
    if (Control(m_fd.Get(), VIDIOC_G_MODULATOR, &m_modulator) != 0) {
        return Refuse(cannot, "VIDIOC_G_MODULATOR", errno);
    }
    return ERROR_SUCCESS;
}

DWORD V4l2Modulator::SetStandby(bool standby) {
    v4l2_control mute{V4L2_CID_AUDIO_MUTE, standby ? 1 : 0};
    if (Control(m_fd.Get(), VIDIOC_S_CTRL, &mute) != 0) {
        LogKernelFailure(kDevice, "mute not set on " + m_label, "VIDIOC_S_CTRL", errno);
        return ERROR_GEN_FAILURE;
    }
    if (standby) {
        return ERROR_SUCCESS;
    }
    v4l2_modulator stereo = m_modulator;
    stereo.index = 0;
    stereo.txsubchans = V4L2_TUNER_SUB_STEREO;
    if (Control(m_fd.Get(), VIDIOC_S_MODULATOR, &stereo) != 0) {
        LogKernelFailure(kDevice, "stereo not set on " + m_label, "VIDIOC_S_MODULATOR", errno);
        return ERROR_GEN_FAILURE;
    }
    return ERROR_SUCCESS;
}

// A driver may clamp a frequency outside its range instead of refusing it:
// the binding refuses it first, as the driver would have, so the carrier
// never moves to a frequency the pen did not choose.
DWORD V4l2Modulator::SetFrequency(int mhz, int tenths) {
    const uint32_t units = ModulatorUnits(mhz, tenths, LowUnits());
    const uint64_t low = LowUnits() ? units : uint64_t{units} * 1000;
    const std::string asked = std::to_string(mhz) + "." + std::to_string(tenths) + " MHz";
    v4l2_frequency frequency{};
    frequency.tuner = 0;
    frequency.type = V4L2_TUNER_RADIO;
    frequency.frequency = units;
    const bool inRange = units >= m_modulator.rangelow && units <= m_modulator.rangehigh;
    if (!inRange || Control(m_fd.Get(), VIDIOC_S_FREQUENCY, &frequency) != 0) {
        const int error = inRange ? errno : EINVAL;
        LogKernelFailure(kDevice, asked + " not set on " + m_label, "VIDIOC_S_FREQUENCY", error);
        return error == EINVAL ? ERROR_INVALID_PARAMETER : ERROR_GEN_FAILURE;
    }
    if (!LowUnits() && low != ModulatorUnits(mhz, tenths, true)) {
        WriteDebugText("FMT1: " + asked + " set as " + Megahertz(low) + " on " + m_label +
                       " (units of 62.5 kHz)\r\n");
    }
    return ERROR_SUCCESS;
}

}  // namespace dv
