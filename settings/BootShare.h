// The automatic power-on flag in the record that the boot loader shares
// with the system in NAND flash ("FLS1:").
#pragma once

#include "platform/WinDef.h"

constexpr int BOOT_SECTOR_SIZE = 512;
constexpr int BOOT_ACCESS_WRITE = 0;
constexpr int BOOT_ACCESS_READ = 1;

#pragma pack(push, 1)
// The start of the boot sector as the system holds it while updating it.
struct READ_NAND_MEM {
    BYTE reserved[90];  // the boot loader's own bytes, written back unchanged
    // Automatic power-on: 1 on, 0 off.
    BYTE booting_flag;
};
#pragma pack(pop)
static_assert(sizeof(READ_NAND_MEM) == 91);

class CBootShare {
public:
    CBootShare();
    virtual ~CBootShare();

    int AccessBootShare(BYTE* pBuffer, int nMode);
    void WriteBootFlag(BYTE BootFlag);

private:
    // Bytes the last read of AccessBootShare delivered (0 after a failure).
    int m_nLastReadCount = 0;
};
