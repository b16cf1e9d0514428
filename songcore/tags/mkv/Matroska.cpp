// Matroska and WebM files: the song's fields in the Segment's Tags element,
// its stream from Info and Tracks, its covers from the attachments. A write
// rebuilds the Tags element and puts it where MatroskaWritePlan says; the
// Clusters never move.
#include <algorithm>
#include <cmath>
#include <functional>

#include "songcore/songfile/ContentWriter.h"
#include "songcore/songfile/SongFileReader.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"
#include "songcore/tags/mkv/MatroskaAudio.h"
#include "songcore/tags/mkv/MatroskaCover.h"
#include "songcore/tags/mkv/MatroskaFields.h"
#include "songcore/tags/mkv/MatroskaItems.h"
#include "songcore/tags/mkv/MatroskaLayout.h"
#include "songcore/tags/mkv/MatroskaWritePlan.h"
#include "songcore/util/ByteWriter.h"

using songcore::EbmlElement;
using songcore::MatroskaAudio;
using songcore::MatroskaLayout;
using songcore::MatroskaTags;

namespace {

constexpr const char* kNotMatroska =
    "the file is not a Matroska or WebM file (its EBML header or Segment is missing or "
    "damaged)";

std::optional<MatroskaLayout> ReadLayout(CSongFile& file, bool full) {
    uint64_t length = file.GetLength();
    if (length == CSongFile::kBadLength) {
        return std::nullopt;
    }
    // The first elements (SeekHead, Info, Tracks, often Tags) lie together at
    // the start: one buffered read brings them in and the walk's reads there
    // come from it. Past them the walk hops from header to header.
    std::vector<uint8_t> first;
    file.ReadExact(0, 1, first);
    return MatroskaLayout::Read(songcore::SongFileReaderWithoutReadAhead(file), length, full);
}

bool ReadBody(CSongFile& file, const EbmlElement& element, std::vector<uint8_t>& body) {
    return element.size <= songcore::kMatroskaMaxMetadata &&
           file.ReadExact(element.dataOffset(), element.size, body);
}

// The Info's title and length, and the first audio track.
MatroskaAudio ReadAudio(CSongFile& file, const MatroskaLayout& layout) {
    MatroskaAudio audio;
    std::vector<uint8_t> body;
    if (std::optional<EbmlElement> info = layout.Find(songcore::ebml::kInfo);
        info && ReadBody(file, *info, body)) {
        audio.ReadInfo(body);
    }
    if (std::optional<EbmlElement> tracks = layout.Find(songcore::ebml::kTracks);
        tracks && ReadBody(file, *tracks, body)) {
        audio.ReadTracks(body);
    }
    return audio;
}

// The file's tags (none when it has no Tags element); nothing when the
// element is damaged or cannot be read.
std::optional<MatroskaTags> ReadTags(CSongFile& file, const MatroskaLayout& layout) {
    std::optional<EbmlElement> element = layout.Find(songcore::ebml::kTags);
    if (!element) {
        return MatroskaTags{};
    }
    std::vector<uint8_t> body;
    if (!ReadBody(file, *element, body)) {
        return std::nullopt;
    }
    return MatroskaTags::Parse(body);
}

std::string InfoTitle(CSongFile& file, const MatroskaLayout& layout) {
    std::vector<uint8_t> body;
    MatroskaAudio audio;
    if (std::optional<EbmlElement> info = layout.Find(songcore::ebml::kInfo);
        info && ReadBody(file, *info, body)) {
        audio.ReadInfo(body);
    }
    return audio.title;
}

// Writes the patches over the file of length bytes; empty, or why not.
std::string ApplyPatches(CSongFile& file, uint64_t length,
                         const std::vector<songcore::MatroskaPatch>& patches) {
    if (patches.empty()) {
        return {};
    }
    int written = file.ReplaceContents([&](songcore::ContentWriter& out) {
        uint64_t at = 0;
        for (const songcore::MatroskaPatch& patch : patches) {
            if (!file.CopyRange(out, at, patch.offset - at) || !out.append(patch.bytes)) {
                return false;
            }
            at = patch.offset + patch.oldLength;
        }
        return file.CopyRange(out, at, length - at);
    });
    if (!written) {
        std::string error = file.GetErrorMessage();
        return error.empty() ? "the file could not be written" : error;
    }
    return {};
}

// Puts change in place of the file's element, by a full walk's layout.
std::string Rewrite(CSongFile& file,
                    const std::function<std::string(const MatroskaLayout&,
                                                    songcore::MatroskaElementChange&)>& prepare) {
    uint64_t length = file.GetLength();
    if (length == CSongFile::kBadLength) {
        return "cannot read the file";
    }
    songcore::ReadExactFn read = songcore::SongFileReaderWithoutReadAhead(file);
    std::optional<MatroskaLayout> layout = MatroskaLayout::Read(read, length, true);
    if (!layout) {
        return kNotMatroska;
    }
    songcore::MatroskaElementChange change;
    if (std::string why = prepare(*layout, change); !why.empty()) {
        return why;
    }
    std::vector<songcore::MatroskaPatch> patches;
    std::string why;
    if (!songcore::PlanMatroskaElementWrite(read, length, *layout, change, patches, why)) {
        return std::string("the Matroska file cannot take its new ") + change.what +
               " safely: " + why;
    }
    return ApplyPatches(file, length, patches);
}

// Writes the tags edit makes of the file's own; empty, or why not (edit's
// own reason, when it refuses).
std::string RewriteTags(CSongFile& file,
                        const std::function<std::string(MatroskaTags&, const std::string&)>& edit) {
    MatroskaTags tags;
    return Rewrite(
        file, [&](const MatroskaLayout& layout, songcore::MatroskaElementChange& change) {
            std::optional<MatroskaTags> old = ReadTags(file, layout);
            if (!old) {
                return std::string("the file's Tags element is damaged; it was not written");
            }
            tags = std::move(*old);
            if (std::string why = edit(tags, InfoTitle(file, layout)); !why.empty()) {
                return why;
            }
            change = {songcore::ebml::kTags, "tags", !tags.HasSimpleTags(),
                      [&tags](int extra) { return tags.Serialize(extra); }};
            return std::string();
        });
}

// Replaces the cover attachments by pictures; empty, or why not.
std::string RewriteCovers(CSongFile& file, const std::vector<songcore::Picture>& pictures) {
    std::vector<uint8_t> children;
    return Rewrite(
        file, [&](const MatroskaLayout& layout, songcore::MatroskaElementChange& change) {
            std::vector<uint8_t> body;
            std::optional<EbmlElement> old = layout.Find(songcore::ebml::kAttachments);
            if (old && !ReadBody(file, *old, body)) {
                return std::string("the file's attachments cannot be read (over 64 MiB?)");
            }
            std::string why;
            std::optional<std::vector<uint8_t>> made =
                songcore::MatroskaAttachmentsWithCovers(body, pictures, why);
            if (!made) {
                return why;
            }
            children = std::move(*made);
            change = {songcore::ebml::kAttachments, "attachments", children.empty(),
                      [&children](int extra) {
                          songcore::ByteWriter out;
                          songcore::AppendEbmlMaster(out, songcore::ebml::kAttachments, children,
                                                     false, extra);
                          return out.take();
                      }};
            return std::string();
        });
}

}  // namespace

int CSongFileInfo::GetMatroskaInfo() {
    Init();
    std::optional<MatroskaLayout> layout = ReadLayout(*this, false);
    if (!layout) {
        return 0;
    }
    std::optional<MatroskaTags> tags = ReadTags(*this, *layout);
    if (!tags) {
        return 0;
    }
    songcore::ReadMatroskaFields(*tags, InfoTitle(*this, *layout), fields_);
    tagKind_ = TAG_MATROSKA;
    return 1;
}

int CSongFileInfo::WriteMatroskaInfo() {
    // A picture write comes with the fields as the file holds them: only
    // the attachments change.
    if (pendingPictures_) {
        std::string why = RewriteCovers(*this, *pendingPictures_);
        return why.empty() ? 1 : Refuse(std::move(why));
    }
    const songcore::SongValues values = fields_;
    const std::optional<songcore::TagItemEdits>& items = pendingItems_;
    std::string why = RewriteTags(*this, [&](MatroskaTags& tags, const std::string& title) {
        // The items first: should they take the track level's last
        // SimpleTag, the fields are then written as the remaining tags read.
        if (items) {
            if (std::string refused = songcore::ApplyMatroskaItemEdits(tags, *items);
                !refused.empty()) {
                return refused;
            }
        }
        songcore::WriteMatroskaFields(values, title, tags);
        return std::string();
    });
    return why.empty() ? 1 : Refuse(std::move(why));
}

int CSongFileInfo::RemoveMatroskaInfo() {
    std::string why = RewriteTags(*this, [](MatroskaTags& tags, const std::string&) {
        songcore::RemoveMatroskaFields(tags);
        return std::string();
    });
    return why.empty() ? 1 : Refuse(std::move(why));
}

int CSongFileInfo::ReadMatroskaItems(std::vector<songcore::TagItem>& out) {
    std::optional<MatroskaLayout> layout = ReadLayout(*this, false);
    std::optional<MatroskaTags> tags = layout ? ReadTags(*this, *layout) : std::nullopt;
    if (!tags) {
        return 0;
    }
    out = songcore::MatroskaOtherItems(*tags);
    return 1;
}

int CSongFileInfo::ReadMatroskaPictures(std::vector<songcore::Picture>& out) {
    std::optional<MatroskaLayout> layout = ReadLayout(*this, false);
    if (!layout) {
        return 0;
    }
    std::optional<EbmlElement> attachments = layout->Find(songcore::ebml::kAttachments);
    if (!attachments) {
        return 1;
    }
    // Attachments may hold fonts and the like of any size: each file's
    // header is read, and the body only of one small enough to be a cover.
    std::vector<uint8_t> bytes;
    uint64_t at = attachments->dataOffset();
    for (size_t count = 0; at < attachments->end() && count < songcore::kEbmlMaxChildren; ++count) {
        size_t want = static_cast<size_t>(
            std::min<uint64_t>(songcore::kEbmlMaxHeaderLength, attachments->end() - at));
        if (!ReadExact(at, want, bytes)) {
            return 0;
        }
        songcore::ByteReader in(bytes);
        std::optional<EbmlElement> file = songcore::ReadEbmlHeader(in, at);
        if (!file || file->unknownSize || file->size > attachments->end() - file->dataOffset()) {
            break;  // damage: the pictures before it stay
        }
        std::vector<uint8_t> body;
        if (file->id == songcore::ebml::kAttachedFile &&
            file->size <= songcore::kMaxPictureSize + 64 * 1024 && ReadBody(*this, *file, body)) {
            if (std::optional<songcore::Picture> picture = songcore::MatroskaCoverPicture(body)) {
                out.push_back(std::move(*picture));
            }
        }
        at = file->end();
    }
    return 1;
}

void songcore::AddMatroskaStreamProperties(CSongFileInfo& song, StreamProperties& out) {
    std::optional<MatroskaLayout> layout = ReadLayout(song, false);
    if (!layout) {
        return;
    }
    MatroskaAudio audio = ReadAudio(song, *layout);
    if (!audio.hasTrack) {
        return;
    }
    out.add("codec", audio.CodecName());
    out.add("channels", static_cast<int64_t>(audio.channels));
    out.add("sample_rate", static_cast<int64_t>(std::llround(audio.sampleRate)));
    if (audio.bitDepth > 0) {
        out.add("bits_per_sample", static_cast<int64_t>(audio.bitDepth));
    }
    if (audio.seconds >= 0.001) {
        out.add("length_seconds", audio.seconds);
        const uint64_t bytes = layout->segmentEnd - layout->segment.dataOffset();
        out.add("bitrate_kbps",
                static_cast<int64_t>(static_cast<double>(bytes) * 8 / audio.seconds / 1000));
    }
}
