#include "platform/testing/FakeWaveOut.h"

#include <algorithm>
#include <cstring>

#include "platform/WinBase.h"

namespace dv::testing {
namespace {

constexpr uintptr_t kHandleStride = 0x10;

// Indexed by WaveCall.
constexpr const char* kCallNames[] = {"open",  "prepare", "write",     "unprepare",
                                      "reset", "close",   "setvolume", "getvolume"};

const char* NameOf(WaveCall call) {
    return kCallNames[static_cast<int>(call)];
}

}  // namespace

FakeWaveOut::FakeWaveOut() : m_previous(InstallWaveOutBackend(this)) {}

FakeWaveOut::~FakeWaveOut() {
    InstallWaveOutBackend(m_previous);
}

std::vector<std::string> FakeWaveOut::Calls() const {
    std::lock_guard guard(m_lock);
    return m_calls;
}

std::optional<FakeWaveOut::OpenRecord> FakeWaveOut::LastOpen() const {
    std::lock_guard guard(m_lock);
    return m_lastOpen;
}

std::vector<UINT> FakeWaveOut::HeaderSizes() const {
    std::lock_guard guard(m_lock);
    return m_headerSizes;
}

std::vector<uint8_t> FakeWaveOut::Written() const {
    std::lock_guard guard(m_lock);
    return m_written;
}

std::vector<DWORD> FakeWaveOut::VolumesSet() const {
    std::lock_guard guard(m_lock);
    return m_volumesSet;
}

std::vector<HWAVEOUT> FakeWaveOut::VolumeTargets() const {
    std::lock_guard guard(m_lock);
    return m_volumeTargets;
}

DWORD FakeWaveOut::Volume() const {
    std::lock_guard guard(m_lock);
    return m_volume;
}

int FakeWaveOut::OpenHandles() const {
    std::lock_guard guard(m_lock);
    return static_cast<int>(m_open.size());
}

void FakeWaveOut::FailCall(WaveCall call, MMRESULT code) {
    std::lock_guard guard(m_lock);
    m_failures[call] = code;
}

void FakeWaveOut::NeverSignal(bool never) {
    std::lock_guard guard(m_lock);
    m_neverSignal = never;
}

std::optional<MMRESULT> FakeWaveOut::Enter(WaveCall call) {
    m_calls.emplace_back(NameOf(call));
    if (auto it = m_failures.find(call); it != m_failures.end()) {
        return it->second;
    }
    return std::nullopt;
}

void FakeWaveOut::Signal(const OpenDevice& device) {
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
    OpenRecord record;
    record.deviceId = uDeviceID;
    // Only the 16 bytes every PCM record has: the record may end there.
    const auto* bytes = reinterpret_cast<const unsigned char*>(pwfx);
    std::memcpy(&record.formatTag, bytes + 0, 2);
    std::memcpy(&record.channels, bytes + 2, 2);
    std::memcpy(&record.samplesPerSec, bytes + 4, 4);
    std::memcpy(&record.avgBytesPerSec, bytes + 8, 4);
    std::memcpy(&record.blockAlign, bytes + 12, 2);
    std::memcpy(&record.bitsPerSample, bytes + 14, 2);
    record.callback = dwCallback;
    record.instance = dwInstance;
    record.flags = fdwOpen;
    m_lastOpen = record;
    auto handle = reinterpret_cast<HWAVEOUT>(m_nextHandle);
    m_nextHandle += kHandleStride;
    OpenDevice device;
    if (fdwOpen == CALLBACK_EVENT) {
        device.event = reinterpret_cast<HANDLE>(dwCallback);
    }
    m_open.emplace(handle, device);
    *phwo = handle;
    return MMSYSERR_NOERROR;
}

MMRESULT FakeWaveOut::PrepareHeader(HWAVEOUT hwo, WAVEHDR* pwh, UINT cbwh) {
    std::lock_guard guard(m_lock);
    m_headerSizes.push_back(cbwh);
    if (auto failure = Enter(WaveCall::Prepare)) {
        return *failure;
    }
    if (pwh == nullptr) {
        return MMSYSERR_INVALPARAM;
    }
    if (!m_open.contains(hwo)) {
        return MMSYSERR_INVALHANDLE;
    }
    pwh->dwFlags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT FakeWaveOut::Write(HWAVEOUT hwo, WAVEHDR* pwh, UINT cbwh) {
    std::lock_guard guard(m_lock);
    m_headerSizes.push_back(cbwh);
    if (auto failure = Enter(WaveCall::Write)) {
        return *failure;
    }
    if (pwh == nullptr) {
        return MMSYSERR_INVALPARAM;
    }
    auto it = m_open.find(hwo);
    if (it == m_open.end()) {
        return MMSYSERR_INVALHANDLE;
    }
    if ((pwh->dwFlags & WHDR_PREPARED) == 0) {
        return WAVERR_UNPREPARED;
    }
    m_written.insert(m_written.end(), pwh->lpData, pwh->lpData + pwh->dwBufferLength);
    if (m_neverSignal) {
        pwh->dwFlags = (pwh->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
        it->second.queued.push_back(pwh);
        return MMSYSERR_NOERROR;
    }
    pwh->dwFlags |= WHDR_DONE;
    Signal(it->second);
    return MMSYSERR_NOERROR;
}

MMRESULT FakeWaveOut::UnprepareHeader(HWAVEOUT hwo, WAVEHDR* pwh, UINT cbwh) {
    std::lock_guard guard(m_lock);
    m_headerSizes.push_back(cbwh);
    if (auto failure = Enter(WaveCall::Unprepare)) {
        return *failure;
    }
    if (pwh == nullptr) {
        return MMSYSERR_INVALPARAM;
    }
    if (!m_open.contains(hwo)) {
        return MMSYSERR_INVALHANDLE;
    }
    if ((pwh->dwFlags & WHDR_INQUEUE) != 0) {
        return WAVERR_STILLPLAYING;
    }
    pwh->dwFlags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT FakeWaveOut::Reset(HWAVEOUT hwo) {
    std::lock_guard guard(m_lock);
    if (auto failure = Enter(WaveCall::Reset)) {
        return *failure;
    }
    auto it = m_open.find(hwo);
    if (it == m_open.end()) {
        return MMSYSERR_INVALHANDLE;
    }
    for (WAVEHDR* header : it->second.queued) {
        header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    }
    if (!it->second.queued.empty()) {
        it->second.queued.clear();
        Signal(it->second);
    }
    return MMSYSERR_NOERROR;
}

MMRESULT FakeWaveOut::Close(HWAVEOUT hwo) {
    std::lock_guard guard(m_lock);
    if (auto failure = Enter(WaveCall::Close)) {
        return *failure;
    }
    auto it = m_open.find(hwo);
    if (it == m_open.end()) {
        return MMSYSERR_INVALHANDLE;
    }
    if (!it->second.queued.empty()) {
        return WAVERR_STILLPLAYING;
    }
    m_open.erase(it);
    return MMSYSERR_NOERROR;
}

MMRESULT FakeWaveOut::SetVolume(HWAVEOUT hwo, DWORD dwVolume) {
    std::lock_guard guard(m_lock);
    if (auto failure = Enter(WaveCall::SetVolume)) {
        return *failure;
    }
    m_volumesSet.push_back(dwVolume);
    m_volumeTargets.push_back(hwo);
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
