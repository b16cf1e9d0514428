#include "support/PicturePeers.h"

#include <unistd.h>

#include <cstdio>
#include <sstream>

#include "songcore/util/Hex.h"
#include "support/TestSupport.h"

namespace testsupport {
namespace {

std::string Script() {
    return ReadFileText(std::string(TUNEMOSS_TEST_SUPPORT) + "/pictures_peer.py");
}

std::string HexOf(const std::string& text) {
    std::string out;
    for (char c : text) {
        songcore::AppendHexByte(out, static_cast<uint8_t>(c));
    }
    return out;
}

std::string Sha1Hex(const std::vector<uint8_t>& data) {
    std::string file = "/tmp/tunemoss-picture-" + std::to_string(::getpid()) + ".bin";
    WriteFileBytes(file, data);
    RunResult result = Run({"sha1sum", file});
    std::remove(file.c_str());
    return result.out.substr(0, result.out.find(' '));
}

}  // namespace

std::string PictureLine(const songcore::Picture& picture) {
    return std::to_string(picture.type) + "\t" + picture.mime + "\t" + HexOf(picture.description) +
           "\t" + Sha1Hex(picture.data);
}

std::vector<std::string> MutagenPictureLines(const std::string& kind, const std::string& path) {
    RunResult result = RunPython(Script(), {"list", kind, path});
    if (result.status != 0) {
        return {"error: " + result.err};
    }
    std::vector<std::string> lines;
    std::istringstream in(result.out);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string MutagenAddPicture(const std::string& kind, const std::string& path,
                              const std::string& image, int type, const std::string& description) {
    RunResult result =
        RunPython(Script(), {"add", kind, path, image, std::to_string(type), description});
    return result.status == 0 ? "" : "mutagen: " + result.err;
}

}  // namespace testsupport
