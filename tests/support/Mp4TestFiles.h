#pragma once
// Byte surgery on MP4 sample files for the tests, with its own small atom
// walker so that the checks do not lean on the code under test; and the
// independent readers (ffmpeg, mutagen) that judge what was written.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

struct AtomSpot {
    size_t offset = 0;  // first header byte
    size_t size = 0;    // whole atom
    size_t header = 8;  // 8, or 16 with a 64-bit size
};

// The atom at a path of types from the top of the file, e.g. {"moov",
// "udta", "meta"}; the version word of a meta atom is skipped.
std::optional<AtomSpot> FindAtom(const std::vector<uint8_t>& file,
                                 const std::vector<std::string>& path);
// Every atom of a type among the children of the atom at path (the file's
// top level for an empty path).
std::vector<AtomSpot> FindChildren(const std::vector<uint8_t>& file,
                                   const std::vector<std::string>& path, std::string_view type);

std::vector<uint8_t> MakeAtom(std::string_view type, const std::vector<uint8_t>& content);
// Replaces the atom at path (removes it when replacement is empty) and
// corrects the 32-bit sizes of the atoms that enclose it.
void ReplaceAtom(std::vector<uint8_t>& file, const std::vector<std::string>& path,
                 const std::vector<uint8_t>& replacement);

uint32_t GetU32(const std::vector<uint8_t>& bytes, size_t at);
void PutU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value);
void PutU64(std::vector<uint8_t>& bytes, size_t at, uint64_t value);

// Every entry of the chunk offset tables (stco and co64) of every track.
std::vector<uint64_t> ChunkOffsets(const std::vector<uint8_t>& file);

// Decodes the whole file with ffmpeg; the errors it printed, or "" when clean.
std::string FfmpegErrors(const std::string& path);
// mutagen's view of the tags: item key -> its values as JSON text (binary
// values as hex with their format).
std::map<std::string, std::string> MutagenItems(const std::string& path);

// Tags path with mutagen the way a collection often has it: two artists,
// track 5 of 12, the genre "Shoegaze" as text, tempo, compilation, a cover,
// a freeform item and the padding mutagen leaves in a free atom. "" when
// done, else mutagen's complaint.
std::string TagRichlyWithMutagen(const std::string& path);

}  // namespace testsupport
