// Bitmaps of the program's embedded resources, decoded once per id. Later
// loads of the same id copy the decoded pixels.
#pragma once

#include <memory>

#include "platform/gdi/Surface.h"

namespace dv::gdi {

// The decoded pixels of bitmap resource `id`, or null when there is no such
// resource or it cannot be decoded (logged once).
std::shared_ptr<const Surface> DecodedBitmapResource(unsigned id);

// Decodes a BMP file held in memory: 24-bit, or 32-bit with the alpha byte
// ignored. Null for anything SDL cannot read or of unreasonable size.
std::unique_ptr<Surface> DecodeBmp(const unsigned char* data, std::size_t size);

}  // namespace dv::gdi
