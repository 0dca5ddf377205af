// The bound touch screen on the display (TOUCH = evdev:PATH in the bindings):
// its raw frames become pen input through the stored calibration, mapped onto
// the display it covers and from there to the panel, as SDL's touch is. The
// calibration screen asks it for what it needs to record and store raw values.
#pragma once

#include <optional>
#include <string>

#include "platform/touch/TouchFrame.h"
#include "platform/touch/TouchMap.h"

namespace dv::display {

struct DisplayState;
struct InputSink;

// Starts reading the bound controller, if one is bound; logs why not.
void StartTouchScreen(DisplayState& s);
void StopTouchScreen(DisplayState& s);
// Hands the frames read so far to the sink, on the thread that waits.
void DeliverTouchFrames(DisplayState& s, const InputSink& sink);

// A controller bound and reading: its ranges, path and the map in use.
struct BoundTouchScreen {
    std::string path;
    touch::AbsRange x;
    touch::AbsRange y;
};
std::optional<BoundTouchScreen> BoundTouch();
// The raw values the map in use turns into the centre of panel pixel (x, y).
std::optional<touch::RawPoint> RawTouchAt(int x, int y);
// libinput's matrix for a calibration of these raw points on the display as
// it is laid out now; nothing when the fit is singular or nothing is bound.
std::optional<touch::Affine> TouchMatrixFor(const touch::CalibrationPoints& raw);

}  // namespace dv::display
