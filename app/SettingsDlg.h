// The settings dialog: the one full-screen window of the panel. It owns all
// state of the user interface for the life of the program: the stored
// settings record and the pages' working copies, the pen state, the image
// buttons, the background surfaces and fonts, and the links to the launcher,
// the devices and the boot record.
#pragma once

#include "app/SettingsIds.h"
#include "devices/DeviceControl.h"
#include "devices/LauncherLink.h"
#include "platform/Afx.h"
#include "settings/BootShare.h"
#include "settings/IniInfo.h"
#include "ui/ImageButton.h"

constexpr UINT IDD_SETTINGS_DIALOG = 102;
constexpr UINT IDI_APP_ICON = 128;
constexpr int IMAGE_BUTTON_COUNT = 8;
constexpr int OPTION_RECT_COUNT = 11;
constexpr int VOLUME_SLIDER_COUNT = 3;

class CSettingsDlg : public CDialog {
public:
    explicit CSettingsDlg(CWnd* pParent = nullptr);
    ~CSettingsDlg() override;

    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Message handlers.
    void OnLButtonDown(UINT nFlags, POINT point);
    void OnLButtonUp(UINT nFlags, POINT point);
    void OnMouseMove(UINT nFlags, POINT point);
    void OnLButtonDblClk(UINT nFlags, POINT point);
    void OnTimer(UINT_PTR nIDEvent);
    void OnDestroy();
    void OnPaint();
    BOOL OnEraseBkgnd(CDC* pDC);
    LRESULT OnCloseSettings(WPARAM wParam, LPARAM lParam);

    // Settings record, commit and defaults.
    void LoadSettings();
    void SavePageData();
    void OnBtOk();
    void OnBtDefault();
    void RestoreDevices();

    // Backgrounds, fonts and the main-menu preview.
    void CreateMainBackground();
    void CreateSoundBackground();
    void CreateBasicBackground();
    void CreateAdvanBackground();
    void InitScreenFont();
    HFONT MakeFont(LPCWSTR lpszFace, int nHeight, bool bBold, bool bAntialiased);
    void DrawMainPreview(CDC* pTargetDC);

    // Page panels, drawn into any surface.
    void DrawVolumeSlider(CDC* pTargetDC, int nKnobY, int nSlider);
    void DrawBasicOptions(CDC* pTargetDC);
    void DrawAdvanOptions(CDC* pTargetDC);
    void DrawBar(CDC* pTargetDC, int nX, int nBarId);
    void DrawFmPanel(CDC* pTargetDC, int nStep, int bDisplayOnly);

    // Fields, in declaration order.
    HICON m_hAppIcon;
    CDC* m_pScreenDC;
    CDC m_dcMainBg;
    CDC m_dcSoundBg;
    CDC m_dcBasicBg;
    CDC m_dcAdvanBg;
    CImageButton m_btn[IMAGE_BUTTON_COUNT];
    SHORT m_nSelIcon;
    SHORT m_nCurPage;
    SOUND_PAGE_DATA SoundPageData;
    BASIC_PAGE_DATA BasicPageData;
    ADVAN_PAGE_DATA AdvanPageDAta;
    INIINFO m_IniInfo;
    CLauncherLink m_launcher;
    CDeviceControl m_device;
    int m_nPressedBtn;
    int m_nDragSlider;
    int m_nDragBar;
    int m_nLastKnobY[VOLUME_SLIDER_COUNT];
    RECT m_rcHit[OPTION_RECT_COUNT];
    CFont m_fontScreen;
    CFont* m_pOldFont;
    int m_bFmRepeat;
    int m_nFmDirection;
    CBootShare m_bootShare;
    int m_bBarChanged;
    HFONT m_hVersionFont;

private:
    // Drawing resources of the dialog's life: the screen surface, the
    // backgrounds, the fonts and the buttons (made at initialisation, freed
    // at destruction).
    void CreateScreenResources();
    void DestroyScreenResources();
    void CreateButtons();
    void CreatePageBackground(CDC& pageDC, UINT nPanelBitmapId);
    // Controller steps shared by the pages.
    void Click();
    void PressButton(int nButton);
    bool ButtonHolds(int nButton, POINT point) const;
    void PressAcceptedButton(POINT point, const bool (&bAccepted)[IMAGE_BUTTON_COUNT]);
    void DrawMainIcons(CDC* pDC, int nPressedIcon);
    void OpenTouchPage();
    void RunButtonAction(int nButton);
    void PenDownMain(POINT point);
    void PenDownSound(POINT point);
    void PenDownBasic(POINT point);
    void PenDownAdvan(POINT point);
};
