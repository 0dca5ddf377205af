#include "platform/audio/PulseVolume.h"

#include <pulse/pulseaudio.h>
#include <sys/stat.h>
#include <sys/time.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/core/DebugLog.h"

namespace dv {
namespace {

constexpr const char* kClientName = "Dialvane";
constexpr pa_usec_t kRetryInterval = 1'000'000;  // at most one connection try a second
constexpr uint64_t kLevelMax = 0xFFFF;

bool IsSocket(const std::filesystem::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

// Whether a connection could find a server at all. The unbound probe asks
// this first, since even a refused connection leaves a folder behind in the
// runtime directory.
bool ServerMayBeThere() {
    if (const char* server = std::getenv("PULSE_SERVER"); server != nullptr && *server != '\0') {
        return true;
    }
    const char* runtime = std::getenv("PULSE_RUNTIME_PATH");
    if (runtime != nullptr && *runtime != '\0') {
        return IsSocket(std::filesystem::path(runtime) / "native");
    }
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    return (xdg != nullptr && *xdg != '\0' &&
            IsSocket(std::filesystem::path(xdg) / "pulse/native")) ||
           IsSocket("/var/run/pulse/native");
}

std::string Hex32(DWORD value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(value));
    return text;
}

}  // namespace

uint32_t PulseLevel(WORD level) {
    return static_cast<uint32_t>((level * uint64_t{PA_VOLUME_NORM} + kLevelMax / 2) / kLevelMax);
}

struct PulseVolume::ChannelMap {
    pa_channel_map map;
};

std::unique_ptr<PulseVolume> PulseVolume::Open(std::string sink, std::string binding,
                                               HoldHandler holds) {
    std::unique_ptr<PulseVolume> volume(
        new PulseVolume(std::move(sink), std::move(binding), std::move(holds)));
    volume->m_loop = pa_threaded_mainloop_new();
    if (volume->m_loop == nullptr || pa_threaded_mainloop_start(volume->m_loop) < 0) {
        volume->Log("Audio: cannot start the sound server's main loop; the volume is SDL gain");
        return nullptr;
    }
    pa_threaded_mainloop_lock(volume->m_loop);
    volume->Connect();
    pa_threaded_mainloop_unlock(volume->m_loop);
    return volume;
}

PulseVolume::PulseVolume(std::string sink, std::string binding, HoldHandler holds)
    : m_sink(std::move(sink)),
      m_binding(std::move(binding)),
      m_holds(std::move(holds)),
      m_map(std::make_unique<ChannelMap>()) {}

PulseVolume::~PulseVolume() {
    if (m_loop == nullptr) {
        return;
    }
    pa_threaded_mainloop_stop(m_loop);
    if (m_retry != nullptr) {
        pa_threaded_mainloop_get_api(m_loop)->time_free(m_retry);
    }
    DropContext();
    pa_threaded_mainloop_free(m_loop);
}

void PulseVolume::Set(DWORD volume) {
    pa_threaded_mainloop_lock(m_loop);
    m_volume = volume;
    m_volumeSet = true;
    if (m_ready) {
        Apply();
    }
    pa_threaded_mainloop_unlock(m_loop);
}

// The calls below run with the main loop locked: from Open and Set, or as
// the loop's own callbacks.

void PulseVolume::Connect() {
    if (m_binding.empty() && !m_everReady && !ServerMayBeThere()) {
        RetryLater();
        return;
    }
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), kClientName);
    if (m_context == nullptr) {
        OnLost("cannot make a context");
        return;
    }
    pa_context_set_state_callback(m_context, &PulseVolume::StateThunk, this);
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        OnLost(pa_strerror(pa_context_errno(m_context)));
    }
}

void PulseVolume::RetryLater() {
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(m_loop);
    timeval when{};
    pa_timeval_add(pa_gettimeofday(&when), kRetryInterval);
    m_retry = api->time_new(
        api, &when,
        [](pa_mainloop_api* loopApi, pa_time_event* event, const timeval*, void* self) {
            auto* volume = static_cast<PulseVolume*>(self);
            loopApi->time_free(event);
            volume->m_retry = nullptr;
            volume->DropContext();
            volume->Connect();
        },
        this);
}

void PulseVolume::DropContext() {
    if (m_context == nullptr) {
        return;
    }
    pa_context_set_state_callback(m_context, nullptr, nullptr);
    pa_context_disconnect(m_context);
    pa_context_unref(m_context);
    m_context = nullptr;
}

void PulseVolume::StateThunk(pa_context* /*context*/, void* self) {
    static_cast<PulseVolume*>(self)->OnState();
}

void PulseVolume::OnState() {
    switch (pa_context_get_state(m_context)) {
        case PA_CONTEXT_READY:
            if (pa_operation* op = pa_context_get_sink_info_by_name(
                    m_context, m_sink.c_str(),
                    [](pa_context*, const pa_sink_info* info, int eol, void* self) {
                        if (info != nullptr || eol < 0) {
                            static_cast<PulseVolume*>(self)->OnSink(info);
                        }
                    },
                    this)) {
                pa_operation_unref(op);
            }
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            OnLost(pa_strerror(pa_context_errno(m_context)));
            break;
        default:
            break;
    }
}

void PulseVolume::OnSink(const pa_sink_info* info) {
    if (info == nullptr) {
        Log(m_binding.empty()
                ? "Audio: the sound server has no default sink; the volume stays SDL gain"
                : "Audio: cannot use " + m_binding + " (no sink \"" + m_sink +
                      "\"); the volume stays SDL gain");
        m_abandoned = true;
        pa_context_set_state_callback(m_context, nullptr, nullptr);
        return;
    }
    m_map->map = info->channel_map;
    m_sinkName = info->name;
    if (m_everReady) {
        Log("Audio: sound server back; " +
            (m_volumeSet ? "volume " + Hex32(m_volume) + " re-applied to" : std::string("using")) +
            " sink " + m_sinkName);
    } else {
        Log(m_binding.empty()
                ? "Audio: volume on the sound server's default sink " + m_sinkName
                : "Audio: volume bound to " + m_binding + " (sink " + m_sinkName + ", " +
                      std::to_string(info->channel_map.channels) + " channels)");
    }
    m_ready = m_everReady = true;
    Apply();
    m_holds(true);
}

void PulseVolume::OnLost(const char* why) {
    if (m_retry != nullptr || m_abandoned) {
        return;
    }
    if (m_context != nullptr) {
        pa_context_set_state_callback(m_context, nullptr, nullptr);
    }
    if (m_ready) {
        m_ready = false;
        Log(std::string("Audio: sound server lost (") + why +
            "); the volume is SDL gain until it answers again");
        m_holds(false);
    } else if (!m_everReady && !m_binding.empty() && !m_noServerTold) {
        m_noServerTold = true;
        Log("Audio: no sound server for " + m_binding + " (" + why +
            "); the volume is SDL gain until one answers");
    }
    RetryLater();
}

void PulseVolume::Apply() {
    if (!m_volumeSet) {
        return;
    }
    pa_channel_map stereo;
    pa_channel_map_init_stereo(&stereo);
    pa_cvolume volume;
    pa_cvolume_init(&volume);
    volume.channels = 2;
    volume.values[0] = PulseLevel(LOWORD(m_volume));
    volume.values[1] = PulseLevel(HIWORD(m_volume));
    pa_cvolume_remap(&volume, &stereo, &m_map->map);
    if (pa_operation* op = pa_context_set_sink_volume_by_name(m_context, m_sinkName.c_str(),
                                                              &volume, nullptr, nullptr)) {
        pa_operation_unref(op);
    }
}

void PulseVolume::Log(const std::string& text) const {
    WriteDebugText(text + "\r\n");
}

}  // namespace dv
