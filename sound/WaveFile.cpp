#include "sound/WaveFile.h"

#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

namespace {

constexpr DWORD kChunkHeaderSize = 8;
constexpr DWORD kFileHeaderSize = 12;
// A format record may end before cbSize, as a plain PCM one does.
constexpr DWORD kMinFormatSize = offsetof(WAVEFORMATEX, cbSize);
// The longest forward move one 32-bit signed file-pointer distance can make.
constexpr DWORD kLongestMove = 0x7FFFFFFF;

#pragma pack(push, 1)
struct ChunkHeader {
    DWORD dwCode;
    DWORD dwSize;
};
struct FileHeader {
    DWORD dwRiff;
    DWORD dwRiffSize;
    DWORD dwWave;
};
#pragma pack(pop)

// Moves forward by a chunk's size. A size of 2 GB or more would turn into a
// backward move as one signed distance and could make the scan read the same
// header for ever, so it is made in steps that each go forward.
BOOL SkipForward(HANDLE hFile, DWORD dwSize) {
    do {
        DWORD dwStep = dwSize < kLongestMove ? dwSize : kLongestMove;
        if (SetFilePointer(hFile, static_cast<LONG>(dwStep), nullptr, FILE_CURRENT) ==
            INVALID_SET_FILE_POINTER) {
            return FALSE;
        }
        dwSize -= dwStep;
    } while (dwSize > 0);
    return TRUE;
}

// Whether the file holds at least dwSize more bytes after its position. A
// chunk that claims more than that cannot be read whole, so its buffer is
// never allocated.
BOOL FileHoldsBytes(HANDLE hFile, DWORD dwSize) {
    DWORD dwHere = SetFilePointer(hFile, 0, nullptr, FILE_CURRENT);
    DWORD dwEnd = SetFilePointer(hFile, 0, nullptr, FILE_END);
    DWORD dwBack = SetFilePointer(hFile, static_cast<LONG>(dwHere), nullptr, FILE_BEGIN);
    return dwHere != INVALID_SET_FILE_POINTER && dwEnd != INVALID_SET_FILE_POINTER &&
           dwBack == dwHere && dwEnd >= dwHere && dwEnd - dwHere >= dwSize;
}

// Closes the file and frees whatever was loaded when a load fails part way.
class WaveLoad {
public:
    explicit WaveLoad(HANDLE hFile) : m_hFile(hFile) {}
    ~WaveLoad() {
        delete[] m_pFormat;
        delete[] m_pData;
        CloseHandle(m_hFile);
    }
    WaveLoad(const WaveLoad&) = delete;
    WaveLoad& operator=(const WaveLoad&) = delete;

    BYTE* m_pFormat = nullptr;
    BYTE* m_pData = nullptr;

    int Fail(LPCWSTR pszMessage) {
        if (pszMessage != nullptr) {
            NKDbgPrintfW(pszMessage);
        }
        return 1;
    }

    HANDLE File() const { return m_hFile; }

private:
    HANDLE m_hFile;
};

}  // namespace

int ReadChunk(HANDLE hFile, DWORD dwFourCC, BYTE** ppBuffer, DWORD* pdwSize, DWORD* pdwRemaining) {
    if (pdwRemaining == nullptr || *pdwRemaining == 0 || ppBuffer == nullptr ||
        pdwSize == nullptr) {
        NKDbgPrintfW(L"Invalid parameter to ReadChunk()\r\n");
        return 0;
    }

    ChunkHeader header;
    for (;;) {
        DWORD dwRead = 0;
        if (!ReadFile(hFile, &header, kChunkHeaderSize, &dwRead, nullptr) ||
            dwRead < kChunkHeaderSize) {
            NKDbgPrintfW(L"Error reading chunk header\n");
            return 0;
        }
        *pdwRemaining -= dwRead;
        if (header.dwCode == dwFourCC) {
            break;
        }
        if (!SkipForward(hFile, header.dwSize)) {
            NKDbgPrintfW(L"Error setting file pointer while scanning for chunk\n");
            return 0;
        }
        // Unsigned: a chunk that claims more than remains wraps the count,
        // and the scan goes on until a header read fails at the file's end.
        *pdwRemaining -= header.dwSize;
        if (*pdwRemaining == 0) {
            return 0;
        }
    }

    if (!FileHoldsBytes(hFile, header.dwSize)) {
        NKDbgPrintfW(L"Unable to read chunk data\r\n");
        return 0;
    }
    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[header.dwSize]);
    if (buffer == nullptr) {
        NKDbgPrintfW(L"Unable to allocate chunk buffer\r\n");
        return 0;
    }
    DWORD dwRead{};
    if (!ReadFile(hFile, buffer.get(), header.dwSize, &dwRead, nullptr) || dwRead < header.dwSize) {
        NKDbgPrintfW(L"Unable to read chunk data\r\n");
        return 0;
    }
    *pdwRemaining -= dwRead;
    *ppBuffer = buffer.release();
    *pdwSize = header.dwSize;
    return 1;
}

int ReadWaveFile(LPCWSTR pszFileName, WAVEFORMATEX** ppFormat, DWORD* pdwDataSize, BYTE** ppData) {
    if (pszFileName == nullptr || ppFormat == nullptr || pdwDataSize == nullptr ||
        ppData == nullptr) {
        NKDbgPrintfW(L"Invalid parameter to ReadWaveFile()\r\n");
        return 1;
    }
    HANDLE hFile = CreateFileW(pszFileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        NKDbgPrintfW(L"Error opening %s. Error code = 0x%08x\n", pszFileName, GetLastError());
        return 1;
    }
    WaveLoad load(hFile);

    FileHeader fileHeader;
    DWORD dwRead = 0;
    if (!ReadFile(hFile, &fileHeader, kFileHeaderSize, &dwRead, nullptr) ||
        dwRead < kFileHeaderSize) {
        return load.Fail(L"Error reading file header\n");
    }
    if (fileHeader.dwRiff != FOURCC_RIFF || fileHeader.dwWave != FOURCC_WAVE) {
        return load.Fail(L"Invalid wave file header\n");
    }

    DWORD dwRemaining = fileHeader.dwRiffSize;
    DWORD dwFormatSize = 0;
    if (!ReadChunk(hFile, FOURCC_FMT, &load.m_pFormat, &dwFormatSize, &dwRemaining)) {
        return load.Fail(L"Unable to read format chunk\r\n");
    }
    if (dwFormatSize < kMinFormatSize) {
        return load.Fail(L"Format record too small\r\n");
    }
    // The player divides by this rate; a file that gives 0 cannot be timed.
    DWORD dwAvgBytesPerSec = 0;
    std::memcpy(&dwAvgBytesPerSec, load.m_pFormat + offsetof(WAVEFORMATEX, nAvgBytesPerSec),
                sizeof dwAvgBytesPerSec);
    if (dwAvgBytesPerSec == 0) {
        return load.Fail(L"Invalid average bytes per second\r\n");
    }

    DWORD dwDataSize = 0;
    if (!ReadChunk(hFile, FOURCC_DATA, &load.m_pData, &dwDataSize, &dwRemaining)) {
        return load.Fail(nullptr);
    }

    *ppFormat = reinterpret_cast<WAVEFORMATEX*>(load.m_pFormat);
    *pdwDataSize = dwDataSize;
    *ppData = load.m_pData;
    load.m_pFormat = nullptr;
    load.m_pData = nullptr;
    return 0;
}
