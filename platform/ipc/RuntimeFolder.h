// The runtime folder shared by every program of the unit: window sockets,
// named mutexes and their guard locks live there.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace dv::ipc {

// Creates the folder (mode 0700) when it is missing, then checks that it is
// a real folder of this user, closed to group and others. Returns "" when it
// can be used, else the problem as a sentence for the user.
std::string PrepareRuntimeDir();

// PrepareRuntimeDir for services that just fail when the folder is refused;
// logs the problem once per folder.
bool RuntimeDirUsable();

// Names inside the folder: the title or mutex name in UTF-8, with every byte
// outside [A-Za-z0-9._-] written as %XX.
std::string EncodeName(std::wstring_view name);
std::filesystem::path WindowSocketPath(std::wstring_view title);
std::filesystem::path MutexPath(std::wstring_view name);
// Locked by the holders of the named mutex that are not ending.
std::filesystem::path MutexLivePath(std::wstring_view name);
std::filesystem::path GuardPath(std::string_view which);

}  // namespace dv::ipc
