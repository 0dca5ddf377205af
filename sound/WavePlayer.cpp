#include "sound/WavePlayer.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr UINT kDeviceZero = 0;
constexpr DWORD kWaitSlackMs = 1000;
constexpr DWORD kMsPerSecond = 1000;
// The longest wait that is still a time-out and not INFINITE.
constexpr uint64_t kLongestWaitMs = 0xFFFFFFFEu;

// Plays one buffer on an open device and waits for its end, or for the wait
// to run out; the header is unprepared again either way.
void PlayBuffer(HWAVEOUT hWaveOut, BYTE* pData, DWORD dwDataSize, HANDLE hEvent, DWORD dwWaitMs) {
    WAVEHDR header;
    std::memset(&header, 0, sizeof header);
    header.lpData = reinterpret_cast<char*>(pData);
    header.dwBufferLength = dwDataSize;

    MMRESULT mr = waveOutPrepareHeader(hWaveOut, &header, sizeof header);
    if (mr != MMSYSERR_NOERROR) {
        NKDbgPrintfW(L"waveOutPrepareHeader failed. mr=%08x\r\n", mr);
    } else if ((mr = waveOutWrite(hWaveOut, &header, sizeof header)) != MMSYSERR_NOERROR) {
        NKDbgPrintfW(L"waveOutWrite failed. mr=%08x\r\n", mr);
    } else {
        if (WaitForSingleObject(hEvent, dwWaitMs) != WAIT_OBJECT_0) {
            NKDbgPrintfW(L"Timeout waiting for playback to complete\r\n");
            // The device may still be reading the buffer; take it back first.
            mr = waveOutReset(hWaveOut);
            if (mr != MMSYSERR_NOERROR) {
                NKDbgPrintfW(L"waveOutReset failed. mr=%08x\r\n", mr);
            }
        }
        mr = waveOutUnprepareHeader(hWaveOut, &header, sizeof header);
        if (mr != MMSYSERR_NOERROR) {
            NKDbgPrintfW(L"waveOutUnprepareHeader failed. mr=%08x\r\n", mr);
        }
    }
}

}  // namespace

DWORD PlaybackWaitMs(DWORD dwDataSize, DWORD dwAvgBytesPerSec) {
    // In 64 bits: in 32 the product of the data size and 1000 overflows for
    // sounds of more than about 2 MB.
    uint64_t durationMs = static_cast<uint64_t>(dwDataSize) * kMsPerSecond / dwAvgBytesPerSec;
    uint64_t waitMs = durationMs + kWaitSlackMs;
    return static_cast<DWORD>(waitMs < kLongestWaitMs ? waitMs : kLongestWaitMs);
}

void PlayWaveFile(LPCWSTR pszFileName) {
    HANDLE hEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (hEvent == nullptr) {
        return;
    }

    WAVEFORMATEX* pFormat = nullptr;
    DWORD dwDataSize = 0;
    BYTE* pData = nullptr;
    int nResult = ReadWaveFile(pszFileName, &pFormat, &dwDataSize, &pData);
    if (nResult != 0) {
        NKDbgPrintfW(L"ReadWaveFile failed. mr=%08x\r\n", nResult);
        CloseHandle(hEvent);
        return;
    }
    // The loader refuses a rate of 0, so the division is safe.
    DWORD dwWaitMs = PlaybackWaitMs(dwDataSize, pFormat->nAvgBytesPerSec);

    HWAVEOUT hWaveOut = nullptr;
    MMRESULT mr = waveOutOpen(&hWaveOut, kDeviceZero, pFormat, reinterpret_cast<DWORD_PTR>(hEvent),
                              0, CALLBACK_EVENT);
    if (mr != MMSYSERR_NOERROR) {
        NKDbgPrintfW(L"waveOutOpen failed. mr=%08x\r\n", mr);
        delete[] pData;
        delete[] reinterpret_cast<BYTE*>(pFormat);
        CloseHandle(hEvent);
        return;
    }

    PlayBuffer(hWaveOut, pData, dwDataSize, hEvent, dwWaitMs);

    mr = waveOutClose(hWaveOut);
    if (mr != MMSYSERR_NOERROR) {
        NKDbgPrintfW(L"waveOutClose failed. mr=%08x\r\n", mr);
    }

    delete[] pData;
    delete[] reinterpret_cast<BYTE*>(pFormat);
    CloseHandle(hEvent);
}
