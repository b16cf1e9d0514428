#include "support/TagPeers.h"

#include <vector>

#include "support/TestSupport.h"

namespace testsupport {
namespace {

// Compares "name=value" arguments with the dict `got` the script built.
const char* kCompare = R"(
bad = []
for arg in sys.argv[2:]:
    name, value = arg.split("=", 1)
    if got.get(name) != value:
        bad.append("%s: mutagen has %r, expected %r" % (name, got.get(name), value))
print("\n".join(bad))
)";

const char* kReadId3 = R"(
import sys
from mutagen.id3 import ID3
t = ID3(sys.argv[1])
def text(fid):
    frames = t.getall(fid)
    return str(frames[0].text[0]) if frames else ""
def described(fid):
    frames = t.getall(fid)
    empty = [f for f in frames if f.desc == ""]
    chosen = (empty or frames or [None])[0]
    if chosen is None:
        return ""
    value = chosen.url if fid == "WXXX" else chosen.text
    return str(value if isinstance(value, str) else value[0])
got = {"title": text("TIT2"), "artist": text("TPE1"), "albumartist": text("TPE2"),
       "album": text("TALB"),
       "track": text("TRCK"), "year": text("TDRC"), "comment": described("COMM"),
       "genre": text("TCON"), "encodedby": text("TENC"), "copyright": text("TCOP"),
       "url": described("WXXX"), "composer": text("TCOM"), "origartist": text("TOPE"),
       "lyrics": described("USLT")}
)";

const char* kCarriedId3 = R"(
import sys
from mutagen.id3 import ID3
fields = {"TIT2", "TPE1", "TPE2", "TALB", "TRCK", "TDRC", "TYER", "TCON", "TENC", "TCOP",
          "TCOM", "TOPE"}
def is_field(key):
    return key in fields or key.startswith(("COMM::", "USLT::")) or key == "WXXX:"
before, after = ID3(sys.argv[1]), ID3(sys.argv[2])
bad = []
for key, frame in before.items():
    if is_field(key):
        continue
    if key not in after:
        bad.append("%s is missing" % key)
    elif after[key]._writeData() != frame._writeData():
        bad.append("%s changed" % key)
print("\n".join(bad))
)";

const char* kReadApe = R"(
import sys
from mutagen.apev2 import APEv2
t = APEv2(sys.argv[1])
keys = {"title": "Title", "artist": "Artist", "albumartist": "Album Artist", "album": "Album",
        "genre": "Genre", "year": "Year", "track": "Track", "comment": "Comment", "copyright": "Copyright",
        "composer": "Composer", "url": "Publisher URL", "origartist": "Artist URL",
        "organization": "Publisher", "lyrics": "Lyrics"}
got = {name: (str(t[key]).split("\0")[0] if key in t else "") for name, key in keys.items()}
)";

const char* kCarriedApe = R"(
import sys
from mutagen.apev2 import APEv2
fields = {"title", "artist", "album artist", "album", "genre", "year", "track", "comment",
          "copyright", "composer", "publisher url", "artist url", "publisher", "lyrics"}
before, after = APEv2(sys.argv[1]), APEv2(sys.argv[2])
bad = []
for key, value in before.items():
    if key.lower() in fields:
        continue
    if key not in after:
        bad.append("%s is missing" % key)
    elif after[key].kind != value.kind or after[key]._write() != value._write():
        bad.append("%s changed" % key)
print("\n".join(bad))
)";

std::string RunCheck(const std::string& script, std::vector<std::string> args) {
    RunResult result = RunPython(script, args);
    if (result.status != 0) {
        return "mutagen failed: " + result.err;
    }
    std::string out = result.out;
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) {
        out.pop_back();
    }
    return out;
}

std::string CheckFields(const char* read, const std::string& path, const PeerFields& expected) {
    std::vector<std::string> args = {path};
    for (const auto& [name, value] : expected) {
        args.push_back(name + "=" + value);
    }
    return RunCheck(std::string(read) + kCompare, args);
}

}  // namespace

std::string MutagenId3Mismatch(const std::string& path, const PeerFields& expected) {
    return CheckFields(kReadId3, path, expected);
}

std::string MutagenId3CarriedMismatch(const std::string& before, const std::string& after) {
    return RunCheck(kCarriedId3, {before, after});
}

std::string MutagenApeMismatch(const std::string& path, const PeerFields& expected) {
    return CheckFields(kReadApe, path, expected);
}

std::string MutagenApeCarriedMismatch(const std::string& before, const std::string& after) {
    return RunCheck(kCarriedApe, {before, after});
}

}  // namespace testsupport
