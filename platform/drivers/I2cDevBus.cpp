#include "platform/drivers/I2cDevBus.h"

#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/drivers/KernelDevice.h"

namespace dv {
namespace {

constexpr std::string_view kDevice = "IIC1";

}  // namespace

DWORD I2cDevBus::Open(const std::string& node) {
    m_label = "i2c:" + node;
    m_fd = UniqueFd(::open(node.c_str(), O_RDWR | O_CLOEXEC));
    if (!m_fd.Valid()) {
        const int error = errno;
        LogKernelFailure(kDevice, "cannot open " + m_label, "open", error);
        return OpenErrorOf(error);
    }
    if (::ioctl(m_fd.Get(), I2C_SLAVE, static_cast<long>(kChipAddress)) != 0) {
        const int error = errno;
        m_fd.Reset();
        LogKernelFailure(kDevice, "cannot open " + m_label, "I2C_SLAVE 0x45", error);
        return OpenErrorOf(error);
    }
    return ERROR_SUCCESS;
}

DWORD I2cDevBus::WriteByteData(BYTE reg, BYTE value) {
    i2c_smbus_data data{};
    data.byte = value;
    i2c_smbus_ioctl_data call{};
    call.read_write = I2C_SMBUS_WRITE;
    call.command = reg;
    call.size = I2C_SMBUS_BYTE_DATA;
    call.data = &data;
    if (::ioctl(m_fd.Get(), I2C_SMBUS, &call) == 0) {
        return ERROR_SUCCESS;
    }
    int error = errno;
    const char* how = "I2C_SMBUS";
    if (error == ENOTTY || error == EOPNOTSUPP) {
        // A bus that takes no SMBus calls gets the same bytes as one plain I2C write.
        const BYTE bytes[] = {reg, value};
        const ssize_t n = ::write(m_fd.Get(), bytes, sizeof bytes);
        if (n == static_cast<ssize_t>(sizeof bytes)) {
            return ERROR_SUCCESS;
        }
        error = n < 0 ? errno : EIO;
        how = "write";
    }
    char what[96];
    std::snprintf(what, sizeof what, "register 0x%02x <- 0x%02x not written on ", reg, value);
    LogKernelFailure(kDevice, what + m_label, how, error);
    return ERROR_GEN_FAILURE;
}

}  // namespace dv
