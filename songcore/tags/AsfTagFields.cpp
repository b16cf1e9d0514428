#include "songcore/tags/AsfTagFields.h"

#include "songcore/tags/FieldText.h"
#include "songcore/util/Text.h"

namespace songcore {

const std::array<AsfDescriptorEntry, 18> kAsfDescriptors = {{
    {"WM/ALBUMARTIST", SongField::AlbumArtist, AsfRule::Overwrite},
    {"ARTIST", SongField::Artist, AsfRule::WhileEmpty},
    {"WM/ALBUMTITLE", SongField::Album, AsfRule::WhileEmpty},
    {"ALBUM", SongField::Album, AsfRule::WhileEmpty},
    {"WM/GENRE", SongField::Genre, AsfRule::Overwrite},
    {"GENRE", SongField::Genre, AsfRule::Overwrite},
    {"WM/TRACKNUMBER", SongField::Track, AsfRule::Overwrite},
    {"TRACKNUMBER", SongField::Track, AsfRule::Overwrite},
    {"WM/TRACK", SongField::Track, AsfRule::ZeroBasedTrack},
    {"WM/YEAR", SongField::Year, AsfRule::WhileEmpty},
    {"YEAR", SongField::Year, AsfRule::WhileEmpty},
    {"DATE", SongField::Year, AsfRule::WhileEmpty},
    {"WM/PromotionURL", SongField::Url, AsfRule::Overwrite},
    {"WM/OriginalArtist", SongField::OrigArtist, AsfRule::Overwrite},
    {"WM/Composer", SongField::Composer, AsfRule::Overwrite},
    {"WM/EncodedBy", SongField::EncodedBy, AsfRule::Overwrite},
    {"WM/Lyrics", SongField::Lyrics, AsfRule::Overwrite},
    {"Lyrics", SongField::Lyrics, AsfRule::Overwrite},
}};

// Spelt as the common readers look for them: TagLib matches names exactly.
const std::array<AsfWrittenName, 10> kAsfWrittenNames = {{
    {SongField::AlbumArtist, "WM/AlbumArtist"},
    {SongField::Album, "WM/AlbumTitle"},
    {SongField::Year, "WM/Year"},
    {SongField::OrigArtist, "WM/OriginalArtist"},
    {SongField::Genre, "WM/Genre"},
    {SongField::Track, "WM/TrackNumber"},
    {SongField::Url, "WM/PromotionURL"},
    {SongField::Composer, "WM/Composer"},
    {SongField::EncodedBy, "WM/EncodedBy"},
    {SongField::Lyrics, "WM/Lyrics"},
}};

const std::array<SongField, 4> kAsfContentFields = {SongField::Title, SongField::Artist,
                                                    SongField::Copyright, SongField::Comment};

namespace {

size_t Index(SongField field) {
    return static_cast<size_t>(field);
}

// The name new values of field are stored under; null for the fields of the
// content description, which have none.
const char* WrittenName(SongField field) {
    for (const auto& [written, name] : kAsfWrittenNames) {
        if (written == field) {
            return name;
        }
    }
    return nullptr;
}

const std::string& ContentText(const AsfContentDescription& content, size_t i) {
    const std::string* texts[4] = {&content.title, &content.author, &content.copyright,
                                   &content.description};
    return *texts[i];
}

// The values gathered for one field, and which text or descriptor name they
// came from.
struct Gathered {
    std::vector<std::string> values;
    const void* source = nullptr;
};

bool StartsWithNumber(const std::string& text) {
    return !text.empty() && ((text[0] >= '0' && text[0] <= '9') || text[0] == '+');
}

void Apply(Gathered& field, const AsfDescriptorEntry& entry, const std::string& text) {
    bool sameName = field.source == &entry;
    bool several = KindOf(entry.field) == FieldKind::Text || KindOf(entry.field) == FieldKind::List;
    switch (entry.rule) {
        case AsfRule::WhileEmpty:
            if (sameName) {
                if (!text.empty()) {
                    field.values.push_back(text);
                }
            } else if (field.values.empty() && !text.empty()) {
                field = {{text}, &entry};
            }
            break;
        case AsfRule::Overwrite:
            if (sameName && several) {
                if (!text.empty()) {
                    field.values.push_back(text);
                }
            } else {
                field.values.clear();
                if (!text.empty()) {
                    field.values.push_back(text);
                }
                field.source = &entry;
            }
            break;
        case AsfRule::ZeroBasedTrack:
            if (NormalizeFieldValue(entry.field, JoinValues(field.values)).empty() &&
                StartsWithNumber(text)) {
                uint32_t zeroBased = ParseTrackNumber(text);
                uint32_t track = zeroBased == UINT32_MAX ? zeroBased : zeroBased + 1;
                field = {{std::to_string(track)}, &entry};
            }
            break;
    }
}

}  // namespace

const AsfDescriptorEntry* FindAsfDescriptor(const std::string& name) {
    for (const AsfDescriptorEntry& entry : kAsfDescriptors) {
        if (EqualsIgnoreCaseAscii(name, entry.name)) {
            return &entry;
        }
    }
    return nullptr;
}

bool AsfDescriptorFeeds(const std::string& name, SongField field, const std::string& value) {
    const AsfDescriptorEntry* entry = FindAsfDescriptor(name);
    // A zero-based track only counts while there is no track number, so it
    // may stay beside a new one.
    return entry && entry->field == field &&
           !(entry->rule == AsfRule::ZeroBasedTrack && !value.empty());
}

AsfFieldValues DeriveAsfFields(const std::vector<AsfTagObject>& objects) {
    std::array<Gathered, kSongFieldCount> gathered;
    for (const AsfTagObject& object : objects) {
        if (const auto* content = std::get_if<AsfContentDescription>(&object)) {
            for (size_t i = 0; i < kAsfContentFields.size(); ++i) {
                Gathered& field = gathered[Index(kAsfContentFields[i])];
                std::string text = Trim(ContentText(*content, i));
                if (field.values.empty() && !text.empty()) {
                    field = {{std::move(text)}, content};
                }
            }
            continue;
        }
        for (const AsfDescriptor& descriptor :
             std::get<AsfExtendedContentDescription>(object).descriptors) {
            const AsfDescriptorEntry* entry = FindAsfDescriptor(descriptor.name);
            std::optional<std::string> text = descriptor.AsText();
            if (entry && text) {
                Apply(gathered[Index(entry->field)], *entry, Trim(*text));
            }
        }
    }
    AsfFieldValues derived;
    for (size_t i = 0; i < kSongFieldCount; ++i) {
        derived[i] = NormalizeFieldValue(static_cast<SongField>(i), JoinValues(gathered[i].values));
    }
    return derived;
}

void EditAsfContent(AsfContentDescription& content, const AsfFieldValues& derived,
                    const AsfFieldValues& values) {
    std::string* texts[4] = {&content.title, &content.author, &content.copyright,
                             &content.description};
    for (size_t i = 0; i < kAsfContentFields.size(); ++i) {
        size_t field = Index(kAsfContentFields[i]);
        if (values[field] != derived[field]) {
            *texts[i] = values[field];
            content.stored[i].reset();
        }
    }
}

std::vector<AsfDescriptor> EditAsfDescriptors(std::vector<AsfDescriptor> descriptors,
                                              const AsfFieldValues& derived,
                                              const AsfFieldValues& values) {
    for (size_t index = 0; index < kSongFieldCount; ++index) {
        const SongField field = static_cast<SongField>(index);
        const std::string& value = values[index];
        if (value == derived[index]) {
            continue;
        }
        // The content description holds the title, the author and the
        // others; descriptors of their alternative names only go.
        const char* written = WrittenName(field);
        std::string name = written ? written : "";
        std::vector<AsfDescriptor> edited;
        std::optional<size_t> at;
        for (AsfDescriptor& descriptor : descriptors) {
            if (AsfDescriptorFeeds(descriptor.name, field, value)) {
                at = at.value_or(edited.size());
                // The item keeps its spelling of the name.
                if (written && EqualsIgnoreCaseAscii(descriptor.name, written)) {
                    name = descriptor.name;
                }
            } else {
                edited.push_back(std::move(descriptor));
            }
        }
        std::vector<AsfDescriptor> added;
        for (const std::string& stored :
             written ? StoredValues(field, value) : std::vector<std::string>{}) {
            added.push_back(AsfDescriptor::Text(name, stored));
        }
        edited.insert(edited.begin() + static_cast<long>(at.value_or(edited.size())),
                      std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
        descriptors = std::move(edited);
    }
    return descriptors;
}

bool DropChangedAsfRecords(std::vector<AsfMetadataRecord>& records, const AsfFieldValues& derived,
                           const AsfFieldValues& values) {
    size_t before = records.size();
    std::erase_if(records, [&](const AsfMetadataRecord& record) {
        if (record.stream != 0) {
            return false;
        }
        for (size_t index = 0; index < kSongFieldCount; ++index) {
            if (values[index] != derived[index] &&
                AsfDescriptorFeeds(record.descriptor.name, static_cast<SongField>(index),
                                   values[index])) {
                return true;
            }
        }
        return false;
    });
    return records.size() != before;
}

}  // namespace songcore
