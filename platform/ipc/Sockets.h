// Small helpers over Unix stream sockets, shared by the server and client.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/core/UniqueFd.h"

namespace dv::ipc {

enum class ConnectResult { Connected, Refused, Missing, Failed };

// Connects to the socket file, waiting at most timeoutMs for a full
// backlog. The connected socket is non-blocking.
ConnectResult ConnectTo(const std::string& path, int timeoutMs, UniqueFd& out);
// The identity of the socket file, or nullopt if there is no socket there:
// its inode and change time together, since a file system hands a freed
// inode number to the next file at once.
std::optional<uint64_t> SocketIdentity(const std::string& path);
// The uid and pid of the process at the other end.
bool PeerCredentials(int fd, uid_t& uid, pid_t& pid);
// Writes everything, waiting at most timeoutMs for room; never raises SIGPIPE.
bool WriteAll(int fd, std::span<const uint8_t> bytes, int timeoutMs);

}  // namespace dv::ipc
