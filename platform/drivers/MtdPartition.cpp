#include "platform/drivers/MtdPartition.h"

#include <fcntl.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstdio>

#include "platform/core/DebugLog.h"
#include "platform/drivers/KernelDevice.h"

namespace dv {
namespace {

constexpr std::string_view kDevice = "FLS1";
constexpr BYTE kErased = 0xFF;

std::string Hex(uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
}

}  // namespace

std::string MtdSectorRefusal(uint64_t offset, const mtd_info_user& info) {
    const uint64_t block = uint64_t{kMtdBootBlock} * info.erasesize;
    if (info.erasesize == 0 || offset < block || offset >= block + info.erasesize) {
        return "offset " + Hex(offset) + " lies outside erase block 66 (" + Hex(block) + ".." +
               Hex(block + info.erasesize - 1) + ")";
    }
    if (offset + kMtdSectorSize > info.size) {
        return "the sector at " + Hex(offset) + " runs past the partition's end (" +
               Hex(info.size) + ")";
    }
    const bool nand = mtd_type_is_nand_user(&info) != 0;
    if (nand &&
        (info.writesize == 0 || offset % info.writesize + kMtdSectorSize > info.writesize)) {
        return "the sector at " + Hex(offset) + " crosses a page of " +
               std::to_string(info.writesize) + " bytes";
    }
    return {};
}

MtdPageWrite MtdPageAround(uint64_t at, std::span<const BYTE> data, uint32_t writesize) {
    MtdPageWrite page{at - at % writesize, std::vector<BYTE>(writesize, kErased)};
    std::copy(data.begin(), data.end(), page.bytes.begin() + static_cast<long>(at - page.start));
    return page;
}

DWORD MtdPartition::Open(const std::string& node, uint64_t offset, const std::string& where) {
    m_label = "mtd:" + node + "@" + Hex(offset);
    m_offset = offset;
    m_fd = UniqueFd(::open(node.c_str(), O_RDWR | O_CLOEXEC));
    if (!m_fd.Valid() || ::ioctl(m_fd.Get(), MEMGETINFO, &m_info) != 0) {
        const int error = errno;
        LogKernelFailure(kDevice, "cannot open " + m_label, m_fd.Valid() ? "MEMGETINFO" : "open",
                         error);
        m_fd.Reset();
        return OpenErrorOf(error);
    }
    if (const std::string why = MtdSectorRefusal(offset, m_info); !why.empty()) {
        m_fd.Reset();
        WriteDebugText(where + ": FLS1 = " + m_label + ": " + why + " (erase size " +
                       std::to_string(m_info.erasesize) + "); FLS1 cannot be opened\r\n");
        return ERROR_INVALID_PARAMETER;
    }
    return ERROR_SUCCESS;
}

DWORD MtdPartition::EraseBootBlock() {
    loff_t start = static_cast<loff_t>(BlockStart());
    const int bad = ::ioctl(m_fd.Get(), MEMGETBADBLOCK, &start);
    if (bad > 0) {
        WriteDebugText("FLS1: block 66 of " + m_label + " is bad (MEMGETBADBLOCK); not erased\r\n");
        return ERROR_GEN_FAILURE;
    }
    if (bad < 0) {
        LogKernelFailure(kDevice, "block 66 of " + m_label + " not erased", "MEMGETBADBLOCK",
                         errno);
        return ERROR_GEN_FAILURE;
    }
    erase_info_user erase{static_cast<uint32_t>(BlockStart()), m_info.erasesize};
    if (::ioctl(m_fd.Get(), MEMERASE, &erase) != 0) {
        LogKernelFailure(kDevice, "block 66 of " + m_label + " not erased", "MEMERASE", errno);
        return ERROR_GEN_FAILURE;
    }
    return ERROR_SUCCESS;
}

DWORD MtdPartition::Read(uint64_t inSector, std::span<BYTE> buffer, DWORD& count) {
    count = 0;
    if (inSector > kMtdSectorSize || buffer.size() > kMtdSectorSize - inSector) {
        return ERROR_INVALID_PARAMETER;  // only the sector is bound
    }
    const ssize_t n =
        ::pread(m_fd.Get(), buffer.data(), buffer.size(), static_cast<off_t>(m_offset + inSector));
    const std::string what = "read of " + std::to_string(buffer.size()) + " bytes on " + m_label;
    if (n < 0) {
        LogKernelFailure(kDevice, what + " failed", "pread", errno);
        return ERROR_READ_FAULT;
    }
    if (n != static_cast<ssize_t>(buffer.size())) {
        WriteDebugText("FLS1: " + what + " came back with " + std::to_string(n) + "\r\n");
        return ERROR_READ_FAULT;
    }
    count = static_cast<DWORD>(n);
    return ERROR_SUCCESS;
}

DWORD MtdPartition::Write(uint64_t inSector, std::span<const BYTE> data, DWORD& count) {
    count = 0;
    if (inSector > kMtdSectorSize || data.size() > kMtdSectorSize - inSector) {
        return ERROR_INVALID_PARAMETER;
    }
    const uint64_t at = m_offset + inSector;
    MtdPageWrite page{at, std::vector<BYTE>(data.begin(), data.end())};
    if (IsNand()) {
        page = MtdPageAround(at, data, m_info.writesize);
    }
    const ssize_t n =
        ::pwrite(m_fd.Get(), page.bytes.data(), page.bytes.size(), static_cast<off_t>(page.start));
    if (n != static_cast<ssize_t>(page.bytes.size())) {
        LogKernelFailure(kDevice,
                         "write of " + std::to_string(page.bytes.size()) + " bytes at " +
                             Hex(page.start) + " on " + m_label + " failed",
                         "pwrite", n < 0 ? errno : EIO);
        return ERROR_WRITE_FAULT;
    }
    count = static_cast<DWORD>(data.size());
    return ERROR_SUCCESS;
}

}  // namespace dv
