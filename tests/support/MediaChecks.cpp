#include "support/MediaChecks.h"

#include <sstream>

#include "support/TestSupport.h"

namespace testsupport {
namespace {

// Lines of "key=value" into a map; the first "=" splits.
std::map<std::string, std::string> ParseKeyValues(const std::string& text,
                                                  const std::string& prefix) {
    std::map<std::string, std::string> values;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(prefix, 0) != 0) {
            continue;
        }
        line = line.substr(prefix.size());
        size_t eq = line.find('=');
        if (eq != std::string::npos) {
            values[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return values;
}

}  // namespace

std::string FfmpegDecodeErrors(const std::string& path) {
    RunResult result = Run({"ffmpeg", "-nostdin", "-v", "error", "-i", path, "-f", "null", "-"});
    if (result.status != 0) {
        return "ffmpeg failed (" + std::to_string(result.status) + "): " + result.err;
    }
    return result.err;
}

std::map<std::string, std::string> FfprobeTags(const std::string& path) {
    RunResult result = Run({"ffprobe", "-v", "error", "-show_entries", "format_tags", "-of",
                            "default=noprint_wrappers=1", path});
    return ParseKeyValues(result.out, "TAG:");
}

std::map<std::string, std::string> MutagenAsfTags(const std::string& path) {
    RunResult result = RunPython(
        "import sys\n"
        "from mutagen.asf import ASF\n"
        "f = ASF(sys.argv[1])\n"
        "for key, values in f.tags.items():\n"
        "    print(key + '=' + repr([(type(v).__name__, v.value) for v in values]))\n",
        {path});
    return ParseKeyValues(result.out, "");
}

}  // namespace testsupport
