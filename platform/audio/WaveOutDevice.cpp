#include "platform/audio/WaveOutDevice.h"

#include "platform/audio/WaveJournal.h"
#include "platform/core/Event.h"
#include "platform/core/KernelObject.h"
#include "platform/core/Termination.h"

namespace dv {
namespace {

constexpr UINT kDeviceZero = 0;
// Handles start above this; smaller non-null values are device ids.
constexpr uintptr_t kLowestHandle = 0x10000;

std::shared_ptr<WaveOutSession> SessionOf(HWAVEOUT hwo) {
    return LookupHandleAs<WaveOutSession>(reinterpret_cast<HANDLE>(hwo));
}

}  // namespace

WaveOutDevice& WaveOutDevice::Instance() {
    static WaveOutDevice* device = new WaveOutDevice;  // lives to the process end
    return *device;
}

MMRESULT WaveOutDevice::Open(HWAVEOUT* phwo, UINT uDeviceID, const WAVEFORMATEX* pwfx,
                             DWORD_PTR dwCallback, DWORD_PTR /*dwInstance*/, DWORD fdwOpen) {
    if (phwo == nullptr || pwfx == nullptr) {
        return MMSYSERR_INVALPARAM;
    }
    // The mapper has only device 0 to map to.
    if (uDeviceID != kDeviceZero && uDeviceID != WAVE_MAPPER) {
        return MMSYSERR_BADDEVICEID;
    }
    if (fdwOpen != CALLBACK_NULL && fdwOpen != CALLBACK_EVENT) {
        return MMSYSERR_INVALFLAG;
    }
    std::shared_ptr<Event> event;
    if (fdwOpen == CALLBACK_EVENT) {
        event = LookupHandleAs<Event>(reinterpret_cast<HANDLE>(dwCallback));
        if (event == nullptr) {
            return MMSYSERR_INVALPARAM;
        }
    }
    auto format = PcmFormat::FromRecord(*pwfx);
    if (!format) {
        return WAVERR_BADFORMAT;
    }
    m_system.Open();
    auto session = std::make_shared<WaveOutSession>(*format, std::move(event), m_system.Gain());
    session->Start();
    *phwo = reinterpret_cast<HWAVEOUT>(InsertHandle(session));
    JournalWave("open " + format->Describe());
    return MMSYSERR_NOERROR;
}

MMRESULT WaveOutDevice::Resolve(HWAVEOUT hwo, const WAVEHDR* pwh, UINT cbwh,
                                std::shared_ptr<WaveOutSession>& session) {
    session = SessionOf(hwo);
    if (session == nullptr) {
        return MMSYSERR_INVALHANDLE;
    }
    if (pwh == nullptr || cbwh < sizeof(WAVEHDR)) {
        return MMSYSERR_INVALPARAM;
    }
    return MMSYSERR_NOERROR;
}

MMRESULT WaveOutDevice::PrepareHeader(HWAVEOUT hwo, WAVEHDR* pwh, UINT cbwh) {
    std::shared_ptr<WaveOutSession> session;
    if (MMRESULT mr = Resolve(hwo, pwh, cbwh, session); mr != MMSYSERR_NOERROR) {
        return mr;
    }
    return session->Queue().Prepare(pwh);
}

MMRESULT WaveOutDevice::Write(HWAVEOUT hwo, WAVEHDR* pwh, UINT cbwh) {
    std::shared_ptr<WaveOutSession> session;
    if (MMRESULT mr = Resolve(hwo, pwh, cbwh, session); mr != MMSYSERR_NOERROR) {
        return mr;
    }
    MMRESULT mr = session->Queue().Write(
        pwh, [pwh] { JournalWave("write " + std::to_string(pwh->dwBufferLength)); });
    // A process that is ending plays nothing more: what was written after
    // the request is given back at once, as the request gave back the rest.
    if (mr == MMSYSERR_NOERROR && TerminationRequested()) {
        session->Queue().Reset();
    }
    return mr;
}

MMRESULT WaveOutDevice::UnprepareHeader(HWAVEOUT hwo, WAVEHDR* pwh, UINT cbwh) {
    std::shared_ptr<WaveOutSession> session;
    if (MMRESULT mr = Resolve(hwo, pwh, cbwh, session); mr != MMSYSERR_NOERROR) {
        return mr;
    }
    return session->Queue().Unprepare(pwh);
}

MMRESULT WaveOutDevice::Reset(HWAVEOUT hwo) {
    auto session = SessionOf(hwo);
    if (session == nullptr) {
        return MMSYSERR_INVALHANDLE;
    }
    JournalWave("reset");
    session->Queue().Reset();
    return MMSYSERR_NOERROR;
}

MMRESULT WaveOutDevice::Close(HWAVEOUT hwo) {
    auto session = SessionOf(hwo);
    if (session == nullptr) {
        return MMSYSERR_INVALHANDLE;
    }
    if (session->Queue().Busy()) {
        return WAVERR_STILLPLAYING;
    }
    RemoveHandle(reinterpret_cast<HANDLE>(hwo));
    session->Stop();
    JournalWave("close");
    return MMSYSERR_NOERROR;
}

MMRESULT WaveOutDevice::CheckVolumeTarget(HWAVEOUT hwo) {
    if (hwo == nullptr || SessionOf(hwo) != nullptr) {
        return MMSYSERR_NOERROR;
    }
    return reinterpret_cast<uintptr_t>(hwo) < kLowestHandle ? MMSYSERR_BADDEVICEID
                                                            : MMSYSERR_INVALHANDLE;
}

MMRESULT WaveOutDevice::SetVolume(HWAVEOUT hwo, DWORD dwVolume) {
    if (MMRESULT mr = CheckVolumeTarget(hwo); mr != MMSYSERR_NOERROR) {
        return mr;
    }
    m_volume.store(dwVolume);
    JournalWaveVolume(dwVolume);
    m_system.Set(dwVolume);
    return MMSYSERR_NOERROR;
}

MMRESULT WaveOutDevice::GetVolume(HWAVEOUT hwo, DWORD* pdwVolume) {
    if (MMRESULT mr = CheckVolumeTarget(hwo); mr != MMSYSERR_NOERROR) {
        return mr;
    }
    if (pdwVolume == nullptr) {
        return MMSYSERR_INVALPARAM;
    }
    *pdwVolume = m_volume.load();
    return MMSYSERR_NOERROR;
}

}  // namespace dv
