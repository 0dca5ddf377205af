#include "platform/afx/CDialog.h"

#include "platform/display/Display.h"
#include "platform/window/MessageLoop.h"
#include "platform/window/WindowTable.h"

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
    dv::window::DetachWindow(this);
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
    if (m_hWnd != nullptr) {
        return FALSE;
    }
    m_nIDTemplate = nIDTemplate;
    m_pParentWnd = pParentWnd;
    dv::window::CreateParams params;
    params.className = kDialogClass;
    params.style = kTemplateStyle;
    params.rect = RECT{0, 0, kTemplateWidth, kTemplateHeight};
    HWND hwnd = dv::window::CreateWindowFor(this, params);
    // With the display turned off (tests) the loop waits on its own queue.
    if (dv::display::Open()) {
        if (auto record = dv::window::Windows().Find(hwnd)) {
            std::lock_guard guard(dv::window::Windows().Mutex());
            record->ownsDisplay = true;
        }
        dv::window::CurrentQueue()->UseDisplayForWaits();
    }
    ::InvalidateRect(hwnd, nullptr, TRUE);
    SendMessage(WM_INITDIALOG, 0, 0);
    return TRUE;
}

INT_PTR CDialog::DoModal() {
    m_nModalResult = -1;
    if (m_hWnd == nullptr && !Create(m_nIDTemplate, m_pParentWnd)) {
        return -1;
    }
    auto queue = dv::window::CurrentQueue();
    dv::window::LoopOptions options;
    options.preTranslator = this;
    options.keepRunning = [this] { return m_hWnd != nullptr; };
    if (dv::window::RunMessageLoop(options) == dv::window::LoopEnd::Quit) {
        queue->ClearQuit();
    }
    // Whoever waits for the panel to settle learns that it has ended.
    queue->FlushIdleReplies();
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
