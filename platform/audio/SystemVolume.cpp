#include "platform/audio/SystemVolume.h"

#include <string>

#include "platform/audio/PulseVolume.h"
#include "platform/core/DeviceBindings.h"

namespace dv {
namespace {

constexpr const char* kDevice = "WAV1";
constexpr const char* kDefaultSink = "@DEFAULT_SINK@";
constexpr DWORD kUnity = 0xFFFFFFFFu;

}  // namespace

SystemVolume::SystemVolume() = default;

SystemVolume::~SystemVolume() = default;

void SystemVolume::Open() {
    std::call_once(m_opened, [this] {
        const auto binding = FindDeviceBinding(kDevice);
        if (binding && binding->kind != "pulse") {
            return;  // "sdl": the gain as ever
        }
        std::string sink = kDefaultSink;
        std::string name;
        if (binding) {
            sink = binding->target == "default" ? kDefaultSink : binding->target;
            name = "pulse:" + binding->target;
        }
        m_pulse = PulseVolume::Open(std::move(sink), std::move(name),
                                    [this](bool holds) { OnHolds(holds); });
    });
}

void SystemVolume::Set(DWORD volume) {
    Open();
    {
        std::lock_guard guard(m_lock);
        m_volume = volume;
        if (!m_sinkHolds) {
            m_gain.store(volume);
        }
    }
    if (m_pulse != nullptr) {
        m_pulse->Set(volume);
    }
}

// Runs on the sound server's thread.
void SystemVolume::OnHolds(bool holds) {
    std::lock_guard guard(m_lock);
    m_sinkHolds = holds;
    m_gain.store(holds ? kUnity : m_volume);
}

}  // namespace dv
