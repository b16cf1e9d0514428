#include "songcore/tags/mkv/MatroskaTags.h"

#include "songcore/tags/mkv/Ebml.h"

namespace songcore {

namespace {

std::vector<uint8_t> WholeElement(std::span<const uint8_t> buffer, const EbmlElement& element) {
    auto start = buffer.begin() + static_cast<ptrdiff_t>(element.offset);
    return std::vector<uint8_t>(start, start + static_cast<ptrdiff_t>(element.totalLength()));
}

void ReadTargets(std::span<const uint8_t> body, MatroskaTag& tag) {
    ForEachEbmlChild(body, 0, [&](const EbmlElement& child) {
        std::optional<uint64_t> value = EbmlUnsigned(EbmlBody(body, 0, child));
        switch (child.id) {
            case ebml::kTargetTypeValue:
                tag.level = value.value_or(50);
                break;
            case ebml::kTagTrackUid:
            case ebml::kTagEditionUid:
            case ebml::kTagChapterUid:
            case ebml::kTagAttachmentUid:
                // A UID of 0 names every part, which is the whole song.
                tag.targeted = tag.targeted || value.value_or(1) != 0;
                break;
            default:
                break;
        }
    });
}

std::optional<MatroskaSimpleTag> ReadSimpleTag(std::span<const uint8_t> body) {
    MatroskaSimpleTag simple;
    bool complete = ForEachEbmlChild(body, 0, [&](const EbmlElement& child) {
        if (child.id == ebml::kTagName) {
            simple.name = EbmlString(EbmlBody(body, 0, child));
        } else if (child.id == ebml::kTagString) {
            simple.value = EbmlString(EbmlBody(body, 0, child));
            simple.isString = true;
        } else if (child.id == ebml::kTagBinary) {
            simple.binaryLength = child.size;
        }
    });
    return complete ? std::optional(std::move(simple)) : std::nullopt;
}

void AppendBytes(ByteWriter& out, const std::vector<uint8_t>& bytes) {
    out.bytes(bytes);
}

}  // namespace

MatroskaSimpleTag MatroskaSimpleTag::Make(const std::string& name, const std::string& value) {
    ByteWriter body;
    AppendEbmlString(body, ebml::kTagName, name);
    AppendEbmlString(body, ebml::kTagString, value);
    ByteWriter element;
    AppendEbmlElement(element, ebml::kSimpleTag, body.buffer());
    return {name, value, true, std::nullopt, element.take()};
}

MatroskaSimpleTag MatroskaSimpleTag::WithValue(const std::string& text) const {
    ByteReader in(element);
    std::optional<EbmlElement> header = ReadEbmlHeader(in);
    if (!header || header->unknownSize || header->end() > element.size()) {
        return Make(name, text);
    }
    std::span<const uint8_t> body = EbmlBody(element, 0, *header);
    ByteWriter rebuilt;
    bool placed = false;
    for (const EbmlElement& child : EbmlChildren(body)) {
        if (child.id == ebml::kTagString) {
            if (!placed) {
                AppendEbmlString(rebuilt, ebml::kTagString, text);
            }
            placed = true;
        } else {
            rebuilt.bytes(body.subspan(child.offset, child.totalLength()));
            // The text follows the name, as a new SimpleTag has it.
            if (child.id == ebml::kTagName && !isString) {
                AppendEbmlString(rebuilt, ebml::kTagString, text);
                placed = true;
            }
        }
    }
    ByteWriter out;
    AppendEbmlElement(out, ebml::kSimpleTag, rebuilt.buffer());
    return {name, text, true, std::nullopt, out.take()};
}

MatroskaTag MatroskaTag::Make(uint64_t level) {
    MatroskaTag tag;
    tag.level = level;
    ByteWriter body;
    AppendEbmlUnsigned(body, ebml::kTargetTypeValue, level);
    ByteWriter targets;
    AppendEbmlElement(targets, ebml::kTargets, body.buffer());
    tag.targets = targets.take();
    return tag;
}

std::optional<MatroskaTags> MatroskaTags::Parse(std::span<const uint8_t> body) {
    MatroskaTags result;
    bool complete = false;
    std::vector<EbmlElement> children = EbmlChildren(body, 0, &complete);
    if (!complete) {
        return std::nullopt;
    }
    for (size_t i = 0; i < children.size(); ++i) {
        const EbmlElement& child = children[i];
        if (child.id == ebml::kCrc32 && i == 0) {
            result.hadCrc = true;
        }
        if (child.id != ebml::kTag) {
            continue;  // CRC-32 and Void: made anew
        }
        std::span<const uint8_t> tagBody = EbmlBody(body, 0, child);
        MatroskaTag tag;
        bool damaged = false;
        complete = ForEachEbmlChild(tagBody, 0, [&](const EbmlElement& part) {
            std::span<const uint8_t> partBody = EbmlBody(tagBody, 0, part);
            if (part.id == ebml::kTargets) {
                ReadTargets(partBody, tag);
                tag.targets = WholeElement(tagBody, part);
            } else if (part.id == ebml::kSimpleTag) {
                std::optional<MatroskaSimpleTag> simple = ReadSimpleTag(partBody);
                damaged = damaged || !simple;
                if (simple) {
                    simple->element = WholeElement(tagBody, part);
                    tag.simpleTags.push_back(std::move(*simple));
                }
            } else if (part.id != ebml::kVoid && part.id != ebml::kCrc32) {
                tag.others.push_back(WholeElement(tagBody, part));
            }
        });
        if (!complete || damaged) {
            return std::nullopt;
        }
        result.tags.push_back(std::move(tag));
    }
    return result;
}

bool MatroskaTags::HasSimpleTags() const {
    for (const MatroskaTag& tag : tags) {
        if (!tag.simpleTags.empty()) {
            return true;
        }
    }
    return false;
}

std::vector<uint8_t> MatroskaTags::Serialize(int extraSizeBytes) const {
    ByteWriter body;
    for (const MatroskaTag& tag : tags) {
        if (tag.simpleTags.empty()) {
            continue;
        }
        ByteWriter tagBody;
        AppendBytes(tagBody, tag.targets);
        for (const MatroskaSimpleTag& simple : tag.simpleTags) {
            AppendBytes(tagBody, simple.element);
        }
        for (const std::vector<uint8_t>& other : tag.others) {
            AppendBytes(tagBody, other);
        }
        AppendEbmlElement(body, ebml::kTag, tagBody.buffer());
    }
    ByteWriter out;
    AppendEbmlMaster(out, ebml::kTags, body.buffer(), hadCrc, extraSizeBytes);
    return out.take();
}

}  // namespace songcore
