#include "songcore/tags/SongField.h"

namespace songcore {

const std::array<FieldInfo, kSongFieldCount>& FieldTable() {
    using enum SongField;
    using enum FieldKind;
    static constexpr std::array<FieldInfo, kSongFieldCount> kTable = {{
        {Title, "title", "Title", Text},
        {Artist, "artist", "Artist", List},
        {AlbumArtist, "album-artist", "Album artist", List},
        {Album, "album", "Album", Text},
        {Year, "year", "Year", Text},
        {Comment, "comment", "Comment", Text},
        {Genre, "genre", "Genre", List},
        {Track, "track", "Track", Number},
        {TrackTotal, "track-total", "Track total", Total},
        {Disc, "disc", "Disc", Number},
        {DiscTotal, "disc-total", "Disc total", Total},
        {Composer, "composer", "Composer", List},
        {OrigArtist, "orig-artist", "Original artist", Text},
        {Copyright, "copyright", "Copyright", Text},
        {Url, "url", "URL", Text},
        {EncodedBy, "encoded-by", "Encoded by", Text},
        // Lyrics keep their line breaks and blanks.
        {Lyrics, "lyrics", "Lyrics", Text, true, true},
        {Performer, "performer", "Performer", Text},
        {Organization, "organization", "Organization", Text},
        {Location, "location", "Location", Text},
        {Contact, "contact", "Contact", Text},
        {License, "license", "License", Text},
        {Version, "version", "Version", Text, false},
        // The vendor string is written back exactly as read.
        {Vendor, "vendor", "Vendor", Text, false, true},
        {Tempo, "tempo", "Tempo", Number, false},
        {Compilation, "compilation", "Compilation", Number, false},
    }};
    // The enum indexes the table.
    static_assert([] {
        for (size_t i = 0; i < kTable.size(); ++i) {
            if (static_cast<size_t>(kTable[i].field) != i) {
                return false;
            }
        }
        return true;
    }());
    return kTable;
}

std::optional<SongField> FindField(std::string_view key) {
    for (const FieldInfo& info : FieldTable()) {
        if (key == info.key) {
            return info.field;
        }
    }
    return std::nullopt;
}

std::optional<SongField> NumberOfTotal(SongField total) {
    if (InfoOf(total).kind != FieldKind::Total) {
        return std::nullopt;
    }
    return static_cast<SongField>(static_cast<size_t>(total) - 1);
}

std::optional<SongField> TotalOfNumber(SongField number) {
    size_t next = static_cast<size_t>(number) + 1;
    if (next >= kSongFieldCount || FieldTable()[next].kind != FieldKind::Total) {
        return std::nullopt;
    }
    return static_cast<SongField>(next);
}

}  // namespace songcore
