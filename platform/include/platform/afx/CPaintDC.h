#pragma once

#include "platform/afx/CDC.h"
#include "platform/afx/CWnd.h"

// The window's paint context for the length of one paint pass.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;

    PAINTSTRUCT m_ps{};

private:
    HWND m_hWndPaint;
};
