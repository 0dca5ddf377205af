// A stand-in for audio device 0 while it lives: records every waveOut* call and
// can fail any call or never report a buffer done. By default a written buffer
// counts as played at once and the open's event is signalled. Header calls with
// a header size other than sizeof(WAVEHDR) are refused, as the device does.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/MmSystem.h"
#include "platform/WinBase.h"
#include "platform/audio/WaveOutBackend.h"

namespace dv::testing {

enum class WaveCall { Open, Prepare, Write, Unprepare, Reset, Close, SetVolume, GetVolume };

class FakeWaveOut : public WaveOutBackend {
public:
    FakeWaveOut() : m_previous(InstallWaveOutBackend(this)) {}
    ~FakeWaveOut() override { InstallWaveOutBackend(m_previous); }
    FakeWaveOut(const FakeWaveOut&) = delete;
    FakeWaveOut& operator=(const FakeWaveOut&) = delete;

    // Each call's name ("setvolume 0x%08x" with its value), failed ones too.
    std::vector<std::string> Calls() const { return Locked(m_calls); }
    // The last open: "device 0 flags 0x50000 event instance 0", and the first
    // 16 bytes of its format record (all a PCM record is sure to have).
    std::string LastOpen() const { return Locked(m_lastOpen); }
    std::vector<uint8_t> LastFormat() const { return Locked(m_lastFormat); }
    // The bytes of every buffer written, copied when it was written.
    std::vector<uint8_t> Written() const { return Locked(m_written); }
    int OpenHandles() const { return static_cast<int>(Locked(m_open).size()); }

    // With neverSignal, buffers stay queued until a reset; their event never comes.
    void FailCall(WaveCall call, MMRESULT code, bool neverSignal) {
        std::lock_guard guard(m_lock);
        m_failures[call] = code;
        m_neverSignal = neverSignal;
    }

    MMRESULT Open(HWAVEOUT* phwo, UINT uDeviceID, const WAVEFORMATEX* pwfx, DWORD_PTR dwCallback,
                  DWORD_PTR dwInstance, DWORD fdwOpen) override {
        return Run(WaveCall::Open, phwo && pwfx, std::nullopt, [&](Device*) {
            char text[96];
            std::snprintf(text, sizeof text, "device %u flags 0x%x %s instance %lu", uDeviceID,
                          fdwOpen, dwCallback != 0 ? "event" : "none",
                          static_cast<unsigned long>(dwInstance));
            m_lastOpen = text;
            const auto* bytes = reinterpret_cast<const uint8_t*>(pwfx);
            m_lastFormat.assign(bytes, bytes + kPcmRecordSize);
            *phwo = reinterpret_cast<HWAVEOUT>(m_nextHandle += kHandleStride);
            m_open[*phwo].event =
                fdwOpen == CALLBACK_EVENT ? reinterpret_cast<HANDLE>(dwCallback) : nullptr;
            return MMSYSERR_NOERROR;
        });
    }
    MMRESULT PrepareHeader(HWAVEOUT hwo, WAVEHDR* pwh, UINT cbwh) override {
        return Run(WaveCall::Prepare, HeaderOk(pwh, cbwh), hwo, [&](Device*) {
            pwh->dwFlags |= WHDR_PREPARED;
            return MMSYSERR_NOERROR;
        });
    }
    MMRESULT Write(HWAVEOUT hwo, WAVEHDR* pwh, UINT cbwh) override {
        return Run(WaveCall::Write, HeaderOk(pwh, cbwh), hwo, [&](Device* device) {
            if ((pwh->dwFlags & WHDR_PREPARED) == 0) {
                return WAVERR_UNPREPARED;
            }
            m_written.insert(m_written.end(), pwh->lpData, pwh->lpData + pwh->dwBufferLength);
            pwh->dwFlags = (pwh->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
            device->queued.push_back(pwh);
            return m_neverSignal ? MMSYSERR_NOERROR : Finish(*device);
        });
    }
    MMRESULT UnprepareHeader(HWAVEOUT hwo, WAVEHDR* pwh, UINT cbwh) override {
        return Run(WaveCall::Unprepare, HeaderOk(pwh, cbwh), hwo, [&](Device*) {
            if ((pwh->dwFlags & WHDR_INQUEUE) != 0) {
                return WAVERR_STILLPLAYING;
            }
            pwh->dwFlags &= ~WHDR_PREPARED;
            return MMSYSERR_NOERROR;
        });
    }
    MMRESULT Reset(HWAVEOUT hwo) override {
        return Run(WaveCall::Reset, true, hwo, [&](Device* device) {
            return device->queued.empty() ? MMSYSERR_NOERROR : Finish(*device);
        });
    }
    MMRESULT Close(HWAVEOUT hwo) override {
        return Run(WaveCall::Close, true, hwo, [&](Device* device) {
            return device->queued.empty() && m_open.erase(hwo) ? MMSYSERR_NOERROR
                                                               : WAVERR_STILLPLAYING;
        });
    }
    MMRESULT SetVolume(HWAVEOUT, DWORD dwVolume) override {
        char name[24];
        std::snprintf(name, sizeof name, "setvolume 0x%08x", dwVolume);
        const auto accept = [](Device*) { return MMSYSERR_NOERROR; };
        return Run(WaveCall::SetVolume, true, std::nullopt, accept, name);
    }
    // The panel never reads the volume back: the call is recorded and refused.
    MMRESULT GetVolume(HWAVEOUT, DWORD*) override {
        return Run(WaveCall::GetVolume, true, std::nullopt,
                   [](Device*) { return MMSYSERR_NOTSUPPORTED; });
    }

private:
    static constexpr uintptr_t kHandleStride = 0x10;
    static constexpr std::size_t kPcmRecordSize = 16;
    static constexpr const char* kCallNames[] = {"open",  "prepare", "write",     "unprepare",
                                                 "reset", "close",   "setvolume", "getvolume"};

    struct Device {
        HANDLE event = nullptr;
        std::vector<WAVEHDR*> queued;
    };

    template <typename T>
    T Locked(const T& field) const {
        std::lock_guard guard(m_lock);
        return field;
    }
    static bool HeaderOk(const WAVEHDR* pwh, UINT cbwh) { return pwh && cbwh == sizeof(WAVEHDR); }
    // Records the call, then refuses it for its set failure, bad arguments or an
    // unknown handle, in the device's order; else body's result (given the open
    // device, when the call names one).
    template <typename Body>
    MMRESULT Run(WaveCall call, bool argumentsOk, std::optional<HWAVEOUT> hwo, Body body,
                 const char* name = nullptr) {
        std::lock_guard guard(m_lock);
        m_calls.push_back(name ? name : kCallNames[static_cast<int>(call)]);
        if (const auto failure = m_failures.find(call); failure != m_failures.end()) {
            return failure->second;
        }
        const auto it = hwo ? m_open.find(*hwo) : m_open.end();
        if (!argumentsOk || (hwo && it == m_open.end())) {
            return argumentsOk ? MMSYSERR_INVALHANDLE : MMSYSERR_INVALPARAM;
        }
        return body(hwo ? &it->second : nullptr);
    }
    MMRESULT Finish(Device& device) {
        for (WAVEHDR* header : std::exchange(device.queued, {})) {
            header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
        }
        if (device.event != nullptr) {
            SetEvent(device.event);
        }
        return MMSYSERR_NOERROR;
    }

    WaveOutBackend* m_previous;
    mutable std::mutex m_lock;
    std::vector<std::string> m_calls;
    std::map<WaveCall, MMRESULT> m_failures;
    bool m_neverSignal = false;
    std::string m_lastOpen;
    std::vector<uint8_t> m_lastFormat;
    std::vector<uint8_t> m_written;
    std::map<HWAVEOUT, Device> m_open;
    uintptr_t m_nextHandle = 0x7A000;
};

}  // namespace dv::testing
