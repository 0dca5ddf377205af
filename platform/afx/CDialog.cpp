#include "platform/afx/CDialog.h"

#include "platform/WindowServices.h"

namespace {

// The dialog templates of the program are empty full-screen popups: no
// caption, no frame, no controls. Their nominal size, 130 x 90 dialog units
// of the 8-point system font, only matters until OnInitDialog sizes them.
constexpr DWORD kTemplateStyle = WS_POPUP | WS_VISIBLE | DS_SETFONT;
constexpr LONG kTemplateWidth = 130 * 6 / 4;
constexpr LONG kTemplateHeight = 90 * 13 / 8;
constexpr wchar_t kDialogClass[] = L"Dialog";

}  // namespace

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() {
    DropWindow();
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
    if (m_hWnd != nullptr) {
        return FALSE;
    }
    m_nIDTemplate = nIDTemplate;
    m_pParentWnd = pParentWnd;
    if (!CreateEx(0, kDialogClass, nullptr, kTemplateStyle,
                  RECT{0, 0, kTemplateWidth, kTemplateHeight})) {
        return FALSE;
    }
    HWND hwnd = m_hWnd;
    dv::ShowOnScreen(hwnd);
    ::InvalidateRect(hwnd, nullptr, TRUE);
    SendMessage(WM_INITDIALOG, 0, 0);
    return TRUE;
}

INT_PTR CDialog::DoModal() {
    m_nModalResult = -1;
    if (m_hWnd == nullptr && !Create(m_nIDTemplate, m_pParentWnd)) {
        return -1;
    }
    dv::RunModalLoop([this] { return m_hWnd != nullptr; },
                     [this](MSG* pMsg) {
                         return (m_hWnd != nullptr && PreTranslateMessage(pMsg)) ? TRUE : FALSE;
                     });
    return m_nModalResult;
}

BOOL CDialog::OnInitDialog() {
    return TRUE;
}

void CDialog::OnOK() {
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::EndDialog(int nResult) {
    m_nModalResult = nResult;
    if (m_hWnd != nullptr) {
        DestroyWindow();
    }
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
    // The dialog manager's keys: Enter is OK, Escape is cancel.
    if (pMsg != nullptr && pMsg->message == WM_KEYDOWN && pMsg->hwnd == m_hWnd) {
        if (pMsg->wParam == VK_ESCAPE) {
            OnCancel();
            return TRUE;
        }
        if (pMsg->wParam == VK_RETURN) {
            OnOK();
            return TRUE;
        }
    }
    return FALSE;
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog();
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                OnOK();
                return 0;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                OnCancel();
                return 0;
            }
            break;
        default:
            break;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // The dialog manager closes a dialog as its cancel does.
    if (message == WM_CLOSE) {
        if (m_hWnd != nullptr) {
            OnCancel();
        }
        return 0;
    }
    return CWnd::DefWindowProc(message, wParam, lParam);
}
