#include "platform/WinBase.h"
#include "platform/core/StreamObject.h"

BOOL DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, void* lpInBuffer, DWORD nInBufferSize,
                     void* lpOutBuffer, DWORD nOutBufferSize, DWORD* lpBytesReturned, void*) {
    auto stream = dv::LookupHandleAs<dv::StreamObject>(hDevice);
    if (!stream) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if ((lpInBuffer == nullptr && nInBufferSize != 0) ||
        (lpOutBuffer == nullptr && nOutBufferSize != 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD returned = 0;
    DWORD error = stream->IoControl(
        dwIoControlCode, std::span<const BYTE>(static_cast<const BYTE*>(lpInBuffer), nInBufferSize),
        std::span<BYTE>(static_cast<BYTE*>(lpOutBuffer), nOutBufferSize), returned);
    if (lpBytesReturned != nullptr) {
        *lpBytesReturned = returned;
    }
    SetLastError(error);
    return error == ERROR_SUCCESS ? TRUE : FALSE;
}
