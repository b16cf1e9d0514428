#pragma once
// Where the header packets of an Ogg Vorbis, Opus or FLAC stream lie, and the
// pages that carry a new comment packet in their place.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "songcore/tags/ogg/OggCodec.h"
#include "songcore/tags/ogg/OggPage.h"

namespace songcore {

struct OggHeaders {
    OggCodec codec = OggCodec::kNone;
    OggPage first;             // the page that holds only the identification packet
    uint64_t firstOffset = 0;  // where it lies: after other streams' first pages
    std::vector<uint8_t> identification;
    std::vector<uint8_t> comment;
    // The Vorbis setup packet, when it was asked for; Opus and FLAC streams
    // have none that must move with the comment packet.
    std::vector<uint8_t> setup;
    bool hasSetup = false;
    // The pages after the first up to the one where the last packet asked for
    // ends, and where each lies in the file.
    std::vector<OggPage> pages;
    std::vector<uint64_t> pageOffsets;
    uint64_t nextOffset = 0;  // the page after them
    // The pages of other streams (a multiplexed file) that lie between the
    // first header page after the first and nextOffset: offset and size.
    std::vector<std::pair<uint64_t, uint64_t>> foreignPages;
    // Index of the lacing value, in pages.front(), that ends the comment
    // packet when it ends there; and the index, in pages.back(), of the first
    // lacing value after the last packet asked for.
    std::optional<size_t> commentEndInFirst;
    size_t tailSegment = 0;
};

// Header packets larger than this are refused rather than held in memory.
constexpr size_t kMaxOggHeaderPacket = 128u << 20;
// A stream whose header pages run past this count is not one we can trust.
constexpr size_t kMaxHeaderPages = 4096;

// The first page of the stream that is tagged: among the first pages that
// open the file's streams (one, or several in a multiplexed file), the first
// that holds the identification packet of a Vorbis, Opus or FLAC stream, and
// nothing else. offset receives where it lies; why, when given, the reason
// for a refusal.
std::optional<OggPage> ReadOggFirstPage(const ReadExactFn& read, uint64_t& offset,
                                        std::string* why = nullptr);

// Whether page belongs to another stream than first's: in a multiplexed
// file the header pages of the streams are interleaved, and every reader of
// the header pages passes over the others'.
inline bool IsForeignOggPage(const OggPage& first, const OggPage& page) {
    return page.serial != first.serial;
}

// Why page, one of the tagged stream's pages after its first, cannot carry
// the header packets on (inPacket: a packet runs on from the page before),
// or nullptr when it can: every reader of the header pages holds them to the
// same rules.
const char* OggHeaderPageFault(const OggPage& page, bool inPacket);

// Reads the identification and comment packets, and the Vorbis setup packet
// when withSetup is set, of the stream ReadOggFirstPage finds. Refuses
// (nothing) a file without a Vorbis, Opus or FLAC stream, a first page with
// more than the identification packet, a second packet that is not the
// codec's comment packet, pages out of step with the packets they carry.
// why, when given, receives the reason for a refusal in plain words.
std::optional<OggHeaders> ReadOggHeaders(const ReadExactFn& read, bool withSetup,
                                         std::string* why = nullptr);

// The second page rewritten for a new comment packet, when the comment packet
// filled the start of that page and the new one still fits there with the
// packets after it. Every other page of the file stays as it was.
std::optional<OggPage> RewriteSecondPage(const OggHeaders& headers,
                                         const std::vector<uint8_t>& newComment);

// A page of the comment packet with new bytes, and its place among the
// header pages.
struct RefilledPage {
    size_t index = 0;
    OggPage page;
};

// The pages that carry the comment packet and whose bytes a new packet of the
// same length changes, refilled with it: the same lacing values and page
// sizes, new bytes. Pages the new packet leaves as they were are not returned,
// so that they are neither laid out nor checksummed again. Nothing when the
// new packet's length differs.
std::optional<std::vector<RefilledPage>> RefillCommentPages(
    const OggHeaders& headers, const std::vector<uint8_t>& sameLengthComment);

// The comment packet (and the Vorbis setup packet, when it was read) spread
// over as many pages as they need, with what followed them on their last
// page kept together on the last new page. Sequence numbers start at the second page's; the last
// page takes the granule position and end-of-stream flag of the old last header page.
std::vector<OggPage> PaginateHeaders(const OggHeaders& headers,
                                     const std::vector<uint8_t>& newComment);

}  // namespace songcore
