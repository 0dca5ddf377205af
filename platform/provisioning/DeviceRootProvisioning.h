// Laying out a new device root as a unit leaves the factory. The root is
// built in a hidden sibling folder and renamed into place, so two first
// starts at once never see a half-made root: one rename wins, the other
// start finds the root there and leaves it alone.
#pragma once

#include <filesystem>
#include <optional>
#include <span>

#include "platform/WinDef.h"

namespace dv {

constexpr const char* kFactoryCalibration = "2030,2045 3605,3540 3598,560 490,552 502,3531";

// clickSound: the bytes of \windows\question.wav, or nothing to leave it out.
bool ProvisionDeviceRootAt(const std::filesystem::path& root,
                           std::optional<std::span<const BYTE>> clickSound);

}  // namespace dv
