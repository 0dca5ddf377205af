// Pen input from the display or from dialvane-ctl, in screen pixels. The
// window layer turns it into WM_LBUTTONDOWN / WM_MOUSEMOVE (while down) /
// WM_LBUTTONUP, or WM_LBUTTONDBLCLK for a second down within 500 ms and 4
// pixels of the last one when the window's class has CS_DBLCLKS.
#pragma once

namespace dv {

enum class PenAction { Down, Move, Up };

// Safe from the UI thread only; other threads post through the IPC layer.
void DeliverPenInput(PenAction action, int x, int y);

}  // namespace dv

namespace dv {

// The Escape key, or the host window's close box: the dialog's cancel,
// which closes it through the normal destruction.
void DeliverCancel();

}  // namespace dv
