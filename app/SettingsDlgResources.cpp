// The drawing resources that live as long as the dialog's window: made in
// one go at initialisation and freed in one go at destruction.
#include "app/SettingsDlg.h"
#include "ui/TextStyle.h"

namespace {

constexpr int kVersionFontHeight = 16;

}  // namespace

void CSettingsDlg::CreateScreenResources() {
    m_pScreenDC = GetDC();
    CreateMainBackground();
    CreateSoundBackground();
    CreateBasicBackground();
    CreateAdvanBackground();
    InitScreenFont();
    m_hVersionFont = MakeFont(kTextFace, kVersionFontHeight, true, true);
    CreateButtons();
}

void CSettingsDlg::DestroyScreenResources() {
    // Each background surface frees the bitmap selected into it.
    m_dcSoundBg.DeleteDC();
    m_dcBasicBg.DeleteDC();
    m_dcAdvanBg.DeleteDC();
    m_dcMainBg.DeleteDC();
    if (m_pScreenDC != nullptr) {
        // The screen font cannot be deleted while the surface has it selected.
        if (m_pOldFont != nullptr) {
            m_pScreenDC->SelectObject(m_pOldFont);
        }
        m_fontScreen.DeleteObject();
        ReleaseDC(m_pScreenDC);
        m_pScreenDC = nullptr;
    } else {
        m_fontScreen.DeleteObject();
    }
    m_pOldFont = nullptr;
    if (m_hVersionFont != nullptr) {
        ::DeleteObject(m_hVersionFont);
        m_hVersionFont = nullptr;
    }
}
