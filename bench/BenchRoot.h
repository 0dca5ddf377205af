// The bench's world: a temporary device root with the simulated drivers, no
// display, and one settings dialog on it for the whole run.
#pragma once

#include <string>

#include "platform/WinDef.h"

class CSettingsDlg;

class BenchRoot {
public:
    static BenchRoot& Get();

    const std::string& Folder() const { return m_folder; }
    CSettingsDlg& Dlg();
    // A pen message straight to the dialog, as the window system delivers it.
    void Pen(UINT message, int x, int y);
    // Puts a page on the screen through the paint handler.
    void Show(SHORT page);

private:
    BenchRoot();
    std::string m_folder;
    CSettingsDlg* m_pDlg = nullptr;
};
