// "FMT1:" bound to a Video4Linux2 radio modulator, /dev/radioN. The open asks
// VIDIOC_QUERYCAP for a radio modulator and VIDIOC_G_MODULATOR for its range
// and units; standby is the mute control (the carrier and the tuning stay);
// a frequency is set in the modulator's units, rounded to the nearest.
#pragma once

#include <linux/videodev2.h>

#include <cstdint>
#include <string>

#include "platform/WinBase.h"
#include "platform/core/UniqueFd.h"

namespace dv {

// MHz.tenths in a modulator's units: 62.5 Hz with V4L2_TUNER_CAP_LOW, else
// 62.5 kHz, where only .0 and .5 are whole and the rest rounds to nearest.
uint32_t ModulatorUnits(int mhz, int tenths, bool lowUnits);

class V4l2Modulator {
public:
    DWORD Open(const std::string& node);
    // Mutes (standby) or unmutes and sends stereo (on).
    DWORD SetStandby(bool standby);
    DWORD SetFrequency(int mhz, int tenths);

private:
    bool LowUnits() const { return (m_modulator.capability & V4L2_TUNER_CAP_LOW) != 0; }
    DWORD Refuse(const std::string& what, const char* call, int error);

    std::string m_label;  // "v4l2:/dev/radio0"
    UniqueFd m_fd;
    v4l2_modulator m_modulator{};
};

}  // namespace dv
