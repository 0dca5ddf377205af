// A stream driver for tests: it records every call made on it (opens,
// control codes with their input bytes, seeks, reads, writes, closes), keeps
// a plain memory as its device, and can be told to fail its open or any one
// operation. Install it under a device name with dv::testing::ScopedDriver
// (FakeDriverScope.h); every CreateFileW of that name then reaches it.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/WinBase.h"
#include "platform/drivers/StreamDriver.h"

namespace dv::testing {

enum class DriverOp { Open, IoControl, Seek, Read, Write, Close };

struct DriverCall {
    DriverOp op = DriverOp::Open;
    DWORD code = 0;               // IoControl
    std::vector<BYTE> input;      // IoControl input, Write data
    int64_t distance = 0;         // Seek
    DWORD method = 0;             // Seek
    DWORD count = 0;              // Read: asked; Write: data size
    DWORD error = ERROR_SUCCESS;  // what the call answered
};

// Always held by a std::shared_ptr (ScopedDriver makes one).
class FakeStreamDriver : public std::enable_shared_from_this<FakeStreamDriver> {
public:
    explicit FakeStreamDriver(std::size_t memorySize = 4096, BYTE fill = 0xFF);

    // Every later open fails with error (taken away: ERROR_DEV_NOT_EXIST).
    void FailOpen(DWORD error = ERROR_DEV_NOT_EXIST);
    // The nth call of op from now (1 = the next one) fails with error.
    void FailOperation(DriverOp op, DWORD error, unsigned nth = 1);
    // Reads return at most count bytes.
    void LimitReads(DWORD count);

    void SetMemory(std::size_t offset, const std::vector<BYTE>& bytes);
    std::vector<BYTE> Memory(std::size_t offset, std::size_t size) const;

    std::vector<DriverCall> Calls() const;
    // The calls in the simulated drivers' journal format ("open",
    // "ioctl 0x00002000 in 42", "seek 2112", "read 512", "write 512",
    // "close"); failed opens are left out, as the journal leaves them out.
    std::vector<std::string> Lines() const;
    std::size_t Count(DriverOp op) const;
    int OpenHandles() const;
    void ClearCalls();

    // A new open of the device, for the driver table.
    std::unique_ptr<IStreamDriver> NewInstance();

private:
    friend class FakeDriverInstance;
    struct PlannedFailure {
        DriverOp op;
        DWORD error;
        unsigned remaining;
    };

    DWORD Record(DriverCall call);  // returns the error the call is to answer
    DWORD PlannedError(DriverOp op);

    mutable std::mutex m_lock;
    std::vector<BYTE> m_memory;
    std::vector<DriverCall> m_calls;
    std::vector<PlannedFailure> m_failures;
    std::optional<DWORD> m_openError;
    std::optional<DWORD> m_readLimit;
    int m_openHandles = 0;
};

}  // namespace dv::testing
