#pragma once
// The byte layout of an APEv2 tag (and the older version 1000 layout it
// grew from), parsed from and built into byte buffers so that it can be
// tested and fuzzed without files. Items the record does not understand are
// kept as they are so that a rewrite can carry them over.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "songcore/tags/SongField.h"
#include "songcore/util/ReadExact.h"

namespace songcore {

struct ApeItem {
    std::string key;
    uint32_t flags = 0;  // bits 1-2: 0 text, 1 binary, 2 external link
    std::vector<uint8_t> value;
};

// The keys the record keeps and the fields they fill, in the order the
// writer puts them; ApeField indexes the table.
constexpr size_t kApeFieldCount = 15;
struct ApeFieldEntry {
    const char* key;
    SongField field;
    // The total that shares the item ("6/12"), if any.
    std::optional<SongField> total = std::nullopt;
};
extern const std::array<ApeFieldEntry, kApeFieldCount> kApeFields;
enum class ApeField {
    Title,
    Artist,
    AlbumArtist,
    Album,
    Genre,
    Year,
    Track,
    Comment,
    Copyright,
    Composer,
    PublisherUrl,
    ArtistUrl,
    Publisher,
    Lyrics,
    Disc,
};
using ApeFieldValues = std::array<std::string, kApeFieldCount>;

struct ApeTag {
    static constexpr size_t kFooterSize = 32;
    static constexpr uint32_t kHasHeader = 0x80000000u;
    static constexpr uint32_t kIsHeader = 0x20000000u;
    static constexpr uint32_t kTypeMask = 0x00000006u;
    static constexpr uint32_t kTypeBinary = 0x00000002u;
    // How far ReadWithoutPictures looks for the end of a key; real keys are
    // at most 255 bytes.
    static constexpr size_t kMaxKeyScan = 64 * 1024;

    uint32_t version = 2000;
    std::vector<ApeItem> items;
    // False when an item did not fit in the tag; the items before it are kept.
    bool complete = true;

    // Parses the tag whose footer ends the buffer. The buffer must hold the
    // items and the footer; a header in front of them is not looked at.
    static std::optional<ApeTag> Parse(std::span<const uint8_t> bytes);

    // The tag of length bytes read through read, as Parse reads it but with
    // its picture items left out unread: what the field reader needs, at
    // the cost of a few small reads however large the pictures.
    static std::optional<ApeTag> ReadWithoutPictures(ReadExactFn read, uint64_t length);

    // Header, items and footer, version 2000; nothing when the tag would be
    // too large for its size field.
    std::optional<std::vector<uint8_t>> Serialize() const;

    // The texts of the table's keys (keys compared ignoring ASCII case;
    // binary items are not text): the NUL-separated values of an item, each
    // trimmed, empty ones left out, joined by "; ". A key that stands twice
    // gives its last item. Nothing for a key that is not there.
    std::array<std::optional<std::string>, kApeFieldCount> ReadFields() const;
    // Index of the item each field is read from, if any.
    std::array<std::optional<size_t>, kApeFieldCount> FieldItems() const;

    // The tag the writer builds: the items of the non-empty values in key
    // order (a list's values, split at "; ", NUL-separated in one
    // item), then every old item whose key is none of the table's. A field
    // marked in keep (its value did not change) keeps the old item it was
    // read from as it was, so that its spelling, a total ("5/12") or a genre
    // outside the table survives.
    using KeepMask = std::array<bool, kApeFieldCount>;
    static ApeTag Rebuild(const ApeTag* old, const ApeFieldValues& values,
                          const KeepMask& keep = {});
};

}  // namespace songcore
