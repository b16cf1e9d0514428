// The other items of Ogg Vorbis, Opus and FLAC streams: the comments no field
// reads (the writer is WriteOGGInfo).
#include "songcore/songfile/SongFileReader.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/ogg/OggHeaders.h"
#include "songcore/tags/ogg/VorbisComments.h"

int CSongFileInfo::ReadOGGItems(std::vector<songcore::TagItem>& out) {
    out.clear();
    std::optional<songcore::OggHeaders> headers =
        songcore::ReadOggHeaders(songcore::SongFileReader(*this), false);
    if (!headers) {
        return 0;
    }
    std::optional<std::span<const uint8_t>> list =
        songcore::OggCommentList(headers->codec, headers->comment);
    if (!list) {
        return 0;
    }
    // A list cut short still gives the items before the damage.
    songcore::VorbisComments comments;
    songcore::VorbisComments::Parse(*list, comments, nullptr,
                                    songcore::VorbisComments::Pictures::kLeaveOut);
    out = VorbisOtherItems(comments.items);
    return 1;
}
