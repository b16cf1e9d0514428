// The song information fields as Vorbis comments: one table, read by
// ReadOggCommentItem and written by BuildVorbisComments, for Ogg and FLAC.
#include <array>
#include <span>
#include <string_view>

#include "songcore/tags/FieldText.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/VorbisComments.h"

struct CSongFileInfo::VorbisField {
    enum class Kind : uint8_t {
        // Several items read joined by "; "; written back as one value,
        // exactly as typed: a title or lyrics may hold "; " as punctuation.
        kText,
        kList,   // names: the values joined by "; ", split there again on writing
        kTrack,  // the leading number of the last value
        kGenre,  // the genre table entry named exactly by the last value
    };
    // The key written, then a second key read into the same field
    // (DESCRIPTION into the comment) or nothing; an edit of the field
    // replaces the items of both.
    std::array<std::string_view, 2> names;
    Kind kind = Kind::kText;
    std::string CSongFileInfo::*text = nullptr;
    // The version is shown but never edited, so its items are left as they
    // are, like those of any key outside the table.
    bool written = true;

    std::string_view key() const { return names[0]; }
    std::span<const std::string_view> keys() const {
        return std::span<const std::string_view>(names.data(), names[1].empty() ? 1 : 2);
    }

    static const std::array<VorbisField, 16> kTable;
    static const VorbisField* Find(std::string_view key);
};

const std::array<CSongFileInfo::VorbisField, 16> CSongFileInfo::VorbisField::kTable = {{
    {{"TITLE"}, Kind::kText, &CSongFileInfo::title_},
    {{"VERSION"}, Kind::kText, &CSongFileInfo::version_, false},
    {{"ALBUM"}, Kind::kText, &CSongFileInfo::album_},
    {{"TRACKNUMBER"}, Kind::kTrack},
    {{"ARTIST"}, Kind::kList, &CSongFileInfo::artist_},
    {{"ALBUMARTIST"}, Kind::kList, &CSongFileInfo::albumArtist_},
    {{"PERFORMER"}, Kind::kText, &CSongFileInfo::performer_},
    {{"COPYRIGHT"}, Kind::kText, &CSongFileInfo::copyright_},
    {{"LICENSE"}, Kind::kText, &CSongFileInfo::license_},
    {{"ORGANIZATION"}, Kind::kText, &CSongFileInfo::organization_},
    {{"COMMENT", "DESCRIPTION"}, Kind::kText, &CSongFileInfo::comment_},
    {{"GENRE"}, Kind::kGenre},
    {{"DATE"}, Kind::kText, &CSongFileInfo::year_},
    {{"LOCATION"}, Kind::kText, &CSongFileInfo::location_},
    {{"CONTACT"}, Kind::kText, &CSongFileInfo::contact_},
    {{"LYRICS"}, Kind::kText, &CSongFileInfo::lyrics_},
}};

const CSongFileInfo::VorbisField* CSongFileInfo::VorbisField::Find(std::string_view key) {
    for (const VorbisField& field : kTable) {
        if (field.key() == key) {
            return &field;
        }
    }
    return nullptr;
}

int CSongFileInfo::ReadOggCommentItem(const uint8_t* data, size_t size) {
    songcore::VorbisComments comments;
    bool complete =
        songcore::VorbisComments::Parse(std::span<const uint8_t>(data, size), comments, nullptr,
                                        songcore::VorbisComments::Pictures::kLeaveOut);
    vendor_ = comments.vendor;
    ApplyVorbisItems(comments.items);
    return complete ? 1 : 0;
}

int CSongFileInfo::ReadOggCommentItem(const songcore::ReadExactFn& read, uint64_t size) {
    songcore::VorbisComments comments;
    bool complete = songcore::VorbisComments::Parse(read, size, comments, nullptr,
                                                    songcore::VorbisComments::Pictures::kLeaveOut);
    vendor_ = comments.vendor;
    ApplyVorbisItems(comments.items);
    return complete ? 1 : 0;
}

void CSongFileInfo::ApplyVorbisItems(const std::vector<std::string>& items) {
    for (const VorbisField& field : VorbisField::kTable) {
        std::vector<std::string> values = songcore::CommentValues(items, field.keys());
        if (values.empty()) {
            continue;
        }
        switch (field.kind) {
            case VorbisField::Kind::kText:
            case VorbisField::Kind::kList:
                this->*field.text = songcore::JoinValues(values);
                break;
            case VorbisField::Kind::kTrack:
                trackNum_ = songcore::ParseTrackNumber(values.back());
                break;
            case VorbisField::Kind::kGenre:
                SetGenre(values.back().c_str());
                break;
        }
    }
}

bool CSongFileInfo::VorbisFieldEquals(const CSongFileInfo& other, const VorbisField& field) const {
    switch (field.kind) {
        case VorbisField::Kind::kText:
        case VorbisField::Kind::kList:
            return this->*field.text == other.*field.text;
        case VorbisField::Kind::kTrack:
            return trackNum_ == other.trackNum_;
        case VorbisField::Kind::kGenre:
            return genre_ == other.genre_;
    }
    return false;
}

std::vector<std::string> CSongFileInfo::VorbisFieldValues(const VorbisField& field) const {
    switch (field.kind) {
        case VorbisField::Kind::kList:
            return songcore::SplitValues(this->*field.text);
        case VorbisField::Kind::kText:
            if ((this->*field.text).empty()) {
                return {};
            }
            return {this->*field.text};
        case VorbisField::Kind::kTrack:
            if (trackNum_ == 0) {
                return {};
            }
            return {std::to_string(trackNum_)};
        case VorbisField::Kind::kGenre:
            if (genre_ >= GENRE_NONE) {
                return {};
            }
            return {GetGenreString()};
    }
    return {};
}

songcore::VorbisComments CSongFileInfo::BuildVorbisComments(
    std::string vendor, std::span<const std::string_view> keys,
    const std::vector<std::string>& oldItems) const {
    // A field that still holds what the reader makes of the old items was not
    // edited: its items stay exactly as they are, spelling and order, even
    // where the field shows less than they hold ("5/12", a genre outside the
    // table).
    CSongFileInfo old;
    old.ApplyVorbisItems(oldItems);
    songcore::VorbisComments comments;
    comments.vendor = std::move(vendor);
    comments.items = oldItems;
    for (std::string_view key : keys) {
        const VorbisField* field = VorbisField::Find(key);
        if (!field || !field->written || VorbisFieldEquals(old, *field)) {
            continue;
        }
        songcore::ReplaceCommentValues(comments.items, field->keys(), field->key(),
                                       VorbisFieldValues(*field));
    }
    return comments;
}
