// Finds font files with fontconfig: the face for a family and weight, and a
// face that has a given character when the first one lacks it (Hangul, say).
#pragma once

#include <optional>
#include <string>

namespace dv::gdi {

struct FaceLocation {
    std::string file;
    int index = 0;
    // The file has no bold cut of the family; the glyphs are emboldened.
    bool embolden = false;

    bool operator==(const FaceLocation&) const = default;
};

std::optional<FaceLocation> ResolveFace(const std::string& family, bool bold);
std::optional<FaceLocation> ResolveFaceForChar(const std::string& family, bool bold, char32_t ch);

}  // namespace dv::gdi
