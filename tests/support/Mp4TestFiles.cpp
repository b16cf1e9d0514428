#include "support/Mp4TestFiles.h"

#include <sstream>

#include "support/TestSupport.h"

namespace testsupport {

namespace {

uint64_t GetU64(const std::vector<uint8_t>& bytes, size_t at) {
    return uint64_t{GetU32(bytes, at)} << 32 | GetU32(bytes, at + 4);
}

// The atoms in [begin, end); stops at anything malformed.
std::vector<std::pair<std::string, AtomSpot>> Children(const std::vector<uint8_t>& file,
                                                       size_t begin, size_t end) {
    std::vector<std::pair<std::string, AtomSpot>> out;
    size_t pos = begin;
    while (pos + 8 <= end) {
        AtomSpot spot;
        spot.offset = pos;
        uint64_t size = GetU32(file, pos);
        if (size == 1) {
            size = GetU64(file, pos + 8);
            spot.header = 16;
        } else if (size == 0) {
            size = end - pos;
        }
        if (size < spot.header || size > end - pos) {
            break;
        }
        spot.size = static_cast<size_t>(size);
        out.emplace_back(std::string(file.begin() + pos + 4, file.begin() + pos + 8), spot);
        pos += spot.size;
    }
    return out;
}

size_t ContentStart(const std::string& type, const AtomSpot& spot) {
    return spot.offset + spot.header + (type == "meta" ? 4 : 0);
}

// The chain of atoms down a path, outermost first.
std::vector<AtomSpot> Chain(const std::vector<uint8_t>& file,
                            const std::vector<std::string>& path) {
    std::vector<AtomSpot> chain;
    size_t begin = 0;
    size_t end = file.size();
    for (const std::string& type : path) {
        bool found = false;
        for (const auto& [name, spot] : Children(file, begin, end)) {
            if (name == type) {
                chain.push_back(spot);
                begin = ContentStart(type, spot);
                end = spot.offset + spot.size;
                found = true;
                break;
            }
        }
        if (!found) {
            return {};
        }
    }
    return chain;
}

}  // namespace

uint32_t GetU32(const std::vector<uint8_t>& bytes, size_t at) {
    return uint32_t{bytes.at(at)} << 24 | uint32_t{bytes.at(at + 1)} << 16 |
           uint32_t{bytes.at(at + 2)} << 8 | bytes.at(at + 3);
}

void PutU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 3; i >= 0; --i) {
        bytes.at(at + i) = static_cast<uint8_t>(value & 0xFF);
        value >>= 8;
    }
}

void PutU64(std::vector<uint8_t>& bytes, size_t at, uint64_t value) {
    PutU32(bytes, at, static_cast<uint32_t>(value >> 32));
    PutU32(bytes, at + 4, static_cast<uint32_t>(value));
}

std::optional<AtomSpot> FindAtom(const std::vector<uint8_t>& file,
                                 const std::vector<std::string>& path) {
    std::vector<AtomSpot> chain = Chain(file, path);
    if (chain.empty()) {
        return std::nullopt;
    }
    return chain.back();
}

std::vector<AtomSpot> FindChildren(const std::vector<uint8_t>& file,
                                   const std::vector<std::string>& path, std::string_view type) {
    size_t begin = 0;
    size_t end = file.size();
    if (!path.empty()) {
        std::vector<AtomSpot> chain = Chain(file, path);
        if (chain.empty()) {
            return {};
        }
        begin = ContentStart(path.back(), chain.back());
        end = chain.back().offset + chain.back().size;
    }
    std::vector<AtomSpot> out;
    for (const auto& [name, spot] : Children(file, begin, end)) {
        if (name == type) {
            out.push_back(spot);
        }
    }
    return out;
}

std::vector<uint8_t> MakeAtom(std::string_view type, const std::vector<uint8_t>& content) {
    std::vector<uint8_t> atom(8);
    PutU32(atom, 0, static_cast<uint32_t>(8 + content.size()));
    std::copy(type.begin(), type.end(), atom.begin() + 4);
    atom.insert(atom.end(), content.begin(), content.end());
    return atom;
}

void ReplaceAtom(std::vector<uint8_t>& file, const std::vector<std::string>& path,
                 const std::vector<uint8_t>& replacement) {
    std::vector<AtomSpot> chain = Chain(file, path);
    if (chain.empty()) {
        throw std::runtime_error("no such atom to replace");
    }
    AtomSpot target = chain.back();
    chain.pop_back();
    int64_t delta = static_cast<int64_t>(replacement.size()) - static_cast<int64_t>(target.size);
    file.erase(file.begin() + target.offset, file.begin() + target.offset + target.size);
    file.insert(file.begin() + target.offset, replacement.begin(), replacement.end());
    for (const AtomSpot& parent : chain) {
        PutU32(file, parent.offset, static_cast<uint32_t>(parent.size + delta));
    }
}

std::vector<uint64_t> ChunkOffsets(const std::vector<uint8_t>& file) {
    std::vector<uint64_t> offsets;
    std::optional<AtomSpot> moov = FindAtom(file, {"moov"});
    if (!moov) {
        return offsets;
    }
    for (const auto& [name, trak] :
         Children(file, moov->offset + moov->header, moov->offset + moov->size)) {
        if (name != "trak") {
            continue;
        }
        // Walk trak.mdia.minf.stbl by hand, inside this track only.
        size_t begin = trak.offset + trak.header;
        size_t end = trak.offset + trak.size;
        for (const char* step : {"mdia", "minf", "stbl"}) {
            bool found = false;
            for (const auto& [child, spot] : Children(file, begin, end)) {
                if (child == step) {
                    begin = spot.offset + spot.header;
                    end = spot.offset + spot.size;
                    found = true;
                    break;
                }
            }
            if (!found) {
                begin = end;
                break;
            }
        }
        for (const auto& [table, spot] : Children(file, begin, end)) {
            if (table != "stco" && table != "co64") {
                continue;
            }
            size_t width = table == "co64" ? 8 : 4;
            uint32_t count = GetU32(file, spot.offset + spot.header + 4);
            for (uint32_t i = 0; i < count; ++i) {
                size_t at = spot.offset + spot.header + 8 + i * width;
                offsets.push_back(width == 8 ? GetU64(file, at) : GetU32(file, at));
            }
        }
    }
    return offsets;
}

std::string FfmpegErrors(const std::string& path) {
    RunResult result = Run({"ffmpeg", "-nostdin", "-v", "error", "-i", path, "-f", "null", "-"});
    if (result.status != 0 && result.err.empty()) {
        return "ffmpeg failed with status " + std::to_string(result.status);
    }
    return result.err;
}

std::map<std::string, std::string> MutagenItems(const std::string& path) {
    static const char* kScript = R"(
import json, sys
from mutagen.mp4 import MP4
tags = MP4(sys.argv[1]).tags or {}
for key in sorted(tags.keys()):
    values = tags[key] if isinstance(tags[key], list) else [tags[key]]
    out = []
    for v in values:
        if isinstance(v, bytes):
            kind = getattr(v, "imageformat", getattr(v, "dataformat", None))
            out.append({"hex": bytes(v).hex(), "format": int(kind) if kind is not None else None})
        elif isinstance(v, tuple):
            out.append(list(v))
        else:
            out.append(v)
    print(key + "\t" + json.dumps(out, ensure_ascii=False))
)";
    RunResult result = RunPython(kScript, {path});
    std::map<std::string, std::string> items;
    if (result.status != 0) {
        items["<error>"] = result.err;
        return items;
    }
    std::istringstream lines(result.out);
    std::string line;
    while (std::getline(lines, line)) {
        size_t tab = line.find('\t');
        if (tab != std::string::npos) {
            items[line.substr(0, tab)] = line.substr(tab + 1);
        }
    }
    return items;
}

std::string TagRichlyWithMutagen(const std::string& path) {
    static const char* kScript = R"(
import struct, sys, zlib
from mutagen.mp4 import MP4, MP4Cover, MP4FreeForm
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
# A real picture: ffmpeg decodes cover art as a video stream.
png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 2, 2, 8, 2, 0, 0, 0)) +
       chunk(b"IDAT", zlib.compress(b"\0\xff\0\0\xff\0\0" * 2)) + chunk(b"IEND", b""))
f = MP4(sys.argv[1])
f["\xa9nam"] = "Rich Song"
f["\xa9ART"] = ["A1", "A2"]
f["\xa9alb"] = "Rich Album"
f["trkn"] = [(5, 12)]
f["\xa9gen"] = "Shoegaze"
f["tmpo"] = [96]
f["cpil"] = True
f["covr"] = [MP4Cover(png, imageformat=MP4Cover.FORMAT_PNG)]
f["----:com.example:mood"] = [MP4FreeForm(b"calm")]
f.save()
)";
    RunResult result = RunPython(kScript, {path});
    return result.status == 0 ? "" : "mutagen failed: " + result.err;
}

}  // namespace testsupport
