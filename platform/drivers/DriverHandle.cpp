#include "platform/drivers/DriverHandle.h"

namespace dv {

DriverHandle::~DriverHandle() {
    std::lock_guard guard(m_lock);
    m_driver->Close();
}

DWORD DriverHandle::Read(std::span<BYTE> buffer, DWORD& count) {
    std::lock_guard guard(m_lock);
    return m_driver->Read(buffer, count);
}

DWORD DriverHandle::Write(std::span<const BYTE> data, DWORD& count) {
    std::lock_guard guard(m_lock);
    return m_driver->Write(data, count);
}

DWORD DriverHandle::Seek(int64_t distance, DWORD method, uint64_t& position) {
    std::lock_guard guard(m_lock);
    return m_driver->Seek(distance, method, position);
}

DWORD DriverHandle::IoControl(DWORD code, std::span<const BYTE> input, std::span<BYTE> output,
                              DWORD& returned) {
    std::lock_guard guard(m_lock);
    return m_driver->IoControl(code, input, output, returned);
}

}  // namespace dv
