#include "support/VorbisTestSupport.h"

#include <algorithm>
#include <sstream>

#include "songcore/tags/ogg/OggHeaders.h"
#include "songcore/util/ReadExact.h"
#include "support/TestSupport.h"

namespace testsupport {

bool HasItem(const std::vector<std::string>& items, const std::string& item) {
    return std::find(items.begin(), items.end(), item) != items.end();
}

int64_t StreamNumber(const songcore::StreamProperties& stream, const std::string& key) {
    const songcore::StreamProperty* item = stream.find(key);
    return item ? std::get<int64_t>(item->value) : -1;
}

MutagenComments ReadWithMutagen(const std::string& path, const std::string& kind) {
    static const char* kScript = R"PY(
import json, sys
from mutagen.oggvorbis import OggVorbis
from mutagen.oggopus import OggOpus
from mutagen.oggflac import OggFLAC
from mutagen.flac import FLAC
kinds = {"ogg": OggVorbis, "opus": OggOpus, "oggflac": OggFLAC, "flac": FLAC}
f = kinds[sys.argv[2]](sys.argv[1])
def out(text):
    sys.stdout.buffer.write((json.dumps(text, ensure_ascii=False) + "\n").encode("utf-8"))
out(f.tags.vendor)
for key, value in f.tags:
    out(key + "=" + value)
)PY";
    MutagenComments result;
    RunResult run = RunPython(kScript, {path, kind});
    if (run.status != 0) {
        result.error = run.err;
        return result;
    }
    // Each line is one JSON string; decode the few escapes json.dumps uses.
    auto decode = [](const std::string& line) {
        std::string out;
        for (size_t i = 1; i + 1 < line.size(); ++i) {
            if (line[i] != '\\') {
                out += line[i];
                continue;
            }
            char c = line[++i];
            if (c == 'n') {
                out += '\n';
            } else if (c == 't') {
                out += '\t';
            } else if (c == 'u') {
                unsigned code = std::stoul(line.substr(i + 1, 4), nullptr, 16);
                i += 4;
                if (code < 0x80) {
                    out += static_cast<char>(code);
                } else if (code < 0x800) {
                    out += static_cast<char>(0xC0 | code >> 6);
                    out += static_cast<char>(0x80 | (code & 0x3F));
                } else {
                    out += static_cast<char>(0xE0 | code >> 12);
                    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
                    out += static_cast<char>(0x80 | (code & 0x3F));
                }
            } else {
                out += c;
            }
        }
        return out;
    };
    std::istringstream lines(run.out);
    std::string line;
    bool first = true;
    while (std::getline(lines, line)) {
        if (first) {
            result.vendor = decode(line);
            first = false;
        } else {
            result.items.push_back(decode(line));
        }
    }
    result.ok = !first;
    return result;
}

bool EditWithMutagen(const std::string& path, const std::string& kind,
                     const std::string& statements) {
    std::string script =
        "import sys\n"
        "from mutagen.oggvorbis import OggVorbis\n"
        "from mutagen.oggopus import OggOpus\n"
        "from mutagen.oggflac import OggFLAC\n"
        "from mutagen.flac import FLAC\n"
        "kinds = {'ogg': OggVorbis, 'opus': OggOpus, 'oggflac': OggFLAC, 'flac': FLAC}\n"
        "f = kinds[sys.argv[2]](sys.argv[1])\n" +
        statements + "\nf.save()\n";
    return RunPython(script, {path, kind}).status == 0;
}

std::vector<uint8_t> OggWithCommentPacket(const std::vector<uint8_t>& bytes,
                                          const std::vector<uint8_t>& packet) {
    auto headers = songcore::ReadOggHeaders(songcore::SpanReader(bytes), true);
    if (!headers) {
        return {};
    }
    auto second = songcore::RewriteSecondPage(*headers, packet);
    if (!second) {
        return {};
    }
    std::vector<uint8_t> out(bytes.begin(),
                             bytes.begin() + static_cast<ptrdiff_t>(headers->first.size()));
    std::vector<uint8_t> page = second->Serialize();
    out.insert(out.end(), page.begin(), page.end());
    size_t after = headers->pageOffsets[0] + headers->pages[0].size();
    out.insert(out.end(), bytes.begin() + static_cast<ptrdiff_t>(after), bytes.end());
    return out;
}

std::vector<uint8_t> OggWithComments(const std::vector<uint8_t>& bytes,
                                     const songcore::VorbisComments& comments) {
    return OggWithCommentPacket(bytes, songcore::BuildVorbisCommentPacket(comments));
}

void ReplaceOrAddItem(std::vector<std::string>& items, const std::string& item) {
    std::string key = songcore::VorbisComments::KeyOf(item);
    auto at = std::find_if(items.begin(), items.end(), [&](const std::string& old) {
        return songcore::VorbisComments::KeyOf(old) == key;
    });
    if (at == items.end()) {
        items.push_back(item);
    } else {
        *at = item;
    }
}

std::string OggInfoProblems(const std::string& path) {
    RunResult run = Run({"ogginfo", path});
    std::string all = run.out + run.err;
    bool bad = run.status != 0 || all.find("WARNING") != std::string::npos ||
               all.find("ERROR") != std::string::npos || all.find("Warning") != std::string::npos;
    return bad ? all : std::string();
}

std::vector<uint8_t> DecodeOgg(const std::string& path) {
    TempDir dir;  // never beside the file: the samples' folder stays clean
    std::string out = dir.file("decoded.raw");
    RunResult run = Run({"oggdec", "-Q", "-R", "-o", out, path});
    if (run.status != 0) {
        return {};
    }
    return ReadFileBytes(out);
}

bool FlacTestPasses(const std::string& path) {
    return Run({"flac", "-t", "-s", path}).status == 0;
}

std::string FfmpegDecodeProblems(const std::string& path) {
    RunResult run = Run({"ffmpeg", "-nostdin", "-v", "error", "-i", path, "-f", "null", "-"});
    if (run.status != 0 && run.err.empty()) {
        return "ffmpeg failed";
    }
    return run.err;
}

std::vector<std::string> MetaflacBlockTypes(const std::string& path) {
    RunResult run = Run({"metaflac", "--list", path});
    std::vector<std::string> types;
    std::istringstream lines(run.out);
    std::string line;
    const std::string marker = "  type: ";
    while (std::getline(lines, line)) {
        // Block lines read "  type: 4 (VORBIS_COMMENT)"; picture lines have the
        // same prefix but follow a "METADATA block" line, so take the first
        // type after each block heading.
        if (line.rfind("METADATA block", 0) == 0) {
            types.push_back("");
        } else if (line.rfind(marker, 0) == 0 && !types.empty() && types.back().empty()) {
            size_t open = line.find('(');
            size_t close = line.find(')');
            types.back() = line.substr(open + 1, close - open - 1);
        }
    }
    return types;
}

std::vector<PageSpan> OggPageSpans(const std::vector<uint8_t>& file) {
    std::vector<PageSpan> pages;
    size_t at = 0;
    while (at + 27 <= file.size() && file[at] == 'O' && file[at + 1] == 'g') {
        size_t segments = file[at + 26];
        if (at + 27 + segments > file.size()) {
            break;
        }
        size_t body = 0;
        for (size_t i = 0; i < segments; ++i) {
            body += file[at + 27 + i];
        }
        pages.push_back({at, 27 + segments + body});
        at += 27 + segments + body;
    }
    return pages;
}

}  // namespace testsupport
