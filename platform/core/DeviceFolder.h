// The folder of the simulated hardware, ROOT/dev: switch files that take a
// device away or make it fail, journals that get one line per operation and
// small state files. A pen drag drives a device on every move, so the folder
// keeps its files open and learns of outside changes (a switch touched, a
// journal removed, a state file rewritten) from the kernel's notifications
// instead of asking the file system on every call. Without notifications it
// asks every time, with the same results.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <span>
#include <string_view>

namespace dv {

// Whether a call first takes in what others changed in the folder. A device
// session takes it in when the device is opened (the switch check); the
// session's later writes may rely on that.
enum class Freshness { Check, SameSession };

// True while ROOT/dev/<fileName> exists. Always takes in outside changes.
bool DeviceSwitchIsOn(std::string_view fileName);

// Says at start, once, when ROOT/dev cannot be written (a read-only root):
// the devices then work on without their state and journals, and the first
// write that fails says nothing more.
void CheckDeviceFolderWritable();

// Appends text (whole lines) to ROOT/dev/<fileName>.
void AppendDeviceJournal(std::string_view fileName, std::string_view text,
                         Freshness freshness = Freshness::Check);

// Makes ROOT/dev/<fileName> hold exactly `text`.
bool WriteDeviceState(std::string_view fileName, std::string_view text,
                      Freshness freshness = Freshness::Check);

// Writes bytes at `offset` of ROOT/dev/<fileName>, a file kept `size` bytes long.
bool WriteDeviceStateAt(std::string_view fileName, off_t size, off_t offset,
                        std::span<const uint8_t> bytes, Freshness freshness = Freshness::Check);

}  // namespace dv
