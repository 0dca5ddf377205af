#include "platform/afx/CFile.h"

#include "platform/Platform.h"
#include "platform/WinBase.h"
#include "platform/storage/StorageFile.h"

namespace {

constexpr UINT kAccessMask = 0x0003;
constexpr UINT kShareMask = 0x0070;

// shareDenyWrite and shareDenyNone let other opens in; compatibility,
// exclusive and deny-read keep the file to this open alone.
bool IsShared(UINT flags) {
    UINT share = flags & kShareMask;
    return share == CFile::shareDenyWrite || share == CFile::shareDenyNone;
}

dv::FileOpenMode ModeOf(UINT flags) {
    dv::FileOpenMode mode;
    UINT access = flags & kAccessMask;
    mode.read = access == CFile::modeRead || access == CFile::modeReadWrite;
    mode.write = access == CFile::modeWrite || access == CFile::modeReadWrite;
    mode.shared = IsShared(flags);
    if ((flags & CFile::modeCreate) == 0) {
        mode.disposition = dv::FileDisposition::OpenExisting;
    } else if ((flags & CFile::modeNoTruncate) != 0) {
        mode.disposition = dv::FileDisposition::ReplaceKeeping;
    } else {
        mode.disposition = dv::FileDisposition::Replace;
    }
    return mode;
}

}  // namespace

struct CFile::Impl {
    std::shared_ptr<dv::StorageFile> file;
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
    if (m_pImpl->file) {
        return fail(ERROR_INVALID_PARAMETER);  // already open
    }
    if (lpszFileName == nullptr || *lpszFileName == L'\0' ||
        (nOpenFlags & kAccessMask) == kAccessMask) {
        return fail(ERROR_INVALID_PARAMETER);
    }
    DWORD error = ERROR_SUCCESS;
    m_pImpl->file =
        dv::StorageFile::Open(dv::UnitPathToHost(lpszFileName), ModeOf(nOpenFlags), error);
    if (!m_pImpl->file) {
        return fail(error);
    }
    return TRUE;
}

UINT CFile::Read(void* lpBuf, UINT nCount) {
    if (!m_pImpl->file || (lpBuf == nullptr && nCount != 0)) {
        return 0;
    }
    DWORD count = 0;
    DWORD error = m_pImpl->file->Read(std::span<BYTE>(static_cast<BYTE*>(lpBuf), nCount), count);
    SetLastError(error);
    return count;
}

BOOL CFile::Write(const void* lpBuf, UINT nCount) {
    if (!m_pImpl->file || (lpBuf == nullptr && nCount != 0)) {
        return FALSE;
    }
    DWORD count = 0;
    DWORD error =
        m_pImpl->file->Write(std::span<const BYTE>(static_cast<const BYTE*>(lpBuf), nCount), count);
    SetLastError(error);
    return error == ERROR_SUCCESS && count == nCount ? TRUE : FALSE;
}

BOOL CFile::Close() {
    if (!m_pImpl || !m_pImpl->file) {
        return TRUE;
    }
    bool ok = m_pImpl->file->Close();
    m_pImpl->file.reset();
    return ok ? TRUE : FALSE;
}

BOOL CFile::IsOpen() const {
    return m_pImpl->file ? TRUE : FALSE;
}
