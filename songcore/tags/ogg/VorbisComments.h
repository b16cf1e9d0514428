#pragma once
// The Vorbis comment list (vendor, item count, "KEY=value" items) that Ogg
// Vorbis comment headers and FLAC comment blocks share, parsed from and built
// into byte buffers.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "songcore/tags/Picture.h"
#include "songcore/util/ReadExact.h"
#include "songcore/util/Text.h"

namespace songcore {

struct VorbisComments {
    std::string vendor;
    // Every item exactly as stored, usually "KEY=value"; texts are UTF-8 by
    // the formats' definition and kept byte for byte.
    std::vector<std::string> items;

    // Whether Parse keeps the picture items: the readers of the other
    // fields leave them out, so that a large cover is never copied.
    enum class Pictures { kKeep, kLeaveOut };

    // Parses a list at the start of data. Returns false when the list ends
    // early; the vendor and the items read before that point are kept in out.
    // consumed, when given, receives the length of a complete list.
    static bool Parse(std::span<const uint8_t> data, VorbisComments& out,
                      size_t* consumed = nullptr, Pictures pictures = Pictures::kKeep);
    // The same for a list of size bytes left where it is, read through read
    // (offsets from the list's start) as the parse goes: of a picture item
    // left out no more is read than its key.
    static bool Parse(const ReadExactFn& read, uint64_t size, VorbisComments& out,
                      uint64_t* consumed = nullptr, Pictures pictures = Pictures::kKeep);
    // Length of the serialised list; every length field is 32 bits, so callers
    // refuse lists whose parts do not fit (Fits).
    size_t SerializedSize() const;
    bool Fits() const;
    void AppendTo(std::vector<uint8_t>& out) const;

    // The key of an item in upper case (keys are ASCII by definition); empty
    // for an item without "=".
    static std::string KeyOf(std::string_view item);
    // Whether the item's key is one of keys, in any letter case; no copies,
    // as readers ask it of every item.
    static bool KeyIsOneOf(std::string_view item, std::span<const std::string_view> keys) {
        std::string_view key = KeyView(item);
        return !key.empty() && KeyMatches(key, keys);
    }
    // The same in two steps, for a reader that looks an item's key up in a
    // table: the key as stored (empty for an item without one), and whether
    // it is one of keys.
    static std::string_view KeyView(std::string_view item) {
        size_t equals = item.find('=');
        return equals == std::string_view::npos ? std::string_view() : item.substr(0, equals);
    }
    static bool KeyMatches(std::string_view key, std::span<const std::string_view> keys) {
        for (std::string_view one : keys) {
            if (EqualsIgnoreCaseAscii(key, one)) {
                return true;
            }
        }
        return false;
    }
};

// A list parsed where it lies: the vendor and the items are views into the
// bytes it was parsed from, for a reader that only looks at them.
struct VorbisCommentViews {
    std::string_view vendor;
    std::vector<std::string_view> items;

    // As VorbisComments::Parse, without a copy of any item.
    static bool Parse(std::span<const uint8_t> data, VorbisCommentViews& out,
                      VorbisComments::Pictures pictures = VorbisComments::Pictures::kKeep);
};

// The values of the items whose key is one of keys (upper case), in their
// order.
std::vector<std::string> CommentValues(const std::vector<std::string>& items,
                                       std::span<const std::string_view> keys);
// Puts "key=value" for each of values in place of every item whose key is one
// of keys: where the first of them stood, or at the end when there was none.
// Every other item keeps its bytes and its order.
void ReplaceCommentValues(std::vector<std::string>& items, std::span<const std::string_view> keys,
                          std::string_view key, std::span<const std::string> values);

// Whether an item holds a picture: METADATA_BLOCK_PICTURE (a FLAC picture
// body in base64), or the older COVERART (an image in base64) with its
// COVERARTMIME.
bool IsPictureComment(std::string_view item);
// The pictures of the picture items, in their order; a damaged one is left
// out. A COVERART image reads as a front cover of the MIME type its bytes
// tell.
std::vector<Picture> CommentPictures(const std::vector<std::string>& items);
// The METADATA_BLOCK_PICTURE item that holds picture.
std::string PictureComment(const Picture& picture);

// The Ogg Vorbis comment header: packet type 3, "vorbis", the list and the
// framing byte.
constexpr size_t kVorbisCommonHeaderSize = 7;
bool IsVorbisPacket(std::span<const uint8_t> packet, uint8_t type);
std::vector<uint8_t> BuildVorbisCommentPacket(const VorbisComments& comments);

}  // namespace songcore
