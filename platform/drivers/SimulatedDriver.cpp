#include "platform/drivers/SimulatedDriver.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/Platform.h"
#include "platform/core/DebugLog.h"
#include "platform/core/DeviceFolder.h"
#include "platform/core/Journal.h"

namespace dv {
namespace {

constexpr const char* kDeviceFolder = "dev";
constexpr const char* kAbsentSwitch = "absent";
constexpr const char* kFailControlSwitch = "fail-ioctl";

std::string ControlLine(DWORD code, std::span<const BYTE> input) {
    char head[32];
    std::snprintf(head, sizeof head, "ioctl 0x%08x", static_cast<unsigned>(code));
    std::string line(head);
    if (!input.empty()) {
        line += " in " + HexBytes(input);
    }
    return line;
}

// "seek 2112" from the start; a seek from elsewhere names where from.
std::string SeekLine(int64_t distance, DWORD method) {
    std::string line = "seek " + std::to_string(distance);
    if (method == FILE_CURRENT) {
        line += " current";
    } else if (method == FILE_END) {
        line += " end";
    } else if (method != FILE_BEGIN) {
        line += " method " + std::to_string(method);
    }
    return line;
}

}  // namespace

std::filesystem::path SimulatedDriver::StatePath(std::string_view suffix) const {
    return DeviceRoot() / kDeviceFolder / (m_name + std::string(suffix));
}

bool SimulatedDriver::SwitchIsOn(std::string_view name) const {
    return DeviceSwitchIsOn(m_name + "." + std::string(name));
}

bool SimulatedDriver::WriteState(std::string_view suffix, std::string_view text) const {
    if (!WriteDeviceState(m_name + std::string(suffix), text, Freshness::SameSession)) {
        WriteDebugText("Driver: cannot write " + StatePath(suffix).string() + "\r\n");
        return false;
    }
    return true;
}

// The lines of one open-to-close session reach the journal in one write when
// the device is closed: a drag opens, drives and closes a device per move.
void SimulatedDriver::Journal(std::string_view line) {
    m_journal.append(line);
    m_journal.push_back('\n');
}

void SimulatedDriver::FlushJournal() {
    if (!m_journal.empty()) {
        AppendJournal(m_name, m_journal, Freshness::SameSession);
        m_journal.clear();
    }
}

DWORD SimulatedDriver::Open() {
    if (SwitchIsOn(kAbsentSwitch)) {
        return ERROR_DEV_NOT_EXIST;
    }
    DWORD error = OnOpen();
    if (error == ERROR_SUCCESS) {
        Journal("open");
    }
    return error;
}

DWORD SimulatedDriver::IoControl(DWORD code, std::span<const BYTE> input, std::span<BYTE>,
                                 DWORD& returned) {
    returned = 0;  // none of the simulated devices answers with data
    Journal(ControlLine(code, input));
    if (SwitchIsOn(kFailControlSwitch)) {
        return ERROR_GEN_FAILURE;
    }
    return OnControl(code, input);
}

DWORD SimulatedDriver::Seek(int64_t distance, DWORD method, uint64_t& position) {
    Journal(SeekLine(distance, method));
    return OnSeek(distance, method, position);
}

DWORD SimulatedDriver::Read(std::span<BYTE> buffer, DWORD& count) {
    count = 0;
    Journal("read " + std::to_string(buffer.size()));
    return OnRead(buffer, count);
}

DWORD SimulatedDriver::Write(std::span<const BYTE> data, DWORD& count) {
    count = 0;
    Journal("write " + std::to_string(data.size()));
    return OnWrite(data, count);
}

void SimulatedDriver::Close() {
    OnClose();
    Journal("close");
    FlushJournal();
}

std::string ReadStateText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace dv
