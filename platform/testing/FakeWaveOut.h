// A stand-in for audio device 0 while it lives: records every waveOut* call
// and can be told to refuse the open, fail any call, or never report a buffer
// done. By default a written buffer counts as played at once and the open's
// event is signalled.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/MmSystem.h"
#include "platform/audio/WaveOutBackend.h"

namespace dv::testing {

enum class WaveCall { Open, Prepare, Write, Unprepare, Reset, Close, SetVolume, GetVolume };

class FakeWaveOut : public WaveOutBackend {
public:
    struct OpenRecord {
        UINT deviceId = 0;
        // The PCM part of the format record (its first 16 bytes).
        WORD formatTag = 0;
        WORD channels = 0;
        DWORD samplesPerSec = 0;
        DWORD avgBytesPerSec = 0;
        WORD blockAlign = 0;
        WORD bitsPerSample = 0;
        DWORD_PTR callback = 0;
        DWORD_PTR instance = 0;
        DWORD flags = 0;
    };

    FakeWaveOut();
    ~FakeWaveOut() override;
    FakeWaveOut(const FakeWaveOut&) = delete;
    FakeWaveOut& operator=(const FakeWaveOut&) = delete;

    // "open", "prepare", "write", "unprepare", "reset", "close", "setvolume",
    // "getvolume", in the order they came, failed ones included.
    std::vector<std::string> Calls() const;
    std::optional<OpenRecord> LastOpen() const;
    // The header size passed to each prepare, write and unprepare.
    std::vector<UINT> HeaderSizes() const;
    // The bytes of every buffer written, copied when it was written.
    std::vector<uint8_t> Written() const;
    // Every volume set, and the handle it was set through.
    std::vector<DWORD> VolumesSet() const;
    std::vector<HWAVEOUT> VolumeTargets() const;
    DWORD Volume() const;
    // Opens not yet closed.
    int OpenHandles() const;

    void RefuseOpen(MMRESULT code) { FailCall(WaveCall::Open, code); }
    void FailCall(WaveCall call, MMRESULT code);
    // Buffers stay queued until a reset; their event never comes.
    void NeverSignal(bool never = true);

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
    struct OpenDevice {
        HANDLE event = nullptr;
        std::vector<WAVEHDR*> queued;
    };

    // Records the call; returns the failure code set for it, if any.
    std::optional<MMRESULT> Enter(WaveCall call);
    void Signal(const OpenDevice& device);

    WaveOutBackend* m_previous;
    mutable std::mutex m_lock;
    std::vector<std::string> m_calls;
    std::map<WaveCall, MMRESULT> m_failures;
    bool m_neverSignal = false;
    std::optional<OpenRecord> m_lastOpen;
    std::vector<UINT> m_headerSizes;
    std::vector<uint8_t> m_written;
    std::vector<DWORD> m_volumesSet;
    std::vector<HWAVEOUT> m_volumeTargets;
    DWORD m_volume = 0xFFFFFFFFu;
    std::map<HWAVEOUT, OpenDevice> m_open;
    uintptr_t m_nextHandle = 0x7A000;
};

}  // namespace dv::testing
