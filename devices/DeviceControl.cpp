#include "devices/DeviceControl.h"

#include <algorithm>

#include "devices/VolumeTable.h"
#include "platform/MmSystem.h"
#include "settings/IniInfo.h"

namespace {

constexpr LPCWSTR kBacklightDevice = L"BAK1:";
constexpr LPCWSTR kIicDevice = L"IIC1:";
constexpr LPCWSTR kFmtDevice = L"FMT1:";

constexpr DWORD IOCTL_BACKLIGHT_SET_LEVEL = 0x2000;
constexpr DWORD IOCTL_IIC_WRITE = 0;
constexpr DWORD IOCTL_FMT_SET_FREQUENCY = 1;
constexpr DWORD IOCTL_FMT_STANDBY = 2;

constexpr BYTE FMT_STANDBY_ON = 0x01;   // transmitter off
constexpr BYTE FMT_STANDBY_OFF = 0x00;  // transmitter on

constexpr double kBacklightScale = 0.268;
constexpr int kBacklightBase = 33;
constexpr double kContrastScale = 0.578;
constexpr int kContrastBase = 48;

// The display chip's address on the I2C bus and the register writes that
// set its contrast: a control register, then the same value into three.
constexpr int kDisplayChipAddress = 0x8A;
constexpr int kContrastControlRegister = 0x70;
constexpr int kContrastControlValue = 0x20;
constexpr int kContrastRegisters[] = {0x74, 0x75, 0x76};

constexpr int kFmMhzMin = 87;
constexpr int kFmMhzMax = 108;
constexpr int kFmDecimalBottom = 5;  // 87.5 MHz is the lowest frequency

HANDLE OpenDriver(LPCWSTR lpszDevice) {
    return CreateFileW(lpszDevice, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

void SendControl(HANDLE hDevice, DWORD dwCode, BYTE* pInput, DWORD nInputSize) {
    DeviceIoControl(hDevice, dwCode, pInput, nInputSize, nullptr, 0, nullptr, nullptr);
}

// A step from a damaged settings file is brought into the table's range
// rather than read past its end.
const VolumeStep& StepRow(int nStep) {
    return VolumeTable[static_cast<std::size_t>(
        std::clamp(nStep, VOLUME_STEP_MIN, VOLUME_STEP_MAX))];
}

int ScaledLevel(int nPosition, double dScale, int nBase) {
    return static_cast<int>(nPosition * dScale + 0.5) + nBase;
}

}  // namespace

CDeviceControl::CDeviceControl() : nLastBacklight(-1), nLastContrast(-1) {}

CDeviceControl::~CDeviceControl() = default;

int CDeviceControl::VolumeStepFromY(int nY, int bApply) {
    int nStep = VOLUME_STEP_MAX;
    for (int i = VOLUME_STEP_MIN; i <= VOLUME_STEP_MAX; ++i) {
        if (VolumeTable[static_cast<std::size_t>(i)].nKnobY <= nY) {
            nStep = i;
            break;
        }
    }
    if (bApply != 0) {
        waveOutSetVolume(nullptr, VolumeTable[static_cast<std::size_t>(nStep)].dwVolume);
    }
    return nStep;
}

UINT CDeviceControl::SetVolumeStep(int nStep) {
    return waveOutSetVolume(nullptr, StepRow(nStep).dwVolume);
}

int CDeviceControl::GetVolumeStepY(int nStep) {
    return StepRow(nStep).nKnobY;
}

void CDeviceControl::SetBacklight(int nPosition) {
    HANDLE hBacklight = OpenDriver(kBacklightDevice);
    if (hBacklight == INVALID_HANDLE_VALUE) {
        NKDbgPrintfW(L"Cannot open BackLight \r\n");
        return;
    }
    BYTE level = static_cast<BYTE>(ScaledLevel(nPosition, kBacklightScale, kBacklightBase));
    if (level != nLastBacklight) {
        SendControl(hBacklight, IOCTL_BACKLIGHT_SET_LEVEL, &level, sizeof(level));
        nLastBacklight = level;
    }
    CloseHandle(hBacklight);
}

void CDeviceControl::SetContrast(int nPosition) {
    HANDLE hIic = OpenDriver(kIicDevice);
    if (hIic == INVALID_HANDLE_VALUE) {
        NKDbgPrintfW(L"Cannot open IIC1 \r\n");
        return;
    }
    BYTE value = static_cast<BYTE>(ScaledLevel(nPosition, kContrastScale, kContrastBase));
    NKDbgPrintfW(L"ConTrast : 0X%02x \r\n", value);
    if (value != nLastContrast) {
        IicWrite(hIic, kDisplayChipAddress, kContrastControlRegister, kContrastControlValue);
        for (int nRegister : kContrastRegisters) {
            IicWrite(hIic, kDisplayChipAddress, nRegister, value);
        }
        nLastContrast = value;
    }
    CloseHandle(hIic);
}

int CDeviceControl::IicWrite(HANDLE hIic, int nAddress, int nRegister, int nValue) {
    BYTE transfer[3] = {static_cast<BYTE>(nAddress), static_cast<BYTE>(nRegister),
                        static_cast<BYTE>(nValue)};
    SendControl(hIic, IOCTL_IIC_WRITE, transfer, sizeof(transfer));
    return 1;
}

void CDeviceControl::SetFmTransmitter(int nMode, int nMhz, int nDecimal) {
    HANDLE hFmt = OpenDriver(kFmtDevice);
    if (hFmt == INVALID_HANDLE_VALUE) {
        NKDbgPrintfW(L"Cannot open Fmt \r\n");
        return;
    }
    if (nMode == FMT_MODE_OFF) {
        BYTE standby = FMT_STANDBY_ON;
        SendControl(hFmt, IOCTL_FMT_STANDBY, &standby, sizeof(standby));
    } else if (nMode == FMT_MODE_ON) {
        BYTE standby = FMT_STANDBY_OFF;
        SendControl(hFmt, IOCTL_FMT_STANDBY, &standby, sizeof(standby));
        BYTE frequency[2] = {static_cast<BYTE>(nMhz), static_cast<BYTE>(nDecimal)};
        SendControl(hFmt, IOCTL_FMT_SET_FREQUENCY, frequency, sizeof(frequency));
    }
    CloseHandle(hFmt);
}

void CDeviceControl::StepFmFrequency(ADVAN_PAGE_DATA& data, int nDirection) {
    SHORT& nMhz = data.nFmtMhz;
    SHORT& nDecimal = data.nFmtDecimal;
    if (nDirection == FM_STEP_UP) {
        if (nMhz >= kFmMhzMax && nDecimal == 0) {
            nMhz = kFmMhzMin;
            nDecimal = kFmDecimalBottom;
        } else if (nDecimal == 9) {
            nMhz = static_cast<SHORT>(nMhz + 1);
            nDecimal = 0;
        } else {
            nDecimal = static_cast<SHORT>(nDecimal + 1);
        }
    } else if (nDirection == FM_STEP_DOWN) {
        if (nMhz <= kFmMhzMin && nDecimal == kFmDecimalBottom) {
            nMhz = kFmMhzMax;
            nDecimal = 0;
        } else if (nDecimal == 0) {
            nMhz = static_cast<SHORT>(nMhz - 1);
            nDecimal = 9;
        } else {
            nDecimal = static_cast<SHORT>(nDecimal - 1);
        }
    }
}
