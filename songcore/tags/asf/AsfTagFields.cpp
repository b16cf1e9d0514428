#include "songcore/tags/asf/AsfTagFields.h"

#include "songcore/tags/FieldText.h"
#include "songcore/util/Text.h"

namespace songcore {

const std::array<AsfDescriptorEntry, 19> kAsfDescriptors = {{
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
    {"WM/PartOfSet", SongField::Disc, AsfRule::Overwrite},
}};

// Spelt as the common readers look for them: TagLib matches names exactly.
const std::array<AsfWrittenName, 11> kAsfWrittenNames = {{
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
    {SongField::Disc, "WM/PartOfSet", true},
}};

const std::array<SongField, 4> kAsfContentFields = {SongField::Title, SongField::Artist,
                                                    SongField::Copyright, SongField::Comment};

namespace {

size_t Index(SongField field) {
    return static_cast<size_t>(field);
}

// The name new values of field are stored under; null for the fields of the
// content description, which have none.
const AsfWrittenName* WrittenName(SongField field) {
    for (const AsfWrittenName& written : kAsfWrittenNames) {
        if (written.field == field) {
            return &written;
        }
    }
    return nullptr;
}

bool HoldsTotal(SongField field) {
    const AsfWrittenName* written = WrittenName(field);
    return written && written->withTotal;
}

// Whether a field must be written anew: its value, or the total its
// descriptor holds as well, changed.
bool Changed(SongField field, const SongValues& derived, const SongValues& values) {
    return !values.Same(field, derived) ||
           (HoldsTotal(field) && !values.Same(*TotalOfNumber(field), derived));
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
    const FieldKind kind = InfoOf(entry.field).kind;
    bool several = kind == FieldKind::Text || kind == FieldKind::List;
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
            if (ParseTrackNumber(JoinValues(field.values)) == 0 && StartsWithNumber(text)) {
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

bool AsfDescriptorFeeds(const std::string& name, SongField field, bool hasValue) {
    const AsfDescriptorEntry* entry = FindAsfDescriptor(name);
    // A zero-based track only counts while there is no track number, so it
    // may stay beside a new one.
    return entry && entry->field == field && !(entry->rule == AsfRule::ZeroBasedTrack && hasValue);
}

SongValues DeriveAsfFields(const std::vector<AsfTagObject>& objects) {
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
    SongValues derived;
    for (size_t i = 0; i < kSongFieldCount; ++i) {
        const SongField field = static_cast<SongField>(i);
        if (HoldsTotal(field)) {
            derived.SetNumberOfTotal(field, JoinValues(gathered[i].values));
        } else if (!derived.Has(field)) {
            derived.Set(field, std::move(gathered[i].values));
        }
    }
    return derived;
}

void EditAsfContent(AsfContentDescription& content, const SongValues& derived,
                    const SongValues& values) {
    std::string* texts[4] = {&content.title, &content.author, &content.copyright,
                             &content.description};
    for (size_t i = 0; i < kAsfContentFields.size(); ++i) {
        if (!values.Same(kAsfContentFields[i], derived)) {
            *texts[i] = values.Text(kAsfContentFields[i]);
            content.stored[i].reset();
        }
    }
}

std::vector<AsfDescriptor> EditAsfDescriptors(std::vector<AsfDescriptor> descriptors,
                                              const SongValues& derived, const SongValues& values) {
    for (size_t index = 0; index < kSongFieldCount; ++index) {
        const SongField field = static_cast<SongField>(index);
        if (!Changed(field, derived, values)) {
            continue;
        }
        // The content description holds the title, the author and the
        // others; descriptors of their alternative names only go.
        const AsfWrittenName* written = WrittenName(field);
        std::string name = written ? written->name : "";
        std::vector<AsfDescriptor> edited;
        std::optional<size_t> at;
        for (AsfDescriptor& descriptor : descriptors) {
            if (AsfDescriptorFeeds(descriptor.name, field, values.Has(field))) {
                at = at.value_or(edited.size());
                // The item keeps its spelling of the name.
                if (written && EqualsIgnoreCaseAscii(descriptor.name, written->name)) {
                    name = descriptor.name;
                }
            } else {
                edited.push_back(std::move(descriptor));
            }
        }
        std::vector<AsfDescriptor> added;
        std::vector<std::string> stored;
        if (written && written->withTotal) {
            if (std::string text = values.NumberOfTotal(field); !text.empty()) {
                stored.push_back(std::move(text));
            }
        } else if (written) {
            std::span<const std::string> held = values.Get(field);
            stored.assign(held.begin(), held.end());
        }
        for (const std::string& value : stored) {
            added.push_back(AsfDescriptor::Text(name, value));
        }
        edited.insert(edited.begin() + static_cast<long>(at.value_or(edited.size())),
                      std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
        descriptors = std::move(edited);
    }
    return descriptors;
}

bool DropChangedAsfRecords(std::vector<AsfMetadataRecord>& records, const SongValues& derived,
                           const SongValues& values) {
    size_t before = records.size();
    std::erase_if(records, [&](const AsfMetadataRecord& record) {
        if (record.stream != 0) {
            return false;
        }
        for (size_t index = 0; index < kSongFieldCount; ++index) {
            const SongField field = static_cast<SongField>(index);
            if (Changed(field, derived, values) &&
                AsfDescriptorFeeds(record.descriptor.name, field, values.Has(field))) {
                return true;
            }
        }
        return false;
    });
    return records.size() != before;
}

}  // namespace songcore
