// The layout of the simulated NAND behind "FLS1:", shared by the driver and
// by provisioning of a new device root.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dv::flash {

constexpr std::size_t kImageSize = 4096;
constexpr uint8_t kErasedByte = 0xFF;
// The one erasable block: the boot loader's shared sector.
constexpr uint32_t kBootBlock = 66;
constexpr std::size_t kBootSectorOffset = 2112;
constexpr std::size_t kBootSectorSize = 512;
constexpr uint32_t kEraseBlockCode = 0x2040;
constexpr const char* kImageFile = "FLS1.img";

}  // namespace dv::flash
