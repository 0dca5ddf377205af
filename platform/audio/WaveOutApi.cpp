// The waveOut* calls of the unit's API. Each goes to the active backend; no
// exception crosses into the caller.
#include <atomic>
#include <exception>
#include <new>

#include "platform/MmSystem.h"
#include "platform/audio/WaveOutBackend.h"
#include "platform/audio/WaveOutDevice.h"
#include "platform/core/DebugLog.h"

namespace dv {
namespace {

std::atomic<WaveOutBackend*> g_installed{nullptr};

template <typename Call>
MMRESULT Guarded(Call&& call) {
    try {
        return call(ActiveWaveOutBackend());
    } catch (const std::bad_alloc&) {
        return MMSYSERR_NOMEM;
    } catch (const std::exception& e) {
        WriteDebugText(std::string("waveOut: unexpected failure: ") + e.what() + "\r\n");
        return MMSYSERR_ERROR;
    }
}

}  // namespace

WaveOutBackend& ActiveWaveOutBackend() {
    WaveOutBackend* installed = g_installed.load();
    return installed != nullptr ? *installed : WaveOutDevice::Instance();
}

WaveOutBackend* InstallWaveOutBackend(WaveOutBackend* backend) {
    return g_installed.exchange(backend);
}

}  // namespace dv

MMRESULT waveOutOpen(HWAVEOUT* phwo, UINT uDeviceID, const WAVEFORMATEX* pwfx, DWORD_PTR dwCallback,
                     DWORD_PTR dwInstance, DWORD fdwOpen) {
    return dv::Guarded([&](dv::WaveOutBackend& b) {
        return b.Open(phwo, uDeviceID, pwfx, dwCallback, dwInstance, fdwOpen);
    });
}

MMRESULT waveOutPrepareHeader(HWAVEOUT hwo, WAVEHDR* pwh, UINT cbwh) {
    return dv::Guarded([&](dv::WaveOutBackend& b) { return b.PrepareHeader(hwo, pwh, cbwh); });
}

MMRESULT waveOutWrite(HWAVEOUT hwo, WAVEHDR* pwh, UINT cbwh) {
    return dv::Guarded([&](dv::WaveOutBackend& b) { return b.Write(hwo, pwh, cbwh); });
}

MMRESULT waveOutUnprepareHeader(HWAVEOUT hwo, WAVEHDR* pwh, UINT cbwh) {
    return dv::Guarded([&](dv::WaveOutBackend& b) { return b.UnprepareHeader(hwo, pwh, cbwh); });
}

MMRESULT waveOutReset(HWAVEOUT hwo) {
    return dv::Guarded([&](dv::WaveOutBackend& b) { return b.Reset(hwo); });
}

MMRESULT waveOutClose(HWAVEOUT hwo) {
    return dv::Guarded([&](dv::WaveOutBackend& b) { return b.Close(hwo); });
}

MMRESULT waveOutSetVolume(HWAVEOUT hwo, DWORD dwVolume) {
    return dv::Guarded([&](dv::WaveOutBackend& b) { return b.SetVolume(hwo, dwVolume); });
}

MMRESULT waveOutGetVolume(HWAVEOUT hwo, DWORD* pdwVolume) {
    return dv::Guarded([&](dv::WaveOutBackend& b) { return b.GetVolume(hwo, pdwVolume); });
}
