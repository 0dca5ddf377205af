// Icons of the program's resources behind HICON values.
#pragma once

#include <vector>

#include "platform/WinDef.h"
#include "platform/gdi/IconDecoder.h"

namespace dv::gdi {

// The images of a loaded icon, or null for a handle LoadIconW did not return.
const std::vector<IconImage>* IconImages(HICON icon);

}  // namespace dv::gdi
