#include "songcore/tags/OggPacketReader.h"

#include <algorithm>
#include <numeric>

#include "songcore/tags/OggHeaders.h"

namespace songcore {

std::optional<OggPacketReader> OggPacketReader::Locate(ReadExactFn read, const OggPage& first,
                                                       uint64_t offset, std::string* why) {
    auto refuse = [why](const char* reason) -> std::optional<OggPacketReader> {
        if (why) {
            *why = reason;
        }
        return std::nullopt;
    };
    constexpr const char* kDamaged = "the Ogg pages of the headers are damaged or cut short";
    OggPacketReader packet(std::move(read));
    const ReadExactFn& file = packet.read_;
    bool inPacket = false;
    std::vector<uint8_t> header;
    std::vector<uint8_t> rest;
    size_t expected = OggPage::kMaxSegments;
    for (size_t pages = 0;; ++pages) {
        if (pages >= kMaxHeaderPages) {
            return refuse("the Ogg headers spread over too many pages");
        }
        // The pages of one packet are mostly alike, so one read takes a
        // header with as many lacing values as the page before had (all 255
        // on the first); what it missed is read after it. Near the end of the
        // file the guess may reach past it: the header is then read alone.
        OggPage page;
        const bool together = file(offset, OggPage::kHeaderSize + expected, header);
        if (!together && !file(offset, OggPage::kHeaderSize, header)) {
            return refuse(kDamaged);
        }
        std::optional<size_t> segments = OggPage::ParseHeader(header, page);
        if (!segments) {
            return refuse(kDamaged);
        }
        const size_t have = together ? std::min(expected, *segments) : 0;
        auto lacing = header.begin() + OggPage::kHeaderSize;
        page.lacing.assign(lacing, lacing + static_cast<ptrdiff_t>(have));
        if (*segments > have) {
            if (!file(offset + OggPage::kHeaderSize + have, *segments - have, rest)) {
                return refuse(kDamaged);
            }
            page.lacing.insert(page.lacing.end(), rest.begin(), rest.end());
        }
        expected = *segments;
        const uint64_t body = offset + OggPage::kHeaderSize + *segments;
        const uint64_t bodySize =
            std::accumulate(page.lacing.begin(), page.lacing.end(), uint64_t{0});
        if (IsForeignOggPage(first, page)) {
            offset = body + bodySize;
            continue;
        }
        if (const char* fault = OggHeaderPageFault(page, inPacket)) {
            return refuse(fault);
        }
        uint64_t length = 0;
        bool ends = false;
        for (uint8_t value : page.lacing) {
            if (packet.size_ + length + value > kMaxOggHeaderPacket) {
                return refuse("an Ogg header packet is larger than 128 MiB");
            }
            length += value;
            inPacket = value == 255;
            if (!inPacket) {
                ends = true;
                break;
            }
        }
        if (length > 0) {
            packet.pieces_.push_back({packet.size_, body, length});
        }
        packet.size_ += length;
        if (ends) {
            // The pages before this one are known whole, as the page after
            // each was found; this one's last byte tells that it is too.
            if (bodySize > 0 && !file(body + bodySize - 1, 1, header)) {
                return refuse(kDamaged);
            }
            return packet;
        }
        offset = body + bodySize;
    }
}

bool OggPacketReader::read(uint64_t offset, size_t count, std::vector<uint8_t>& out) const {
    if (offset > size_ || count > size_ - offset) {
        return false;
    }
    out.clear();
    out.reserve(count);
    // The first piece that ends after offset.
    auto piece = std::upper_bound(
        pieces_.begin(), pieces_.end(), offset,
        [](uint64_t at, const Piece& each) { return at < each.packetOffset + each.length; });
    std::vector<uint8_t> chunk;
    for (uint64_t at = offset, end = offset + count; at < end; ++piece) {
        if (piece == pieces_.end()) {
            return false;
        }
        uint64_t into = at - piece->packetOffset;
        size_t take = static_cast<size_t>(std::min(end - at, piece->length - into));
        if (!read_(piece->fileOffset + into, take, chunk)) {
            return false;
        }
        out.insert(out.end(), chunk.begin(), chunk.end());
        at += take;
    }
    return true;
}

}  // namespace songcore
