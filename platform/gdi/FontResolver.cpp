#include "platform/gdi/FontResolver.h"

#include <fontconfig/fontconfig.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string_view>

#include "platform/core/DebugLog.h"

namespace dv::gdi {
namespace {

// Debian's fonts-wine ships a Tahoma-metric face outside fontconfig's
// directories. Only these files are added, so that the other faces in that
// folder cannot displace the system's choices for their families.
constexpr std::array<std::string_view, 2> kExtraFaceFiles = {
    "/usr/share/wine/fonts/tahoma.ttf",
    "/usr/share/wine/fonts/tahomabd.ttf",
};

struct PatternDeleter {
    void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;
struct FontSetDeleter {
    void operator()(FcFontSet* s) const { FcFontSetDestroy(s); }
};
using FontSetPtr = std::unique_ptr<FcFontSet, FontSetDeleter>;
struct CharSetDeleter {
    void operator()(FcCharSet* c) const { FcCharSetDestroy(c); }
};
using CharSetPtr = std::unique_ptr<FcCharSet, CharSetDeleter>;

std::mutex g_lock;

bool InitFontconfig() {
    static const bool ok = [] {
        if (FcInit() == FcFalse) {
            WriteDebugText("GDI: fontconfig could not be initialised; text is not drawn\r\n");
            return false;
        }
        for (std::string_view file : kExtraFaceFiles) {
            std::error_code ec;
            if (std::filesystem::exists(file, ec)) {
                const std::string path(file);
                FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(path.c_str()));
            }
        }
        // fontconfig keeps its configuration for the process; hand it back at
        // exit so that leak checkers of the sanitizer build see a clean end.
        std::atexit([] { FcFini(); });
        return true;
    }();
    return ok;
}

PatternPtr MakePattern(const std::string& family, bool bold) {
    PatternPtr pattern(FcPatternCreate());
    if (!pattern) {
        return pattern;
    }
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
    return pattern;
}

void Substitute(FcPattern* pattern) {
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
}

std::optional<FaceLocation> LocationOf(FcPattern* font, bool bold) {
    FcChar8* file = nullptr;
    if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch || file == nullptr) {
        return std::nullopt;
    }
    FaceLocation location;
    location.file = reinterpret_cast<const char*>(file);
    int index = 0;
    if (FcPatternGetInteger(font, FC_INDEX, 0, &index) == FcResultMatch) {
        location.index = index;
    }
    int weight = FC_WEIGHT_REGULAR;
    FcPatternGetInteger(font, FC_WEIGHT, 0, &weight);
    location.embolden = bold && weight < FC_WEIGHT_DEMIBOLD;
    return location;
}

}  // namespace

std::optional<FaceLocation> ResolveFace(const std::string& family, bool bold) {
    std::scoped_lock lock(g_lock);
    if (!InitFontconfig()) {
        return std::nullopt;
    }
    PatternPtr pattern = MakePattern(family, bold);
    if (!pattern) {
        return std::nullopt;
    }
    Substitute(pattern.get());
    FcResult result = FcResultNoMatch;
    PatternPtr match(FcFontMatch(nullptr, pattern.get(), &result));
    if (!match) {
        WriteDebugText("GDI: no font face found for \"" + family + "\"\r\n");
        return std::nullopt;
    }
    return LocationOf(match.get(), bold);
}

std::optional<FaceLocation> ResolveFaceForChar(const std::string& family, bool bold, char32_t ch) {
    std::scoped_lock lock(g_lock);
    if (!InitFontconfig()) {
        return std::nullopt;
    }
    PatternPtr pattern = MakePattern(family, bold);
    CharSetPtr wanted(FcCharSetCreate());
    if (!pattern || !wanted) {
        return std::nullopt;
    }
    FcCharSetAddChar(wanted.get(), ch);
    FcPatternAddCharSet(pattern.get(), FC_CHARSET, wanted.get());
    Substitute(pattern.get());
    FcResult result = FcResultNoMatch;
    FontSetPtr sorted(FcFontSort(nullptr, pattern.get(), FcFalse, nullptr, &result));
    if (!sorted) {
        return std::nullopt;
    }
    for (int i = 0; i < sorted->nfont; ++i) {
        FcCharSet* charset = nullptr;
        if (FcPatternGetCharSet(sorted->fonts[i], FC_CHARSET, 0, &charset) == FcResultMatch &&
            FcCharSetHasChar(charset, ch)) {
            PatternPtr full(FcFontRenderPrepare(nullptr, pattern.get(), sorted->fonts[i]));
            return LocationOf(full ? full.get() : sorted->fonts[i], bold);
        }
    }
    return std::nullopt;
}

}  // namespace dv::gdi
