// Switches and observers of the platform's inside that tests need but no
// program does: the display turned off, pen and keys as the screen would
// give them, the audio device shut, the image decoders fed arbitrary bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/WinDef.h"
#include "platform/testing/GdiSurfaces.h"

namespace dv::testing {

enum class TestPen { Down, Move, Up };

// Before anything opens it: no window, no SDL video.
void DisableDisplay();
// Pen input and keys as the display delivers them (UI thread only).
void InjectPen(TestPen action, int x, int y);
void InjectEscape();
void InjectCloseBox();
// Blocks up to timeoutMs for input or a wake; WakeScreen ends it from any thread.
void WaitScreenEvents(int timeoutMs);
void WakeScreen();
// Shuts audio device 0 (a closed wave device only parks it).
void StopAudioDevice();
// True once the display (a window, or SDL's offscreen stand-in) is open.
bool ScreenShown();
// True while a platform screen (the calibration) holds the pen.
bool PenCaptured();

// The images of an ICO file, 0xAARRGGBB; the pixels of a BMP file.
std::vector<PixelSnapshot> DecodeIcoImages(std::span<const uint8_t> bytes);
std::optional<PixelSnapshot> DecodeBmpPicture(std::span<const uint8_t> bytes);
// The images behind an icon handle; empty for one LoadIconW did not return.
std::vector<PixelSnapshot> IconPictures(HICON icon);

}  // namespace dv::testing
