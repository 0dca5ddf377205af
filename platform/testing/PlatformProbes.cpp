#include "platform/testing/PlatformProbes.h"

#include <utility>

#include "platform/audio/SdlAudio.h"
#include "platform/display/Display.h"
#include "platform/gdi/BitmapResources.h"
#include "platform/gdi/IconDecoder.h"
#include "platform/gdi/Icons.h"
#include "platform/gdi/Surface.h"
#include "platform/window/PenInput.h"

namespace dv::testing {
namespace {

constexpr PenAction kPenActions[] = {PenAction::Down, PenAction::Move, PenAction::Up};

PixelSnapshot Picture(const gdi::IconImage& image) {
    return {image.width, image.height, image.argb};
}

}  // namespace

void DisableDisplay() {
    display::Disable();
}

void InjectPen(TestPen action, int x, int y) {
    DeliverPenInput(kPenActions[static_cast<int>(action)], x, y);
}

void InjectEscape() {
    DeliverCancel();
}

void InjectCloseBox() {
    DeliverClose();
}

void WaitScreenEvents(int timeoutMs) {
    display::WaitEvents(timeoutMs);
}

void WakeScreen() {
    display::Wake();
}

void StopAudioDevice() {
    StopSdlAudio();
}

bool ScreenShown() {
    return display::IsOpen();
}

bool PenCaptured() {
    return PenCaptureActive();
}

std::vector<PixelSnapshot> DecodeIcoImages(std::span<const uint8_t> bytes) {
    std::vector<PixelSnapshot> pictures;
    for (const auto& image : gdi::DecodeIco(bytes)) {
        pictures.push_back(Picture(image));
    }
    return pictures;
}

std::optional<PixelSnapshot> DecodeBmpPicture(std::span<const uint8_t> bytes) {
    auto surface = gdi::DecodeBmp(bytes.data(), bytes.size());
    if (!surface) {
        return std::nullopt;
    }
    const auto pixels = std::as_const(*surface).Pixels();
    return PixelSnapshot{surface->width, surface->height, {pixels.begin(), pixels.end()}};
}

std::vector<PixelSnapshot> IconPictures(HICON icon) {
    std::vector<PixelSnapshot> pictures;
    if (const auto* images = gdi::IconImages(icon)) {
        for (const auto& image : *images) {
            pictures.push_back(Picture(image));
        }
    }
    return pictures;
}

}  // namespace dv::testing
