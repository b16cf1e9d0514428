#include "songcore/tags/mkv/MatroskaFields.h"

#include <algorithm>
#include <array>
#include <span>
#include <string_view>

#include "songcore/tags/FieldText.h"
#include "songcore/util/Text.h"

namespace songcore {

namespace {

constexpr uint64_t kTrackLevel = 30;
constexpr uint64_t kAlbumLevel = 50;

// Which tag holds a field: the track's, the album's, or the track's when
// it has the field and else the album's.
enum class Level { kTrack, kAlbum, kEither };

struct MatroskaField {
    SongField field;
    Level level;
    // The name written, then names read into the same field.
    std::array<std::string_view, 3> names;

    std::span<const std::string_view> Names() const {
        size_t count = 1;
        while (count < names.size() && !names[count].empty()) {
            ++count;
        }
        return {names.data(), count};
    }
};

// The fields that do not depend on the level, shared by both tables.
#define SHARED_FIELDS                                                              \
    {SongField::Year, Level::kEither, {"DATE_RELEASED", "DATE_RECORDED", "DATE"}}, \
        {SongField::Genre, Level::kEither, {"GENRE"}},                             \
        {SongField::Comment, Level::kEither, {"COMMENT", "DESCRIPTION"}},          \
        {SongField::Composer, Level::kEither, {"COMPOSER"}},                       \
        {SongField::Performer, Level::kEither, {"LEAD_PERFORMER"}},                \
        {SongField::Copyright, Level::kEither, {"COPYRIGHT"}},                     \
        {SongField::License, Level::kEither, {"LICENSE"}},                         \
        {SongField::Organization, Level::kEither, {"PUBLISHER", "LABEL"}},         \
        {SongField::Url, Level::kEither, {"URL"}},                                 \
        {SongField::EncodedBy, Level::kEither, {"ENCODED_BY"}},                    \
        {SongField::Lyrics, Level::kEither, {"LYRICS"}}, {                         \
        SongField::Tempo, Level::kEither, {                                        \
            "BPM"                                                                  \
        }                                                                          \
    }

const MatroskaField kByLevel[] = {
    {SongField::Title, Level::kTrack, {"TITLE"}},
    {SongField::Artist, Level::kTrack, {"ARTIST"}},
    {SongField::Track, Level::kTrack, {"PART_NUMBER"}},
    {SongField::Album, Level::kAlbum, {"TITLE"}},
    {SongField::AlbumArtist, Level::kAlbum, {"ARTIST"}},
    {SongField::TrackTotal, Level::kAlbum, {"TOTAL_PARTS"}},
    SHARED_FIELDS,
};

// ffmpeg's names, all in the one album-level tag.
const MatroskaField kFlat[] = {
    {SongField::Title, Level::kAlbum, {"TITLE"}},
    {SongField::Artist, Level::kAlbum, {"ARTIST"}},
    {SongField::Album, Level::kAlbum, {"ALBUM"}},
    {SongField::AlbumArtist, Level::kAlbum, {"ALBUM_ARTIST", "ALBUMARTIST"}},
    {SongField::Track, Level::kAlbum, {"PART_NUMBER", "TRACK"}},
    {SongField::TrackTotal, Level::kAlbum, {"TOTAL_PARTS"}},
    {SongField::Disc, Level::kAlbum, {"DISC"}},
    SHARED_FIELDS,
};
#undef SHARED_FIELDS

bool HasTrackLevel(const MatroskaTags& tags) {
    return std::any_of(tags.tags.begin(), tags.tags.end(), [](const MatroskaTag& tag) {
        return tag.IsSongLevel(kTrackLevel) && !tag.simpleTags.empty();
    });
}

std::span<const MatroskaField> TableOf(const MatroskaTags& tags) {
    if (HasTrackLevel(tags)) {
        return kByLevel;
    }
    return kFlat;
}

bool NameIs(const MatroskaSimpleTag& simple, std::span<const std::string_view> names) {
    return std::any_of(names.begin(), names.end(), [&](std::string_view name) {
        return simple.isString && EqualsIgnoreCaseAscii(simple.name, name);
    });
}

// Calls visit(value) for each value, in order, that the tags of a level
// hold under one of the names, while visit returns true.
template <class Visit>
void VisitValuesAt(const MatroskaTags& tags, uint64_t level,
                   std::span<const std::string_view> names, Visit&& visit) {
    for (const MatroskaTag& tag : tags.tags) {
        if (!tag.IsSongLevel(level)) {
            continue;
        }
        for (const MatroskaSimpleTag& simple : tag.simpleTags) {
            if (NameIs(simple, names) && !simple.value.empty() && !visit(simple.value)) {
                return;
            }
        }
    }
}

// The values of the first of the names that the tags of a level hold.
std::vector<std::string> ValuesAt(const MatroskaTags& tags, uint64_t level,
                                  std::span<const std::string_view> names) {
    for (std::string_view name : names) {
        std::vector<std::string> values;
        VisitValuesAt(tags, level, std::span(&name, 1), [&](const std::string& value) {
            values.push_back(value);
            return true;
        });
        if (!values.empty()) {
            return values;
        }
    }
    return {};
}

bool LevelHolds(const MatroskaTags& tags, uint64_t level, const MatroskaField& row) {
    bool holds = false;
    VisitValuesAt(tags, level, row.Names(), [&](const std::string&) {
        holds = true;
        return false;
    });
    return holds;
}

uint64_t LevelOf(const MatroskaTags& tags, const MatroskaField& row, bool byLevel) {
    if (!byLevel || row.level == Level::kAlbum) {
        return kAlbumLevel;
    }
    if (row.level == Level::kEither && !LevelHolds(tags, kTrackLevel, row) &&
        LevelHolds(tags, kAlbumLevel, row)) {
        return kAlbumLevel;
    }
    return kTrackLevel;
}

void ReadWith(const MatroskaTags& tags, std::span<const MatroskaField> table, bool byLevel,
              SongValues& out) {
    for (const MatroskaField& row : table) {
        std::vector<std::string> values = ValuesAt(tags, LevelOf(tags, row, byLevel), row.Names());
        if (values.empty()) {
            continue;
        }
        std::optional<SongField> total = TotalOfNumber(row.field);
        if (total && !out.Has(*total)) {
            out.SetNumberOfTotal(row.field, values.front());
        }
        if (InfoOf(row.field).kind == FieldKind::Number) {
            values.resize(1);  // the first of several numbers counts
        }
        out.Set(row.field, std::move(values));
    }
}

// The first tag of a level that is about the whole song; a new one last
// when there is none.
MatroskaTag& TagOfLevel(MatroskaTags& tags, uint64_t level) {
    for (MatroskaTag& tag : tags.tags) {
        if (tag.IsSongLevel(level)) {
            return tag;
        }
    }
    tags.tags.push_back(MatroskaTag::Make(level));
    return tags.tags.back();
}

// Replaces the SimpleTags of a field in a tag by its values: at the first
// old one's place and under its name, else last under the table's name.
void Replace(MatroskaTag& tag, const MatroskaField& row, const std::vector<std::string>& values) {
    std::string name(row.names[0]);
    auto& simples = tag.simpleTags;
    auto first = std::find_if(simples.begin(), simples.end(),
                              [&](const MatroskaSimpleTag& s) { return NameIs(s, row.Names()); });
    size_t at = static_cast<size_t>(first - simples.begin());
    if (first != simples.end()) {
        name = first->name;
    }
    std::erase_if(simples, [&](const MatroskaSimpleTag& s) { return NameIs(s, row.Names()); });
    std::vector<MatroskaSimpleTag> added;
    for (const std::string& value : values) {
        added.push_back(MatroskaSimpleTag::Make(name, value));
    }
    simples.insert(simples.begin() + static_cast<ptrdiff_t>(std::min(at, simples.size())),
                   added.begin(), added.end());
}

// Whether a number held its total as well ("3/12") in the SimpleTags read.
bool HoldsTotal(const MatroskaTags& tags, uint64_t level, const MatroskaField& row) {
    for (const std::string& value : ValuesAt(tags, level, row.Names())) {
        if (value.find('/') != std::string::npos) {
            return true;
        }
    }
    return false;
}

void WriteWith(const SongValues& values, const SongValues& old,
               std::span<const MatroskaField> table, bool byLevel, bool all, MatroskaTags& tags) {
    for (const MatroskaField& row : table) {
        if (!InfoOf(row.field).editable) {
            continue;
        }
        const uint64_t level = LevelOf(tags, row, byLevel);
        std::optional<SongField> total = TotalOfNumber(row.field);
        bool changed = all || !values.Same(row.field, old) ||
                       (total && !values.Same(*total, old) && HoldsTotal(tags, level, row));
        if (!changed) {
            continue;
        }
        // ffmpeg keeps one value a name, the last of several: in its form a
        // list is one text, as it would write it itself.
        std::span<const std::string> held = values.Get(row.field);
        std::vector<std::string> stored(held.begin(), held.end());
        if (!byLevel && stored.size() > 1) {
            stored = {JoinValues(stored)};
        }
        Replace(TagOfLevel(tags, level), row, stored);
    }
}

void RemoveWith(std::span<const MatroskaField> table, MatroskaTags& tags) {
    for (MatroskaTag& tag : tags.tags) {
        if (!tag.IsSongLevel(kTrackLevel) && !tag.IsSongLevel(kAlbumLevel)) {
            continue;
        }
        for (const MatroskaField& row : table) {
            std::erase_if(tag.simpleTags,
                          [&](const MatroskaSimpleTag& s) { return NameIs(s, row.Names()); });
        }
    }
    std::erase_if(tags.tags, [](const MatroskaTag& tag) { return tag.simpleTags.empty(); });
}

}  // namespace

void ReadMatroskaFields(const MatroskaTags& tags, const std::string& segmentTitle,
                        SongValues& out) {
    ReadWith(tags, TableOf(tags), HasTrackLevel(tags), out);
    if (!out.Has(SongField::Title) && !segmentTitle.empty()) {
        out.Set(SongField::Title, {segmentTitle});
    }
}

void WriteMatroskaFields(const SongValues& values, const std::string& segmentTitle,
                         MatroskaTags& tags) {
    SongValues old;
    ReadMatroskaFields(tags, segmentTitle, old);
    const bool byLevel = HasTrackLevel(tags);
    WriteWith(values, old, TableOf(tags), byLevel, false, tags);
    // With its track level gone, the album level would read as the song's
    // own tag: the fields are then written under the flat names instead.
    if (byLevel && !HasTrackLevel(tags)) {
        RemoveWith(kByLevel, tags);
        WriteWith(values, old, kFlat, false, true, tags);
    }
}

void RemoveMatroskaFields(MatroskaTags& tags) {
    RemoveWith(TableOf(tags), tags);
}

uint64_t MatroskaSongLevel(const MatroskaTags& tags) {
    return HasTrackLevel(tags) ? kTrackLevel : kAlbumLevel;
}

bool IsMatroskaFieldName(uint64_t songLevel, uint64_t level, std::string_view name) {
    const bool byLevel = songLevel == kTrackLevel;
    std::span<const MatroskaField> table =
        byLevel ? std::span<const MatroskaField>(kByLevel) : std::span<const MatroskaField>(kFlat);
    return std::any_of(table.begin(), table.end(), [&](const MatroskaField& row) {
        const bool atLevel =
            byLevel ? row.level == Level::kEither ||
                          level == (row.level == Level::kTrack ? kTrackLevel : kAlbumLevel)
                    : level == kAlbumLevel;
        const auto names = row.Names();
        return (level == kTrackLevel || level == kAlbumLevel) && atLevel &&
               std::any_of(names.begin(), names.end(), [&](std::string_view known) {
                   return EqualsIgnoreCaseAscii(known, name);
               });
    });
}

}  // namespace songcore
