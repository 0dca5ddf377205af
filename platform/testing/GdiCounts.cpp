#include "platform/testing/GdiCounts.h"

#include "platform/gdi/ObjectCounts.h"

namespace dv::testing {

GdiCounts LiveGdiObjects() {
    const gdi::ObjectCounts counts = gdi::LiveObjectCounts();
    return {counts.dcs, counts.bitmaps, counts.fonts};
}

}  // namespace dv::testing
