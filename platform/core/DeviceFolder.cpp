#include "platform/core/DeviceFolder.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <system_error>

#include "platform/Platform.h"
#include "platform/core/DebugLog.h"
#include "platform/core/UniqueFd.h"

namespace dv {
namespace {

constexpr const char* kDeviceFolder = "dev";
// Changes made by others that can make what is cached wrong.
constexpr uint32_t kWatchedEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                    IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF;
constexpr uint32_t kFolderGone = IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_Q_OVERFLOW;
constexpr std::size_t kEventBufferSize = 4096;
constexpr mode_t kFileMode = 0644;

struct OpenFile {
    UniqueFd fd;
    off_t length = -1;  // what this process last made the file's length; -1: not known
};

class DeviceFolderCache {
public:
    static DeviceFolderCache& Instance() {
        static auto* cache = new DeviceFolderCache;  // lives to the process end
        return *cache;
    }

    std::mutex& Lock() { return m_lock; }

    // Brings the cache up to date with the folder of the current root.
    void Refresh() {
        std::filesystem::path folder = DeviceRoot() / kDeviceFolder;
        if (m_bForked || folder != m_folder || !m_notify.Valid()) {
            Reset(std::move(folder));
        } else {
            ReadNotifications();
        }
    }

    bool SwitchIsOn(std::string_view name) {
        if (!m_notify.Valid()) {
            return Exists(m_folder / name);
        }
        auto it = m_switches.find(name);
        if (it == m_switches.end()) {
            it = m_switches.emplace(std::string(name), Exists(m_folder / name)).first;
        }
        return it->second;
    }

    // An open descriptor of the file, created if need be; null on failure.
    OpenFile* File(std::string_view name, int flags) {
        if (m_folder.empty()) {
            Refresh();
        }
        const std::filesystem::path folder = m_folder;
        auto it = m_files.find(name);
        if (it != m_files.end()) {
            return &it->second;
        }
        std::filesystem::path path = folder / name;
        UniqueFd fd(::open(path.c_str(), flags | O_CREAT | O_CLOEXEC, kFileMode));
        if (!fd.Valid() && errno == ENOENT) {
            std::error_code ec;
            std::filesystem::create_directories(folder, ec);
            fd.Reset(::open(path.c_str(), flags | O_CREAT | O_CLOEXEC, kFileMode));
            // The folder may be new: watch it from now on.
            Reset(folder);
        }
        if (!fd.Valid()) {
            ReportUnwritable(path, errno);
            return nullptr;
        }
        if (!m_notify.Valid()) {
            m_uncached = OpenFile{std::move(fd), -1};
            return &m_uncached;
        }
        return &m_files.emplace(std::string(name), OpenFile{std::move(fd), -1}).first->second;
    }

    // A root that cannot be written (a read-only flash) keeps no device
    // state or journals; the devices work on without them. Said once, as
    // every operation of every device would say it again.
    void ReportUnwritable(const std::filesystem::path& path, int error) {
        if (!m_reportedUnwritable) {
            m_reportedUnwritable = true;
            WriteDebugText("Devices: cannot write " + path.string() + " (" + std::strerror(error) +
                           "); device state and journals are not kept while the device "
                           "folder cannot be written\r\n");
        }
    }

    void Forget(std::string_view name) {
        if (auto it = m_files.find(name); it != m_files.end()) {
            // Closing a descriptor open for writing is reported back to us.
            ++m_ownCloses[it->first];
            m_files.erase(it);
        }
    }

private:
    DeviceFolderCache() {
        ::pthread_atfork([] { Instance().m_lock.lock(); }, [] { Instance().m_lock.unlock(); },
                         [] {
                             DeviceFolderCache& cache = Instance();
                             // The child shares the parent's notifications;
                             // it must not read them from under it.
                             cache.m_bForked = true;
                             cache.m_lock.unlock();
                         });
    }

    static bool Exists(const std::filesystem::path& path) {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0;
    }

    void Reset(std::filesystem::path folder) {
        if (m_bForked) {
            // Descriptors shared with the parent are let go, not used.
            for (auto& [name, file] : m_files) {
                (void)name;
                (void)file.fd.Release();
            }
            (void)m_notify.Release();
            m_bForked = false;
        }
        m_files.clear();
        m_switches.clear();
        m_ownCloses.clear();
        m_uncached = OpenFile{};
        m_folder = std::move(folder);
        m_notify.Reset(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
        if (m_notify.Valid() &&
            ::inotify_add_watch(m_notify.Get(), m_folder.c_str(), kWatchedEvents) < 0) {
            m_notify.Reset();
        }
    }

    void ReadNotifications() {
        alignas(inotify_event) char buffer[kEventBufferSize];
        for (;;) {
            const ssize_t n = ::read(m_notify.Get(), buffer, sizeof buffer);
            if (n <= 0) {
                return;  // EAGAIN: nothing has changed
            }
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if ((event->mask & kFolderGone) != 0) {
                    Reset(m_folder);
                    return;
                }
                if (event->len > 0) {
                    Changed(event->name, event->mask);
                }
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }

    void Changed(std::string_view name, uint32_t mask) {
        if ((mask & IN_CLOSE_WRITE) != 0) {
            // Our own close says nothing new; another writer's may have
            // changed the file's length behind our back.
            auto own = m_ownCloses.find(name);
            if (own != m_ownCloses.end() && own->second > 0) {
                --own->second;
                return;
            }
        }
        if (auto it = m_switches.find(name); it != m_switches.end()) {
            it->second = (mask & (IN_CREATE | IN_MOVED_TO | IN_CLOSE_WRITE)) != 0;
        }
        // Whatever happened to the name, what is open may no longer be the
        // file under it: open it afresh on the next use.
        Forget(name);
    }

    std::mutex m_lock;
    std::filesystem::path m_folder;
    UniqueFd m_notify;
    std::map<std::string, OpenFile, std::less<>> m_files;
    std::map<std::string, bool, std::less<>> m_switches;
    std::map<std::string, int, std::less<>> m_ownCloses;
    OpenFile m_uncached;
    bool m_bForked = false;
    bool m_reportedUnwritable = false;
};

}  // namespace

void CheckDeviceFolderWritable() {
    DeviceFolderCache& cache = DeviceFolderCache::Instance();
    std::scoped_lock guard(cache.Lock());
    // A folder not made yet is made in the root on first use.
    std::filesystem::path folder = DeviceRoot() / kDeviceFolder;
    if (::access(folder.c_str(), W_OK) != 0 && errno == ENOENT) {
        folder = folder.parent_path();
    }
    if (::access(folder.c_str(), W_OK) != 0) {
        cache.ReportUnwritable(folder, errno);
    }
}

bool DeviceSwitchIsOn(std::string_view fileName) {
    DeviceFolderCache& cache = DeviceFolderCache::Instance();
    std::scoped_lock guard(cache.Lock());
    cache.Refresh();
    return cache.SwitchIsOn(fileName);
}

void AppendDeviceJournal(std::string_view fileName, std::string_view text, Freshness freshness) {
    DeviceFolderCache& cache = DeviceFolderCache::Instance();
    std::scoped_lock guard(cache.Lock());
    if (freshness == Freshness::Check) {
        cache.Refresh();
    }
    OpenFile* file = cache.File(fileName, O_WRONLY | O_APPEND);
    if (file != nullptr) {
        // One write, so that lines of processes sharing the journal never interleave.
        [[maybe_unused]] ssize_t n = ::write(file->fd.Get(), text.data(), text.size());
    }
}

bool WriteDeviceState(std::string_view fileName, std::string_view text, Freshness freshness) {
    return WriteDeviceStateAt(fileName, static_cast<off_t>(text.size()), 0,
                              {reinterpret_cast<const uint8_t*>(text.data()), text.size()},
                              freshness);
}

bool WriteDeviceStateAt(std::string_view fileName, off_t size, off_t offset,
                        std::span<const uint8_t> bytes, Freshness freshness) {
    DeviceFolderCache& cache = DeviceFolderCache::Instance();
    std::scoped_lock guard(cache.Lock());
    if (freshness == Freshness::Check) {
        cache.Refresh();
    }
    OpenFile* file = cache.File(fileName, O_WRONLY);
    if (file == nullptr) {
        return false;
    }
    bool ok = ::pwrite(file->fd.Get(), bytes.data(), bytes.size(), offset) ==
              static_cast<ssize_t>(bytes.size());
    if (ok && file->length != size) {
        ok = ::ftruncate(file->fd.Get(), size) == 0;
        file->length = size;
    }
    if (!ok) {
        cache.Forget(fileName);
    }
    return ok;
}

}  // namespace dv
