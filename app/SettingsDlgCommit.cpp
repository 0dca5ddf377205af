// Moving values between the pages' working copies and the stored record:
// loading at start, the commit of a page, OK, Default and the hardware
// restore.
#include <algorithm>
#include <cstring>

#include "app/SettingsDlg.h"

namespace {

// The largest bar position handed to the hardware (knob x 405).
constexpr int kMaxBarPosition = BAR_KNOB_X_MAX - BAR_KNOB_X_MIN;

// The record's fields 1-3, 4-7 and 8-12 are the pages' working copies.
void* SoundSlice(INIINFO& info) {
    return &info.nNaviVolume;
}
void* BasicSlice(INIINFO& info) {
    return &info.nAutoStart;
}
void* AdvanSlice(INIINFO& info) {
    return &info.nRearCamera;
}
BYTE BootFlagFor(SHORT nAutoPowerOn) {
    return nAutoPowerOn == AUTOPOWER_ON ? 1 : 0;
}

int BarPosition(SHORT nKnobX) {
    return std::min(nKnobX - BAR_KNOB_X_MIN, kMaxBarPosition);
}

}  // namespace

void CSettingsDlg::LoadSettings() {
    m_launcher.IniReadString(&m_IniInfo, kSettingsFilePath);
    m_nSelIcon = m_IniInfo.nPage;
    std::memcpy(&SoundPageData, SoundSlice(m_IniInfo), sizeof(SoundPageData));
    std::memcpy(&BasicPageData, BasicSlice(m_IniInfo), sizeof(BasicPageData));
    std::memcpy(&AdvanPageDAta, AdvanSlice(m_IniInfo), sizeof(AdvanPageDAta));
}

void CSettingsDlg::SavePageData() {
    m_IniInfo.nPage = m_nCurPage;
    switch (m_nCurPage) {
        case PAGE_SOUND:
            std::memcpy(SoundSlice(m_IniInfo), &SoundPageData, sizeof(SoundPageData));
            break;
        case PAGE_BASIC: {
            SHORT nOldAutoPowerOn = m_IniInfo.nAutoPowerOn;
            std::memcpy(BasicSlice(m_IniInfo), &BasicPageData, sizeof(BasicPageData));
            if (m_IniInfo.nAutoPowerOn != nOldAutoPowerOn) {
                NKDbgPrintfW(L"### Save Shared Boot Nand Memory ###\r\n");
                m_bootShare.WriteBootFlag(BootFlagFor(m_IniInfo.nAutoPowerOn));
            }
            break;
        }
        case PAGE_ADVAN:
            std::memcpy(AdvanSlice(m_IniInfo), &AdvanPageDAta, sizeof(AdvanPageDAta));
            break;
        case PAGE_TOUCH:
            if (m_launcher.ReadCalibrationData()) {
                m_launcher.SaveTouchCal();
            }
            break;
        default:
            break;
    }
    m_launcher.IniWriteString(&m_IniInfo, kSettingsFilePath);
    m_launcher.NotifySettingsPage(m_nCurPage);
}

void CSettingsDlg::OnBtOk() {
    NKDbgPrintfW(L"OnBtOk\r\n");
    m_nCurPage = PAGE_MAIN;
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CSettingsDlg::OnBtDefault() {
    NKDbgPrintfW(L"OnBtDefault\r\n");
    m_launcher.IniSetDefault(&m_IniInfo);
    m_launcher.IniWriteString(&m_IniInfo, kSettingsFilePath);
    RestoreDevices();
    if (m_IniInfo.nAutoPowerOn != BasicPageData.nAutoPowerOn) {
        NKDbgPrintfW(L"### OnBtDefault Save Shared Boot Nand Memory ###\r\n");
        m_bootShare.WriteBootFlag(BootFlagFor(m_IniInfo.nAutoPowerOn));
    }
    std::memcpy(&SoundPageData, SoundSlice(m_IniInfo), sizeof(SoundPageData));
    std::memcpy(&BasicPageData, BasicSlice(m_IniInfo), sizeof(BasicPageData));
    std::memcpy(&AdvanPageDAta, AdvanSlice(m_IniInfo), sizeof(AdvanPageDAta));
    m_launcher.NotifySettingsPage(PAGE_SOUND);
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CSettingsDlg::RestoreDevices() {
    if (m_IniInfo.nNaviVolume != SoundPageData.nNaviVolume) {
        NKDbgPrintfW(L"Repare Main Volume\r\n");
        m_device.SetVolumeStep(m_IniInfo.nNaviVolume);
    }
    if (m_IniInfo.nBright != BasicPageData.nBright) {
        NKDbgPrintfW(L"Repare Bright Repare\r\n");
        m_device.SetBacklight(BarPosition(m_IniInfo.nBright));
    }
    if (m_IniInfo.nContrast != BasicPageData.nContrast) {
        NKDbgPrintfW(L"Repare Contrast Repare\r\n");
        m_device.SetContrast(BarPosition(m_IniInfo.nContrast));
    }
    if (m_IniInfo.nFmtOn != AdvanPageDAta.nFmtOn) {
        NKDbgPrintfW(L"Repare Fmt Repare\r\n");
        if (m_IniInfo.nFmtOn == FMT_ON) {
            m_device.SetFmTransmitter(FMT_MODE_ON, AdvanPageDAta.nFmtMhz,
                                      AdvanPageDAta.nFmtDecimal);
        } else {
            m_device.SetFmTransmitter(FMT_MODE_OFF, 0, 0);
        }
    }
}
