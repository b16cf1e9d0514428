// DSF files: the ID3v2 tag at the offset the header gives, which runs to
// the end of the file. A write replaces it there (or appends it, as mutagen
// does) and updates the header's file length and offset; the audio before
// it never moves.
#include "songcore/songfile/ContentWriter.h"
#include "songcore/songfile/SongFileReader.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"
#include "songcore/tags/TagExtents.h"
#include "songcore/tags/dsf/DsfHeader.h"

using songcore::DsfHeader;

namespace {

std::optional<DsfHeader> ReadHeader(CSongFile& file, uint64_t& length) {
    length = file.GetLength();
    if (length == CSongFile::kBadLength) {
        return std::nullopt;
    }
    return DsfHeader::Read(songcore::SongFileReader(file), length);
}

// Whether the metadata offset points past the audio and into the file.
bool TagOffsetSound(const DsfHeader& header, uint64_t length) {
    return header.metadataOffset == 0 ||
           (header.metadataOffset >= header.audioEnd() && header.metadataOffset <= length);
}

// Why the file's tag cannot be written, or empty.
std::string WriteProblem(CSongFile& file) {
    uint64_t length = 0;
    std::optional<DsfHeader> header = ReadHeader(file, length);
    if (!header) {
        return "the file is not a DSF file (its header is missing or damaged)";
    }
    if (!TagOffsetSound(*header, length)) {
        return "the file's metadata offset points into its audio or past its end";
    }
    return {};
}

}  // namespace

std::optional<CSongFileInfo::Id3v2Place> CSongFileInfo::FindDsfID3V2Place() {
    uint64_t length = 0;
    std::optional<DsfHeader> header = ReadHeader(*this, length);
    if (!header || header->metadataOffset == 0 || !TagOffsetSound(*header, length)) {
        return header ? std::optional(Id3v2Place{}) : std::nullopt;
    }
    uint64_t room = length - header->metadataOffset;
    std::vector<uint8_t> tagHeader;
    uint64_t tagLength = 0;
    if (room >= 10 && ReadExact(header->metadataOffset, 10, tagHeader)) {
        tagLength = songcore::Id3v2TagLength(tagHeader);
    }
    return Id3v2Place{header->metadataOffset, std::min(tagLength, room), room};
}

int CSongFileInfo::ReplaceDsfTag(const std::vector<uint8_t>& tag) {
    if (std::string why = WriteProblem(*this); !why.empty()) {
        return Refuse(std::move(why));
    }
    uint64_t length = 0;
    std::optional<DsfHeader> header = ReadHeader(*this, length);
    if (!header) {
        return 0;
    }
    // Without a tag the new one goes at the end of the file, as mutagen puts it.
    uint64_t start = header->metadataOffset != 0 ? header->metadataOffset : length;
    std::array<uint8_t, 16> sizes =
        DsfHeader::SizeFields(start + tag.size(), tag.empty() ? 0 : start);
    return ReplaceContents([&](songcore::ContentWriter& out) {
        return CopyRange(out, 0, DsfHeader::kTotalSizeOffset) && out.append(sizes) &&
               CopyRange(out, DsfHeader::kTotalSizeOffset + sizes.size(),
                         start - DsfHeader::kTotalSizeOffset - sizes.size()) &&
               out.append(tag);
    });
}

int CSongFileInfo::WriteDsfID3V2Info() {
    if (std::string why = WriteProblem(*this); !why.empty()) {
        return Refuse(std::move(why));
    }
    std::vector<uint8_t> tag;
    uint64_t room = 0;
    return BuildID3V2Tag(tag, room) ? ReplaceDsfTag(tag) : 0;
}

int CSongFileInfo::RemoveDsfID3V2Info() {
    uint64_t length = 0;
    std::optional<DsfHeader> header = ReadHeader(*this, length);
    if (header && header->metadataOffset == 0) {
        return 1;
    }
    return ReplaceDsfTag({});
}

void songcore::AddDsfStreamProperties(CSongFileInfo& song, StreamProperties& out) {
    uint64_t length = 0;
    std::optional<DsfHeader> header = ReadHeader(song, length);
    if (!header || header->channels == 0 || header->sampleRate == 0) {
        return;
    }
    out.add("codec", header->formatId == 0 ? "DSD" : "DSD (unknown format)");
    out.add("channels", static_cast<int64_t>(header->channels));
    out.add("sample_rate", static_cast<int64_t>(header->sampleRate));
    out.add("bits_per_sample", static_cast<int64_t>(header->bitsPerSample));
    out.add("total_samples", static_cast<int64_t>(header->sampleCount));
    out.add("bitrate_kbps",
            static_cast<int64_t>(uint64_t{header->sampleRate} * header->channels / 1000));
    out.add("length_seconds", static_cast<double>(header->sampleCount) / header->sampleRate);
}
