// An open driver behind a handle: passes the calls on, one at a time, and
// closes the driver when the handle goes.
#pragma once

#include <memory>
#include <mutex>

#include "platform/core/StreamObject.h"
#include "platform/drivers/StreamDriver.h"

namespace dv {

class DriverHandle final : public StreamObject {
public:
    explicit DriverHandle(std::unique_ptr<IStreamDriver> driver) : m_driver(std::move(driver)) {}
    ~DriverHandle() override;

    DWORD Read(std::span<BYTE> buffer, DWORD& count) override;
    DWORD Write(std::span<const BYTE> data, DWORD& count) override;
    DWORD Seek(int64_t distance, DWORD method, uint64_t& position) override;
    DWORD IoControl(DWORD code, std::span<const BYTE> input, std::span<BYTE> output,
                    DWORD& returned) override;

private:
    std::mutex m_lock;
    std::unique_ptr<IStreamDriver> m_driver;
};

}  // namespace dv
