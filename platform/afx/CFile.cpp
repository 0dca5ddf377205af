#include "platform/afx/CFile.h"

#include "platform/WinBase.h"

namespace {

constexpr UINT kAccessMask = 0x0003;
constexpr UINT kShareMask = 0x0070;

// shareDenyWrite and shareDenyNone let other opens in; compatibility,
// exclusive and deny-read keep the file to this open alone.
DWORD ShareOf(UINT flags) {
    UINT share = flags & kShareMask;
    return share == CFile::shareDenyWrite || share == CFile::shareDenyNone
               ? FILE_SHARE_READ | FILE_SHARE_WRITE
               : 0;
}

DWORD AccessOf(UINT flags) {
    switch (flags & kAccessMask) {
        case CFile::modeWrite:
            return GENERIC_WRITE;
        case CFile::modeReadWrite:
            return GENERIC_READ | GENERIC_WRITE;
        default:
            return GENERIC_READ;
    }
}

DWORD CreationOf(UINT flags) {
    if ((flags & CFile::modeCreate) == 0) {
        return OPEN_EXISTING;
    }
    return (flags & CFile::modeNoTruncate) != 0 ? OPEN_ALWAYS : CREATE_ALWAYS;
}

}  // namespace

struct CFile::Impl {
    HANDLE file = INVALID_HANDLE_VALUE;
};

CFile::CFile() : m_pImpl(std::make_unique<Impl>()) {}

CFile::~CFile() {
    Close();
}

BOOL CFile::Open(LPCWSTR lpszFileName, UINT nOpenFlags, CFileException* pError) {
    auto fail = [&](DWORD error) {
        SetLastError(error);
        if (pError != nullptr) {
            pError->m_lOsError = error;
        }
        return FALSE;
    };
    if (IsOpen() || (nOpenFlags & kAccessMask) == kAccessMask) {
        return fail(ERROR_INVALID_PARAMETER);
    }
    HANDLE file = CreateFileW(lpszFileName, AccessOf(nOpenFlags), ShareOf(nOpenFlags), nullptr,
                              CreationOf(nOpenFlags), 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return fail(GetLastError());
    }
    m_pImpl->file = file;
    return TRUE;
}

UINT CFile::Read(void* lpBuf, UINT nCount) {
    DWORD count = 0;  // a short read keeps what it got, with its error set
    if (IsOpen()) {
        ReadFile(m_pImpl->file, lpBuf, nCount, &count, nullptr);
    }
    return count;
}

BOOL CFile::Write(const void* lpBuf, UINT nCount) {
    DWORD count = 0;
    return IsOpen() && WriteFile(m_pImpl->file, lpBuf, nCount, &count, nullptr) && count == nCount
               ? TRUE
               : FALSE;
}

BOOL CFile::Close() {
    if (!m_pImpl || !IsOpen()) {
        return TRUE;
    }
    HANDLE file = m_pImpl->file;
    m_pImpl->file = INVALID_HANDLE_VALUE;
    return CloseHandle(file);
}

BOOL CFile::IsOpen() const {
    return m_pImpl->file != INVALID_HANDLE_VALUE ? TRUE : FALSE;
}
