#include "platform/gdi/BitmapResources.h"

#include <SDL.h>

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
    // XRGB8888 keeps each pixel as 0x??RRGGBB in a 32-bit word; the alpha
    // byte of 32-bit resources is dropped below, as the unit ignores it.
    SdlSurfacePtr converted(SDL_ConvertSurfaceFormat(loaded.get(), SDL_PIXELFORMAT_XRGB8888, 0));
    if (!converted) {
        return nullptr;
    }
    auto surface = std::make_unique<Surface>(converted->w, converted->h);
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

std::shared_ptr<const Surface> DecodedBitmapResource(unsigned id) {
    static std::mutex lock;
    static auto* cache = new std::map<unsigned, std::shared_ptr<const Surface>>;
    std::scoped_lock guard(lock);
    auto it = cache->find(id);
    if (it != cache->end()) {
        return it->second;
    }
    std::shared_ptr<const Surface> decoded;
    const EmbeddedResource* resource = FindEmbeddedResource(ResourceKind::Bitmap, id);
    if (resource != nullptr) {
        decoded = DecodeBmp(resource->data, resource->size);
        if (!decoded) {
            WriteDebugText("GDI: bitmap resource " + std::to_string(id) +
                           " is not a readable BMP\r\n");
        }
    }
    // Missing ids are remembered too, so that a bad id costs one look-up.
    cache->emplace(id, decoded);
    return decoded;
}

}  // namespace dv::gdi
