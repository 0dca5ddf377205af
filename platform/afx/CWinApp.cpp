#include "platform/afx/CWinApp.h"

namespace {

// The program's module handle: resources are the program's own, so one
// fixed value stands for it.
HINSTANCE const kProgramInstance = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));

CWinApp* g_app = nullptr;

}  // namespace

CWinApp::CWinApp(LPCWSTR lpszAppName) : m_hInstance(kProgramInstance), m_pszAppName(lpszAppName) {
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this) {
        g_app = nullptr;
    }
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

CWinApp* AfxGetApp() {
    return g_app;
}

HINSTANCE AfxGetInstanceHandle() {
    return g_app != nullptr ? g_app->m_hInstance : kProgramInstance;
}

HINSTANCE AfxGetResourceHandle() {
    return AfxGetInstanceHandle();
}
