// The output volume of a sink of the sound server (PulseAudio or PipeWire,
// through libpulse). It owns its own main loop thread and context, connects
// in the background without ever starting a server, and sets the sink's
// volume from the unit's volume value: left level in the low half, right
// level in the high half. A server that goes away is tried again once a
// second; when it answers again the last volume is put back.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/WinDef.h"

struct pa_context;
struct pa_threaded_mainloop;
struct pa_sink_info;
struct pa_time_event;

namespace dv {

// The sink volume one channel level of the unit stands for:
// round(level * PA_VOLUME_NORM / 0xFFFF), so 0xFFFF is the sink's 100 %.
uint32_t PulseLevel(WORD level);

class PulseVolume {
public:
    // holds(true) once the sink carries the volume, holds(false) when it no
    // longer does; called on the main loop thread.
    using HoldHandler = std::function<void(bool holds)>;
    // sink: a sink name, or "@DEFAULT_SINK@". binding: how the log names it
    // ("pulse:default"); empty for the unbound probe, which stays silent
    // until a server has answered once.
    static std::unique_ptr<PulseVolume> Open(std::string sink, std::string binding,
                                             HoldHandler holds);
    ~PulseVolume();
    PulseVolume(const PulseVolume&) = delete;
    PulseVolume& operator=(const PulseVolume&) = delete;

    void Set(DWORD volume);

private:
    PulseVolume(std::string sink, std::string binding, HoldHandler holds);

    void Connect();
    void RetryLater();
    void DropContext();
    void OnState();
    // info: null when the server has no such sink.
    void OnSink(const pa_sink_info* info);
    void OnLost(const char* why);
    void Apply();
    void Log(const std::string& text) const;

    static void StateThunk(pa_context* context, void* self);

    std::string m_sink;
    std::string m_binding;
    HoldHandler m_holds;
    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    pa_time_event* m_retry = nullptr;
    struct ChannelMap;
    std::unique_ptr<ChannelMap> m_map;
    std::string m_sinkName;  // as the server calls it
    DWORD m_volume = 0xFFFFFFFFu;
    bool m_volumeSet = false;
    bool m_ready = false;
    bool m_everReady = false;
    bool m_noServerTold = false;
    bool m_abandoned = false;
};

}  // namespace dv
