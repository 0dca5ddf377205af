// What stands behind the waveOut* calls: audio device 0, or a test double
// installed in its place.
#pragma once

#include "platform/MmSystem.h"

namespace dv {

class WaveOutBackend {
public:
    virtual ~WaveOutBackend() = default;

    virtual MMRESULT Open(HWAVEOUT* phwo, UINT uDeviceID, const WAVEFORMATEX* pwfx,
                          DWORD_PTR dwCallback, DWORD_PTR dwInstance, DWORD fdwOpen) = 0;
    virtual MMRESULT PrepareHeader(HWAVEOUT hwo, WAVEHDR* pwh, UINT cbwh) = 0;
    virtual MMRESULT Write(HWAVEOUT hwo, WAVEHDR* pwh, UINT cbwh) = 0;
    virtual MMRESULT UnprepareHeader(HWAVEOUT hwo, WAVEHDR* pwh, UINT cbwh) = 0;
    virtual MMRESULT Reset(HWAVEOUT hwo) = 0;
    virtual MMRESULT Close(HWAVEOUT hwo) = 0;
    virtual MMRESULT SetVolume(HWAVEOUT hwo, DWORD dwVolume) = 0;
    virtual MMRESULT GetVolume(HWAVEOUT hwo, DWORD* pdwVolume) = 0;
};

// The backend the waveOut* calls go to: the installed one, else device 0.
WaveOutBackend& ActiveWaveOutBackend();
// Puts a test double in the device's place (null gives the device back);
// returns the backend that was installed before.
WaveOutBackend* InstallWaveOutBackend(WaveOutBackend* backend);

}  // namespace dv
