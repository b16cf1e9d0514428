#include "songcore/tags/mkv/MatroskaWritePlan.h"

#include <algorithm>
#include <functional>
#include <optional>

namespace songcore {

namespace {

// Of a Void's body, at most this much is overwritten with zeros; beyond it
// the old bytes stay as its body, so that dropping a large attachment does
// not write (and journal) all of it.
constexpr uint64_t kMaxZeroedVoid = 1024 * 1024;

// Bytes that fill room: the element build(0) makes, then a Void of zeros
// up to the end of room (or the Void's header and kMaxZeroedVoid zeros,
// the old bytes after them kept). A single byte left over cannot be a
// Void, so the element is built with its size field one byte wider
// (build(1)) instead.
std::optional<std::vector<uint8_t>> FillRoom(const std::function<std::vector<uint8_t>(int)>& build,
                                             uint64_t room) {
    std::vector<uint8_t> bytes = build(0);
    if (bytes.size() > room) {
        return std::nullopt;
    }
    uint64_t rest = room - bytes.size();
    if (rest == 1) {
        bytes = build(1);
        return bytes.size() == room ? std::optional(bytes) : std::nullopt;
    }
    if (rest >= 2) {
        std::optional<std::vector<uint8_t>> header = EbmlVoidHeader(rest);
        if (!header) {
            return std::nullopt;
        }
        bytes.insert(bytes.end(), header->begin(), header->end());
        bytes.resize(static_cast<size_t>(std::min(room, bytes.size() + kMaxZeroedVoid)), 0);
    }
    return bytes;
}

// A Void of exactly room bytes (see FillRoom).
std::optional<std::vector<uint8_t>> VoidOf(uint64_t room) {
    return FillRoom([](int) { return std::vector<uint8_t>(); }, room);
}

// The room of the child at index: itself and a Void right after it.
uint64_t RoomOf(const MatroskaLayout& layout, size_t index) {
    uint64_t room = layout.children[index].totalLength();
    if (index + 1 < layout.children.size() && layout.children[index + 1].id == ebml::kVoid) {
        room += layout.children[index + 1].totalLength();
    }
    return room;
}

// A SeekHead rebuilt with its entry for the element id pointing at
// position (dropped when there is none); addMissing adds one when it has
// none. Its Voids go and its CRC-32 is made anew.
std::vector<uint8_t> RebuildSeekHead(std::span<const uint8_t> body, uint32_t target,
                                     std::optional<uint64_t> position, bool addMissing,
                                     int extraSizeBytes) {
    ByteWriter entries;
    bool hadCrc = false, found = false;
    std::vector<EbmlElement> children = EbmlChildren(body);
    auto targetEntry = [&] {
        ByteWriter seek;
        ByteWriter id;
        AppendEbmlId(id, target);
        AppendEbmlElement(seek, ebml::kSeekId, id.buffer());
        AppendEbmlUnsigned(seek, ebml::kSeekPosition, *position);
        AppendEbmlElement(entries, ebml::kSeek, seek.buffer());
    };
    for (size_t i = 0; i < children.size(); ++i) {
        const EbmlElement& child = children[i];
        std::span<const uint8_t> whole = body.subspan(static_cast<size_t>(child.offset),
                                                      static_cast<size_t>(child.totalLength()));
        if (child.id == ebml::kCrc32) {
            hadCrc = hadCrc || i == 0;
            continue;
        }
        if (child.id == ebml::kVoid) {
            continue;
        }
        bool isTarget = false;
        if (child.id == ebml::kSeek) {
            std::span<const uint8_t> seekBody = EbmlBody(body, 0, child);
            for (const EbmlElement& field : EbmlChildren(seekBody)) {
                isTarget = isTarget || (field.id == ebml::kSeekId &&
                                        EbmlUnsigned(EbmlBody(seekBody, 0, field)) == target);
            }
        }
        if (!isTarget) {
            entries.bytes(whole);
        } else if (position && !found) {
            targetEntry();
        }
        found = found || isTarget;
    }
    if (!found && addMissing && position) {
        targetEntry();
    }
    ByteWriter out;
    AppendEbmlMaster(out, ebml::kSeekHead, entries.buffer(), hadCrc, extraSizeBytes);
    return out.take();
}

bool SeekHeadNames(std::span<const uint8_t> body, uint32_t target) {
    for (const EbmlElement& seek : EbmlChildren(body)) {
        std::span<const uint8_t> seekBody = EbmlBody(body, 0, seek);
        for (const EbmlElement& field : EbmlChildren(seekBody)) {
            if (seek.id == ebml::kSeek && field.id == ebml::kSeekId &&
                EbmlUnsigned(EbmlBody(seekBody, 0, field)) == target) {
                return true;
            }
        }
    }
    return false;
}

// Patches that point every SeekHead's entry for the element id at
// position (or drop it when there is none), adding one to the first
// SeekHead when none has it.
bool PlanSeekHeads(const ReadExactFn& read, const MatroskaLayout& layout, uint32_t target,
                   const char* what, std::optional<uint64_t> position,
                   std::vector<MatroskaPatch>& patches, std::string& error) {
    std::optional<size_t> first;
    bool anyNames = false;
    std::vector<std::pair<size_t, std::vector<uint8_t>>> heads;
    for (size_t i = 0; i < layout.children.size(); ++i) {
        const EbmlElement& head = layout.children[i];
        if (head.id != ebml::kSeekHead) {
            continue;
        }
        std::vector<uint8_t> body;
        if (head.size > kMatroskaMaxMetadata || !read(head.dataOffset(), head.size, body)) {
            error = "its SeekHead cannot be read";
            return false;
        }
        first = first.value_or(i);
        anyNames = anyNames || SeekHeadNames(body, target);
        heads.emplace_back(i, std::move(body));
    }
    if (!first) {
        if (!position) {
            return true;
        }
        error = std::string("it has no SeekHead, so players would not find ") + what +
                " moved after its audio; it was not written";
        return false;
    }
    for (const auto& head : heads) {
        const size_t index = head.first;
        const std::vector<uint8_t>& body = head.second;
        const bool addHere = !anyNames && index == *first;
        if (!SeekHeadNames(body, target) && !addHere) {
            continue;
        }
        std::optional<std::vector<uint8_t>> bytes = FillRoom(
            [&](int extra) { return RebuildSeekHead(body, target, position, addHere, extra); },
            RoomOf(layout, index));
        if (!bytes) {
            error = std::string("its SeekHead has no room (no Void after it) to point to the ") +
                    what + "' new place after the audio; it was not written";
            return false;
        }
        patches.push_back({layout.children[index].offset, bytes->size(), std::move(*bytes)});
    }
    return true;
}

// A patch of the Segment's size field; false when the new size needs more
// bytes than the field has.
bool PlanSegmentSize(const MatroskaLayout& layout, uint64_t newSize,
                     std::vector<MatroskaPatch>& patches, std::string& error) {
    if (layout.segment.unknownSize) {
        return true;  // it runs to the end of the file, wherever that is
    }
    const int width = layout.segment.headerLength - 4;
    if (EbmlSizeWidth(newSize) == 0 || EbmlSizeWidth(newSize) > width) {
        error = "its Segment's size field is too short for the new size; it was not written";
        return false;
    }
    ByteWriter out;
    AppendEbmlSize(out, newSize, width);
    patches.push_back({layout.segment.offset + 4, static_cast<uint64_t>(width), out.take()});
    return true;
}

bool PlanInOrderOfNeed(const ReadExactFn& read, uint64_t length, const MatroskaLayout& layout,
                       const MatroskaElementChange& change, std::vector<MatroskaPatch>& patches,
                       std::string& error) {
    const std::string what = change.what;
    if (!layout.complete) {
        error =
            "its top-level elements cannot all be followed to the end of its Segment (damage, "
            "or a live stream without sizes); it was not written";
        return false;
    }
    std::optional<size_t> oldIndex;
    for (size_t i = 0; i < layout.children.size(); ++i) {
        if (layout.children[i].id == change.id) {
            if (oldIndex) {
                error = "it has more than one element of its " + what + "; it was not written";
                return false;
            }
            oldIndex = i;
        }
    }
    if (oldIndex) {
        const EbmlElement& old = layout.children[*oldIndex];
        const uint64_t room = RoomOf(layout, *oldIndex);
        std::optional<std::vector<uint8_t>> inPlace =
            change.empty ? VoidOf(room) : FillRoom(change.build, room);
        if (inPlace) {
            const uint64_t replaced = inPlace->size();
            patches.push_back({old.offset, replaced, std::move(*inPlace)});
            return change.empty ? PlanSeekHeads(read, layout, change.id, change.what, std::nullopt,
                                                patches, error)
                                : true;
        }
    } else if (change.empty) {
        return true;  // none before, none after
    }
    if (layout.segmentEnd != length) {
        error = "something follows its Segment, so its " + what +
                " cannot be added at its end; it was not written";
        return false;
    }
    std::vector<uint8_t> bytes = change.build(0);
    const uint64_t segmentBody = layout.segmentEnd - layout.segment.dataOffset();
    // An element that ends the Segment grows where it is.
    if (oldIndex && layout.children[*oldIndex].end() == layout.segmentEnd) {
        const EbmlElement& old = layout.children[*oldIndex];
        if (!PlanSegmentSize(layout, segmentBody - old.totalLength() + bytes.size(), patches,
                             error)) {
            return false;
        }
        patches.push_back({old.offset, old.totalLength(), std::move(bytes)});
        return true;
    }
    const uint64_t position = layout.segmentEnd - layout.segment.dataOffset();
    if (!PlanSegmentSize(layout, segmentBody + bytes.size(), patches, error) ||
        !PlanSeekHeads(read, layout, change.id, change.what, position, patches, error)) {
        return false;
    }
    if (oldIndex) {
        std::vector<uint8_t> emptied = *VoidOf(RoomOf(layout, *oldIndex));
        const uint64_t replaced = emptied.size();
        patches.push_back({layout.children[*oldIndex].offset, replaced, std::move(emptied)});
    }
    patches.push_back({length, 0, std::move(bytes)});
    return true;
}

}  // namespace

bool PlanMatroskaElementWrite(const ReadExactFn& read, uint64_t length,
                              const MatroskaLayout& layout, const MatroskaElementChange& change,
                              std::vector<MatroskaPatch>& patches, std::string& error) {
    patches.clear();
    if (!PlanInOrderOfNeed(read, length, layout, change, patches, error)) {
        patches.clear();
        return false;
    }
    std::sort(patches.begin(), patches.end(),
              [](const MatroskaPatch& a, const MatroskaPatch& b) { return a.offset < b.offset; });
    return true;
}

bool PlanMatroskaTagsWrite(const ReadExactFn& read, uint64_t length, const MatroskaLayout& layout,
                           const MatroskaTags& tags, std::vector<MatroskaPatch>& patches,
                           std::string& error) {
    MatroskaElementChange change{ebml::kTags, "tags", !tags.HasSimpleTags(),
                                 [&tags](int extra) { return tags.Serialize(extra); }};
    return PlanMatroskaElementWrite(read, length, layout, change, patches, error);
}

}  // namespace songcore
