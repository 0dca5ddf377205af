// Common ground of the simulated hardware: the state folder ROOT/dev/, the
// journal ROOT/dev/NAME.log with one line per operation, and the switch file
// ROOT/dev/NAME.absent that takes the device away. A device that only takes
// control codes leaves seek, read and write unsupported (still journaled).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/drivers/StreamDriver.h"

namespace dv {

class SimulatedDriver : public IStreamDriver {
public:
    DWORD Open() final;
    DWORD IoControl(DWORD code, std::span<const BYTE> input, std::span<BYTE> output,
                    DWORD& returned) final;
    DWORD Seek(int64_t distance, DWORD method, uint64_t& position) final;
    DWORD Read(std::span<BYTE> buffer, DWORD& count) final;
    DWORD Write(std::span<const BYTE> data, DWORD& count) final;
    void Close() final;

protected:
    // deviceName without the colon: "BAK1".
    explicit SimulatedDriver(std::string deviceName) : m_name(std::move(deviceName)) {}

    // ROOT/dev/NAME<suffix>, e.g. StatePath(".state").
    std::filesystem::path StatePath(std::string_view suffix) const;
    // True while the switch file ROOT/dev/NAME.<name> exists.
    bool SwitchIsOn(std::string_view name) const;
    // Makes ROOT/dev/NAME<suffix> hold exactly `text`; logs a failure.
    bool WriteState(std::string_view suffix, std::string_view text) const;

    virtual DWORD OnOpen() { return ERROR_SUCCESS; }
    virtual DWORD OnControl(DWORD code, std::span<const BYTE> input) = 0;
    virtual DWORD OnSeek(int64_t, DWORD, uint64_t&) { return ERROR_NOT_SUPPORTED; }
    virtual DWORD OnRead(std::span<BYTE>, DWORD&) { return ERROR_NOT_SUPPORTED; }
    virtual DWORD OnWrite(std::span<const BYTE>, DWORD&) { return ERROR_NOT_SUPPORTED; }
    virtual void OnClose() {}

private:
    void Journal(std::string_view line);
    void FlushJournal();

    std::string m_name;
    std::string m_journal;  // this session's lines, written at close
};

// Small text state files ("66\n") of the simulated devices.
std::string ReadStateText(const std::filesystem::path& path);

}  // namespace dv
