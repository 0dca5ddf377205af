#include "platform/ipc/RuntimeFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <set>

#include "platform/Platform.h"
#include "platform/core/DebugLog.h"

namespace dv::ipc {
namespace {

constexpr mode_t kFolderMode = 0700;
constexpr mode_t kOthersBits = 077;

std::string Quoted(const std::filesystem::path& path) {
    return "\"" + path.string() + "\"";
}

std::string OctalMode(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof(text), "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

}  // namespace

std::string PrepareRuntimeDir() {
    const std::filesystem::path dir = dv::RuntimeDir();
    std::error_code error;
    if (dir.has_parent_path()) {
        std::filesystem::create_directories(dir.parent_path(), error);
    }
    if (::mkdir(dir.c_str(), kFolderMode) != 0 && errno != EEXIST) {
        return "cannot create the runtime folder " + Quoted(dir) + ": " + std::strerror(errno);
    }
    struct stat info {};
    if (::lstat(dir.c_str(), &info) != 0) {
        return "cannot read the runtime folder " + Quoted(dir) + ": " + std::strerror(errno);
    }
    if (!S_ISDIR(info.st_mode)) {
        return "the runtime folder " + Quoted(dir) + " is not a folder; refusing to use it";
    }
    if (info.st_uid != ::geteuid()) {
        return "the runtime folder " + Quoted(dir) + " belongs to uid " +
               std::to_string(info.st_uid) + ", not to this user (uid " +
               std::to_string(::geteuid()) + "); refusing to use it";
    }
    if ((info.st_mode & kOthersBits) != 0) {
        return "the runtime folder " + Quoted(dir) + " is open to group or others (mode " +
               OctalMode(info.st_mode) + "); refusing to use it (chmod 700 it, or remove it)";
    }
    return {};
}

bool RuntimeDirUsable() {
    std::string problem = PrepareRuntimeDir();
    if (problem.empty()) {
        return true;
    }
    static std::mutex lock;
    static std::set<std::string> reported;
    std::lock_guard guard(lock);
    if (reported.insert(dv::RuntimeDir().string()).second) {
        dv::WriteDebugText("dialvane: " + problem + "\r\n");
    }
    return false;
}

std::string EncodeName(std::wstring_view name) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : dv::WideToUtf8(name)) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
        if (plain) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0xF]);
        }
    }
    return out;
}

std::filesystem::path WindowSocketPath(std::wstring_view title) {
    return dv::RuntimeDir() / ("w-" + EncodeName(title) + ".sock");
}

std::filesystem::path MutexPath(std::wstring_view name) {
    return dv::RuntimeDir() / ("m-" + EncodeName(name) + ".lock");
}

std::filesystem::path MutexLivePath(std::wstring_view name) {
    return dv::RuntimeDir() / ("m-" + EncodeName(name) + ".live");
}

std::filesystem::path GuardPath(std::string_view which) {
    return dv::RuntimeDir() / (std::string(which) + ".guard");
}

}  // namespace dv::ipc
