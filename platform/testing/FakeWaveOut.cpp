#include "platform/testing/FakeWaveOut.h"

#include <cstdio>

#include "platform/WinBase.h"

namespace dv::testing {
namespace {

constexpr uintptr_t kHandleStride = 0x10;
constexpr std::size_t kPcmRecordSize = 16;

// Indexed by WaveCall.
constexpr const char* kCallNames[] = {"open",  "prepare", "write",     "unprepare",
                                      "reset", "close",   "setvolume", "getvolume"};

}  // namespace

FakeWaveOut::FakeWaveOut() : m_previous(InstallWaveOutBackend(this)) {}

FakeWaveOut::~FakeWaveOut() {
    InstallWaveOutBackend(m_previous);
}

void FakeWaveOut::FailCall(WaveCall call, MMRESULT code) {
    std::lock_guard guard(m_lock);
    m_failures[call] = code;
}

void FakeWaveOut::NeverSignal(bool never) {
    std::lock_guard guard(m_lock);
    m_neverSignal = never;
}

std::optional<MMRESULT> FakeWaveOut::Enter(WaveCall call, std::string detail) {
    m_calls.push_back(kCallNames[static_cast<int>(call)] + detail);
    const auto it = m_failures.find(call);
    return it == m_failures.end() ? std::nullopt : std::optional(it->second);
}

std::optional<MMRESULT> FakeWaveOut::EnterDevice(WaveCall call, HWAVEOUT hwo) {
    if (auto failure = Enter(call)) {
        return failure;
    }
    return m_open.contains(hwo) ? std::nullopt : std::optional(MMSYSERR_INVALHANDLE);
}

std::optional<MMRESULT> FakeWaveOut::EnterHeader(WaveCall call, HWAVEOUT hwo, const WAVEHDR* pwh,
                                                 UINT cbwh) {
    if (auto failure = Enter(call)) {
        return failure;
    }
    if (pwh == nullptr || cbwh != sizeof(WAVEHDR)) {
        return MMSYSERR_INVALPARAM;
    }
    return m_open.contains(hwo) ? std::nullopt : std::optional(MMSYSERR_INVALHANDLE);
}

void FakeWaveOut::FinishQueued(OpenDevice& device) {
    for (WAVEHDR* header : device.queued) {
        header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    }
    device.queued.clear();
    if (device.event != nullptr) {
        SetEvent(device.event);
    }
}

MMRESULT FakeWaveOut::Open(HWAVEOUT* phwo, UINT uDeviceID, const WAVEFORMATEX* pwfx,
                           DWORD_PTR dwCallback, DWORD_PTR dwInstance, DWORD fdwOpen) {
    std::lock_guard guard(m_lock);
    if (auto failure = Enter(WaveCall::Open)) {
        return *failure;
    }
    if (phwo == nullptr || pwfx == nullptr) {
        return MMSYSERR_INVALPARAM;
    }
    char text[96];
    std::snprintf(text, sizeof text, "device %u flags 0x%x %s instance %lu", uDeviceID, fdwOpen,
                  dwCallback != 0 ? "event" : "none", static_cast<unsigned long>(dwInstance));
    m_lastOpen = text;
    const auto* bytes = reinterpret_cast<const uint8_t*>(pwfx);
    m_lastFormat.assign(bytes, bytes + kPcmRecordSize);
    *phwo = reinterpret_cast<HWAVEOUT>(m_nextHandle += kHandleStride);
    m_open[*phwo].event =
        fdwOpen == CALLBACK_EVENT ? reinterpret_cast<HANDLE>(dwCallback) : nullptr;
    return MMSYSERR_NOERROR;
}

MMRESULT FakeWaveOut::PrepareHeader(HWAVEOUT hwo, WAVEHDR* pwh, UINT cbwh) {
    std::lock_guard guard(m_lock);
    if (auto refused = EnterHeader(WaveCall::Prepare, hwo, pwh, cbwh)) {
        return *refused;
    }
    pwh->dwFlags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT FakeWaveOut::Write(HWAVEOUT hwo, WAVEHDR* pwh, UINT cbwh) {
    std::lock_guard guard(m_lock);
    if (auto refused = EnterHeader(WaveCall::Write, hwo, pwh, cbwh)) {
        return *refused;
    }
    if ((pwh->dwFlags & WHDR_PREPARED) == 0) {
        return WAVERR_UNPREPARED;
    }
    m_written.insert(m_written.end(), pwh->lpData, pwh->lpData + pwh->dwBufferLength);
    OpenDevice& device = m_open.at(hwo);
    pwh->dwFlags = (pwh->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    device.queued.push_back(pwh);
    if (!m_neverSignal) {
        FinishQueued(device);
    }
    return MMSYSERR_NOERROR;
}

MMRESULT FakeWaveOut::UnprepareHeader(HWAVEOUT hwo, WAVEHDR* pwh, UINT cbwh) {
    std::lock_guard guard(m_lock);
    if (auto refused = EnterHeader(WaveCall::Unprepare, hwo, pwh, cbwh)) {
        return *refused;
    }
    if ((pwh->dwFlags & WHDR_INQUEUE) != 0) {
        return WAVERR_STILLPLAYING;
    }
    pwh->dwFlags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT FakeWaveOut::Reset(HWAVEOUT hwo) {
    std::lock_guard guard(m_lock);
    if (auto refused = EnterDevice(WaveCall::Reset, hwo)) {
        return *refused;
    }
    if (!m_open.at(hwo).queued.empty()) {
        FinishQueued(m_open.at(hwo));
    }
    return MMSYSERR_NOERROR;
}

MMRESULT FakeWaveOut::Close(HWAVEOUT hwo) {
    std::lock_guard guard(m_lock);
    if (auto refused = EnterDevice(WaveCall::Close, hwo)) {
        return *refused;
    }
    return m_open.at(hwo).queued.empty() && m_open.erase(hwo) ? MMSYSERR_NOERROR
                                                              : WAVERR_STILLPLAYING;
}

MMRESULT FakeWaveOut::SetVolume(HWAVEOUT /*hwo*/, DWORD dwVolume) {
    std::lock_guard guard(m_lock);
    char detail[16];
    std::snprintf(detail, sizeof detail, " 0x%08x", dwVolume);
    if (auto failure = Enter(WaveCall::SetVolume, detail)) {
        return *failure;
    }
    m_volume = dwVolume;
    return MMSYSERR_NOERROR;
}

MMRESULT FakeWaveOut::GetVolume(HWAVEOUT /*hwo*/, DWORD* pdwVolume) {
    std::lock_guard guard(m_lock);
    if (auto failure = Enter(WaveCall::GetVolume)) {
        return *failure;
    }
    if (pdwVolume == nullptr) {
        return MMSYSERR_INVALPARAM;
    }
    *pdwVolume = m_volume;
    return MMSYSERR_NOERROR;
}

}  // namespace dv::testing
