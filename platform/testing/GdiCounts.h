// Drawing objects created and not yet freed, to check a run frees what it made.
#pragma once

#include "platform/gdi/ObjectCounts.h"

namespace dv::testing {

using GdiCounts = gdi::ObjectCounts;

inline GdiCounts LiveGdiObjects() {
    return gdi::LiveObjectCounts();
}

}  // namespace dv::testing
