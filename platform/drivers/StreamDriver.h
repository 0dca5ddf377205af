// A stream driver as the platform sees it: what CreateFileW("BAK1:"),
// DeviceIoControl, SetFilePointer, ReadFile, WriteFile and CloseHandle on its
// handle come down to. One object serves one open handle. Every operation
// returns ERROR_SUCCESS or the error the caller's GetLastError shall see.
#pragma once

#include <cstdint>
#include <span>

#include "platform/WinBase.h"

namespace dv {

class IStreamDriver {
public:
    virtual ~IStreamDriver() = default;

    // A failed open is never followed by Close.
    virtual DWORD Open() = 0;
    virtual DWORD IoControl(DWORD code, std::span<const BYTE> input, std::span<BYTE> output,
                            DWORD& returned) = 0;
    // method is FILE_BEGIN, FILE_CURRENT or FILE_END.
    virtual DWORD Seek(int64_t distance, DWORD method, uint64_t& position) = 0;
    virtual DWORD Read(std::span<BYTE> buffer, DWORD& count) = 0;
    virtual DWORD Write(std::span<const BYTE> data, DWORD& count) = 0;
    virtual void Close() = 0;
};

}  // namespace dv
