// Where the panel goes on a display of another size: the largest picture of
// the panel's shape that fits, centred, the rest left black; and the way back
// from a display point to a panel pixel.
#pragma once

namespace dv::display {

enum class ScaleMode {
    Fit,      // the largest scale that fits, fractional if need be
    Integer,  // the largest whole scale that fits: crisp, a wider border
};

enum class ScaleFilter { Nearest, Linear };

struct Letterbox {
    // The panel's picture on the display, in display pixels.
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    double scale = 1.0;
    // Whole scales stay crisp; any other is filtered smoothly.
    ScaleFilter filter = ScaleFilter::Nearest;
};

struct PanelPoint {
    int x = 0;
    int y = 0;
    // False for a point in the border; x and y then lie past the panel's
    // edge, at the picture's scale, as a held pointer past a window's edge.
    bool inside = false;
};

// The picture for a display of width x height pixels. A display smaller than
// the panel gets it scaled down to fit, whatever the mode; one of no size
// gets the panel at scale 1.
Letterbox FitPanel(int width, int height, ScaleMode mode);
// The panel pixel under display point (x, y).
PanelPoint ToPanel(const Letterbox& box, int x, int y);

}  // namespace dv::display
