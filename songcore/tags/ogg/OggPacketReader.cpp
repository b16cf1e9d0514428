#include "songcore/tags/ogg/OggPacketReader.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "songcore/tags/ogg/OggHeaders.h"

namespace songcore {
namespace {

constexpr uint64_t kFullSegment = 255;

bool AllFull(const std::vector<uint8_t>& lacing) {
    return std::all_of(lacing.begin(), lacing.end(), [](uint8_t v) { return v == kFullSegment; });
}

// The header of a page in the middle of a packet's run of full pages: of the
// stream, in sequence, continuing the packet, with segments full segments.
bool IsFullPageOfRun(std::span<const uint8_t> bytes, uint32_t serial, uint32_t sequence,
                     size_t segments) {
    OggPage page;
    std::optional<size_t> count = OggPage::ParseHeader(bytes, page);
    return count && *count == segments && page.serial == serial && page.sequence == sequence &&
           page.flags == OggPage::kContinued && bytes.size() >= OggPage::kHeaderSize + segments &&
           std::all_of(bytes.begin() + OggPage::kHeaderSize,
                       bytes.begin() + static_cast<ptrdiff_t>(OggPage::kHeaderSize + segments),
                       [](uint8_t v) { return v == kFullSegment; });
}

}  // namespace

std::optional<OggPacketReader> OggPacketReader::Locate(ReadExactFn read, const OggPage& first,
                                                       uint64_t offset, std::string* why,
                                                       Walk walk) {
    auto refuse = [why](const char* reason) -> std::optional<OggPacketReader> {
        if (why) {
            *why = reason;
        }
        return std::nullopt;
    };
    constexpr const char* kDamaged = "the Ogg pages of the headers are damaged or cut short";
    OggPacketReader packet(std::move(read));
    packet.serial_ = first.serial;
    const ReadExactFn& file = packet.read_;
    bool inPacket = false;
    std::vector<uint8_t> header;
    std::vector<uint8_t> landing;
    uint64_t landingOffset = 0;
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
        bool together = false;
        if (!landing.empty() && landingOffset == offset) {
            header.swap(landing);
            together = true;
        } else {
            together = file(offset, OggPage::kHeaderSize + expected, header);
            if (!together && !file(offset, OggPage::kHeaderSize, header)) {
                return refuse(kDamaged);
            }
        }
        landing.clear();
        std::optional<size_t> segments = OggPage::ParseHeader(header, page);
        if (!segments) {
            return refuse(kDamaged);
        }
        const size_t have =
            together ? std::min(header.size() - OggPage::kHeaderSize, *segments) : 0;
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
            packet.pieces_.push_back({packet.size_, body, length, page.sequence, false});
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
        if (walk == Walk::kStepOverAlikePages && !page.lacing.empty() && AllFull(page.lacing)) {
            packet.stepOverAlikePages(page, offset, pages, landing, landingOffset);
            if (!landing.empty()) {
                offset = landingOffset;
            }
        }
    }
}

void OggPacketReader::stepOverAlikePages(const OggPage& page, uint64_t next, size_t& pages,
                                         std::vector<uint8_t>& landing, uint64_t& landingOffset) {
    // A cover of megabytes spreads over thousands of pages of about 4 KB, all
    // alike; visiting each would cost a read a page. The page a run of them
    // reaches is looked for where they would put it: found there, with the
    // sequence number it would have, the pages between are taken as the
    // run's, and checked when their bytes are read. The run's length is
    // found by galloping, then halving.
    const size_t segments = page.lacing.size();
    const uint64_t bodySize = segments * kFullSegment;
    const uint64_t stride = OggPage::kHeaderSize + segments + bodySize;
    for (; jump_ >= 2; narrowing_ = true, jump_ /= 2) {
        const size_t between = jump_ - 1;
        if (pages + jump_ >= kMaxHeaderPages || size_ + between * bodySize > kMaxOggHeaderPacket) {
            continue;
        }
        const uint64_t at = next + between * stride;
        const uint32_t sequence = page.sequence + static_cast<uint32_t>(jump_);
        OggPage found;
        if (!read_(at, OggPage::kHeaderSize + segments, landing) ||
            !OggPage::ParseHeader(landing, found) || found.serial != serial_ ||
            found.sequence != sequence || found.flags != OggPage::kContinued) {
            continue;
        }
        for (size_t k = 0; k < between; ++k) {
            uint64_t pageAt = next + k * stride;
            pieces_.push_back({size_, pageAt + OggPage::kHeaderSize + segments, bodySize,
                               page.sequence + static_cast<uint32_t>(k + 1), true});
            size_ += bodySize;
        }
        pages += between;
        landingOffset = at;
        if (!narrowing_) {
            jump_ *= 2;
        }
        return;
    }
    landing.clear();
}

bool OggPacketReader::foretoldPageHolds(const Piece& piece, uint64_t from, size_t count,
                                        std::vector<uint8_t>& out) const {
    const size_t segments = static_cast<size_t>(piece.length / kFullSegment);
    const uint64_t pageStart = piece.fileOffset - OggPage::kHeaderSize - segments;
    const size_t headerSize = OggPage::kHeaderSize + segments;
    std::vector<uint8_t> bytes;
    if (!read_(pageStart, headerSize + static_cast<size_t>(from + count), bytes) ||
        !IsFullPageOfRun(bytes, serial_, piece.sequence, segments)) {
        return false;
    }
    auto start = bytes.begin() + static_cast<ptrdiff_t>(headerSize + from);
    out.assign(start, start + static_cast<ptrdiff_t>(count));
    return true;
}

uint64_t OggPacketReader::PageStart(const Piece& piece) {
    const uint64_t segments = piece.length / kFullSegment;
    return piece.fileOffset - OggPage::kHeaderSize - segments;
}

bool OggPacketReader::read(uint64_t offset, size_t count, std::vector<uint8_t>& out) const {
    if (offset > size_ || count > size_ - offset) {
        return false;
    }
    out.clear();
    // The first piece that ends after offset, and the one that holds the
    // last byte asked for.
    auto endsAfter = [this](uint64_t at) {
        return std::upper_bound(pieces_.begin(), pieces_.end(), at,
                                [](uint64_t value, const Piece& each) {
                                    return value < each.packetOffset + each.length;
                                });
    };
    auto first = endsAfter(offset);
    if (count == 0) {
        return true;
    }
    auto last = endsAfter(offset + count - 1);
    if (first == pieces_.end() || last == pieces_.end()) {
        return false;
    }
    if (first != last) {
        // The pages between (headers, lacing values, other streams' pages
        // now and then) are read along with the bodies when they add little,
        // so that a packet of a thousand pages costs one read.
        uint64_t start = first->foretold ? PageStart(*first)
                                         : first->fileOffset + (offset - first->packetOffset);
        uint64_t end = last->fileOffset + (offset + count - last->packetOffset);
        if (end - start <= count + count / 8 + kGatherSlack) {
            return gather(first, last, offset, count, start, end, out);
        }
    }
    out.reserve(count);
    std::vector<uint8_t> chunk;
    for (uint64_t at = offset, end = offset + count; at < end; ++first) {
        if (first == pieces_.end()) {
            return false;
        }
        uint64_t into = at - first->packetOffset;
        size_t take = static_cast<size_t>(std::min(end - at, first->length - into));
        bool got = first->foretold ? foretoldPageHolds(*first, into, take, chunk)
                                   : read_(first->fileOffset + into, take, chunk);
        if (!got) {
            return false;
        }
        out.insert(out.end(), chunk.begin(), chunk.end());
        at += take;
    }
    return true;
}

bool OggPacketReader::gather(std::vector<Piece>::const_iterator first,
                             std::vector<Piece>::const_iterator last, uint64_t offset, size_t count,
                             uint64_t start, uint64_t end, std::vector<uint8_t>& out) const {
    if (!read_(start, static_cast<size_t>(end - start), out)) {
        return false;
    }
    // The bodies' bytes move down over the headers between them, in file
    // order: each lands at or before where it lies, so nothing is
    // overwritten before it has moved.
    uint8_t* bytes = out.data();
    size_t done = 0;
    for (auto piece = first;; ++piece) {
        if (piece->foretold) {
            const uint64_t pageStart = PageStart(*piece) - start;
            const size_t segments = static_cast<size_t>(piece->length / kFullSegment);
            if (!IsFullPageOfRun(
                    std::span<const uint8_t>(bytes + pageStart, OggPage::kHeaderSize + segments),
                    serial_, piece->sequence, segments)) {
                return false;
            }
        }
        uint64_t into = piece == first ? offset - piece->packetOffset : 0;
        size_t take = static_cast<size_t>(std::min<uint64_t>(count - done, piece->length - into));
        std::memmove(bytes + done, bytes + (piece->fileOffset + into - start), take);
        done += take;
        if (piece == last) {
            break;
        }
    }
    out.resize(done);
    return done == count;
}

}  // namespace songcore
