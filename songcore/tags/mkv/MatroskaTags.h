#pragma once
// The Tags element of a Matroska file as a list of Tag elements, each with
// its target level and its SimpleTags. What the field table does not read
// (nested SimpleTags, languages, binary values, other targets) is kept as
// the bytes it was, so a rebuilt Tags element changes only what was edited.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace songcore {

struct MatroskaSimpleTag {
    std::string name;
    std::string value;  // the TagString; empty for a binary value
    bool isString = false;
    std::optional<uint64_t> binaryLength;  // the TagBinary's, when it has one
    std::vector<uint8_t> element;          // the whole SimpleTag element as stored

    // A new SimpleTag holding a name and a text.
    static MatroskaSimpleTag Make(const std::string& name, const std::string& value);
    // This SimpleTag holding value as its text instead: its language, its
    // nested SimpleTags and anything else it holds stay as they are.
    MatroskaSimpleTag WithValue(const std::string& value) const;
};

struct MatroskaTag {
    // The TargetTypeValue: 50 (album) when the Targets give none.
    uint64_t level = 50;
    // Whether the Targets name a track, edition, chapter or attachment;
    // such a tag is about that part alone, not about the song.
    bool targeted = false;
    std::vector<uint8_t> targets;  // the whole Targets element; empty for none
    std::vector<MatroskaSimpleTag> simpleTags;
    std::vector<std::vector<uint8_t>> others;  // any other child, kept

    // A new tag of a level, with no SimpleTag yet.
    static MatroskaTag Make(uint64_t level);
    // Whether the song's own fields are read from it at that level.
    bool IsSongLevel(uint64_t wanted) const { return !targeted && level == wanted; }
};

struct MatroskaTags {
    std::vector<MatroskaTag> tags;
    bool hadCrc = false;  // the element started with a CRC-32, which is kept up

    // The body of a Tags element; nothing when it is damaged (a child runs
    // past its parent).
    static std::optional<MatroskaTags> Parse(std::span<const uint8_t> body);
    // The whole Tags element, its size field widened by extraSizeBytes
    // (so that it can fill a room one byte longer). Tags without SimpleTags
    // are left out.
    std::vector<uint8_t> Serialize(int extraSizeBytes = 0) const;
    bool HasSimpleTags() const;
};

}  // namespace songcore
