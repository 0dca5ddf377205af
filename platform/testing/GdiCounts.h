// Live counts of the drawing objects created and not yet freed (surfaces,
// bitmaps, fonts). Stock objects and the screen are not counted, so a run
// that frees everything it made comes back to where it started.
#pragma once

namespace dv::testing {

struct GdiCounts {
    int dcs = 0;
    int bitmaps = 0;
    int fonts = 0;

    bool operator==(const GdiCounts&) const = default;
};

GdiCounts LiveGdiObjects();

}  // namespace dv::testing
