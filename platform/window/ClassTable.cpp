#include "platform/window/ClassTable.h"

#include <map>
#include <mutex>
#include <set>

#include "platform/WinBase.h"

namespace dv::window {
namespace {

constexpr wchar_t kDialogClass[] = L"Dialog";
constexpr UINT kFirstAtom = 0xC000;

struct ClassTable {
    std::mutex lock;
    std::map<std::wstring, WNDCLASSW> classes;
    // Class names handed out in WNDCLASSW stay valid for the whole run, so a
    // structure read before UnregisterClassW can be registered again.
    std::set<std::wstring> names;
    UINT nextAtom = kFirstAtom;

    LPCWSTR Intern(const std::wstring& name) { return names.insert(name).first->c_str(); }
};

ClassTable& Table() {
    static ClassTable* table = [] {
        auto* t = new ClassTable;  // lives to the process end
        WNDCLASSW dialog{};
        dialog.lpfnWndProc = DefWindowProcW;
        dialog.lpszClassName = t->Intern(kDialogClass);
        t->classes.emplace(kDialogClass, dialog);
        return t;
    }();
    return *table;
}

std::wstring NameOf(LPCWSTR name) {
    return name == nullptr ? std::wstring() : std::wstring(name);
}

}  // namespace

UINT ClassStyle(const std::wstring& className) {
    ClassTable& t = Table();
    std::lock_guard guard(t.lock);
    auto it = t.classes.find(className);
    return it == t.classes.end() ? 0 : it->second.style;
}

std::optional<WNDPROC> ClassProc(const std::wstring& className) {
    ClassTable& t = Table();
    std::lock_guard guard(t.lock);
    auto it = t.classes.find(className);
    if (it == t.classes.end()) {
        return std::nullopt;
    }
    return it->second.lpfnWndProc != nullptr ? it->second.lpfnWndProc : DefWindowProcW;
}

}  // namespace dv::window

BOOL GetClassInfoW(HINSTANCE /*hInstance*/, LPCWSTR lpClassName, WNDCLASSW* lpWndClass) {
    if (lpClassName == nullptr || IS_INTRESOURCE(lpClassName) || lpWndClass == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto& t = dv::window::Table();
    std::lock_guard guard(t.lock);
    auto it = t.classes.find(lpClassName);
    if (it == t.classes.end()) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    *lpWndClass = it->second;
    return TRUE;
}

BOOL UnregisterClassW(LPCWSTR lpClassName, HINSTANCE /*hInstance*/) {
    if (lpClassName == nullptr || IS_INTRESOURCE(lpClassName)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto& t = dv::window::Table();
    std::lock_guard guard(t.lock);
    if (t.classes.erase(lpClassName) == 0) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    return TRUE;
}

UINT RegisterClassW(const WNDCLASSW* lpWndClass) {
    if (lpWndClass == nullptr || lpWndClass->lpszClassName == nullptr ||
        IS_INTRESOURCE(lpWndClass->lpszClassName)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto& t = dv::window::Table();
    std::lock_guard guard(t.lock);
    std::wstring name = dv::window::NameOf(lpWndClass->lpszClassName);
    if (t.classes.count(name) != 0) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    WNDCLASSW copy = *lpWndClass;
    copy.lpszClassName = t.Intern(name);
    copy.lpszMenuName = nullptr;
    t.classes.emplace(name, copy);
    return t.nextAtom++;
}
