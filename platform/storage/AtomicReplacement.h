// New contents for a file that take its place whole or not at all.
//
// The bytes go to a temporary file beside the target (".NAME.new"); Commit
// flushes it, renames it over the target and flushes the folder, so a power
// cut at any instant leaves the old or the new contents, never a cut-short
// file. The caller holds the file's exclusive lock, so the fixed temporary
// name is never shared; a stale one left by a killed process is overwritten.
#pragma once

#include <filesystem>
#include <memory>
#include <span>
#include <string_view>

#include "platform/WinDef.h"
#include "platform/core/UniqueFd.h"

namespace dv {

class AtomicReplacement {
public:
    // error gets the failure's code.
    static std::unique_ptr<AtomicReplacement> Begin(const std::filesystem::path& target,
                                                    DWORD& error);
    // Writes all of the whole file's bytes in one go; the usual way for the
    // platform's own files.
    static bool ReplaceWhole(const std::filesystem::path& target, std::span<const BYTE> bytes);

    ~AtomicReplacement();
    AtomicReplacement(const AtomicReplacement&) = delete;
    AtomicReplacement& operator=(const AtomicReplacement&) = delete;

    // The temporary file, for reads and seeks of an open that can read.
    int Fd() const { return m_fd.Get(); }
    // Writes at the temporary file's position. A failed write spoils the
    // replacement: Commit then leaves the target as it was.
    DWORD Write(std::span<const BYTE> data, DWORD& written);
    // Puts the new contents in place. False when they are not (the target
    // keeps its old bytes) or when they may not survive a power loss.
    bool Commit();

    static std::filesystem::path TempPathFor(const std::filesystem::path& target);

private:
    AtomicReplacement(std::filesystem::path target, std::filesystem::path temp, UniqueFd fd);
    void Abandon();
    void StopAtCut();
    // error 0: the failure was injected through the fault seam.
    void LogFailure(std::string_view what, int error) const;

    std::filesystem::path m_target;
    std::filesystem::path m_temp;
    UniqueFd m_fd;
    bool m_spoiled = false;
    bool m_finished = false;
};

}  // namespace dv
