#include "platform/provisioning/FactoryBootRecord.h"

namespace dv {
namespace {

constexpr BYTE kMagic[] = {'D', 'V', 'B', 'L'};
constexpr uint16_t kVersion = 1;
constexpr uint16_t kRecordLength = 90;
constexpr uint32_t kImageOffset = 0x00040000;
constexpr uint32_t kImageSize = 0x00600000;
constexpr uint32_t kLoadAddress = 0x80200000;
constexpr uint16_t kBootDelayMs = 300;
constexpr BYTE kAutoPowerOn = 1;
constexpr uint32_t kCrcPolynomial = 0xEDB88320u;

template <typename T>
void PutLittleEndian(std::span<BYTE> out, std::size_t offset, T value) {
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        out[offset + i] = static_cast<BYTE>(value >> (8 * i));
    }
}

}  // namespace

uint32_t Crc32(std::span<const BYTE> bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (BYTE b : bytes) {
        crc ^= b;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ ((crc & 1u) != 0 ? kCrcPolynomial : 0u);
        }
    }
    return ~crc;
}

std::array<BYTE, flash::kBootSectorSize> FactoryBootSector() {
    std::array<BYTE, flash::kBootSectorSize> sector{};
    sector.fill(flash::kErasedByte);
    std::span<BYTE> record(sector.data(), kRecordLength);
    std::fill(record.begin(), record.end(), BYTE{0});
    std::copy(std::begin(kMagic), std::end(kMagic), record.begin());
    PutLittleEndian<uint16_t>(record, 4, kVersion);
    PutLittleEndian<uint16_t>(record, 6, kRecordLength);
    PutLittleEndian<uint32_t>(record, 8, kImageOffset);
    PutLittleEndian<uint32_t>(record, 12, kImageSize);
    PutLittleEndian<uint32_t>(record, 16, kLoadAddress);
    PutLittleEndian<uint16_t>(record, 20, kBootDelayMs);
    PutLittleEndian<uint32_t>(record, kBootRecordChecksumOffset,
                              Crc32(record.first(kBootRecordChecksumOffset)));
    sector[kBootingFlagOffset] = kAutoPowerOn;
    return sector;
}

}  // namespace dv
