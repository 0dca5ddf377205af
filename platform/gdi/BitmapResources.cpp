#include "platform/gdi/BitmapResources.h"

#include <SDL.h>
#include <sys/mman.h>
#include <unistd.h>

#include <climits>
#include <map>
#include <mutex>
#include <string>

#include "platform/Resources.h"
#include "platform/core/DebugLog.h"

namespace dv::gdi {
namespace {

constexpr int kMaxDimension = 8192;
constexpr uint32_t kRgbMask = 0x00FFFFFFu;

struct SurfaceDeleter {
    void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
using SdlSurfacePtr = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

}  // namespace

std::unique_ptr<Surface> DecodeBmp(const unsigned char* data, std::size_t size) {
    if (data == nullptr || size == 0 || size > static_cast<std::size_t>(INT_MAX)) {
        return nullptr;
    }
    SDL_RWops* stream = SDL_RWFromConstMem(data, static_cast<int>(size));
    if (stream == nullptr) {
        return nullptr;
    }
    SdlSurfacePtr loaded(SDL_LoadBMP_RW(stream, 1));
    if (!loaded) {
        return nullptr;
    }
    if (loaded->w <= 0 || loaded->h <= 0 || loaded->w > kMaxDimension ||
        loaded->h > kMaxDimension) {
        return nullptr;
    }
    auto surface = std::make_unique<Surface>(loaded->w, loaded->h);
    const SDL_PixelFormat* format = loaded->format;
    if (format->format == SDL_PIXELFORMAT_BGR24) {
        // The common case (24-bit BMP): converted straight into the surface,
        // without SDL's intermediate copy.
        const auto* base = static_cast<const unsigned char*>(loaded->pixels);
        for (int y = 0; y < surface->height; ++y) {
            const unsigned char* in = base + static_cast<std::ptrdiff_t>(y) * loaded->pitch;
            uint32_t* out = surface->RowForFullOverwrite(y);
            for (int x = 0; x < surface->width; ++x, in += 3) {
                out[x] = (uint32_t{in[2]} << 16) | (uint32_t{in[1]} << 8) | in[0];
            }
        }
        return surface;
    }
    // XRGB8888 keeps each pixel as 0x??RRGGBB in a 32-bit word; the alpha
    // byte of 32-bit resources is dropped below, as the unit ignores it.
    SdlSurfacePtr converted(SDL_ConvertSurfaceFormat(loaded.get(), SDL_PIXELFORMAT_XRGB8888, 0));
    if (!converted) {
        return nullptr;
    }
    const auto* base = static_cast<const unsigned char*>(converted->pixels);
    for (int y = 0; y < surface->height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(base + static_cast<std::ptrdiff_t>(y) *
                                                                       converted->pitch);
        uint32_t* out = surface->RowForFullOverwrite(y);
        for (int x = 0; x < surface->width; ++x) {
            out[x] = row[x] & kRgbMask;
        }
    }
    return surface;
}

namespace {

// Pieces drawn again and again (knobs, marks, previews) stay decoded for the
// whole run. Screen-sized pictures are drawn once into the page backgrounds:
// they stay only while something still shows them.
constexpr std::size_t kKeepDecodedPixels = 64 * 1024;

struct DecodedEntry {
    std::shared_ptr<const Surface> kept;
    std::weak_ptr<const Surface> shared;
    bool missing = false;
};

// The encoded bytes are not needed once decoded: their pages go back to the
// kernel, which reads them again from the program file should they be needed.
void ReleaseEncodedPages(const unsigned char* data, std::size_t size) {
    const auto page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto begin = (reinterpret_cast<uintptr_t>(data) + page - 1) & ~(page - 1);
    const auto end = (reinterpret_cast<uintptr_t>(data) + size) & ~(page - 1);
    if (end > begin) {
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_DONTNEED);
    }
}

}  // namespace

std::shared_ptr<const Surface> DecodedBitmapResource(unsigned id) {
    static std::mutex lock;
    static auto* cache = new std::map<unsigned, DecodedEntry>;
    std::scoped_lock guard(lock);
    DecodedEntry& entry = (*cache)[id];
    if (entry.kept) {
        return entry.kept;
    }
    if (auto alive = entry.shared.lock()) {
        return alive;
    }
    // Missing ids are remembered too, so that a bad id costs one look-up.
    if (entry.missing) {
        return nullptr;
    }
    const EmbeddedResource* resource = FindEmbeddedResource(ResourceKind::Bitmap, id);
    std::shared_ptr<const Surface> decoded;
    if (resource != nullptr) {
        decoded = DecodeBmp(resource->data, resource->size);
        if (!decoded) {
            WriteDebugText("GDI: bitmap resource " + std::to_string(id) +
                           " is not a readable BMP\r\n");
        }
    }
    if (!decoded) {
        entry.missing = true;
        return nullptr;
    }
    if (decoded->Size() <= kKeepDecodedPixels) {
        entry.kept = decoded;
    } else {
        entry.shared = decoded;
        ReleaseEncodedPages(resource->data, resource->size);
    }
    return decoded;
}

}  // namespace dv::gdi
