// Bitmaps of the program's embedded resources. Small ones are decoded once
// for the whole run; screen-sized ones are kept only while something uses
// them. Loads of the same id share the decoded pixels until written.
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
