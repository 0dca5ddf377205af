#include "platform/drivers/FlashDriver.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <system_error>
#include <vector>

#include "platform/drivers/FlashLayout.h"

namespace dv {
namespace {

constexpr std::size_t kBlockNumberSize = 4;
constexpr const char* kFailErase = "fail-erase";
constexpr const char* kFailRead = "fail-read";
constexpr const char* kFailWrite = "fail-write";
constexpr const char* kShortRead = "short-read";

uint32_t LittleEndian32(std::span<const BYTE> bytes) {
    return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
           (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

bool FillErased(int fd, std::size_t offset, std::size_t size) {
    std::vector<BYTE> erased(size, flash::kErasedByte);
    return ::pwrite(fd, erased.data(), size, static_cast<off_t>(offset)) ==
           static_cast<ssize_t>(size);
}

}  // namespace

// A missing image is a chip fresh from the factory: all erased. A short one
// is made up to the device size with erased bytes.
DWORD FlashDriver::OnOpen() {
    std::filesystem::path image = StatePath(".img");
    std::error_code ec;
    std::filesystem::create_directories(image.parent_path(), ec);
    m_image = UniqueFd(::open(image.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    struct stat info {};
    if (!m_image.Valid() || ::fstat(m_image.Get(), &info) != 0) {
        m_image.Reset();
        return ERROR_DEV_NOT_EXIST;
    }
    auto size = static_cast<std::size_t>(info.st_size);
    if (size < flash::kImageSize && !FillErased(m_image.Get(), size, flash::kImageSize - size)) {
        m_image.Reset();
        return ERROR_DEV_NOT_EXIST;
    }
    m_position = 0;
    return ERROR_SUCCESS;
}

DWORD FlashDriver::OnControl(DWORD code, std::span<const BYTE> input) {
    if (code != flash::kEraseBlockCode || input.size() != kBlockNumberSize ||
        LittleEndian32(input) != flash::kBootBlock) {
        return ERROR_INVALID_PARAMETER;
    }
    if (SwitchIsOn(kFailErase)) {
        return ERROR_GEN_FAILURE;
    }
    return EraseBootBlock();
}

DWORD FlashDriver::EraseBootBlock() {
    return FillErased(m_image.Get(), flash::kBootSectorOffset, flash::kBootSectorSize)
               ? ERROR_SUCCESS
               : ERROR_GEN_FAILURE;
}

DWORD FlashDriver::OnSeek(int64_t distance, DWORD method, uint64_t& position) {
    int64_t base = 0;
    switch (method) {
        case FILE_BEGIN:
            base = 0;
            break;
        case FILE_CURRENT:
            base = static_cast<int64_t>(m_position);
            break;
        case FILE_END:
            base = static_cast<int64_t>(flash::kImageSize);
            break;
        default:
            return ERROR_INVALID_PARAMETER;
    }
    int64_t target = base + distance;
    if (target < 0 || target > static_cast<int64_t>(flash::kImageSize)) {
        return ERROR_INVALID_PARAMETER;
    }
    m_position = static_cast<uint64_t>(target);
    position = m_position;
    return ERROR_SUCCESS;
}

// ROOT/dev/FLS1.short-read holding a number returns that many bytes at most;
// an empty or unreadable one returns half of what was asked.
std::size_t FlashDriver::ShortReadCount(std::size_t asked) const {
    std::string text = ReadStateText(StatePath("." + std::string(kShortRead)));
    char* end = nullptr;
    unsigned long count = std::strtoul(text.c_str(), &end, 10);
    if (end == text.c_str()) {
        return asked / 2;
    }
    return std::min<std::size_t>(count, asked);
}

DWORD FlashDriver::OnRead(std::span<BYTE> buffer, DWORD& count) {
    if (SwitchIsOn(kFailRead)) {
        return ERROR_READ_FAULT;
    }
    std::size_t wanted = std::min<std::size_t>(buffer.size(), flash::kImageSize - m_position);
    if (SwitchIsOn(kShortRead)) {
        wanted = ShortReadCount(wanted);
    }
    ssize_t n = ::pread(m_image.Get(), buffer.data(), wanted, static_cast<off_t>(m_position));
    if (n < 0) {
        return ERROR_READ_FAULT;
    }
    m_position += static_cast<uint64_t>(n);
    count = static_cast<DWORD>(n);
    return ERROR_SUCCESS;
}

DWORD FlashDriver::OnWrite(std::span<const BYTE> data, DWORD& count) {
    if (SwitchIsOn(kFailWrite)) {
        return ERROR_WRITE_FAULT;
    }
    if (data.size() > flash::kImageSize - m_position) {
        return ERROR_INVALID_PARAMETER;  // past the end of the chip; nothing written
    }
    // Programming NAND only takes bits from 1 to 0.
    std::vector<BYTE> cells(data.size());
    if (::pread(m_image.Get(), cells.data(), cells.size(), static_cast<off_t>(m_position)) !=
        static_cast<ssize_t>(cells.size())) {
        return ERROR_WRITE_FAULT;
    }
    for (std::size_t i = 0; i < cells.size(); ++i) {
        cells[i] &= data[i];
    }
    if (::pwrite(m_image.Get(), cells.data(), cells.size(), static_cast<off_t>(m_position)) !=
        static_cast<ssize_t>(cells.size())) {
        return ERROR_WRITE_FAULT;
    }
    m_position += cells.size();
    count = static_cast<DWORD>(cells.size());
    return ERROR_SUCCESS;
}

void FlashDriver::OnClose() {
    m_image.Reset();
}

}  // namespace dv
