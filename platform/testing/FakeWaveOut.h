// A stand-in for audio device 0 while it lives: records every waveOut* call
// and can be told to fail any call or never report a buffer done. By default
// a written buffer counts as played at once and the open's event is signalled.
// Header calls with a header size other than sizeof(WAVEHDR) are refused, as
// the real device refuses them.
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
    FakeWaveOut();
    ~FakeWaveOut() override;
    FakeWaveOut(const FakeWaveOut&) = delete;
    FakeWaveOut& operator=(const FakeWaveOut&) = delete;

    // "open", "prepare", "write", "unprepare", "reset", "close",
    // "setvolume 0x%08x", "getvolume", in the order they came, failed ones too.
    std::vector<std::string> Calls() const { return Locked(m_calls); }
    // The last open: "device 0 flags 0x50000 event instance 0", and the first
    // 16 bytes of its format record (all a PCM record is sure to have).
    std::string LastOpen() const { return Locked(m_lastOpen); }
    std::vector<uint8_t> LastFormat() const { return Locked(m_lastFormat); }
    // The bytes of every buffer written, copied when it was written.
    std::vector<uint8_t> Written() const { return Locked(m_written); }
    // Opens not yet closed.
    int OpenHandles() const { return static_cast<int>(Locked(m_open).size()); }

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

    template <typename T>
    T Locked(const T& field) const {
        std::lock_guard guard(m_lock);
        return field;
    }
    // Records the call; returns the failure code set for it, if any.
    std::optional<MMRESULT> Enter(WaveCall call, std::string detail = {});
    // As Enter, then whether the handle is open.
    std::optional<MMRESULT> EnterDevice(WaveCall call, HWAVEOUT hwo);
    // As Enter, then the checks every header call makes, in the device's order.
    std::optional<MMRESULT> EnterHeader(WaveCall call, HWAVEOUT hwo, const WAVEHDR* pwh, UINT cbwh);
    void FinishQueued(OpenDevice& device);

    WaveOutBackend* m_previous;
    mutable std::mutex m_lock;
    std::vector<std::string> m_calls;
    std::map<WaveCall, MMRESULT> m_failures;
    bool m_neverSignal = false;
    std::string m_lastOpen;
    std::vector<uint8_t> m_lastFormat;
    std::vector<uint8_t> m_written;
    DWORD m_volume = 0xFFFFFFFFu;
    std::map<HWAVEOUT, OpenDevice> m_open;
    uintptr_t m_nextHandle = 0x7A000;
};

}  // namespace dv::testing
