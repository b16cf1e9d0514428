#pragma once
// One Ogg page: the 27-byte header, the segment table and the body. Parsed
// from and built into bytes; building always stores a fresh checksum.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "songcore/util/ReadExact.h"

namespace songcore {

struct OggPage {
    static constexpr size_t kHeaderSize = 27;
    static constexpr size_t kMaxSegments = 255;
    static constexpr uint8_t kContinued = 0x01;
    static constexpr uint8_t kFirst = 0x02;
    static constexpr uint8_t kLast = 0x04;
    static constexpr uint64_t kNoGranule = ~uint64_t{0};

    uint8_t version = 0;
    uint8_t flags = 0;
    uint64_t granule = 0;
    uint32_t serial = 0;
    uint32_t sequence = 0;
    uint32_t checksum = 0;  // as read; Serialize computes its own
    std::vector<uint8_t> lacing;
    std::vector<uint8_t> body;

    size_t size() const { return kHeaderSize + lacing.size() + body.size(); }

    // Parses the fixed header; the capture pattern is matched without regard
    // to letter case, as files with "oggs" are met in the wild. Returns the
    // number of lacing values that follow, or nothing.
    static std::optional<size_t> ParseHeader(std::span<const uint8_t> header, OggPage& page);
    // Parses a whole page at the start of data.
    static std::optional<OggPage> Parse(std::span<const uint8_t> data);
    // The page as bytes, with its checksum computed.
    std::vector<uint8_t> Serialize() const;
};

// Reads the page that starts at offset.
std::optional<OggPage> ReadOggPage(const ReadExactFn& read, uint64_t offset);

// The Ogg checksum: CRC-32, polynomial 0x04C11DB7, most significant bit
// first, initial value 0, no final inversion. Feed the header with its
// checksum field zeroed, then the body.
uint32_t OggCrc(std::span<const uint8_t> data, uint32_t crc = 0);

// The checksum a page of pageSize bytes gets when its sequence number alone
// changes, from the one it has. A checksum that was wrong stays wrong, so a
// damaged page is still seen as damaged.
uint32_t OggCrcRenumbered(uint32_t checksum, uint32_t oldSequence, uint32_t newSequence,
                          size_t pageSize);

// Appends the lacing values of a packet: 255 for every full segment, then the
// remainder (0 when the length is a multiple of 255).
void AppendLacing(size_t packetLength, std::vector<uint8_t>& lacing);

}  // namespace songcore
