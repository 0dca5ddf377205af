#include "platform/core/FrameLog.h"

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "platform/core/UniqueFd.h"

namespace dv {
#ifdef DV_TEST_HOOKS
namespace {

constexpr const char* kVariable = "DIALVANE_FRAME_LOG";
constexpr long long kNanosPerSecond = 1000000000LL;

struct FrameLog {
    std::once_flag opened;
    std::mutex lock;
    UniqueFd fd;
};

FrameLog& TheLog() {
    static auto* log = new FrameLog;  // lives to the process end
    std::call_once(log->opened, [] {
        if (const char* path = std::getenv(kVariable); path != nullptr && *path != '\0') {
            log->fd.Reset(::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
        }
    });
    return *log;
}

}  // namespace

bool FrameLogOn() {
    return TheLog().fd.Valid();
}

void NoteFrameEvent(std::string_view what) {
    FrameLog& log = TheLog();
    if (!log.fd.Valid()) {
        return;
    }
    // The clock is read under the lock so that the file's lines are in time order whichever
    // thread notes them.
    std::scoped_lock guard(log.lock);
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%lld ",
                  static_cast<long long>(now.tv_sec) * kNanosPerSecond + now.tv_nsec);
    std::string line = stamp;
    line.append(what);
    line.push_back('\n');
    [[maybe_unused]] ssize_t n = ::write(log.fd.Get(), line.data(), line.size());
}

#endif  // DV_TEST_HOOKS
}  // namespace dv
