#pragma once
// Checks of rewritten media files by independent tools (ffmpeg, ffprobe,
// mutagen), shared by the ASF and RealMedia tests.

#include <map>
#include <string>

namespace testsupport {

// Empty when ffmpeg decodes the whole file without a complaint; otherwise
// what it said (or that it could not be run).
std::string FfmpegDecodeErrors(const std::string& path);

// The container tags ffprobe reads, by name.
std::map<std::string, std::string> FfprobeTags(const std::string& path);

// Every ASF attribute mutagen reads, as "name" -> repr of its value list, so
// that carried-over items can be compared before and after a write.
std::map<std::string, std::string> MutagenAsfTags(const std::string& path);

}  // namespace testsupport
