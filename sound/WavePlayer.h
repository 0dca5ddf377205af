// The click sound: a wave file played once, to its end, before the call
// returns.
#pragma once

#include "sound/WaveFile.h"

// Loads the file, plays its samples on waveform output device 0 and waits
// until the device is done with them, at most the sound's length plus one
// second. Failures are logged; the caller goes on in every case.
void PlayWaveFile(LPCWSTR pszFileName);

// How long PlayWaveFile waits for the device: the sound's length plus one
// second, in milliseconds (dwAvgBytesPerSec must not be 0).
DWORD PlaybackWaitMs(DWORD dwDataSize, DWORD dwAvgBytesPerSec);
