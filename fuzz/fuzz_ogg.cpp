// The Ogg page parser, the Vorbis header walk and the comment list parser over
// arbitrary bytes, and the rewrite of the header pages where the walk succeeds.
#include <cstdint>
#include <vector>

#include "songcore/tags/OggPage.h"
#include "songcore/tags/OggVorbisHeaders.h"
#include "songcore/tags/VorbisComments.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> bytes(data, size);
    songcore::ReadExactFn read = songcore::SpanReader(bytes);

    songcore::VorbisComments comments;
    songcore::VorbisComments::Parse(bytes, comments);

    if (auto page = songcore::OggPage::Parse(bytes)) {
        page->Serialize();
    }
    auto headers = songcore::ReadOggVorbisHeaders(read, true);
    if (!headers) {
        return 0;
    }
    songcore::VorbisComments old;
    songcore::VorbisComments::Parse(
        std::span<const uint8_t>(headers->comment).subspan(songcore::kVorbisCommonHeaderSize), old);
    old.items.push_back("TITLE=fuzz");
    std::vector<uint8_t> packet = songcore::BuildVorbisCommentPacket(old);
    // The same-length refill keeps every page's size.
    std::vector<uint8_t> same = headers->comment;
    same.back() ^= 0xFF;
    std::vector<songcore::OggPage> refilled = songcore::RefillCommentPages(*headers, same);
    for (size_t i = 0; i < refilled.size(); ++i) {
        if (refilled[i].size() != headers->pages[i].size()) {
            __builtin_trap();
        }
    }
    if (auto second = songcore::RewriteSecondPage(*headers, packet)) {
        second->Serialize();
    }
    for (const songcore::OggPage& page : songcore::PaginateHeaders(*headers, packet)) {
        if (page.lacing.size() > songcore::OggPage::kMaxSegments) {
            __builtin_trap();
        }
        page.Serialize();
    }
    return 0;
}
