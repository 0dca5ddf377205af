// The application object: admits one running copy and runs the settings
// dialog modally.
#pragma once

#include "platform/Afx.h"

class CSettingsApp : public CWinApp {
public:
    CSettingsApp();
    BOOL InitInstance() override;
};
