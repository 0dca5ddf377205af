// The unit's file object. Opens are exclusive unless a share flag says
// otherwise, across threads and processes. A file opened with modeCreate is
// replaced whole when it is closed: the new bytes go to a temporary file in
// the same folder, which is flushed and renamed over the old one, so a power
// cut leaves either the old or the new contents. modeCreate with
// modeNoTruncate opens the file in place, made empty when missing.
#pragma once

#include <memory>

#include "platform/WinDef.h"

class CFileException {
public:
    DWORD m_lOsError = 0;
};

class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000,
    };

    CFile();
    virtual ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Returns FALSE (and fills *pError when given) if the file cannot be opened.
    virtual BOOL Open(LPCWSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr);
    // Returns the count of bytes read; 0 at the end or on a failure.
    virtual UINT Read(void* lpBuf, UINT nCount);
    // Returns FALSE when not all bytes were written.
    virtual BOOL Write(const void* lpBuf, UINT nCount);
    // Ends the open; for modeCreate, this is when the new contents take the
    // file's place. Returns FALSE when they could not be made durable.
    virtual BOOL Close();
    BOOL IsOpen() const;

    struct Impl;

private:
    std::unique_ptr<Impl> m_pImpl;
};
