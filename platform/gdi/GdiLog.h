// Log lines of the drawing layer for calls it refuses.
#pragma once

#include <string>
#include <string_view>

namespace dv::gdi {

// Writes "GDI: <call>: <reason> (<handle>)\r\n".
void LogRefusal(std::string_view call, std::string_view reason, const void* handle = nullptr);

}  // namespace dv::gdi
