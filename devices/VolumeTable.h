// The eleven volume steps: knob y of each step on the sliders and the audio
// output volume it stands for (left level low half, right level high half).
#pragma once

#include <array>

#include "platform/WinDef.h"

struct VolumeStep {
    int nKnobY;
    DWORD dwVolume;
};

constexpr int VOLUME_STEP_MIN = 0;
constexpr int VOLUME_STEP_MAX = 10;

inline constexpr std::array<VolumeStep, 11> VolumeTable = {{
    {152, 0x00000000},
    {144, 0x6FFF6FFF},
    {136, 0x7FFF7FFF},
    {129, 0x8FFF8FFF},
    {122, 0x9FFF9FFF},
    {115, 0xAFFFAFFF},
    {108, 0xBFFFBFFF},
    {102, 0xCFFFCFFF},
    {94, 0xDFFFDFFF},
    {87, 0xEFFFEFFF},
    {80, 0xFFFFFFFF},
}};
