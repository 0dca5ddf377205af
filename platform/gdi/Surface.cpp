#include "platform/gdi/Surface.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define DV_POISON_KEPT_BLOCKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define DV_POISON_KEPT_BLOCKS 1
#endif
#endif
#if defined(DV_POISON_KEPT_BLOCKS)
#include <sanitizer/asan_interface.h>
#endif

namespace dv::gdi {
namespace {

// Pixel blocks that surfaces gave back, kept for the next surface of the same
// size. Every paint composes a whole page in a new surface and hands the
// screen's old pixels back; taking fresh memory each time made the system map,
// fault in and unmap half a megabyte per paint, which cost more than drawing.
class KeptBlocks {
public:
    static KeptBlocks& Instance() {
        static auto* blocks = new KeptBlocks;  // lives to the process end
        return *blocks;
    }

    std::shared_ptr<uint32_t[]> Take(std::size_t count) {
        std::unique_ptr<uint32_t[]> block;
        {
            std::lock_guard guard(m_lock);
            const auto it = std::find_if(m_kept.begin(), m_kept.end(),
                                         [count](const Kept& k) { return k.count == count; });
            if (it != m_kept.end()) {
                block = std::move(it->block);
                m_kept.erase(it);
            }
        }
        if (block) {
            Unpoison(block.get(), count);
        } else {
            block = std::make_unique_for_overwrite<uint32_t[]>(count);
        }
        return {block.release(), [count](uint32_t* p) { Instance().Give(p, count); }};
    }

private:
    // Smaller blocks cost the allocator next to nothing.
    static constexpr std::size_t kSmallestKeptBytes = 4 * 1024;
    // More than a paint has in flight at once (the screen, the page being
    // composed, its copy, the pieces of a panel); the oldest go first.
    static constexpr std::size_t kMaxKept = 12;

    struct Kept {
        std::size_t count;
        std::unique_ptr<uint32_t[]> block;
    };

    void Give(uint32_t* p, std::size_t count) {
        std::unique_ptr<uint32_t[]> block(p);
        std::lock_guard guard(m_lock);
        if (count * sizeof(uint32_t) < kSmallestKeptBytes) {
            return;
        }
        if (m_kept.size() == kMaxKept) {
            Unpoison(m_kept.front().block.get(), m_kept.front().count);
            m_kept.erase(m_kept.begin());
        }
        // A kept block is out of bounds to AddressSanitizer until it is taken
        // again, as freed memory is: a stale pointer into it shows.
        Poison(block.get(), count);
        m_kept.push_back({count, std::move(block)});
    }

    static void Poison([[maybe_unused]] uint32_t* p, [[maybe_unused]] std::size_t count) {
#if defined(DV_POISON_KEPT_BLOCKS)
        ASAN_POISON_MEMORY_REGION(p, count * sizeof(uint32_t));
#endif
    }
    static void Unpoison([[maybe_unused]] uint32_t* p, [[maybe_unused]] std::size_t count) {
#if defined(DV_POISON_KEPT_BLOCKS)
        ASAN_UNPOISON_MEMORY_REGION(p, count * sizeof(uint32_t));
#endif
    }

    std::mutex m_lock;
    std::vector<Kept> m_kept;
};

}  // namespace

Surface::Surface(int w, int h) : width(w), height(h) {
    Allocate();
    m_bClearPending = true;
}

Surface::Surface(const Surface& other) : width(other.width), height(other.height) {
    ShareContents(other);
}

void Surface::Allocate() {
    m_pixels = KeptBlocks::Instance().Take(Size());
}

void Surface::ShareContents(const Surface& other) {
    if (other.m_bClearPending) {
        // Nothing to share yet: this surface becomes black on its own.
        if (!m_pixels || m_pixels.use_count() > 1) {
            Allocate();
        }
        m_bClearPending = true;
        return;
    }
    m_pixels = other.m_pixels;
    m_bClearPending = false;
}

const uint32_t* Surface::ReadableData() const {
    if (m_bClearPending) {
        // A pending clear is only ever set on pixels this surface owns alone.
        std::memset(m_pixels.get(), 0, Size() * sizeof(uint32_t));
        m_bClearPending = false;
    }
    return m_pixels.get();
}

uint32_t* Surface::WritableData() {
    if (m_pixels && m_pixels.use_count() > 1) {
        std::shared_ptr<uint32_t[]> shared = std::move(m_pixels);
        Allocate();
        std::memcpy(m_pixels.get(), shared.get(), Size() * sizeof(uint32_t));
    }
    return const_cast<uint32_t*>(ReadableData());
}

uint32_t* Surface::RowForFullOverwrite(int y) {
    if (m_pixels && m_pixels.use_count() > 1) {
        Allocate();
    }
    m_bClearPending = false;
    return m_pixels.get() + static_cast<std::size_t>(y) * width;
}

PixelRect ClipToSurface(const Surface& s, PixelRect r) {
    r.left = std::max(r.left, 0);
    r.top = std::max(r.top, 0);
    r.right = std::min(r.right, s.width);
    r.bottom = std::min(r.bottom, s.height);
    return r;
}

PixelRect CopyPixels(Surface& dst, int dx, int dy, int w, int h, const Surface& src, int sx,
                     int sy) {
    if (w <= 0 || h <= 0) {
        return {};
    }
    // Work in 64 bits so that coordinates near the int limits cannot wrap.
    int64_t x0 = 0;
    int64_t y0 = 0;
    int64_t x1 = w;
    int64_t y1 = h;
    // Cut to the source surface, then to the destination, in area-relative terms.
    x0 = std::max({x0, -static_cast<int64_t>(sx), -static_cast<int64_t>(dx)});
    y0 = std::max({y0, -static_cast<int64_t>(sy), -static_cast<int64_t>(dy)});
    x1 = std::min({x1, static_cast<int64_t>(src.width) - sx, static_cast<int64_t>(dst.width) - dx});
    y1 = std::min(
        {y1, static_cast<int64_t>(src.height) - sy, static_cast<int64_t>(dst.height) - dy});
    if (x1 <= x0 || y1 <= y0) {
        return {};
    }
    const auto cols = static_cast<std::size_t>(x1 - x0);
    const int rows = static_cast<int>(y1 - y0);
    const int srcX = static_cast<int>(sx + x0);
    const int srcY = static_cast<int>(sy + y0);
    const int dstX = static_cast<int>(dx + x0);
    const int dstY = static_cast<int>(dy + y0);
    // Within one surface a downward copy must run bottom-up so that rows are
    // read before they are overwritten; memmove handles overlap inside a row.
    const bool bottomUp = (&dst == &src) && dstY > srcY;
    const bool whole = &dst != &src && dstX == 0 && dstY == 0 && rows == dst.height &&
                       static_cast<int>(cols) == dst.width;
    if (whole && srcX == 0 && srcY == 0 && src.width == dst.width && src.height == dst.height) {
        dst.ShareContents(src);
    } else {
        // Row pointers are taken once: a write access may first have to make
        // shared pixels this surface's own.
        const std::size_t bytes = cols * sizeof(uint32_t);
        uint32_t* out = whole ? dst.RowForFullOverwrite(0) : dst.Row(0);
        const uint32_t* in = src.Row(0);
        const auto dstStride = static_cast<std::size_t>(dst.width);
        const auto srcStride = static_cast<std::size_t>(src.width);
        for (int i = 0; i < rows; ++i) {
            const int r = bottomUp ? rows - 1 - i : i;
            uint32_t* to = out + (dstY + r) * dstStride + dstX;
            const uint32_t* from = in + (srcY + r) * srcStride + srcX;
            if (&dst == &src) {
                std::memmove(to, from, bytes);
            } else {
                std::memcpy(to, from, bytes);
            }
        }
    }
    return {dstX, dstY, dstX + static_cast<int>(cols), dstY + rows};
}

}  // namespace dv::gdi
