#include "platform/gdi/IconDecoder.h"

#include <optional>

namespace dv::gdi {
namespace {

constexpr std::size_t kDirHeaderSize = 6;
constexpr std::size_t kDirEntrySize = 16;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr uint16_t kIconType = 1;
constexpr int kMaxIconSide = 256;
constexpr int kMaxEntries = 64;
constexpr uint32_t kOpaque = 0xFF000000u;

class Reader {
public:
    explicit Reader(std::span<const uint8_t> data) : m_data(data) {}

    bool Has(std::size_t offset, std::size_t size) const {
        return offset <= m_data.size() && size <= m_data.size() - offset;
    }
    uint16_t U16(std::size_t at) const {
        return static_cast<uint16_t>(m_data[at] | m_data[at + 1] << 8);
    }
    uint32_t U32(std::size_t at) const {
        return static_cast<uint32_t>(U16(at)) | static_cast<uint32_t>(U16(at + 2)) << 16;
    }
    int32_t I32(std::size_t at) const { return static_cast<int32_t>(U32(at)); }
    uint8_t U8(std::size_t at) const { return m_data[at]; }

private:
    std::span<const uint8_t> m_data;
};

std::size_t RowBytes(int width, int bits) {
    return ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
}

uint32_t PaletteColour(const Reader& r, std::size_t palette, unsigned index) {
    const std::size_t at = palette + static_cast<std::size_t>(index) * 4;
    return kOpaque | static_cast<uint32_t>(r.U8(at + 2)) << 16 |
           static_cast<uint32_t>(r.U8(at + 1)) << 8 | r.U8(at);
}

unsigned IndexAt(const Reader& r, std::size_t row, int x, int bits) {
    const std::size_t bit = static_cast<std::size_t>(x) * bits;
    const uint8_t byte = r.U8(row + bit / 8);
    const unsigned shift = 8 - bits - static_cast<unsigned>(bit % 8);
    return (byte >> shift) & ((1u << bits) - 1);
}

// Where the parts of one image lie, from its bitmap header.
struct EntryLayout {
    int width, height, bits;
    std::size_t paletteEntries, palette, colourRows, colourRowBytes, maskRows, maskRowBytes;
};

std::optional<EntryLayout> ReadLayout(const Reader& r, std::size_t offset, std::size_t size) {
    if (!r.Has(offset, size) || size < kInfoHeaderSize) {
        return std::nullopt;
    }
    const uint32_t headerSize = r.U32(offset);
    const int32_t width = r.I32(offset + 4);
    const int32_t doubledHeight = r.I32(offset + 8);
    const uint16_t planes = r.U16(offset + 12);
    const int bits = r.U16(offset + 14);
    const uint32_t compression = r.U32(offset + 16);
    const uint32_t coloursUsed = r.U32(offset + 32);
    if (headerSize < kInfoHeaderSize || headerSize > size || planes != 1 || compression != 0 ||
        width <= 0 || width > kMaxIconSide || doubledHeight <= 0 ||
        doubledHeight > 2 * kMaxIconSide || doubledHeight % 2 != 0) {
        return std::nullopt;
    }
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) {
        return std::nullopt;
    }
    EntryLayout l{};
    l.width = width;
    l.height = doubledHeight / 2;
    l.bits = bits;
    l.paletteEntries = bits <= 8 ? (coloursUsed != 0 ? coloursUsed : (1u << bits)) : 0;
    if (l.paletteEntries > 256) {
        return std::nullopt;
    }
    l.palette = offset + headerSize;
    l.colourRows = l.palette + l.paletteEntries * 4;
    l.colourRowBytes = RowBytes(width, bits);
    l.maskRows = l.colourRows + l.colourRowBytes * l.height;
    l.maskRowBytes = RowBytes(width, 1);
    const std::size_t end = l.maskRows + l.maskRowBytes * l.height;
    if (end > offset + size || !r.Has(offset, end - offset)) {
        return std::nullopt;
    }
    return l;
}

// Fills the image's colours; true when a 32-bit image carries real alpha.
bool ReadColours(const Reader& r, const EntryLayout& l, IconImage& image) {
    bool anyAlpha = false;
    for (int y = 0; y < l.height; ++y) {
        // DIB rows run bottom-up.
        const std::size_t row = l.colourRows + l.colourRowBytes * (l.height - 1 - y);
        uint32_t* out = image.argb.data() + static_cast<std::size_t>(y) * l.width;
        for (int x = 0; x < l.width; ++x) {
            if (l.bits <= 8) {
                const unsigned index = IndexAt(r, row, x, l.bits);
                out[x] = index < l.paletteEntries ? PaletteColour(r, l.palette, index) : kOpaque;
            } else {
                const std::size_t at = row + static_cast<std::size_t>(x) * (l.bits / 8);
                const uint32_t alpha = l.bits == 32 ? r.U8(at + 3) : 0xFF;
                anyAlpha = anyAlpha || (l.bits == 32 && alpha != 0);
                out[x] = alpha << 24 | static_cast<uint32_t>(r.U8(at + 2)) << 16 |
                         static_cast<uint32_t>(r.U8(at + 1)) << 8 | r.U8(at);
            }
        }
    }
    return anyAlpha;
}

void ApplyMask(const Reader& r, const EntryLayout& l, IconImage& image) {
    for (int y = 0; y < l.height; ++y) {
        const std::size_t row = l.maskRows + l.maskRowBytes * (l.height - 1 - y);
        uint32_t* out = image.argb.data() + static_cast<std::size_t>(y) * l.width;
        for (int x = 0; x < l.width; ++x) {
            const bool transparent = IndexAt(r, row, x, 1) != 0;
            out[x] = transparent ? (out[x] & 0x00FFFFFFu) : (out[x] | kOpaque);
        }
    }
}

std::optional<IconImage> DecodeEntry(const Reader& r, std::size_t offset, std::size_t size) {
    const auto layout = ReadLayout(r, offset, size);
    if (!layout) {
        return std::nullopt;
    }
    IconImage image;
    image.width = layout->width;
    image.height = layout->height;
    image.argb.resize(static_cast<std::size_t>(layout->width) * layout->height);
    // The AND mask decides transparency unless the image carries real alpha.
    if (!ReadColours(r, *layout, image)) {
        ApplyMask(r, *layout, image);
    }
    return image;
}

}  // namespace

std::vector<IconImage> DecodeIco(std::span<const uint8_t> data) {
    std::vector<IconImage> images;
    const Reader r(data);
    if (!r.Has(0, kDirHeaderSize) || r.U16(0) != 0 || r.U16(2) != kIconType) {
        return images;
    }
    const int count = r.U16(4);
    if (count <= 0 || count > kMaxEntries ||
        !r.Has(kDirHeaderSize, kDirEntrySize * static_cast<std::size_t>(count))) {
        return images;
    }
    for (int i = 0; i < count; ++i) {
        const std::size_t entry = kDirHeaderSize + kDirEntrySize * static_cast<std::size_t>(i);
        const uint32_t size = r.U32(entry + 8);
        const uint32_t offset = r.U32(entry + 12);
        if (auto image = DecodeEntry(r, offset, size)) {
            images.push_back(std::move(*image));
        }
    }
    return images;
}

}  // namespace dv::gdi
