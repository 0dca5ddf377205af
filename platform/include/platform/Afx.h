// The unit's application class library, as the system code uses it.
#pragma once

#include "platform/MmSystem.h"
#include "platform/WinBase.h"
#include "platform/WinDef.h"
#include "platform/WinGdi.h"
#include "platform/WinReg.h"
#include "platform/WinUser.h"
#include "platform/afx/CDC.h"
#include "platform/afx/CDialog.h"
#include "platform/afx/CFile.h"
#include "platform/afx/CFont.h"
#include "platform/afx/CGdiObject.h"
#include "platform/afx/CPaintDC.h"
#include "platform/afx/CWinApp.h"
#include "platform/afx/CWnd.h"
