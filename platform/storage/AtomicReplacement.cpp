#include "platform/storage/AtomicReplacement.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/WinBase.h"
#include "platform/core/DebugLog.h"
#include "platform/storage/StorageFaults.h"

namespace dv {
namespace {

constexpr mode_t kNewFileMode = 0644;
constexpr const char* kTempPrefix = ".";
constexpr const char* kTempSuffix = ".new";
constexpr const char* kInjected = "injected fault";

void LogReplaceFailure(const std::filesystem::path& target, std::string_view what,
                       std::string_view reason) {
    WriteDebugText("Storage: replacing " + target.string() + ": " + std::string(what) +
                   " failed (" + std::string(reason) + ")\r\n");
}

DWORD ErrorFromErrno(int error) {
    switch (error) {
        case ENOENT:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return ERROR_ACCESS_DENIED;
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        default:
            return ERROR_WRITE_FAULT;
    }
}

}  // namespace

std::filesystem::path AtomicReplacement::TempPathFor(const std::filesystem::path& target) {
    return target.parent_path() / (kTempPrefix + target.filename().string() + kTempSuffix);
}

AtomicReplacement::AtomicReplacement(std::filesystem::path target, std::filesystem::path temp,
                                     UniqueFd fd)
    : m_target(std::move(target)), m_temp(std::move(temp)), m_fd(std::move(fd)) {}

AtomicReplacement::~AtomicReplacement() {
    if (!m_finished) {
        Abandon();
    }
}

std::unique_ptr<AtomicReplacement> AtomicReplacement::Begin(const std::filesystem::path& target,
                                                            DWORD& error) {
    std::filesystem::path temp = TempPathFor(target);
    switch (EnterReplaceStep(ReplaceStep::OpenTemp)) {
        case StepVerdict::Proceed:
            break;
        case StepVerdict::Fail:
            LogReplaceFailure(target, ReplaceStepName(ReplaceStep::OpenTemp), kInjected);
            error = ERROR_WRITE_FAULT;
            return nullptr;
        case StepVerdict::Cut:
            FinishPowerCut();
            error = ERROR_WRITE_FAULT;
            return nullptr;
    }
    // Keep the mode of the file being replaced.
    struct stat old {};
    mode_t mode = ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : kNewFileMode;
    UniqueFd fd(::open(temp.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, mode));
    if (!fd.Valid()) {
        int saved = errno;
        LogReplaceFailure(target, ReplaceStepName(ReplaceStep::OpenTemp), std::strerror(saved));
        error = ErrorFromErrno(saved);
        return nullptr;
    }
    ::fchmod(fd.Get(), mode);
    return std::unique_ptr<AtomicReplacement>(
        new AtomicReplacement(target, std::move(temp), std::move(fd)));
}

bool AtomicReplacement::ReplaceWhole(const std::filesystem::path& target,
                                     std::span<const BYTE> bytes) {
    DWORD error = ERROR_SUCCESS;
    auto replacement = Begin(target, error);
    if (!replacement) {
        return false;
    }
    DWORD written = 0;
    if (replacement->Write(bytes, written) != ERROR_SUCCESS) {
        replacement->Commit();  // abandons, as the write spoiled it
        return false;
    }
    return replacement->Commit();
}

DWORD AtomicReplacement::Write(std::span<const BYTE> data, DWORD& written) {
    written = 0;
    if (m_finished || m_spoiled) {
        return ERROR_WRITE_FAULT;
    }
    while (written < data.size()) {
        std::span<const BYTE> rest = data.subspan(written);
        StepVerdict verdict = EnterReplaceStep(ReplaceStep::Write);
        if (verdict == StepVerdict::Fail) {
            LogFailure("write", 0);
            m_spoiled = true;
            return ERROR_WRITE_FAULT;
        }
        if (verdict == StepVerdict::Cut) {
            [[maybe_unused]] ssize_t half = ::write(m_fd.Get(), rest.data(), rest.size() / 2);
            StopAtCut();
            return ERROR_WRITE_FAULT;
        }
        ssize_t n = ::write(m_fd.Get(), rest.data(), rest.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            int saved = errno;
            LogFailure("write", saved);
            m_spoiled = true;
            return n == 0 ? ERROR_WRITE_FAULT : ErrorFromErrno(saved);
        }
        written += static_cast<DWORD>(n);
    }
    return ERROR_SUCCESS;
}

bool AtomicReplacement::Commit() {
    if (m_finished) {
        return false;
    }
    if (m_spoiled) {
        Abandon();
        return false;
    }
    switch (EnterReplaceStep(ReplaceStep::Sync)) {
        case StepVerdict::Proceed:
            if (::fsync(m_fd.Get()) != 0) {
                LogFailure("fsync", errno);
                Abandon();
                return false;
            }
            break;
        case StepVerdict::Fail:
            LogFailure("fsync", 0);
            Abandon();
            return false;
        case StepVerdict::Cut:
            StopAtCut();
            return false;
    }
    m_fd.Reset();
    switch (EnterReplaceStep(ReplaceStep::Rename)) {
        case StepVerdict::Proceed:
            if (::rename(m_temp.c_str(), m_target.c_str()) != 0) {
                LogFailure("rename", errno);
                Abandon();
                return false;
            }
            break;
        case StepVerdict::Fail:
            LogFailure("rename", 0);
            Abandon();
            return false;
        case StepVerdict::Cut:
            StopAtCut();
            return false;
    }
    m_finished = true;
    // The rename is only durable once the folder itself is flushed.
    switch (EnterReplaceStep(ReplaceStep::SyncDir)) {
        case StepVerdict::Proceed:
            break;
        case StepVerdict::Fail:
            LogFailure("fsync of the folder", 0);
            return false;
        case StepVerdict::Cut:
            FinishPowerCut();
            return false;
    }
    UniqueFd folder(::open(m_target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.Valid() || ::fsync(folder.Get()) != 0) {
        LogFailure("fsync of the folder", errno);
        return false;
    }
    return true;
}

void AtomicReplacement::Abandon() {
    m_fd.Reset();
    ::unlink(m_temp.c_str());
    m_finished = true;
}

// Power gone: nothing more happens, the temporary file stays where it is.
void AtomicReplacement::StopAtCut() {
    FinishPowerCut();
    m_fd.Reset();
    m_finished = true;
}

void AtomicReplacement::LogFailure(std::string_view what, int error) const {
    LogReplaceFailure(m_target, what, error == 0 ? kInjected : std::strerror(error));
}

}  // namespace dv
