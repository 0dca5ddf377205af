// "BAK1:" bound to the kernel's backlight class: the folder
// /sys/class/backlight/NAME with its files max_brightness, brightness and
// actual_brightness. The unit's level (33..100 of 100) is written to
// brightness scaled to max_brightness:
//     round(level * max_brightness / 100), and at least 1 for any level > 0.
// The first use logs the folder and the level it found; a folder that cannot
// be used logs one line and is left alone for the rest of the run, the
// simulation going on as without the binding.
#pragma once

#include <filesystem>

namespace dv {

int ScaleBacklightLevel(int unitLevel, int maxBrightness);

// False when the folder cannot be used (now or earlier in this run).
bool WriteSysfsBacklight(const std::filesystem::path& folder, int unitLevel);

}  // namespace dv
