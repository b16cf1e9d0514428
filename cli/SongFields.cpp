#include "cli/SongFields.h"

#include "songcore/tags/Mp4ItemList.h"

namespace tunemoss {
namespace {

SongField Text(std::string key, std::string label, std::string value) {
    bool present = !value.empty();
    return {std::move(key), std::move(label), false, std::move(value), 0, present};
}

SongField Number(std::string key, std::string label, long long value, bool present) {
    return {std::move(key), std::move(label), true, std::to_string(value), value, present};
}

}  // namespace

std::vector<SongField> DescribeFields(const CSongFileInfo& info) {
    // MP4 keeps the "gnre" number (the table index plus one) and the totals
    // of track and disc in the high 16 bits; show them as the others do.
    bool mp4 = info.GetTagKind() == TAG_MP4;
    uint16_t genre = mp4 ? songcore::Mp4GenreToIndex(info.GetGenre()) : info.GetGenre();
    uint32_t track = mp4 ? info.GetTrackNum() & 0xFFFF : info.GetTrackNum();
    uint32_t disc = mp4 ? info.GetDiscNum() & 0xFFFF : info.GetDiscNum();
    return {
        Text("title", "Title", info.GetTitle()),
        Text("artist", "Artist", info.GetArtist()),
        Text("album_artist", "Album artist", info.GetAlbumArtist()),
        Text("album", "Album", info.GetAlbum()),
        Text("year", "Year", info.GetYear()),
        Text("comment", "Comment", info.GetComment()),
        {"genre", "Genre", false, GetMP3Genre(genre), 0, genre != GENRE_NONE},
        Number("genre_id", "Genre id", genre, false),
        Number("track", "Track", track, track != 0),
        Number("disc", "Disc", disc, disc != 0),
        Text("composer", "Composer", info.GetComposer()),
        Text("orig_artist", "Original artist", info.GetOrigArtist()),
        Text("copyright", "Copyright", info.GetCopyright()),
        Text("url", "URL", info.GetURL()),
        Text("encoded_by", "Encoded by", info.GetEncodedBy()),
        Text("lyrics", "Lyrics", info.GetLyrics()),
        Text("performer", "Performer", info.GetPerformer()),
        Text("organization", "Organization", info.GetOrganization()),
        Text("location", "Location", info.GetLocation()),
        Text("contact", "Contact", info.GetContact()),
        Text("license", "License", info.GetLicense()),
        Text("version", "Version", info.GetVersion()),
        Text("vendor", "Vendor", info.GetVendor()),
        Text("codec", "Codec", info.GetCodec()),
        Number("codec_type", "Codec type", info.GetCodecType(), info.GetCodecType() != 0xFFFF),
        Number("tempo", "Tempo", info.GetTempo(), info.GetTempo() != 0),
        Number("compilation", "Compilation", info.GetCompilation(), info.GetCompilation() != 0),
    };
}

}  // namespace tunemoss
