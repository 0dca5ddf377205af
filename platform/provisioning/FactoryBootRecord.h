// The boot loader's shared sector as the unit leaves the factory: a small
// record of the boot loader's own in bytes 0..89, booting_flag at byte 90
// (1: automatic power-on), the rest erased.
//
//   0..3   magic "DVBL"
//   4..5   record version, 1 (little-endian, as all numbers here)
//   6..7   record length, 90
//   8..11  offset of the system image in flash
//   12..15 size of the system image
//   16..19 address the image is loaded to
//   20..21 boot delay in milliseconds
//   22..85 reserved, zero
//   86..89 CRC-32 (IEEE) of bytes 0..85
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "platform/WinDef.h"
#include "platform/drivers/FlashLayout.h"

namespace dv {

constexpr std::size_t kBootRecordChecksumOffset = 86;
constexpr std::size_t kBootingFlagOffset = 90;

std::array<BYTE, flash::kBootSectorSize> FactoryBootSector();
uint32_t Crc32(std::span<const BYTE> bytes);

}  // namespace dv
