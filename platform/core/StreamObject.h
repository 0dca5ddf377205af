// What a handle from CreateFileW stands for: a file of the device root or an
// open stream driver. ReadFile, WriteFile, SetFilePointer and DeviceIoControl
// reach the object through this interface. Every operation returns
// ERROR_SUCCESS or the error the caller's GetLastError shall see.
#pragma once

#include <cstdint>
#include <span>

#include "platform/WinBase.h"
#include "platform/core/KernelObject.h"

namespace dv {

class StreamObject : public KernelObject {
public:
    virtual DWORD Read(std::span<BYTE> buffer, DWORD& count) = 0;
    virtual DWORD Write(std::span<const BYTE> data, DWORD& count) = 0;
    // method is FILE_BEGIN, FILE_CURRENT or FILE_END.
    virtual DWORD Seek(int64_t distance, DWORD method, uint64_t& position) = 0;
    virtual DWORD IoControl(DWORD code, std::span<const BYTE> input, std::span<BYTE> output,
                            DWORD& returned) = 0;
};

}  // namespace dv
