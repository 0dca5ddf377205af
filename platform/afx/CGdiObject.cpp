#include "platform/afx/CGdiObject.h"

BOOL CGdiObject::Attach(HGDIOBJ hObject) {
    if (hObject == nullptr || m_hObject != nullptr) {
        return FALSE;
    }
    m_hObject = hObject;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
    HGDIOBJ h = m_hObject;
    m_hObject = nullptr;
    return h;
}

BOOL CGdiObject::DeleteObject() {
    if (m_hObject == nullptr) {
        return FALSE;
    }
    // A refused delete (the object is still selected) keeps the handle, so
    // that the caller can deselect it and try again instead of leaking it.
    if (!::DeleteObject(m_hObject)) {
        return FALSE;
    }
    m_hObject = nullptr;
    return TRUE;
}
