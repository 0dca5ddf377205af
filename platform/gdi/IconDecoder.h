// Reads the images of an ICO file: uncompressed DIB entries of 1, 4, 8, 24
// or 32 bits with their transparency masks. Every offset and size is checked
// against the data, so a damaged file yields no image rather than a bad read.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace dv::gdi {

struct IconImage {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> argb;  // 0xAARRGGBB, top row first
};

std::vector<IconImage> DecodeIco(std::span<const uint8_t> data);

}  // namespace dv::gdi
