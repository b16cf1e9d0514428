// ASF (Windows Media) tags: the content description and the extended content
// description of the header object, and the codec named in the codec list.
#include <algorithm>
#include <cmath>

#include "songcore/songfile/ContentWriter.h"
#include "songcore/songfile/SongFileReader.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"
#include "songcore/tags/asf/AsfHeader.h"
#include "songcore/tags/asf/AsfHeaderReader.h"
#include "songcore/tags/asf/AsfItems.h"
#include "songcore/tags/asf/AsfObjects.h"
#include "songcore/tags/asf/AsfTagFields.h"
#include "songcore/util/Text.h"

using songcore::AsfContentDescription;
using songcore::AsfDescriptor;
using songcore::AsfExtendedContentDescription;
using songcore::AsfHeader;
namespace asfguid = songcore::asfguid;

namespace {

// The writer keeps to files whose offsets all fit the low 32 bits.
constexpr uint64_t kMaxWritableFileSize = 0xFFFFFFFF;

// A descriptor the field table owns: a rewrite without tags drops it.
bool IsTagDescriptor(const std::string& name) {
    return songcore::FindAsfDescriptor(name) != nullptr;
}

struct LoadedHeader {
    std::vector<uint8_t> bytes;
    AsfHeader layout;
};

// The header's objects laid out; nothing (and why, when given) when the
// bytes are missing or an object is cut short.
std::optional<LoadedHeader> LayOut(std::optional<std::vector<uint8_t>> bytes, std::string* why) {
    if (!bytes) {
        return std::nullopt;
    }
    std::optional<AsfHeader> layout = AsfHeader::Parse(*bytes);
    if (!layout) {
        if (why) {
            *why = "the ASF header is damaged: an object in it is cut short or runs past its end";
        }
        return std::nullopt;
    }
    return LoadedHeader{std::move(*bytes), std::move(*layout)};
}

// why, when given, receives the reason for a failure in plain words.
std::optional<LoadedHeader> LoadHeader(CSongFile& file, std::string* why = nullptr) {
    return LayOut(songcore::ReadAsfHeader(songcore::SongFileReader(file), why), why);
}

// The header as the field reader needs it: the pictures are read past, not
// read (ReadASFPictures reads them).
std::optional<LoadedHeader> LoadHeaderWithoutPictures(CSongFile& file) {
    return LayOut(songcore::ReadAsfHeaderWithoutPictures(songcore::SongFileReader(file),
                                                         songcore::kMaxAsfHeaderSize),
                  nullptr);
}

// The content descriptions and extended content descriptions of a header,
// in their order; nothing when one of them is damaged. parsed receives what
// could be parsed before the damage (and then, whole or not, holds the
// objects, with an empty list returned in their place).
std::optional<std::vector<songcore::AsfTagObject>> ParseTagObjects(
    const LoadedHeader& header, std::vector<songcore::AsfTagObject>* parsed = nullptr) {
    std::vector<songcore::AsfTagObject> objects;
    bool damaged = false;
    for (const AsfHeader::Object& object : header.layout.objects) {
        std::span<const uint8_t> body = object.Body(header.bytes);
        if (object.guid == asfguid::kContentDescription) {
            std::optional<AsfContentDescription> content = AsfContentDescription::Parse(body);
            if (!content) {
                damaged = true;
                break;
            }
            objects.emplace_back(std::move(*content));
        } else if (object.guid == asfguid::kExtendedContentDescription) {
            std::optional<AsfExtendedContentDescription> extended =
                AsfExtendedContentDescription::Parse(body);
            if (!extended) {
                damaged = true;
                break;
            }
            objects.emplace_back(std::move(*extended));
        }
    }
    if (parsed) {
        // The caller keeps the objects either way: handed over, not copied.
        *parsed = std::move(objects);
        return damaged ? std::nullopt
                       : std::optional<std::vector<songcore::AsfTagObject>>(std::in_place);
    }
    if (damaged) {
        return std::nullopt;
    }
    return objects;
}

// The metadata objects of the first header extension, where writers put the
// second and later values of a name.
struct MetadataObject {
    songcore::AsfGuid guid{};
    size_t offset = 0;  // within the header extension
    songcore::AsfMetadata metadata;
};
struct MetadataObjects {
    std::optional<size_t> extension;      // index of the header extension among the objects
    std::vector<MetadataObject> objects;  // the parsed ones
};

MetadataObjects ParseMetadata(const LoadedHeader& header) {
    MetadataObjects result;
    for (size_t i = 0; i < header.layout.objects.size(); ++i) {
        const AsfHeader::Object& object = header.layout.objects[i];
        if (object.guid != asfguid::kHeaderExtension) {
            continue;
        }
        result.extension = i;
        std::span<const uint8_t> extension =
            std::span(header.bytes).subspan(object.offset, object.size);
        for (auto [offset, size] : AsfHeader::ExtensionObjects(extension).value_or(
                 std::vector<std::pair<size_t, size_t>>{})) {
            songcore::AsfGuid guid{};
            std::copy_n(extension.begin() + static_cast<long>(offset), guid.size(), guid.begin());
            if (guid != asfguid::kMetadata && guid != asfguid::kMetadataLibrary) {
                continue;
            }
            // A damaged metadata object is neither read nor changed.
            auto body = extension.subspan(offset + AsfHeader::kObjectHeaderSize,
                                          size - AsfHeader::kObjectHeaderSize);
            if (std::optional<songcore::AsfMetadata> metadata =
                    songcore::AsfMetadata::Parse(body)) {
                result.objects.push_back({guid, offset, std::move(*metadata)});
            }
        }
        break;
    }
    return result;
}

// The tag objects the reader derives the fields from: the descriptions in
// their order, then the whole-file records of the metadata objects, as the
// further values they hold.
std::vector<songcore::AsfTagObject> WithMetadata(std::vector<songcore::AsfTagObject> objects,
                                                 const MetadataObjects& metadata) {
    AsfExtendedContentDescription records;
    for (const MetadataObject& object : metadata.objects) {
        for (const songcore::AsfMetadataRecord& record : object.metadata.records) {
            if (record.stream == 0) {
                records.descriptors.push_back(record.descriptor);
            }
        }
    }
    if (!records.descriptors.empty()) {
        objects.emplace_back(std::move(records));
    }
    return objects;
}

// The header extension without the records of the fields that changed;
// empty when it keeps all of them. pictures, when given, take the place of
// every WM/Picture record, in the first metadata library (a new one when
// there is none).
std::optional<std::vector<uint8_t>> EditExtension(
    const LoadedHeader& header, MetadataObjects& metadata, const songcore::SongValues& derived,
    const songcore::SongValues& values,
    const std::optional<std::vector<songcore::AsfMetadataRecord>>& pictures) {
    std::vector<std::pair<size_t, std::vector<uint8_t>>> rebuilt;  // by offset
    bool placed = !pictures || pictures->empty();
    for (MetadataObject& object : metadata.objects) {
        std::vector<songcore::AsfMetadataRecord>& records = object.metadata.records;
        bool changed = songcore::DropChangedAsfRecords(records, derived, values);
        if (pictures) {
            changed |= std::erase_if(records, [](const songcore::AsfMetadataRecord& record) {
                           return songcore::IsAsfPicture(record.descriptor);
                       }) > 0;
            if (!placed && object.guid == asfguid::kMetadataLibrary) {
                records.insert(records.end(), pictures->begin(), pictures->end());
                placed = changed = true;
            }
        }
        if (changed) {
            std::optional<std::vector<uint8_t>> bytes = object.metadata.Build(object.guid);
            if (!bytes) {
                return std::nullopt;
            }
            rebuilt.emplace_back(object.offset, std::move(*bytes));
        }
    }
    std::optional<std::vector<uint8_t>> library;
    if (!placed) {
        library = songcore::AsfMetadata{*pictures}.Build(asfguid::kMetadataLibrary);
        if (!library) {
            return std::nullopt;
        }
    }
    if (rebuilt.empty() && !library) {
        return std::vector<uint8_t>{};
    }
    if (!metadata.extension) {
        return std::nullopt;
    }
    const AsfHeader::Object& object = header.layout.objects[*metadata.extension];
    std::span<const uint8_t> extension =
        std::span(header.bytes).subspan(object.offset, object.size);
    std::optional<std::vector<std::pair<size_t, size_t>>> objects =
        AsfHeader::ExtensionObjects(extension);
    if (!objects) {
        return std::nullopt;
    }
    std::vector<std::span<const uint8_t>> inner;
    for (auto [offset, size] : *objects) {
        size_t at = offset;  // clang 14 cannot capture a structured binding
        auto replaced = std::find_if(rebuilt.begin(), rebuilt.end(),
                                     [at](const auto& entry) { return entry.first == at; });
        inner.push_back(replaced != rebuilt.end() ? std::span<const uint8_t>(replaced->second)
                                                  : extension.subspan(offset, size));
    }
    if (library) {
        inner.push_back(*library);
    }
    return AsfHeader::BuildExtension(extension, inner);
}

}  // namespace

int CSongFileInfo::GetASFInfo() {
    Init();
    std::optional<LoadedHeader> header = LoadHeaderWithoutPictures(*this);
    if (!header) {
        return 0;
    }
    // A damaged description gives the fields read before it, but the tag is
    // not taken as read.
    std::vector<songcore::AsfTagObject> parsed;
    bool whole = ParseTagObjects(*header, &parsed).has_value();
    songcore::SongValues fields =
        songcore::DeriveAsfFields(WithMetadata(std::move(parsed), ParseMetadata(*header)));
    const std::bitset<songcore::kSongFieldCount> held = fields.Held();
    fields_.TakeFields(std::move(fields), held);
    if (!whole) {
        return 0;
    }
    for (const AsfHeader::Object& object : header->layout.objects) {
        if (object.guid != asfguid::kCodecList) {
            continue;
        }
        auto entries = songcore::ParseAsfCodecList(object.Body(header->bytes));
        if (!entries) {
            return 0;
        }
        for (const songcore::AsfCodecEntry& entry : *entries) {
            if (entry.type == songcore::AsfCodecEntry::kAudio) {
                codecType_ = entry.type;
                codec_ = songcore::Trim(entry.name) + "\r\n" + songcore::Trim(entry.description);
            }
        }
    }
    tagKind_ = TAG_ASF;
    return 1;
}

int CSongFileInfo::RewriteASFHeader(bool withTags) {
    uint64_t length = GetLength();
    if (length == kBadLength) {
        return 0;  // the reason is the stream's
    }
    if (length > kMaxWritableFileSize) {
        return Refuse("the file is larger than 4 GiB, beyond the offsets the ASF writer handles");
    }
    std::string why;
    std::optional<LoadedHeader> header = LoadHeader(*this, &why);
    if (!header) {
        return Refuse(why);
    }
    if (!header->layout.exact) {
        return Refuse(
            "the ASF header is damaged: its objects do not fill it or are not as many as it says");
    }
    std::optional<std::vector<songcore::AsfTagObject>> objects = ParseTagObjects(*header);
    if (!objects) {
        return Refuse("the ASF content description or extended content description is damaged");
    }
    // The rewrite starts from the first content description and all the
    // descriptors, in their order.
    std::optional<AsfContentDescription> content;
    std::vector<AsfDescriptor> descriptors;
    bool hadTags = false;
    for (songcore::AsfTagObject& object : *objects) {
        if (auto* found = std::get_if<AsfContentDescription>(&object)) {
            if (!content) {
                content = *found;
            }
            hadTags = true;
        } else {
            for (const AsfDescriptor& descriptor :
                 std::get<AsfExtendedContentDescription>(object).descriptors) {
                hadTags |= IsTagDescriptor(descriptor.name);
                descriptors.push_back(descriptor);
            }
        }
    }

    MetadataObjects metadata = ParseMetadata(*header);
    for (const MetadataObject& object : metadata.objects) {
        for (const songcore::AsfMetadataRecord& record : object.metadata.records) {
            hadTags |= record.stream == 0 && IsTagDescriptor(record.descriptor.name);
        }
    }
    if (!withTags && !hadTags) {
        return 1;  // nothing to remove; leave the file alone
    }
    songcore::SongValues derived = songcore::DeriveAsfFields(WithMetadata(*objects, metadata));
    // Removing is writing every field empty, and the content description
    // goes as a whole.
    songcore::SongValues values = withTags ? fields_ : songcore::SongValues();
    std::vector<uint8_t> newContent;
    if (withTags) {
        bool hadContent = content.has_value();
        if (!content) {
            content.emplace();
        }
        songcore::EditAsfContent(*content, derived, values);
        bool hasText = !(content->title.empty() && content->author.empty() &&
                         content->copyright.empty() && content->description.empty());
        // A file without a content description gets one only for a text.
        if (hadContent || hasText) {
            std::optional<std::vector<uint8_t>> built = content->Build();
            if (!built) {
                return Refuse("a text is longer than an ASF header allows (65535 bytes in UTF-16)");
            }
            newContent = std::move(*built);
        }
        descriptors = songcore::EditAsfDescriptors(std::move(descriptors), derived, values);
    } else {
        std::erase_if(descriptors, [](const AsfDescriptor& descriptor) {
            return IsTagDescriptor(descriptor.name);
        });
    }
    if (withTags && pendingItems_) {
        if (std::string why = songcore::ApplyAsfItemEdits(descriptors, *pendingItems_);
            !why.empty()) {
            return Refuse(why);
        }
    }
    std::optional<std::vector<songcore::AsfMetadataRecord>> libraryPictures;
    if (withTags && pendingPictures_) {
        std::erase_if(descriptors, songcore::IsAsfPicture);
        libraryPictures.emplace();
        for (const songcore::Picture& picture : *pendingPictures_) {
            AsfDescriptor descriptor = songcore::AsfPictureDescriptor(picture);
            // Readers take the descriptions' pictures before the library's, so
            // the pictures after one too large for a description follow it
            // there.
            if (libraryPictures->empty() &&
                descriptor.value.size() <= songcore::kAsfMaxExtendedValue) {
                descriptors.push_back(std::move(descriptor));
            } else {
                libraryPictures->push_back({0, 0, std::move(descriptor)});
            }
        }
        if (!libraryPictures->empty() && !metadata.extension) {
            return Refuse(
                "the ASF header has no header extension, where a picture over 64 KB must go");
        }
    }
    // The further values of a changed field would come back from the
    // metadata objects.
    std::optional<std::vector<uint8_t>> newExtension =
        EditExtension(*header, metadata, derived, values, libraryPictures);
    if (!newExtension) {
        return Refuse(
            "the ASF metadata objects cannot be rebuilt: too many or too long names, or a damaged "
            "header extension");
    }
    std::vector<uint8_t> newExtended;
    if (!descriptors.empty()) {
        std::optional<std::vector<uint8_t>> built =
            AsfExtendedContentDescription{std::move(descriptors)}.Build();
        if (!built) {
            return Refuse(
                "a text is longer than an ASF header allows (65535 bytes in UTF-16), or there "
                "are more than 65535 descriptors");
        }
        newExtended = std::move(*built);
    }

    uint64_t oldSize = header->layout.size;
    std::optional<std::vector<uint8_t>> newHeader = header->layout.Rebuild(
        header->bytes, newExtended, newContent, length - oldSize, *newExtension);
    if (!newHeader || newHeader->size() + (length - oldSize) > kMaxWritableFileSize) {
        return Refuse("the rewritten file would be larger than 4 GiB");
    }
    header.reset();  // the old header is no longer needed while the data streams
    // With the header at its old size the data keeps its offset, and only
    // the header's bytes are written.
    return ReplaceContents([&](songcore::ContentWriter& replace) {
        return replace.append(*newHeader) && CopyRange(replace, oldSize, length - oldSize);
    });
}

int CSongFileInfo::WriteASFInfo() {
    return RewriteASFHeader(true);
}

int CSongFileInfo::ReadASFItems(std::vector<songcore::TagItem>& out) {
    out.clear();
    std::optional<LoadedHeader> header = LoadHeaderWithoutPictures(*this);
    std::optional<std::vector<songcore::AsfTagObject>> objects =
        header ? ParseTagObjects(*header) : std::nullopt;
    if (!objects) {
        return 0;
    }
    std::vector<AsfDescriptor> descriptors;
    for (const songcore::AsfTagObject& object : *objects) {
        if (const auto* extended = std::get_if<songcore::AsfExtendedContentDescription>(&object)) {
            descriptors.insert(descriptors.end(), extended->descriptors.begin(),
                               extended->descriptors.end());
        }
    }
    out = songcore::AsfOtherItems(descriptors);
    return 1;
}

int CSongFileInfo::RemoveASFInfo() {
    return RewriteASFHeader(false);
}

void songcore::AddASFStreamProperties(CSongFileInfo& song, StreamProperties& out) {
    std::optional<LoadedHeader> header = LoadHeaderWithoutPictures(song);
    if (!header) {
        return;
    }
    std::optional<AsfCodecEntry> codec;
    std::optional<AsfFileProperties> file;
    std::optional<AsfAudioFormat> audio;
    for (const AsfHeader::Object& object : header->layout.objects) {
        std::span<const uint8_t> body = object.Body(header->bytes);
        if (object.guid == asfguid::kCodecList) {
            if (auto entries = ParseAsfCodecList(body)) {
                for (const AsfCodecEntry& entry : *entries) {
                    if (entry.type == AsfCodecEntry::kAudio) {
                        codec = entry;
                    }
                }
            }
        } else if (object.guid == asfguid::kFileProperties && !file) {
            file = AsfFileProperties::Parse(body);
        } else if (object.guid == asfguid::kStreamProperties && !audio) {
            audio = AsfAudioFormat::Parse(body);
        }
    }
    if (file) {
        out.add("length_seconds", file->LengthSeconds());
        out.add("bitrate_kbps",
                static_cast<int64_t>(std::ceil(static_cast<double>(file->maxBitrate) / 1000)));
    }
    if (audio) {
        out.add("sample_rate", static_cast<int64_t>(audio->sampleRate));
        out.add("channels", static_cast<int64_t>(audio->channels));
    }
    if (codec) {
        out.add("codec", Trim(codec->name));
        out.add("codec_description", Trim(codec->description));
        out.add("codec_type", static_cast<int64_t>(codec->type));
    }
}
