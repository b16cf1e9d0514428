// Pictures of Ogg Vorbis, Opus and FLAC streams: METADATA_BLOCK_PICTURE items
// of the comment list (the writer is WriteOGGInfo).
#include "songcore/songfile/SongFileReader.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/ogg/OggHeaders.h"
#include "songcore/tags/ogg/VorbisComments.h"

int CSongFileInfo::ReadOGGPictures(std::vector<songcore::Picture>& out) {
    out.clear();
    std::optional<songcore::OggHeaders> headers =
        songcore::ReadOggHeaders(songcore::SongFileReader(*this), false);
    if (!headers) {
        return 0;
    }
    std::optional<std::span<const uint8_t>> list =
        songcore::OggCommentList(headers->codec, headers->comment);
    songcore::VorbisComments comments;
    if (!list) {
        return 0;
    }
    // A list cut short still gives the pictures before the damage.
    songcore::VorbisComments::Parse(*list, comments);
    out = songcore::CommentPictures(comments.items);
    return 1;
}
