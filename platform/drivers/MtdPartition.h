// "FLS1:" bound to an MTD partition, /dev/mtdN, holding the boot loader's
// 512-byte sector at a byte offset inside its erase block 66. The unit's
// calls come down to: MEMGETINFO at the open; MEMGETBADBLOCK, then MEMERASE
// of block 66; pread of the sector; and on NAND, where a page is written
// whole and once after an erase, one pwrite of the page that holds the
// sector with 0xFF (erased) around it. NOR takes the sector as it is.
#pragma once

#include <mtd/mtd-user.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/WinBase.h"
#include "platform/core/UniqueFd.h"

namespace dv {

constexpr uint32_t kMtdBootBlock = 66;
constexpr uint32_t kMtdSectorSize = 512;

// Why a sector at `offset` cannot be the boot sector of a partition of that
// geometry (outside block 66, past the end, across a NAND page); empty if it can.
std::string MtdSectorRefusal(uint64_t offset, const mtd_info_user& info);

// One pwrite on NAND: the page of `writesize` bytes holding `at`, data at its
// place and 0xFF around. The data lies inside that page.
struct MtdPageWrite {
    uint64_t start;
    std::vector<BYTE> bytes;
};
MtdPageWrite MtdPageAround(uint64_t at, std::span<const BYTE> data, uint32_t writesize);

class MtdPartition {
public:
    // where names the binding's line ("ROOT/dev/bindings:3") for a refused offset.
    DWORD Open(const std::string& node, uint64_t offset, const std::string& where);
    DWORD EraseBootBlock();
    // At `inSector` bytes into the sector; a short read is a failed one.
    DWORD Read(uint64_t inSector, std::span<BYTE> buffer, DWORD& count);
    DWORD Write(uint64_t inSector, std::span<const BYTE> data, DWORD& count);

private:
    bool IsNand() const { return mtd_type_is_nand_user(&m_info) != 0; }
    uint64_t BlockStart() const { return uint64_t{kMtdBootBlock} * m_info.erasesize; }

    std::string m_label;  // "mtd:/dev/mtd0@0x840800"
    UniqueFd m_fd;
    mtd_info_user m_info{};
    uint64_t m_offset = 0;
};

}  // namespace dv
