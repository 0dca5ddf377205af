// The settings record: thirteen little-endian int16 fields, 26 bytes,
// identical in memory and in "\FlashMem\sysini\conf.ini".
#pragma once

#include <cstddef>

#include "platform/WinDef.h"

#pragma pack(push, 1)
struct INIINFO {
    SHORT nPage;
    SHORT nNaviVolume;
    SHORT nDmbVolume;
    SHORT nAvInVolume;
    SHORT nAutoStart;
    SHORT nBright;
    SHORT nContrast;
    SHORT nAutoPowerOn;
    SHORT nRearCamera;
    SHORT nFmtOn;
    SHORT nFmtMhz;
    SHORT nFmtDecimal;
    SHORT PiKoMute;
};

// Working copy of the sound page: fields 1-3 of the record.
struct SOUND_PAGE_DATA {
    SHORT nNaviVolume;
    SHORT nDmbVolume;
    SHORT nAvInVolume;
};

// Working copy of the basic page: fields 4-7 of the record.
struct BASIC_PAGE_DATA {
    SHORT nAutoStart;
    SHORT nBright;
    SHORT nContrast;
    SHORT nAutoPowerOn;
};

// Working copy of the advanced page: fields 8-12 of the record.
struct ADVAN_PAGE_DATA {
    SHORT nRearCamera;
    SHORT nFmtOn;
    SHORT nFmtMhz;
    SHORT nFmtDecimal;
    SHORT PiKoMute;
};
#pragma pack(pop)

// The file is the record's bytes, so its layout is an external interface.
static_assert(sizeof(INIINFO) == 26);
static_assert(offsetof(INIINFO, nPage) == 0);
static_assert(offsetof(INIINFO, nNaviVolume) == 2);
static_assert(offsetof(INIINFO, nAutoStart) == 8);
static_assert(offsetof(INIINFO, nBright) == 10);
static_assert(offsetof(INIINFO, nContrast) == 12);
static_assert(offsetof(INIINFO, nAutoPowerOn) == 14);
static_assert(offsetof(INIINFO, nRearCamera) == 16);
static_assert(offsetof(INIINFO, nFmtOn) == 18);
static_assert(offsetof(INIINFO, nFmtMhz) == 20);
static_assert(offsetof(INIINFO, nFmtDecimal) == 22);
static_assert(offsetof(INIINFO, PiKoMute) == 24);
static_assert(sizeof(SOUND_PAGE_DATA) == 6);
static_assert(sizeof(BASIC_PAGE_DATA) == 8);
static_assert(sizeof(ADVAN_PAGE_DATA) == 10);
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "the record is kept in memory exactly as the file holds it");

// Option numbers as the record stores them.
constexpr SHORT AUTOPOWER_OFF = 3;
constexpr SHORT AUTOPOWER_ON = 4;
constexpr SHORT REARCAM_OFF = 2;
constexpr SHORT REARCAM_ON = 3;
constexpr SHORT FMT_OFF = 4;
constexpr SHORT FMT_ON = 5;
constexpr SHORT PIKOMUTE_ON = 1;
constexpr SHORT PIKOMUTE_OFF = 0;

// Knob x of the brightness and contrast bars, stored in nBright/nContrast.
constexpr SHORT BAR_KNOB_X_MIN = 156;
constexpr SHORT BAR_KNOB_X_MAX = 405;

// The record a unit leaves the factory with.
constexpr INIINFO kFactoryIniInfo = {
    0,    // nPage: the sound page
    6,    // nNaviVolume
    6,    // nDmbVolume
    6,    // nAvInVolume
    0,    // nAutoStart: none
    405,  // nBright: knob at the right end
    295,  // nContrast
    AUTOPOWER_ON,
    REARCAM_ON,
    FMT_OFF,
    87,  // nFmtMhz
    5,   // nFmtDecimal: 87.5 MHz
    PIKOMUTE_OFF,
};

inline constexpr const wchar_t* kSettingsFilePath = L"\\FlashMem\\sysini\\conf.ini";
