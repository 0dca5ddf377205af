// The dialog's message map: which handler each message reaches. Every other
// message goes to the base dialog.
#include "app/SettingsDlg.h"

namespace {

enum class HandlerKind { Pen, Void, Erase, Timer, Message };

struct MessageMapEntry {
    UINT message;
    HandlerKind kind;
    void (CSettingsDlg::*penHandler)(UINT, POINT);
    void (CSettingsDlg::*voidHandler)();
    LRESULT (CSettingsDlg::*messageHandler)(WPARAM, LPARAM);
};

constexpr MessageMapEntry kMessageMap[] = {
    {WM_LBUTTONDOWN, HandlerKind::Pen, &CSettingsDlg::OnLButtonDown, nullptr, nullptr},
    {WM_LBUTTONUP, HandlerKind::Pen, &CSettingsDlg::OnLButtonUp, nullptr, nullptr},
    {WM_MOUSEMOVE, HandlerKind::Pen, &CSettingsDlg::OnMouseMove, nullptr, nullptr},
    {WM_DESTROY, HandlerKind::Void, nullptr, &CSettingsDlg::OnDestroy, nullptr},
    {WM_PAINT, HandlerKind::Void, nullptr, &CSettingsDlg::OnPaint, nullptr},
    {WM_ERASEBKGND, HandlerKind::Erase, nullptr, nullptr, nullptr},
    {WM_TIMER, HandlerKind::Timer, nullptr, nullptr, nullptr},
    {UM_CLOSE_SETTINGS, HandlerKind::Message, nullptr, nullptr, &CSettingsDlg::OnCloseSettings},
    {WM_LBUTTONDBLCLK, HandlerKind::Pen, &CSettingsDlg::OnLButtonDblClk, nullptr, nullptr},
};

POINT PointFromLParam(LPARAM lParam) {
    return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
}

}  // namespace

LRESULT CSettingsDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    for (const MessageMapEntry& entry : kMessageMap) {
        if (entry.message != message) {
            continue;
        }
        switch (entry.kind) {
            case HandlerKind::Erase:
                return OnEraseBkgnd(nullptr);
            case HandlerKind::Message:
                return (this->*entry.messageHandler)(wParam, lParam);
            case HandlerKind::Pen:
                (this->*entry.penHandler)(static_cast<UINT>(wParam), PointFromLParam(lParam));
                break;
            case HandlerKind::Void:
                (this->*entry.voidHandler)();
                break;
            case HandlerKind::Timer:
                OnTimer(static_cast<UINT_PTR>(wParam));
                break;
        }
        return 0;  // pen, paint, destroy and timer handlers have no result
    }
    return CDialog::WindowProc(message, wParam, lParam);
}
