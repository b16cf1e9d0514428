#pragma once
// A header packet of an Ogg stream found from its pages' headers and lacing
// values alone, its bytes left in the file and read on demand: the tag read
// finds its way through a comment packet of megabytes of pictures without
// reading them.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "songcore/tags/ogg/OggPage.h"
#include "songcore/util/ReadExact.h"

namespace songcore {

class OggPacketReader {
public:
    // The packet that starts the page at offset, one of the pages of first's
    // stream after it, held to the rules ReadOggHeaders holds the header
    // pages to: no more than kMaxHeaderPages pages and kMaxOggHeaderPacket
    // bytes, and no page OggHeaderPageFault finds fault with. Every page is
    // there whole, as ReadOggHeaders reads it whole, but only its header and
    // lacing values are read. Nothing, with the reason in why when given,
    // when the pages cannot carry the packet.
    // With kEveryPage it reads every page's header instead of stepping over
    // runs of alike pages: for a file whose stepping lands on a page that
    // only looks like the run's continuation.
    enum class Walk { kStepOverAlikePages, kEveryPage };
    static std::optional<OggPacketReader> Locate(ReadExactFn read, const OggPage& first,
                                                 uint64_t offset, std::string* why = nullptr,
                                                 Walk walk = Walk::kStepOverAlikePages);

    uint64_t size() const { return size_; }

    // Reads count bytes at offset of the packet, from the page bodies that
    // hold them; false past the packet's end or when the file cannot be read.
    bool read(uint64_t offset, size_t count, std::vector<uint8_t>& out) const;

private:
    explicit OggPacketReader(ReadExactFn read) : read_(std::move(read)) {}

    // Bytes of the packet that lie together in one page body. A page the
    // walk stepped over (its place foretold by the pages around it, all
    // alike) has its header checked when its bytes are first read.
    struct Piece {
        uint64_t packetOffset = 0;
        uint64_t fileOffset = 0;
        uint64_t length = 0;
        uint32_t sequence = 0;
        bool foretold = false;
    };

    // Steps over the run of full pages alike to page that follows it, when
    // their number can be told from a page found further on; the header
    // found there is left in landing.
    void stepOverAlikePages(const OggPage& page, uint64_t next, size_t& pages,
                            std::vector<uint8_t>& landing, uint64_t& landingOffset);
    bool foretoldPageHolds(const Piece& piece, uint64_t from, size_t count,
                           std::vector<uint8_t>& out) const;
    // Where the page whose body holds a foretold piece starts.
    static uint64_t PageStart(const Piece& piece);
    // Reads the file from start to end, which holds the bytes asked for in
    // the bodies of first to last, and keeps only those.
    bool gather(std::vector<Piece>::const_iterator first, std::vector<Piece>::const_iterator last,
                uint64_t offset, size_t count, uint64_t start, uint64_t end,
                std::vector<uint8_t>& out) const;

    // Bytes of page headers and other streams' pages a read of several
    // pages may take along beside the ones asked for.
    static constexpr uint64_t kGatherSlack = 64 * 1024;

    ReadExactFn read_;
    uint32_t serial_ = 0;
    size_t jump_ = 128;
    bool narrowing_ = false;
    std::vector<Piece> pieces_;
    uint64_t size_ = 0;
};

}  // namespace songcore
