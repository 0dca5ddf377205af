// CreateFileW, ReadFile, WriteFile and SetFilePointer: the one entry to files
// of the device root and to the stream drivers.
#include <string_view>

#include "platform/Platform.h"
#include "platform/WinBase.h"
#include "platform/core/StreamObject.h"
#include "platform/drivers/DriverTable.h"
#include "platform/storage/StorageFile.h"

namespace {

constexpr wchar_t kDriverSuffix = L':';

std::optional<dv::FileDisposition> DispositionOf(DWORD creation) {
    switch (creation) {
        case CREATE_NEW:
            return dv::FileDisposition::CreateNew;
        case CREATE_ALWAYS:
            return dv::FileDisposition::Replace;
        case OPEN_EXISTING:
            return dv::FileDisposition::OpenExisting;
        case OPEN_ALWAYS:
            return dv::FileDisposition::OpenAlways;
        case TRUNCATE_EXISTING:
            return dv::FileDisposition::ReplaceExisting;
        default:
            return std::nullopt;
    }
}

HANDLE Fail(DWORD error) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

HANDLE OpenFile(std::wstring_view name, DWORD access, DWORD shareMode, DWORD creation) {
    auto disposition = DispositionOf(creation);
    if (!disposition) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    dv::FileOpenMode mode;
    mode.read = (access & GENERIC_READ) != 0;
    mode.write = (access & GENERIC_WRITE) != 0;
    mode.shared = (shareMode & (FILE_SHARE_READ | FILE_SHARE_WRITE)) != 0;
    mode.disposition = *disposition;
    if (creation == TRUNCATE_EXISTING && !mode.write) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    DWORD error = ERROR_SUCCESS;
    auto file = dv::StorageFile::Open(dv::UnitPathToHost(name), mode, error);
    if (!file) {
        return Fail(error);
    }
    return dv::InsertHandle(std::move(file));
}

std::shared_ptr<dv::StreamObject> StreamOf(HANDLE handle) {
    auto stream = dv::LookupHandleAs<dv::StreamObject>(handle);
    if (!stream) {
        SetLastError(ERROR_INVALID_HANDLE);
    }
    return stream;
}

BOOL Report(DWORD error) {
    SetLastError(error);
    return error == ERROR_SUCCESS ? TRUE : FALSE;
}

}  // namespace

HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode, void*,
                   DWORD dwCreationDisposition, DWORD, HANDLE) {
    if (lpFileName == nullptr || *lpFileName == L'\0') {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    std::wstring_view name(lpFileName);
    if (name.back() == kDriverSuffix) {
        DWORD error = ERROR_SUCCESS;
        auto driver = dv::OpenDriverHandle(name, error);
        if (!driver) {
            return Fail(error);
        }
        return dv::InsertHandle(std::move(driver));
    }
    return OpenFile(name, dwDesiredAccess, dwShareMode, dwCreationDisposition);
}

BOOL ReadFile(HANDLE hFile, void* lpBuffer, DWORD nNumberOfBytesToRead, DWORD* lpNumberOfBytesRead,
              void*) {
    if (lpNumberOfBytesRead != nullptr) {
        *lpNumberOfBytesRead = 0;
    }
    auto stream = StreamOf(hFile);
    if (!stream) {
        return FALSE;
    }
    if (lpBuffer == nullptr && nNumberOfBytesToRead != 0) {
        return Report(ERROR_INVALID_PARAMETER);
    }
    DWORD count = 0;
    DWORD error =
        stream->Read(std::span<BYTE>(static_cast<BYTE*>(lpBuffer), nNumberOfBytesToRead), count);
    if (lpNumberOfBytesRead != nullptr) {
        *lpNumberOfBytesRead = count;
    }
    return Report(error);
}

BOOL WriteFile(HANDLE hFile, const void* lpBuffer, DWORD nNumberOfBytesToWrite,
               DWORD* lpNumberOfBytesWritten, void*) {
    if (lpNumberOfBytesWritten != nullptr) {
        *lpNumberOfBytesWritten = 0;
    }
    auto stream = StreamOf(hFile);
    if (!stream) {
        return FALSE;
    }
    if (lpBuffer == nullptr && nNumberOfBytesToWrite != 0) {
        return Report(ERROR_INVALID_PARAMETER);
    }
    DWORD count = 0;
    DWORD error = stream->Write(
        std::span<const BYTE>(static_cast<const BYTE*>(lpBuffer), nNumberOfBytesToWrite), count);
    if (lpNumberOfBytesWritten != nullptr) {
        *lpNumberOfBytesWritten = count;
    }
    return Report(error);
}

DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, LONG* lpDistanceToMoveHigh,
                     DWORD dwMoveMethod) {
    auto stream = StreamOf(hFile);
    if (!stream) {
        return INVALID_SET_FILE_POINTER;
    }
    // With a high half the distance is one 64-bit value; without, the low
    // half alone is signed.
    int64_t distance =
        lpDistanceToMoveHigh == nullptr
            ? static_cast<int64_t>(lDistanceToMove)
            : static_cast<int64_t>(
                  (static_cast<uint64_t>(static_cast<uint32_t>(*lpDistanceToMoveHigh)) << 32) |
                  static_cast<uint32_t>(lDistanceToMove));
    uint64_t position = 0;
    DWORD error = stream->Seek(distance, dwMoveMethod, position);
    SetLastError(error);
    if (error != ERROR_SUCCESS) {
        return INVALID_SET_FILE_POINTER;
    }
    if (lpDistanceToMoveHigh != nullptr) {
        *lpDistanceToMoveHigh = static_cast<LONG>(position >> 32);
    } else if (position > 0xFFFFFFFEu) {
        // A position the 32-bit answer cannot carry is refused; a relative
        // move is taken back so that the refused call leaves the file where
        // it was. (From the start the low half alone never gets this far.)
        if (dwMoveMethod == FILE_CURRENT) {
            stream->Seek(-distance, FILE_CURRENT, position);
        }
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    return static_cast<DWORD>(position);
}
