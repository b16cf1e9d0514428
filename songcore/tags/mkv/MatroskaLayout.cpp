#include "songcore/tags/mkv/MatroskaLayout.h"

#include <algorithm>

namespace songcore {

namespace {

// The element header at offset, or nothing when it is malformed or runs
// past end.
std::optional<EbmlElement> HeaderAt(const ReadExactFn& read, uint64_t offset, uint64_t end) {
    if (offset >= end) {
        return std::nullopt;
    }
    std::vector<uint8_t> bytes;
    size_t want = static_cast<size_t>(std::min<uint64_t>(kEbmlMaxHeaderLength, end - offset));
    if (!read(offset, want, bytes)) {
        return std::nullopt;
    }
    ByteReader in(bytes);
    std::optional<EbmlElement> element = ReadEbmlHeader(in, offset);
    if (!element || (!element->unknownSize && element->size > end - element->dataOffset())) {
        return std::nullopt;
    }
    return element;
}

bool IsLevelOne(uint32_t id) {
    return id == ebml::kTags || id == ebml::kAttachments || id == ebml::kInfo ||
           id == ebml::kTracks;
}

void ReadSeekHead(const ReadExactFn& read, const EbmlElement& head, MatroskaLayout& layout) {
    std::vector<uint8_t> body;
    if (head.size > kMatroskaMaxMetadata || !read(head.dataOffset(), head.size, body)) {
        return;
    }
    for (const EbmlElement& seek : EbmlChildren(body, head.dataOffset())) {
        if (seek.id != ebml::kSeek) {
            continue;
        }
        std::span<const uint8_t> seekBody = EbmlBody(body, head.dataOffset(), seek);
        MatroskaLayout::SeekEntry entry;
        bool haveId = false, havePosition = false;
        for (const EbmlElement& field : EbmlChildren(seekBody, seek.dataOffset())) {
            std::span<const uint8_t> value = EbmlBody(seekBody, seek.dataOffset(), field);
            if (field.id == ebml::kSeekId && value.size() <= 4) {
                entry.id = static_cast<uint32_t>(EbmlUnsigned(value).value_or(0));
                haveId = true;
            } else if (field.id == ebml::kSeekPosition) {
                std::optional<uint64_t> position = EbmlUnsigned(value);
                havePosition = position.has_value();
                entry.position = position.value_or(0);
            }
        }
        if (haveId && havePosition && layout.seeks.size() < kEbmlMaxChildren) {
            layout.seeks.push_back(entry);
        }
    }
}

}  // namespace

std::optional<EbmlElement> MatroskaLayout::Find(uint32_t id) const {
    for (const EbmlElement& child : children) {
        if (child.id == id) {
            return child;
        }
    }
    return std::nullopt;
}

std::optional<size_t> MatroskaLayout::IndexOf(uint64_t offset) const {
    for (size_t i = 0; i < children.size(); ++i) {
        if (children[i].offset == offset) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<MatroskaLayout> MatroskaLayout::Read(const ReadExactFn& read, uint64_t length,
                                                   bool full) {
    MatroskaLayout layout;
    std::optional<EbmlElement> header = HeaderAt(read, 0, length);
    std::vector<uint8_t> body;
    if (!header || header->id != ebml::kHeader || header->unknownSize || header->size > 4096 ||
        !read(header->dataOffset(), header->size, body)) {
        return std::nullopt;
    }
    for (const EbmlElement& child : EbmlChildren(body, header->dataOffset())) {
        if (child.id == ebml::kDocType) {
            layout.docType = EbmlString(EbmlBody(body, header->dataOffset(), child));
        }
    }
    if (layout.docType != "matroska" && layout.docType != "webm") {
        return std::nullopt;
    }
    // A Void may stand between the header and the Segment.
    std::optional<EbmlElement> segment = HeaderAt(read, header->end(), length);
    for (int skipped = 0;
         segment && segment->id != ebml::kSegment && !segment->unknownSize && skipped < 16;
         ++skipped) {
        segment = HeaderAt(read, segment->end(), length);
    }
    if (!segment || segment->id != ebml::kSegment) {
        return std::nullopt;
    }
    layout.segment = *segment;
    layout.segmentEnd = segment->unknownSize ? length : segment->end();

    uint64_t at = segment->dataOffset();
    bool stoppedAtCluster = false;
    while (layout.children.size() < kMatroskaMaxTopLevel) {
        if (at == layout.segmentEnd) {
            layout.complete = true;
            break;
        }
        std::optional<EbmlElement> child = HeaderAt(read, at, layout.segmentEnd);
        if (!child || child->unknownSize) {
            break;  // damage, or a live stream's Cluster: the walk ends here
        }
        if (child->id == ebml::kCluster && !full) {
            stoppedAtCluster = true;
            break;
        }
        layout.children.push_back(*child);
        if (child->id == ebml::kSeekHead) {
            ReadSeekHead(read, *child, layout);
        }
        at = child->end();
    }
    layout.walkedClusters = !stoppedAtCluster;
    if (layout.walkedClusters) {
        return layout;
    }
    // What lies past the Clusters is found through the SeekHead, each entry
    // checked to hold the element it names. Tags the SeekHead does not index
    // may still follow the Clusters: then every Cluster is stepped over.
    bool tagsIndexed = std::any_of(layout.seeks.begin(), layout.seeks.end(),
                                   [](const SeekEntry& entry) { return entry.id == ebml::kTags; });
    if (!tagsIndexed && !layout.Find(ebml::kTags)) {
        return Read(read, length, true);
    }
    for (const SeekEntry& entry : layout.seeks) {
        const uint64_t offset = segment->dataOffset() + entry.position;
        if (!IsLevelOne(entry.id) || entry.position >= layout.segmentEnd - segment->dataOffset() ||
            offset < at || layout.IndexOf(offset)) {
            continue;
        }
        std::optional<EbmlElement> element = HeaderAt(read, offset, layout.segmentEnd);
        if (element && element->id == entry.id && !element->unknownSize) {
            layout.children.push_back(*element);
        }
    }
    return layout;
}

}  // namespace songcore
