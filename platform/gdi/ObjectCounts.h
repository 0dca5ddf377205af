// Live counts of the drawing objects the program has created and not yet
// freed. Stock objects (the default bitmap and font of a fresh surface) and
// the screen itself are not counted, so a run that frees everything it made
// comes back to zero.
#pragma once

namespace dv::gdi {

struct ObjectCounts {
    int dcs = 0;
    int bitmaps = 0;
    int fonts = 0;

    int Total() const { return dcs + bitmaps + fonts; }
    bool operator==(const ObjectCounts&) const = default;
};

ObjectCounts LiveObjectCounts();

}  // namespace dv::gdi
