// Loading a RIFF/WAVE file: its format record and its sample data.
#pragma once

#include "platform/MmSystem.h"
#include "platform/WinBase.h"

// Four-character codes as 32-bit little-endian words.
constexpr DWORD FOURCC_RIFF = 0x46464952;  // "RIFF"
constexpr DWORD FOURCC_WAVE = 0x45564157;  // "WAVE"
constexpr DWORD FOURCC_FMT = 0x20746D66;   // "fmt "
constexpr DWORD FOURCC_DATA = 0x61746164;  // "data"

// Finds the next chunk with the code dwFourCC from the file's position and
// loads its data into a buffer of exactly its size (freed with delete[]).
// *pdwRemaining is lowered by every byte read or skipped; the scan stops when
// it reaches 0. Returns 1 when found and read, 0 on failure, when the buffer
// and size are left untouched.
int ReadChunk(HANDLE hFile, DWORD dwFourCC, BYTE** ppBuffer, DWORD* pdwSize, DWORD* pdwRemaining);

// Loads the format record and the sample data of a wave file, each in a
// buffer of exactly its chunk's size (freed with delete[] on a BYTE*).
// Returns 0 on success, 1 on failure, when the out arguments are untouched.
int ReadWaveFile(LPCWSTR pszFileName, WAVEFORMATEX** ppFormat, DWORD* pdwDataSize, BYTE** ppData);
