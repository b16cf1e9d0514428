#include "songcore/tags/ogg/OggTagHeaders.h"

#include <algorithm>
#include <vector>

#include "songcore/tags/ogg/OggHeaders.h"
#include "songcore/tags/ogg/OggPacketReader.h"

namespace songcore {

std::optional<OggTagHeaders> ReadOggTagHeaders(const ReadExactFn& read, std::string* why) {
    OggTagHeaders headers;
    std::optional<OggPage> first = ReadOggFirstPage(read, headers.firstOffset, why);
    if (!first) {
        return std::nullopt;
    }
    headers.codec = OggCodecOf(first->body);
    const uint64_t second = headers.firstOffset + first->size();
    std::optional<OggPacketReader> packet = OggPacketReader::Locate(read, *first, second, why);
    // A step that landed on a page looking like the run's continuation can
    // fail a packet that the pages, walked one by one, carry.
    if (!packet) {
        packet =
            OggPacketReader::Locate(read, *first, second, why, OggPacketReader::Walk::kEveryPage);
    }
    if (!packet) {
        return std::nullopt;
    }
    std::vector<uint8_t> head;
    size_t headSize = static_cast<size_t>(
        std::min<uint64_t>(packet->size(), OggCommentPrefixSize(headers.codec)));
    std::optional<OggCommentListPlace> place;
    if (packet->read(0, headSize, head)) {
        place = OggCommentListIn(headers.codec, head, static_cast<size_t>(packet->size()));
    }
    if (!place) {
        if (why) {
            *why = "the comment header is missing or damaged";
        }
        return std::nullopt;
    }
    headers.first = std::move(*first);
    headers.listSize = place->length;
    headers.list = [packet = std::move(*packet), place = *place](uint64_t offset, size_t count,
                                                                 std::vector<uint8_t>& out) {
        if (offset > place.length || count > place.length - offset) {
            return false;
        }
        return packet.read(place.offset + offset, count, out);
    };
    return headers;
}

}  // namespace songcore
