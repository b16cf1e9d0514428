#pragma once
// The byte layout of an ID3v2 tag (versions 2.2, 2.3 and 2.4), parsed from
// and built into byte buffers so that it can be tested and fuzzed without
// files. Frames the record does not understand are kept as raw bytes so that
// a rewrite can carry them over unchanged.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "songcore/tags/SongField.h"
#include "songcore/util/ReadExact.h"

namespace songcore {

struct Id3v2Frame {
    std::string id;             // three letters in a 2.2 tag, four otherwise
    uint16_t flags = 0;         // the two flag bytes as stored (0 in a 2.2 tag)
    std::vector<uint8_t> data;  // the bytes after the frame header
};

// The frames the record's fields come from, in the order the writer puts
// them: the rows of the ID3v2 frame table, each of which names its frame ids
// and the song field it holds (Id3v2FrameField).
enum class Id3v2Field {
    Title,
    Artist,
    AlbumArtist,
    Album,
    Track,
    Year,
    Comment,
    Genre,
    EncodedBy,
    Copyright,
    Url,
    Composer,
    OrigArtist,
    Lyrics,
    Disc,
};
constexpr size_t kId3v2FieldCount = 15;
using Id3v2FieldValues = std::array<std::string, kId3v2FieldCount>;

// The song field a row of the frame table holds, and the total that shares
// its frame ("6/12" in TRCK), if any.
SongField Id3v2FrameField(Id3v2Field row);
std::optional<SongField> Id3v2FrameTotal(Id3v2Field row);

struct Id3v2Tag {
    static constexpr size_t kHeaderSize = 10;
    // Frame sizes and the tag size are 28-bit numbers.
    static constexpr uint32_t kMaxTagSize = (1u << 28) - 1;

    uint8_t major = 3;  // 2, 3 or 4
    std::vector<Id3v2Frame> frames;
    // Zero bytes after the last frame, inside the tag, as parsed.
    size_t padding = 0;
    // A 2.4 tag ends in a copy of its header ("3DI"); such a tag has no
    // padding.
    bool footer = false;

    // Parses a tag from its first byte; the buffer may be cut short, and the
    // frames read before the cut are kept. Nothing when the header is not an
    // ID3v2 header ("ID3" in any letter case). A tag of an unknown version
    // comes back with its version and no frames.
    static std::optional<Id3v2Tag> Parse(std::span<const uint8_t> bytes);

    // The tag read from the file through read (length: the tag's, cut at
    // the file's end), with its picture frames left out unread: what the
    // field reader needs, at the cost of a few small reads however large
    // the pictures. Padding is not counted. Nothing as with Parse.
    static std::optional<Id3v2Tag> ReadWithoutPictures(ReadExactFn read, uint64_t length);

    // A 2.3 or 2.4 tag without extended header or unsynchronisation, its
    // frames followed by padding zero bytes, or by the footer when the tag
    // has one (padding is then ignored); nothing when the version is not 3
    // or 4 or the tag would be too large.
    std::optional<std::vector<uint8_t>> Serialize(size_t padding = 0) const;
    // Bytes of the frames (their headers included) as Serialize writes them.
    uint64_t FramesSize() const;
    // Length of the serialized tag without padding, header and footer
    // included.
    uint64_t UnpaddedLength() const;

    // The frame content with grouping byte and data length removed and
    // per-frame unsynchronisation undone; nothing for a compressed or
    // encrypted frame, which cannot be read as text.
    std::optional<std::vector<uint8_t>> Content(const Id3v2Frame& frame) const;
    // Whether Content gives something, without copying it.
    bool HasContent(const Id3v2Frame& frame) const;
    // The same content as Content, seen in the frame's own bytes where it
    // can be; an unsynchronised frame is undone into storage.
    std::optional<std::span<const uint8_t>> ContentView(const Id3v2Frame& frame,
                                                        std::vector<uint8_t>& storage) const;

    // Index of the frame each field is read from, if any: the first frame
    // with the field's ID; for COMM, USLT and WXXX the first whose
    // description is empty, else the first.
    using FrameIndexes = std::array<std::optional<size_t>, kId3v2FieldCount>;
    FrameIndexes FieldFrames() const;
    // The texts of the fields, decoded to UTF-8 and untrimmed. The several
    // NUL-separated values of a text frame are joined by "; " (JoinValues).
    // Empty where there is no frame.
    // frameIndexes, when given, gets what FieldFrames gives.
    Id3v2FieldValues ReadFields(FrameIndexes* frameIndexes = nullptr) const;

    // The new tag the writer builds from an old one (or from nothing): the
    // frames of the non-empty values in field order, then every old frame
    // that no field was read from, unchanged. A field marked in keep (its
    // value did not change) keeps its old frame as it was, so that what the
    // field does not hold ("5/12", a second value, a genre outside the
    // table) survives. A 2.4 tag stays 2.4; anything else becomes 2.3, its
    // 2.2 frames converted where 2.3 has a form for them and dropped
    // otherwise. In a 2.4 tag the value of a list of names (artists,
    // composers) is split at "; " (SplitValues) into the frame's several
    // values; 2.3 has no such list and gets the text as it is, as every
    // other field does. A 2.4 tag keeps its footer.
    using KeepMask = std::array<bool, kId3v2FieldCount>;
    static Id3v2Tag Rebuild(const Id3v2Tag* old, const Id3v2FieldValues& values,
                            const KeepMask& keep = {});
};

// Whether a 2.3 or 2.4 frame id is that of a text field of the frame table
// (TIT2, TRCK, TYER, TDRC, ...): such a frame stands once in a tag.
bool IsId3v2FieldTextId(std::string_view id);
// A URL as ISO-8859-1, what it cannot hold percent-encoded.
std::string Id3v2UrlToLatin1(const std::string& url);

// Decodes an encoded text: encoding byte then text. The first value of
// several NUL-separated ones; nothing for an unknown encoding.
std::optional<std::string> DecodeId3v2Text(std::span<const uint8_t> content);
// Every NUL-separated value of an encoded text, empty ones left out.
std::optional<std::vector<std::string>> DecodeId3v2Values(std::span<const uint8_t> content);

// The terminated string at the start of bytes in the encoding (0 to 3),
// decoded, and the bytes it takes with its terminator (all of them when it
// has none); nothing for an unknown encoding.
std::optional<std::pair<std::string, size_t>> DecodeId3v2String(uint8_t encoding,
                                                                std::span<const uint8_t> bytes);
// The encoding a text is written in: ISO-8859-1 when it holds the text,
// else UTF-8 in a 2.4 tag and UTF-16 with a byte order mark in 2.3.
uint8_t ChooseId3v2Encoding(const std::string& text, uint8_t major);
// A text in the encoding ChooseId3v2Encoding gave, terminated when asked.
std::vector<uint8_t> EncodeId3v2String(uint8_t encoding, const std::string& text, bool terminate);

// Undoes unsynchronisation (every 0xFF 0x00 becomes 0xFF).
std::vector<uint8_t> Id3v2Desynchronise(std::span<const uint8_t> bytes);

}  // namespace songcore
