// "FLS1:", NAND flash backed by ROOT/dev/FLS1.img (4096 bytes; made erased
// when missing). Reads and writes go at the current byte position. A write
// can only clear bits (new = old AND data), so a sector must be erased before
// it is rewritten: code 0x2040 with the 4-byte little-endian block number 66
// sets device bytes 2112..2623 to 0xFF. Switch files under ROOT/dev/ make the
// erase, read or write fail, or the read come back short. Bound to an MTD
// partition (ROOT/dev/bindings), the erase, reads and writes of the boot
// sector go to the partition, and the image keeps what it took.
#pragma once

#include <optional>

#include "platform/core/UniqueFd.h"
#include "platform/drivers/MtdPartition.h"
#include "platform/drivers/SimulatedDriver.h"

namespace dv {

class FlashDriver final : public SimulatedDriver {
public:
    FlashDriver() : SimulatedDriver("FLS1") {}

private:
    DWORD OnOpen() override;
    DWORD OnControl(DWORD code, std::span<const BYTE> input) override;
    DWORD OnSeek(int64_t distance, DWORD method, uint64_t& position) override;
    DWORD OnRead(std::span<BYTE> buffer, DWORD& count) override;
    DWORD OnWrite(std::span<const BYTE> data, DWORD& count) override;
    void OnClose() override;

    DWORD OpenPartition();
    DWORD EraseBootBlock();
    DWORD WriteImage(std::span<const BYTE> data, DWORD& count);
    // The position within the boot sector, where a bound partition is read and written.
    uint64_t InSector() const;
    std::size_t ShortReadCount(std::size_t asked) const;

    UniqueFd m_image;
    uint64_t m_position = 0;
    std::optional<MtdPartition> m_partition;
};

}  // namespace dv
