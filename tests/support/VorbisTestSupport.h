#pragma once
// Helpers for the Ogg and FLAC tests, and what independent tools (mutagen,
// ogginfo, oggdec, flac, metaflac) make of a file.

#include <cstdint>
#include <string>
#include <vector>

#include "songcore/tags/StreamProperties.h"
#include "songcore/tags/ogg/VorbisComments.h"

namespace testsupport {

// True when the comment items hold item exactly.
bool HasItem(const std::vector<std::string>& items, const std::string& item);

// A whole-number stream property, or -1 when there is none.
int64_t StreamNumber(const songcore::StreamProperties& stream, const std::string& key);

// Every comment item as mutagen reads it, "KEY=value" in file order (keys as
// stored), and the vendor. kind: "ogg" (Vorbis), "opus", "oggflac" or "flac". ok is false when
// mutagen fails to read the file.
struct MutagenComments {
    bool ok = false;
    std::string vendor;
    std::vector<std::string> items;
    std::string error;
};
MutagenComments ReadWithMutagen(const std::string& path, const std::string& kind);

// Runs Python statements on f, the file opened by mutagen (kind as above),
// then saves it; true when that worked.
bool EditWithMutagen(const std::string& path, const std::string& kind,
                     const std::string& statements);

// An Ogg Vorbis file with its comment header replaced by comments, without
// room after them (the comment header must start the second page alone).
std::vector<uint8_t> OggWithComments(const std::vector<uint8_t>& file,
                                     const songcore::VorbisComments& comments);

// An Ogg file with its comment packet replaced by packet, which must start
// the second page alone and fit on it with what follows it there; empty when
// it does not.
std::vector<uint8_t> OggWithCommentPacket(const std::vector<uint8_t>& file,
                                          const std::vector<uint8_t>& packet);

// Replaces the first item of item's key (letter case ignored), or appends it.
void ReplaceOrAddItem(std::vector<std::string>& items, const std::string& item);

// ogginfo's output when it reports an error or a warning, else empty.
std::string OggInfoProblems(const std::string& path);
// The decoded audio of an Ogg Vorbis file (oggdec, raw samples), empty on failure.
std::vector<uint8_t> DecodeOgg(const std::string& path);
// flac -t passes.
bool FlacTestPasses(const std::string& path);
// What ffmpeg says when it decodes the whole file: empty when it has no
// complaint.
std::string FfmpegDecodeProblems(const std::string& path);
// The block types metaflac lists, in order ("STREAMINFO", "PADDING", ...).
std::vector<std::string> MetaflacBlockTypes(const std::string& path);

// Offsets and lengths of the Ogg pages of a file, by a walk of its own.
struct PageSpan {
    size_t offset = 0;
    size_t size = 0;
};
std::vector<PageSpan> OggPageSpans(const std::vector<uint8_t>& file);

}  // namespace testsupport
