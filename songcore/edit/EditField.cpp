#include "songcore/edit/EditField.h"

#include <algorithm>
#include <charconv>

#include "songcore/tags/FieldText.h"
#include "songcore/tags/Mp4ItemList.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/util/Text.h"

namespace songcore {
namespace {

struct TextAccess {
    EditField field;
    std::string (CSongFileInfo::*get)() const;
    void (CSongFileInfo::*set)(std::string);
};

const TextAccess kTextFields[] = {
    {EditField::Title, &CSongFileInfo::GetTitle, &CSongFileInfo::SetTitle},
    {EditField::Artist, &CSongFileInfo::GetArtist, &CSongFileInfo::SetArtist},
    {EditField::AlbumArtist, &CSongFileInfo::GetAlbumArtist, &CSongFileInfo::SetAlbumArtist},
    {EditField::Album, &CSongFileInfo::GetAlbum, &CSongFileInfo::SetAlbum},
    {EditField::Year, &CSongFileInfo::GetYear, &CSongFileInfo::SetYear},
    {EditField::Comment, &CSongFileInfo::GetComment, &CSongFileInfo::SetComment},
    {EditField::Composer, &CSongFileInfo::GetComposer, &CSongFileInfo::SetComposer},
    {EditField::OrigArtist, &CSongFileInfo::GetOrigArtist, &CSongFileInfo::SetOrigArtist},
    {EditField::Copyright, &CSongFileInfo::GetCopyright, &CSongFileInfo::SetCopyright},
    {EditField::Url, &CSongFileInfo::GetURL, &CSongFileInfo::SetURL},
    {EditField::EncodedBy, &CSongFileInfo::GetEncodedBy, &CSongFileInfo::SetEncodedBy},
    {EditField::Performer, &CSongFileInfo::GetPerformer, &CSongFileInfo::SetPerformer},
    {EditField::Organization, &CSongFileInfo::GetOrganization, &CSongFileInfo::SetOrganization},
    {EditField::Location, &CSongFileInfo::GetLocation, &CSongFileInfo::SetLocation},
    {EditField::Contact, &CSongFileInfo::GetContact, &CSongFileInfo::SetContact},
    {EditField::License, &CSongFileInfo::GetLicense, &CSongFileInfo::SetLicense},
};

const TextAccess* FindTextAccess(EditField field) {
    for (const TextAccess& access : kTextFields) {
        if (access.field == field) {
            return &access;
        }
    }
    return nullptr;
}

// A genre given by its name (letter case ignored), by its number 0 to 148,
// or empty for none.
std::optional<uint16_t> ParseGenre(const std::string& text) {
    std::string name = Trim(text);
    if (name.empty()) {
        return GENRE_NONE;
    }
    if (std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        if (name.size() <= 3 && std::stoi(name) <= GENRE_NONE) {
            return static_cast<uint16_t>(std::stoi(name));
        }
        return std::nullopt;
    }
    for (int id = 0; id <= GENRE_NONE; ++id) {
        if (EqualsIgnoreCase(GetMP3Genre(id), name)) {
            return static_cast<uint16_t>(id);
        }
    }
    return std::nullopt;
}

// An empty text clears the number; anything else must start with one.
std::optional<uint32_t> ParseNumber(const std::string& text) {
    std::string trimmed = Trim(text);
    if (trimmed.empty()) {
        return 0u;
    }
    if (trimmed[0] < '0' || trimmed[0] > '9') {
        return std::nullopt;
    }
    // A number no tag can hold is refused, not read as 0.
    uint32_t value = 0;
    if (std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), value).ec ==
        std::errc::result_out_of_range) {
        return std::nullopt;
    }
    return ParseTrackNumber(trimmed);
}

}  // namespace

const std::vector<EditFieldName>& EditFieldNames() {
    static const std::vector<EditFieldName> names = {
        {EditField::Title, "title", "Title"},
        {EditField::Artist, "artist", "Artist"},
        {EditField::AlbumArtist, "album-artist", "Album artist"},
        {EditField::Album, "album", "Album"},
        {EditField::Year, "year", "Year"},
        {EditField::Track, "track", "Track"},
        {EditField::Disc, "disc", "Disc"},
        {EditField::Genre, "genre", "Genre"},
        {EditField::Comment, "comment", "Comment"},
        {EditField::Composer, "composer", "Composer"},
        {EditField::OrigArtist, "orig-artist", "Original artist"},
        {EditField::Copyright, "copyright", "Copyright"},
        {EditField::Url, "url", "URL"},
        {EditField::EncodedBy, "encoded-by", "Encoded by"},
        {EditField::Performer, "performer", "Performer"},
        {EditField::Organization, "organization", "Organization"},
        {EditField::Location, "location", "Location"},
        {EditField::Contact, "contact", "Contact"},
        {EditField::License, "license", "License"},
        {EditField::Lyrics, "lyrics", "Lyrics"},
    };
    return names;
}

const EditFieldName& NameOf(EditField field) {
    for (const EditFieldName& name : EditFieldNames()) {
        if (name.field == field) {
            return name;
        }
    }
    return EditFieldNames().front();
}

std::optional<EditField> FindEditField(std::string_view key) {
    for (const EditFieldName& name : EditFieldNames()) {
        if (key == name.key) {
            return name.field;
        }
    }
    return std::nullopt;
}

void PutFieldValue(FieldValues& values, EditField field, std::string text) {
    for (auto& [have, value] : values) {
        if (have == field) {
            value = std::move(text);
            return;
        }
    }
    values.emplace_back(field, std::move(text));
}

const std::string* FindFieldValue(const FieldValues& values, EditField field) {
    for (const auto& [have, value] : values) {
        if (have == field) {
            return &value;
        }
    }
    return nullptr;
}

std::string GetFieldText(const CSongFileInfo& info, EditField field) {
    return GetFieldText(info, field, info.GetTagKind() == TAG_MP4);
}

std::string GetFieldText(const CSongFileInfo& info, EditField field, bool mp4) {
    switch (field) {
        case EditField::Genre: {
            uint16_t genre = mp4 ? Mp4GenreToIndex(info.GetGenre()) : info.GetGenre();
            return genre >= GENRE_NONE ? std::string() : GetMP3Genre(genre);
        }
        case EditField::Track:
        case EditField::Disc: {
            uint32_t number = field == EditField::Track ? info.GetTrackNum() : info.GetDiscNum();
            if (mp4 && (number >> 16) != 0) {
                return std::to_string(number & 0xFFFF) + "/" + std::to_string(number >> 16);
            }
            number &= mp4 ? 0xFFFF : 0xFFFFFFFF;
            return number == 0 ? std::string() : std::to_string(number);
        }
        case EditField::Lyrics:
            return info.GetLyrics();
        default:
            break;
    }
    const TextAccess* access = FindTextAccess(field);
    return access ? (info.*access->get)() : std::string();
}

std::string FieldTextProblem(EditField field, const std::string& text) {
    if (field == EditField::Genre && !ParseGenre(text)) {
        return "unknown genre '" + text + "'";
    }
    if ((field == EditField::Track || field == EditField::Disc) && !ParseNumber(text)) {
        return std::string(NameOf(field).label) + " needs a whole number, not '" + text + "'";
    }
    return {};
}

bool SetFieldText(CSongFileInfo& info, EditField field, const std::string& text, bool mp4,
                  std::string& problem) {
    switch (field) {
        case EditField::Genre: {
            std::optional<uint16_t> genre = ParseGenre(text);
            if (!genre) {
                problem = FieldTextProblem(field, text);
                return false;
            }
            info.SetGenre(mp4 ? Mp4GenreFromIndex(*genre) : *genre);
            return true;
        }
        case EditField::Track:
        case EditField::Disc: {
            std::optional<uint32_t> number = ParseNumber(text);
            if (!number) {
                problem = FieldTextProblem(field, text);
                return false;
            }
            const bool track = field == EditField::Track;
            uint32_t old = track ? info.GetTrackNum() : info.GetDiscNum();
            uint32_t value = mp4 ? (old & 0xFFFF0000u) | (*number & 0xFFFF) : *number;
            // "5/12" gives MP4 its total as well; "5" keeps the total it has.
            size_t slash = text.find('/');
            if (mp4 && slash != std::string::npos) {
                std::optional<uint32_t> total = ParseNumber(text.substr(slash + 1));
                value = (*number & 0xFFFF) | (std::min<uint32_t>(total.value_or(0), 0xFFFF) << 16);
            }
            track ? info.SetTrackNum(value) : info.SetDiscNum(value);
            return true;
        }
        case EditField::Lyrics:
            info.SetLyrics(text);
            return true;
        default:
            break;
    }
    if (const TextAccess* access = FindTextAccess(field)) {
        (info.*access->set)(text);
    }
    return true;
}

}  // namespace songcore
