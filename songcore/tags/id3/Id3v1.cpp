// ID3v1 tags: the fixed 128-byte record at the end of MPEG audio files.
#include <algorithm>

#include "songcore/songfile/ContentWriter.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/id3/Id3v1Tag.h"

using songcore::Id3v1Tag;

using songcore::SongField;

namespace {

// The fields an ID3v1 tag has a place for.
constexpr SongField kId3v1Fields[] = {SongField::Title, SongField::Artist,  SongField::Album,
                                      SongField::Year,  SongField::Comment, SongField::Track,
                                      SongField::Genre};
// Those it keeps as text in the legacy code page.
constexpr SongField kId3v1Texts[] = {SongField::Title, SongField::Artist, SongField::Album,
                                     SongField::Year, SongField::Comment};

// The fields a tag holds, beside the lyrics given (which ID3v1 has no place
// for, and a reused record keeps).
songcore::SongValues FieldsOf(const Id3v1Tag& tag, std::vector<std::string> lyrics) {
    songcore::SongValues fields;
    fields.Set(SongField::Title, {tag.title});
    fields.Set(SongField::Artist, {tag.artist});
    fields.Set(SongField::Album, {tag.album});
    fields.Set(SongField::Year, {tag.year});
    fields.Set(SongField::Comment, {tag.comment});
    fields.SetNumber(SongField::Track, tag.track);
    if (tag.genre < GENRE_NONE) {
        fields.Set(SongField::Genre, {GetMP3Genre(tag.genre)});
    }
    fields.Set(SongField::Lyrics, std::move(lyrics));
    return fields;
}

// The genre byte of a tag without a genre; 148 and up name genres of the
// extended lists in other readers.
constexpr uint8_t kNoGenreByte = 255;

// Reads the last 128 bytes; false when the file is shorter or unreadable.
bool ReadLastBlock(CSongFile& file, std::vector<uint8_t>& block) {
    uint64_t length = file.GetLength();
    if (length == CSongFile::kBadLength || length < Id3v1Tag::kSize) {
        return false;
    }
    return file.ReadExact(length - Id3v1Tag::kSize, Id3v1Tag::kSize, block);
}
}  // namespace

int CSongFileInfo::HasID3V1() {
    std::vector<uint8_t> block;
    return ReadLastBlock(*this, block) && Id3v1Tag::IsTag(block) ? 1 : 0;
}

int CSongFileInfo::GetID3V1Info() {
    Init();
    std::vector<uint8_t> block;
    if (!ReadLastBlock(*this, block)) {
        return 0;
    }
    std::optional<Id3v1Tag> tag = Id3v1Tag::Parse(block);
    if (!tag) {
        return 0;
    }
    // An ID3v1.0 tag has no track byte: its track is unknown (0), not 1.
    std::span<const std::string> lyrics = fields_.Get(SongField::Lyrics);
    fields_ = FieldsOf(*tag, {lyrics.begin(), lyrics.end()});
    for (SongField field : kId3v1Texts) {
        legacyText_.set(static_cast<size_t>(field));
    }
    tagKind_ = TAG_ID3V1;
    return 1;
}

namespace {
Id3v1Tag WithTexts(const songcore::SongValues& fields) {
    Id3v1Tag tag;
    tag.title = fields.Text(SongField::Title);
    tag.artist = fields.Text(SongField::Artist);
    tag.album = fields.Text(SongField::Album);
    tag.year = fields.Text(SongField::Year);
    tag.comment = fields.Text(SongField::Comment);
    return tag;
}
}  // namespace

std::array<uint8_t, Id3v1Tag::kSize> CSongFileInfo::BuildID3V1Block(const std::string& codepage) {
    Id3v1Tag tag = WithTexts(fields_);
    tag.codepage = codepage;
    // A number the byte cannot hold is no track here, never one wrapped
    // round: only beside an ID3v2 tag, which holds it (see WriteID3V1Info).
    const uint32_t track = GetTrackNum();
    tag.track = track <= 0xFF ? static_cast<uint8_t>(track) : 0;
    const uint16_t genre = GetGenre();
    tag.genre = genre < GENRE_NONE ? static_cast<uint8_t>(genre) : kNoGenreByte;
    // A byte we read as no genre may be a genre of the extended lists other
    // readers know: it stays while the song has no genre. A genre the table
    // does not have is none here; the ID3v2 tag beside it holds the text.
    std::vector<uint8_t> block;
    if (!fields_.Has(SongField::Genre) && ReadLastBlock(*this, block)) {
        if (std::optional<Id3v1Tag> old = Id3v1Tag::Parse(block); old && old->genre >= GENRE_NONE) {
            tag.genre = old->genre;
        }
    }
    return tag.Serialize();
}

bool CSongFileInfo::FieldsFitID3V1() const {
    for (const songcore::FieldInfo& info : songcore::FieldTable()) {
        if (fields_.Has(info.field) && std::find(std::begin(kId3v1Fields), std::end(kId3v1Fields),
                                                 info.field) == std::end(kId3v1Fields)) {
            return false;
        }
    }
    // The genre byte holds one genre of the table.
    std::span<const std::string> genres = GetValues(SongField::Genre);
    bool genreFits = genres.empty() || (genres.size() == 1 && GetGenre() < GENRE_NONE);
    return genreFits && WithTexts(fields_).HoldsTextsWhole() && GetTrackNum() <= 0xFF;
}

int CSongFileInfo::WriteID3V1Info() {
    if (uint32_t track = GetTrackNum(); track > 0xFF) {
        return Refuse("the track " + std::to_string(track) +
                      " does not fit an ID3v1 tag (255 at most)");
    }
    std::array<uint8_t, Id3v1Tag::kSize> block = BuildID3V1Block();
    uint64_t length = GetLength();
    if (length == kBadLength) {
        return 0;
    }
    uint64_t keep = length - (HasID3V1() ? Id3v1Tag::kSize : 0);
    return ReplaceContents([&](songcore::ContentWriter& out) {
        return CopyRange(out, 0, keep) && out.append(block.data(), block.size());
    });
}

int CSongFileInfo::WriteMPEGID3V1Info() {
    bool fits = FieldsFitID3V1();
    // A file that has an ID3v2 tag as well gets it updated too: readers
    // prefer it, and a stale one would hide the new values.
    if (fits && HasID3V2() == 0) {
        return WriteID3V1Info();
    }
    int written = WriteMPEGBothTags({});
    // An ID3v2 tag that cannot be carried over is left alone when the ID3v1
    // tag holds everything.
    if (written < 0) {
        return fits ? WriteID3V1Info() : 0;
    }
    return written;
}

int CSongFileInfo::WriteMPEGBothTags(const std::string& codepage) {
    std::vector<uint8_t> front;
    uint64_t oldFront = 0;
    if (!BuildID3V2Tag(front, oldFront)) {
        return -1;
    }
    std::array<uint8_t, Id3v1Tag::kSize> block = BuildID3V1Block(codepage);
    uint64_t length = GetLength();
    if (length == kBadLength) {
        return 0;
    }
    uint64_t back = HasID3V1() ? Id3v1Tag::kSize : 0;
    uint64_t middleEnd = std::max(oldFront, length - back);
    return ReplaceContents([&](songcore::ContentWriter& out) {
        return out.append(front) && CopyRange(out, oldFront, middleEnd - oldFront) &&
               out.append(block.data(), block.size());
    });
}

void CSongFileInfo::FillFromID3V1() {
    // Most songs' ID3v2 tags hold every field an ID3v1 tag could add.
    if (std::all_of(std::begin(kId3v1Fields), std::end(kId3v1Fields),
                    [this](SongField field) { return fields_.Has(field); })) {
        return;
    }
    std::vector<uint8_t> block;
    if (!ReadLastBlock(*this, block)) {
        return;
    }
    std::optional<Id3v1Tag> tag = Id3v1Tag::Parse(block);
    if (!tag) {
        return;
    }
    songcore::SongValues found = FieldsOf(*tag, {});
    std::bitset<songcore::kSongFieldCount> missing;
    for (SongField field : kId3v1Fields) {
        missing.set(static_cast<size_t>(field), !fields_.Has(field));
    }
    fields_.TakeFields(std::move(found), missing);
    for (SongField field : kId3v1Fields) {
        if (missing.test(static_cast<size_t>(field))) {
            legacyText_.set(static_cast<size_t>(field), fields_.Has(field));
        }
    }
}

int CSongFileInfo::RemoveID3V1Info() {
    uint64_t length = GetLength();
    if (length == kBadLength) {
        return 0;
    }
    // Stacked ID3v1 tags (some old writers appended one per save) all go.
    uint64_t keep = length;
    std::vector<uint8_t> block;
    while (keep >= Id3v1Tag::kSize && ReadExact(keep - Id3v1Tag::kSize, Id3v1Tag::kSize, block) &&
           Id3v1Tag::IsTag(block)) {
        keep -= Id3v1Tag::kSize;
    }
    if (keep == length) {
        return 1;
    }
    return ReplaceContents([&](songcore::ContentWriter& out) { return CopyRange(out, 0, keep); });
}
