#include "settings/BootShare.h"

#include <cstring>

#include "platform/WinBase.h"

namespace {

constexpr LPCWSTR kFlashDevice = L"FLS1:";
constexpr LONG kBootSectorPosition = 2112;
constexpr DWORD kBootBlock = 66;
constexpr DWORD IOCTL_FLASH_ERASE_BLOCK = 0x2040;

}  // namespace

CBootShare::CBootShare() = default;

CBootShare::~CBootShare() = default;

// Reads the sector (mode 1) or erases its block and writes it (mode 0).
// Returns 0 when the device did not open or the erase failed; 1 otherwise.
// A read that failed or came short is told apart by the count it leaves in
// m_nLastReadCount, so that WriteBootFlag never writes back a sector it
// did not read whole.
int CBootShare::AccessBootShare(BYTE* pBuffer, int nMode) {
    m_nLastReadCount = 0;
    HANDLE hFlash = CreateFileW(kFlashDevice, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFlash == INVALID_HANDLE_VALUE) {
        NKDbgPrintfW(L"!!!!!!!!!!! Cannot open FLS1 \r\n");
        return 0;
    }
    DWORD nCurrentFP = SetFilePointer(hFlash, kBootSectorPosition, nullptr, FILE_BEGIN);
    NKDbgPrintfW(L"nCurrentFP : %d\r\n", static_cast<int>(nCurrentFP));

    if (nMode == BOOT_ACCESS_READ) {
        DWORD nRead = 0;
        if (ReadFile(hFlash, pBuffer, BOOT_SECTOR_SIZE, &nRead, nullptr)) {
            NKDbgPrintfW(L"Read Size : %d\r\n", static_cast<int>(nRead));
            m_nLastReadCount = static_cast<int>(nRead);
        } else {
            NKDbgPrintfW(L"!!!!!!!!!!! Read Fail\r\n");
        }
        CloseHandle(hFlash);
        return 1;
    }

    DWORD dwBlock = kBootBlock;
    if (!DeviceIoControl(hFlash, IOCTL_FLASH_ERASE_BLOCK, &dwBlock, sizeof(dwBlock), nullptr, 0,
                         nullptr, nullptr)) {
        NKDbgPrintfW(L"!!!!!!!!!!! DeviceIoControl EraseBlock Fail\r\n");
        CloseHandle(hFlash);
        return 0;
    }
    NKDbgPrintfW(L"EraseBlock : %d, [%d]\r\n", static_cast<int>(kBootBlock),
                 static_cast<int>(IOCTL_FLASH_ERASE_BLOCK));
    DWORD nWritten = 0;
    if (WriteFile(hFlash, pBuffer, BOOT_SECTOR_SIZE, &nWritten, nullptr)) {
        NKDbgPrintfW(L"Write Size : %d\r\n", static_cast<int>(nWritten));
    }
    CloseHandle(hFlash);
    return 1;
}

void CBootShare::WriteBootFlag(BYTE BootFlag) {
    BYTE buffer[BOOT_SECTOR_SIZE];
    std::memset(buffer, 0, sizeof(buffer));
    if (AccessBootShare(buffer, BOOT_ACCESS_READ) == 0) {
        return;
    }
    // Writing back a sector that was not read whole would replace the boot
    // loader's bytes with zeros: stop as after a failed open.
    if (m_nLastReadCount != BOOT_SECTOR_SIZE) {
        NKDbgPrintfW(L"!!!!!!!!!!! Boot sector not read whole (%d of %d bytes), not written\r\n",
                     m_nLastReadCount, BOOT_SECTOR_SIZE);
        return;
    }
    READ_NAND_MEM ReadNandMem;
    std::memcpy(&ReadNandMem, buffer, sizeof(ReadNandMem));
    NKDbgPrintfW(
        L"\r\n\r\n=============== WRITE Shared Memory with BootLoader ===============\r\n");
    if (ReadNandMem.booting_flag == BootFlag) {
        NKDbgPrintfW(L"!!!!!!! ReadNandMem.booting_flag == BootFlag\r\n");
        return;
    }
    ReadNandMem.booting_flag = BootFlag;
    std::memcpy(buffer, &ReadNandMem, sizeof(ReadNandMem));
    AccessBootShare(buffer, BOOT_ACCESS_WRITE);
}
