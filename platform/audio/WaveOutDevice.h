// Audio device 0: SDL's default output. It keeps the device volume, which
// outlives every open, and hands out one session per open. The volume is
// the sound server's when it holds it (SystemVolume).
#pragma once

#include <atomic>
#include <memory>

#include "platform/audio/SystemVolume.h"
#include "platform/audio/WaveOutBackend.h"
#include "platform/audio/WaveOutSession.h"

namespace dv {

class WaveOutDevice : public WaveOutBackend {
public:
    static WaveOutDevice& Instance();

    MMRESULT Open(HWAVEOUT* phwo, UINT uDeviceID, const WAVEFORMATEX* pwfx, DWORD_PTR dwCallback,
                  DWORD_PTR dwInstance, DWORD fdwOpen) override;
    MMRESULT PrepareHeader(HWAVEOUT hwo, WAVEHDR* pwh, UINT cbwh) override;
    MMRESULT Write(HWAVEOUT hwo, WAVEHDR* pwh, UINT cbwh) override;
    MMRESULT UnprepareHeader(HWAVEOUT hwo, WAVEHDR* pwh, UINT cbwh) override;
    MMRESULT Reset(HWAVEOUT hwo) override;
    MMRESULT Close(HWAVEOUT hwo) override;
    MMRESULT SetVolume(HWAVEOUT hwo, DWORD dwVolume) override;
    MMRESULT GetVolume(HWAVEOUT hwo, DWORD* pdwVolume) override;

private:
    // Checks a handle and a header together, as every header call does.
    MMRESULT Resolve(HWAVEOUT hwo, const WAVEHDR* pwh, UINT cbwh,
                     std::shared_ptr<WaveOutSession>& session);
    // The volume calls take an open handle or a device id cast to a handle.
    MMRESULT CheckVolumeTarget(HWAVEOUT hwo);

    // Full volume on both channels until someone sets it.
    std::atomic<DWORD> m_volume{0xFFFFFFFFu};
    // Carries it to the sound server's sink or to the output's gain.
    SystemVolume m_system;
};

}  // namespace dv
