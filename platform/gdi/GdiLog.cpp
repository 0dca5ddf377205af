#include "platform/gdi/GdiLog.h"

#include <cstdio>

#include "platform/core/DebugLog.h"

namespace dv::gdi {

void LogRefusal(std::string_view call, std::string_view reason, const void* handle) {
    std::string line = "GDI: ";
    line.append(call).append(": ").append(reason);
    if (handle != nullptr) {
        char text[32];
        std::snprintf(text, sizeof text, " (%p)", handle);
        line.append(text);
    }
    line.append("\r\n");
    WriteDebugText(line);
}

}  // namespace dv::gdi
