#include "songcore/tags/ogg/OggPage.h"

#include <array>
#include <numeric>

#include "songcore/util/ByteReader.h"
#include "songcore/util/ByteWriter.h"
#include "songcore/util/Text.h"

namespace songcore {
namespace {

// Tables for the checksum eight bytes at a time: table 0 is the usual
// byte table; table k advances a byte's contribution by k more bytes.
using CrcTables = std::array<std::array<uint32_t, 256>, 8>;

constexpr CrcTables MakeCrcTables() {
    CrcTables tables{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t value = i << 24;
        for (int bit = 0; bit < 8; ++bit) {
            value = (value & 0x80000000u) ? (value << 1) ^ 0x04C11DB7u : value << 1;
        }
        tables[0][i] = value;
    }
    for (size_t k = 1; k < tables.size(); ++k) {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t before = tables[k - 1][i];
            tables[k][i] = (before << 8) ^ tables[0][before >> 24];
        }
    }
    return tables;
}

constexpr CrcTables kCrc = MakeCrcTables();

// a * b modulo the checksum's polynomial, both as the checksum holds them
// (bit 31 the highest power of x).
uint32_t MultiplyModulo(uint32_t a, uint32_t b) {
    uint32_t product = 0;
    for (int bit = 31; bit >= 0; --bit) {
        product = (product & 0x80000000u) ? (product << 1) ^ 0x04C11DB7u : product << 1;
        if ((b >> bit) & 1u) {
            product ^= a;
        }
    }
    return product;
}

// x to the power of 8 * bytes modulo the polynomial: what running the
// checksum over that many zero bytes multiplies its value by.
uint32_t ZeroBytesFactor(uint64_t bytes) {
    uint32_t factor = 1;
    uint32_t power = 0x100;  // x^8: one byte
    for (; bytes > 0; bytes >>= 1) {
        if (bytes & 1) {
            factor = MultiplyModulo(factor, power);
        }
        power = MultiplyModulo(power, power);
    }
    return factor;
}

}  // namespace

uint32_t OggCrcRenumbered(uint32_t checksum, uint32_t oldSequence, uint32_t newSequence,
                          size_t pageSize) {
    // The checksum is linear: that of the page with the new number is that
    // of the old page XOR that of a page of zeros holding only the change.
    constexpr size_t kSequenceEnd = 22;
    uint32_t change = oldSequence ^ newSequence;
    const std::array<uint8_t, 4> bytes = {
        static_cast<uint8_t>(change), static_cast<uint8_t>(change >> 8),
        static_cast<uint8_t>(change >> 16), static_cast<uint8_t>(change >> 24)};
    uint32_t ofChange = OggCrc(bytes);
    if (pageSize > kSequenceEnd) {
        ofChange = MultiplyModulo(ofChange, ZeroBytesFactor(pageSize - kSequenceEnd));
    }
    return checksum ^ ofChange;
}

uint32_t OggCrc(std::span<const uint8_t> data, uint32_t crc) {
    const uint8_t* at = data.data();
    size_t left = data.size();
    for (; left >= 8; at += 8, left -= 8) {
        uint32_t high = crc ^ (uint32_t{at[0]} << 24 | uint32_t{at[1]} << 16 |
                               uint32_t{at[2]} << 8 | uint32_t{at[3]});
        crc = kCrc[7][high >> 24] ^ kCrc[6][(high >> 16) & 0xFF] ^ kCrc[5][(high >> 8) & 0xFF] ^
              kCrc[4][high & 0xFF] ^ kCrc[3][at[4]] ^ kCrc[2][at[5]] ^ kCrc[1][at[6]] ^
              kCrc[0][at[7]];
    }
    for (; left > 0; ++at, --left) {
        crc = (crc << 8) ^ kCrc[0][((crc >> 24) ^ *at) & 0xFF];
    }
    return crc;
}

void AppendLacing(size_t packetLength, std::vector<uint8_t>& lacing) {
    lacing.insert(lacing.end(), packetLength / 255, 255);
    lacing.push_back(static_cast<uint8_t>(packetLength % 255));
}

std::optional<size_t> OggPage::ParseHeader(std::span<const uint8_t> header, OggPage& page) {
    ByteReader reader(header);
    if (!EqualsIgnoreCaseAscii(reader.fourcc(), "OggS")) {
        return std::nullopt;
    }
    page.version = reader.u8();
    page.flags = reader.u8();
    page.granule = reader.u64le();
    page.serial = reader.u32le();
    page.sequence = reader.u32le();
    page.checksum = reader.u32le();
    size_t segments = reader.u8();
    if (!reader.ok()) {
        return std::nullopt;
    }
    return segments;
}

std::optional<OggPage> OggPage::Parse(std::span<const uint8_t> data) {
    return ReadOggPage(SpanReader(data), 0);
}

std::optional<OggPage> ReadOggPage(const ReadExactFn& read, uint64_t offset) {
    std::vector<uint8_t> header;
    if (!read(offset, OggPage::kHeaderSize, header)) {
        return std::nullopt;
    }
    OggPage page;
    std::optional<size_t> segments = OggPage::ParseHeader(header, page);
    if (!segments) {
        return std::nullopt;
    }
    offset += OggPage::kHeaderSize;
    if (*segments > 0 && !read(offset, *segments, page.lacing)) {
        return std::nullopt;
    }
    offset += *segments;
    size_t bodyLength = std::accumulate(page.lacing.begin(), page.lacing.end(), size_t{0});
    if (bodyLength > 0 && !read(offset, bodyLength, page.body)) {
        return std::nullopt;
    }
    return page;
}

std::vector<uint8_t> OggPage::Serialize() const {
    ByteWriter writer;
    writer.reserve(size());
    writer.text("OggS");
    writer.u8(version);
    writer.u8(flags);
    writer.u64le(granule);
    writer.u32le(serial);
    writer.u32le(sequence);
    writer.u32le(0);
    writer.u8(static_cast<uint8_t>(lacing.size()));
    writer.bytes(lacing);
    writer.bytes(body);
    std::vector<uint8_t> bytes = writer.take();
    uint32_t crc = OggCrc(bytes);
    for (int i = 0; i < 4; ++i) {
        bytes[22 + i] = static_cast<uint8_t>(crc >> (8 * i));
    }
    return bytes;
}

}  // namespace songcore
