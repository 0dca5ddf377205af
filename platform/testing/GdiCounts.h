// Live counts of the drawing objects created and not yet freed, for tests
// that check a run frees everything it made.
#pragma once

#include "platform/gdi/ObjectCounts.h"

namespace dv::testing {

using GdiCounts = gdi::ObjectCounts;

inline GdiCounts LiveGdiObjects() {
    return gdi::LiveObjectCounts();
}

}  // namespace dv::testing
