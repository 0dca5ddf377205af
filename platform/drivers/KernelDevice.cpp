#include "platform/drivers/KernelDevice.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/core/DebugLog.h"

namespace dv {

DWORD OpenErrorOf(int error) {
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return ERROR_DEV_NOT_EXIST;
        case EACCES:
        case EPERM:
        case EROFS:
            return ERROR_ACCESS_DENIED;
        case EBUSY:
            return ERROR_SHARING_VIOLATION;
        default:
            return ERROR_GEN_FAILURE;
    }
}

void LogKernelFailure(std::string_view device, std::string_view what, std::string_view call,
                      int error) {
    WriteDebugText(std::string(device) + ": " + std::string(what) + " (" + std::string(call) +
                   ": " + std::strerror(error) + ")\r\n");
}

}  // namespace dv
