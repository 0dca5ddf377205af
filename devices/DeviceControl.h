// The hardware the panel sets: audio volume steps, backlight, display
// contrast over the I2C bus, and the FM transmitter.
#pragma once

#include "platform/WinBase.h"

struct ADVAN_PAGE_DATA;

constexpr int FMT_MODE_OFF = 1;
constexpr int FMT_MODE_ON = 2;
constexpr int FM_STEP_UP = 1;
constexpr int FM_STEP_DOWN = 2;

class CDeviceControl {
public:
    CDeviceControl();
    virtual ~CDeviceControl();

    // Pen y to volume step 0..10; with bApply non-zero the output takes it.
    int VolumeStepFromY(int nY, int bApply);
    UINT SetVolumeStep(int nStep);
    int GetVolumeStepY(int nStep);

    // Bar positions 0..249 (knob x - 156).
    void SetBacklight(int nPosition);
    void SetContrast(int nPosition);
    int IicWrite(HANDLE hIic, int nAddress, int nRegister, int nValue);
    void SetFmTransmitter(int nMode, int nMhz, int nDecimal);
    // Steps the working frequency of the advanced page one tenth up or down.
    void StepFmFrequency(ADVAN_PAGE_DATA& data, int nDirection);

    int nLastBacklight;
    int nLastContrast;
};
