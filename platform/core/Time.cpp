#include <chrono>
#include <thread>

#include "platform/WinBase.h"

// Milliseconds since an arbitrary start, wrapping at 2^32 as on the unit
// (about every 49.7 days).
DWORD GetTickCount() {
    auto since = std::chrono::steady_clock::now().time_since_epoch();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
    return static_cast<DWORD>(static_cast<unsigned long long>(ms));
}

void Sleep(DWORD dwMilliseconds) {
    if (dwMilliseconds == 0) {
        std::this_thread::yield();
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds));
}
