#include "cli/SongFields.h"

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
    return {
        Text("title", "Title", info.GetTitle()),
        Text("artist", "Artist", info.GetArtist()),
        Text("album", "Album", info.GetAlbum()),
        Text("year", "Year", info.GetYear()),
        Text("comment", "Comment", info.GetComment()),
        {"genre", "Genre", false, info.GetGenreString(), 0, info.GetGenre() != GENRE_NONE},
        Number("genre_id", "Genre id", info.GetGenre(), false),
        Number("track", "Track", info.GetTrackNum(), info.GetTrackNum() != 0),
        Number("disc", "Disc", info.GetDiscNum(), info.GetDiscNum() != 0),
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
