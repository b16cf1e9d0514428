#include "songcore/tags/RecordFields.h"

#include "songcore/tags/FieldText.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/util/Text.h"

namespace songcore {
namespace {

uint16_t GenreByName(std::string_view name) {
    for (int id = 0; id < GENRE_NONE; ++id) {
        if (GetMP3Genre(id) == name) {
            return static_cast<uint16_t>(id);
        }
    }
    return GENRE_NONE;
}

struct TextAccess {
    std::string (CSongFileInfo::*get)() const;
    void (CSongFileInfo::*set)(std::string);
};

TextAccess TextField(SongField field) {
    switch (field) {
        case SongField::Title:
            return {&CSongFileInfo::GetTitle, &CSongFileInfo::SetTitle};
        case SongField::Artist:
            return {&CSongFileInfo::GetArtist, &CSongFileInfo::SetArtist};
        case SongField::AlbumArtist:
            return {&CSongFileInfo::GetAlbumArtist, &CSongFileInfo::SetAlbumArtist};
        case SongField::Album:
            return {&CSongFileInfo::GetAlbum, &CSongFileInfo::SetAlbum};
        case SongField::Year:
            return {&CSongFileInfo::GetYear, &CSongFileInfo::SetYear};
        case SongField::Comment:
            return {&CSongFileInfo::GetComment, &CSongFileInfo::SetComment};
        case SongField::Copyright:
            return {&CSongFileInfo::GetCopyright, &CSongFileInfo::SetCopyright};
        case SongField::Composer:
            return {&CSongFileInfo::GetComposer, &CSongFileInfo::SetComposer};
        case SongField::Url:
            return {&CSongFileInfo::GetURL, &CSongFileInfo::SetURL};
        case SongField::OrigArtist:
            return {&CSongFileInfo::GetOrigArtist, &CSongFileInfo::SetOrigArtist};
        case SongField::Organization:
            return {&CSongFileInfo::GetOrganization, &CSongFileInfo::SetOrganization};
        case SongField::EncodedBy:
            return {&CSongFileInfo::GetEncodedBy, &CSongFileInfo::SetEncodedBy};
        case SongField::Lyrics:
        default:
            return {&CSongFileInfo::GetLyrics, &CSongFileInfo::SetLyrics};
    }
}

}  // namespace

FieldKind KindOf(SongField field) {
    switch (field) {
        case SongField::Genre:
            return FieldKind::Genre;
        case SongField::Track:
            return FieldKind::Track;
        case SongField::Artist:
        case SongField::AlbumArtist:
        case SongField::Composer:
            return FieldKind::List;
        default:
            return FieldKind::Text;
    }
}

std::string GetFieldValue(const CSongFileInfo& song, SongField field) {
    switch (KindOf(field)) {
        case FieldKind::Genre:
            return song.GetGenre() >= GENRE_NONE ? "" : song.GetGenreString();
        case FieldKind::Track:
            return song.GetTrackNum() == 0 ? "" : std::to_string(song.GetTrackNum());
        default:
            return (song.*TextField(field).get)();
    }
}

std::string NormalizeFieldValue(SongField field, std::string_view text) {
    std::string trimmed = Trim(text);
    switch (KindOf(field)) {
        case FieldKind::Genre: {
            uint16_t id = GenreByName(trimmed);
            return id == GENRE_NONE ? "" : GetMP3Genre(id);
        }
        case FieldKind::Track: {
            uint32_t track = ParseTrackNumber(trimmed);
            return track == 0 ? "" : std::to_string(track);
        }
        default:
            return trimmed;
    }
}

void SetFieldValue(CSongFileInfo& song, SongField field, const std::string& value) {
    switch (KindOf(field)) {
        case FieldKind::Genre:
            song.SetGenre(value.c_str());
            break;
        case FieldKind::Track:
            song.SetTrackNum(ParseTrackNumber(value));
            break;
        default:
            (song.*TextField(field).set)(value);
    }
}

std::vector<std::string> StoredValues(SongField field, const std::string& value) {
    if (KindOf(field) == FieldKind::List) {
        return SplitValues(value);
    }
    if (value.empty()) {
        return {};
    }
    return {value};
}

}  // namespace songcore
