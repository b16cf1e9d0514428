// ID3v2 tags at the start of MPEG audio and AAC files, in a chunk of WAV
// and AIFF files (iff/IffTags.cpp places those) and at the end of DSF files
// (dsf/Dsf.cpp). Reading understands versions 2.2 to 2.4; writing carries
// every frame it does not produce over unchanged, adds no frame for a field
// that is not set, and pads a tag that fits to the old one's room so that
// the audio stays where it is.
#include <algorithm>
#include <cctype>

#include "songcore/songfile/ContentWriter.h"
#include "songcore/songfile/SongFileReader.h"
#include "songcore/tags/FieldText.h"
#include "songcore/tags/MoveAlignment.h"
#include "songcore/tags/OldPlayerTags.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/TagExtents.h"
#include "songcore/tags/id3/Id3v2Downgrade.h"
#include "songcore/tags/id3/Id3v2Items.h"
#include "songcore/tags/id3/Id3v2Picture.h"
#include "songcore/tags/id3/Id3v2Tag.h"
#include "songcore/util/Text.h"

using songcore::Id3v2Field;
using songcore::Id3v2Tag;
using songcore::SongField;

namespace {

// The decimal number at the start of a text ("(17)" gives 17), 0 without
// one; large numbers stop at UINT32_MAX, which no genre id reaches.
uint32_t LeadingNumber(const std::string& text) {
    size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) {
        ++pos;
    }
    uint64_t number = 0;
    for (; pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])); ++pos) {
        number =
            std::min<uint64_t>(number * 10 + static_cast<unsigned>(text[pos] - '0'), UINT32_MAX);
    }
    return static_cast<uint32_t>(number);
}

bool AllDigits(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c));
    });
}

// Room left for later edits when a tag that had padding has to grow, so that
// the next small change fits in place again.
constexpr uint64_t kGrowthPadding = 1024;

// The padding of the new tag. A tag that fits where the old one stands fills
// it exactly, so the audio keeps its offset and only the tag's bytes change.
// A tag with a footer has no padding, so it stays in place only when it has
// the old one's length anyway.
// moved is the length of the audio after the tag, when the audio moves with it.
uint64_t ChoosePadding(const Id3v2Tag& tag, const Id3v2Tag* old, uint64_t oldLength,
                       uint64_t moved) {
    if (tag.footer) {
        return 0;
    }
    uint64_t unpadded = tag.UnpaddedLength();
    if (old && unpadded <= oldLength) {
        return oldLength - unpadded;
    }
    uint64_t padding = old && old->padding > 0 ? kGrowthPadding : 0;
    return padding + songcore::PaddingForAlignedMove(unpadded + padding - oldLength, moved);
}

// Reads the tag where the place says, cut at the end of its room;
// nothing when there is no tag or it cannot be read.
std::optional<Id3v2Tag> ReadTag(CSongFile& file, const CSongFileInfo::Id3v2Place& place) {
    std::vector<uint8_t> bytes;
    if (place.length == 0 ||
        !file.ReadExact(place.offset, static_cast<size_t>(place.length), bytes)) {
        return std::nullopt;
    }
    return Id3v2Tag::Parse(bytes);
}

// The tag as the field reader needs it: its picture frames are passed over
// unread, so a large cover does not slow the reading of a song tree.
std::optional<Id3v2Tag> ReadTagWithoutPictures(CSongFile& file,
                                               const CSongFileInfo::Id3v2Place& place) {
    if (place.length == 0) {
        return std::nullopt;
    }
    return Id3v2Tag::ReadWithoutPictures(songcore::SongFileReader(file, place.offset),
                                         place.length);
}

// The record's fields as the reader derives them from the frames' texts.
struct Derived {
    songcore::SongValues fields;
    Id3v2Tag::FrameIndexes frames;  // the frame each row came from
};

// A genre of a TCON frame: the name of a genre id ("(17)", "(17)Rock", and
// in 2.4 a bare "17", as 2.4 writes ids), or the text itself; "" for an id
// past the table.
std::string GenreFromText(const std::string& genre, uint8_t major) {
    auto byId = [](uint32_t id) { return id < GENRE_NONE ? GetMP3Genre(id) : std::string(); };
    if (size_t open = genre.find('('); open != std::string::npos) {
        size_t close = genre.find(')', open + 1);
        size_t length = close == std::string::npos ? std::string::npos : close - open - 1;
        return byId(LeadingNumber(genre.substr(open + 1, length)));
    }
    if (major >= 4 && AllDigits(genre)) {
        return byId(LeadingNumber(genre));
    }
    return genre;
}

Derived Derive(const Id3v2Tag& tag) {
    Derived derived;
    songcore::Id3v2FieldValues texts = tag.ReadFields(&derived.frames);
    for (size_t row = 0; row < songcore::kId3v2FieldCount; ++row) {
        const SongField field = songcore::Id3v2FrameField(static_cast<Id3v2Field>(row));
        const std::string& text = texts[row];
        std::optional<SongField> total = songcore::Id3v2FrameTotal(static_cast<Id3v2Field>(row))
                                             ? songcore::TotalOfNumber(field)
                                             : std::nullopt;
        if (text.empty()) {
            // What setting an empty text would leave, without building it.
            derived.fields.Clear(field);
            if (total) {
                derived.fields.Clear(*total);
            }
        } else if (songcore::Id3v2FrameTotal(static_cast<Id3v2Field>(row))) {
            derived.fields.SetNumberOfTotal(field, text);
        } else if (field == SongField::Genre) {
            std::vector<std::string> genres;
            for (const std::string& value : songcore::SplitValues(text)) {
                genres.push_back(GenreFromText(value, tag.major));
            }
            derived.fields.Set(field, std::move(genres));
        } else {
            derived.fields.SetText(field, text);
        }
    }
    return derived;
}

}  // namespace

int CSongFileInfo::HasID3V2() {
    std::vector<uint8_t> header;
    if (!ReadExact(0, Id3v2Tag::kHeaderSize, header)) {
        return 0;
    }
    // Taken as a tag in any letter case, as older files sometimes have it.
    for (size_t i = 0; i < 2; ++i) {
        header[i] = static_cast<uint8_t>(std::toupper(header[i]));
    }
    return static_cast<int>(songcore::Id3v2TagLength(header));
}

std::optional<CSongFileInfo::Id3v2Place> CSongFileInfo::FindID3V2Place() {
    if (IsIffSong()) {
        return FindIffID3V2Place();
    }
    if (GetSongType() & SONG_TYPE_DSF) {
        return FindDsfID3V2Place();
    }
    uint64_t length = GetLength();
    if (length == kBadLength) {
        return std::nullopt;
    }
    uint64_t total = std::min<uint64_t>(static_cast<uint64_t>(HasID3V2()), length);
    return Id3v2Place{0, total, total};
}

int CSongFileInfo::GetID3V2Info() {
    Init();
    std::optional<Id3v2Place> place = FindID3V2Place();
    std::optional<Id3v2Tag> tag = place ? ReadTagWithoutPictures(*this, *place) : std::nullopt;
    if (!tag) {
        // A WAV or AIFF file without an ID3 chunk: the fields start from its
        // older text chunks, so that a write of this tag keeps them; there
        // is still no tag.
        if (IsIffSong()) {
            GetIffTextInfo();
        }
        return 0;
    }
    Derived derived = Derive(*tag);
    // The lyrics of the song read before stay unless this one has its own.
    if (!derived.frames[static_cast<size_t>(Id3v2Field::Lyrics)]) {
        std::span<const std::string> lyrics = GetValues(SongField::Lyrics);
        derived.fields.Set(SongField::Lyrics, {lyrics.begin(), lyrics.end()});
    }
    fields_ = std::move(derived.fields);
    // A frame whose encoding byte is 0 holds 8-bit text (Content starts
    // with that byte for every text frame, COMM and USLT included).
    for (size_t row = 0; row < songcore::kId3v2FieldCount; ++row) {
        if (std::optional<size_t> index = derived.frames[row]) {
            std::vector<uint8_t> storage;
            std::optional<std::span<const uint8_t>> content =
                tag->ContentView(tag->frames[*index], storage);
            if (content && !content->empty() && (*content)[0] == 0) {
                legacyText_.set(
                    static_cast<size_t>(songcore::Id3v2FrameField(static_cast<Id3v2Field>(row))));
            }
        }
    }
    tagKind_ = TAG_ID3V2;
    return 1;
}

bool CSongFileInfo::BuildID3V2Tag(std::vector<uint8_t>& tag, uint64_t& oldTagLength,
                                  uint64_t* framesSize, uint64_t fileLength) {
    std::optional<Id3v2Place> place = FindID3V2Place();
    if (!place) {
        return false;
    }
    oldTagLength = place->room;
    std::optional<Id3v2Tag> old = ReadTag(*this, *place);
    if (place->length > 0 && (!old || old->major < 2 || old->major > 4)) {
        // Frames we cannot read could not be carried over.
        Refuse("the file's ID3v2 tag is damaged or of a version other than 2.2 to 2.4");
        return false;
    }
    // A field without a value gets no frame: no track, no genre.
    songcore::Id3v2FieldValues values;
    for (size_t row = 0; row < songcore::kId3v2FieldCount; ++row) {
        const auto frame = static_cast<Id3v2Field>(row);
        values[row] = songcore::Id3v2FrameTotal(frame)
                          ? fields_.NumberOfTotal(songcore::Id3v2FrameField(frame))
                          : GetText(songcore::Id3v2FrameField(frame));
    }
    // A field whose value is what the reader makes of its old frame keeps
    // that frame: it may hold more than the field ("5/12", a genre outside
    // the table, several values).
    Id3v2Tag::KeepMask keep{};
    if (old) {
        Derived before = Derive(*old);
        for (size_t row = 0; row < songcore::kId3v2FieldCount; ++row) {
            const auto frame = static_cast<Id3v2Field>(row);
            std::optional<SongField> total = songcore::Id3v2FrameTotal(frame);
            keep[row] = before.fields.Same(songcore::Id3v2FrameField(frame), fields_) &&
                        (!total || before.fields.Same(*total, fields_));
        }
    }
    Id3v2Tag rebuilt = Id3v2Tag::Rebuild(old ? &*old : nullptr, values, keep);
    if (pendingPictures_) {
        if (std::string why = songcore::ReplaceId3v2Pictures(rebuilt, *pendingPictures_);
            !why.empty()) {
            Refuse(std::move(why));
            return false;
        }
    }
    if (pendingItems_) {
        if (std::string why = songcore::ApplyId3v2ItemEdits(rebuilt, *pendingItems_);
            !why.empty()) {
            Refuse(std::move(why));
            return false;
        }
    }
    // Written for old players, a 2.4 tag becomes 2.3 where it can without
    // losing a frame.
    if (songcore::OldPlayerCodepage() && (GetSongType() & SONG_TYPE_MPA)) {
        if (std::optional<Id3v2Tag> older = songcore::Id3v2As23(rebuilt)) {
            rebuilt = std::move(*older);
        }
    }
    std::optional<std::vector<uint8_t>> bytes =
        rebuilt.Serialize(ChoosePadding(rebuilt, old ? &*old : nullptr, oldTagLength,
                                        fileLength > oldTagLength ? fileLength - oldTagLength : 0));
    if (!bytes) {
        Refuse("the tag would be larger than an ID3v2 tag can be (256 MiB)");
        return false;
    }
    tag = std::move(*bytes);
    if (framesSize) {
        *framesSize = rebuilt.FramesSize();
    }
    return true;
}

int CSongFileInfo::ReadID3V2Items(std::vector<songcore::TagItem>& out) {
    out.clear();
    std::optional<Id3v2Place> place = FindID3V2Place();
    if (!place) {
        return 0;
    }
    if (place->length == 0) {
        return 1;
    }
    std::optional<Id3v2Tag> tag = ReadTagWithoutPictures(*this, *place);
    if (!tag || tag->major < 2 || tag->major > 4) {
        return 0;
    }
    // A 2.2 tag is shown as the writer would make it, so that its items
    // have the keys an edit of them names.
    if (tag->major == 2) {
        Id3v2Tag::KeepMask keepAll;
        keepAll.fill(true);
        tag = Id3v2Tag::Rebuild(&*tag, tag->ReadFields(), keepAll);
    }
    out = songcore::Id3v2OtherItems(*tag);
    return 1;
}

int CSongFileInfo::TotalID3V2Size() {
    std::vector<uint8_t> tag;
    uint64_t oldTagLength = 0;
    uint64_t framesSize = 0;
    if (!BuildID3V2Tag(tag, oldTagLength, &framesSize)) {
        return -1;
    }
    return static_cast<int>(framesSize);
}

int CSongFileInfo::WriteID3V2Info() {
    if (IsIffSong()) {
        return WriteIffID3V2Info();
    }
    if (GetSongType() & SONG_TYPE_DSF) {
        return WriteDsfID3V2Info();
    }
    std::vector<uint8_t> tag;
    uint64_t oldTagLength = 0;
    uint64_t length = GetLength();
    if (length == kBadLength || !BuildID3V2Tag(tag, oldTagLength, nullptr, length)) {
        return 0;
    }
    // Everything after the old tag, an APEv2 or ID3v1 tag at the end
    // included, is streamed over unchanged.
    return ReplaceContents([&](songcore::ContentWriter& replace) {
        return replace.append(tag) && CopyRange(replace, oldTagLength, length - oldTagLength);
    });
}

int CSongFileInfo::RemoveID3V2Info() {
    if (IsIffSong()) {
        return RemoveIffID3V2Info();
    }
    if (GetSongType() & SONG_TYPE_DSF) {
        return RemoveDsfID3V2Info();
    }
    uint64_t length = GetLength();
    if (length == kBadLength) {
        return 0;
    }
    uint64_t total = std::min<uint64_t>(static_cast<uint64_t>(HasID3V2()), length);
    if (total == 0) {
        return 1;
    }
    return ReplaceContents([&](songcore::ContentWriter& replace) {
        return CopyRange(replace, total, length - total);
    });
}
