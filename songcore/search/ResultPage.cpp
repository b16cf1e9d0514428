#include "songcore/search/ResultPage.h"
#include "songcore/util/Hex.h"

#include <array>

namespace songcore {
namespace {

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower;
}

void AppendEncoded(std::string& out, std::string_view text, std::string_view alsoEncode) {
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F || alsoEncode.find(c) != std::string_view::npos) {
            out += '%';
            AppendHexByte(out, byte);
        } else {
            out += c;
        }
    }
}

constexpr std::array<std::string_view, 4> kSchemes = {"http://", "https://", "mms://", "rtsp://"};

}  // namespace

std::string FillRequestPath(std::string_view format, std::string_view query, uint32_t offset) {
    std::string path;
    size_t literal = 0;  // start of the template text not yet copied
    auto flush = [&](size_t end) {
        AppendEncoded(path, format.substr(literal, end - literal), "");
    };
    for (size_t i = 0; i + 1 < format.size(); ++i) {
        if (format[i] != '%') {
            continue;
        }
        char kind = format[i + 1];
        if (kind != 's' && kind != 'd' && kind != '%') {
            continue;
        }
        flush(i);
        if (kind == 's') {
            AppendEncoded(path, query, "\"#<>\\^`{|}");
        } else if (kind == 'd') {
            path += std::to_string(offset);
        } else {
            path += '%';
        }
        ++i;
        literal = i + 1;
    }
    flush(format.size());
    return path;
}

size_t FindSongLinks(std::string_view line, std::string_view extensions,
                     const std::function<bool()>& keepGoing,
                     const std::function<void(std::string_view link)>& report) {
    // Offsets in the lowered copy are offsets in the line: lowering ASCII
    // keeps every byte in place.
    const std::string lower = LowerAscii(line);
    const std::string list = LowerAscii(extensions);
    const std::string_view text(lower);
    size_t count = 0;
    size_t from = 0;  // the rest of the line after the last link found
    size_t pos = 0;
    while (pos < list.size() && keepGoing()) {
        size_t semi = list.find(';', pos);
        size_t end = semi == std::string::npos ? list.size() : semi;
        if (end == pos) {
            break;
        }
        std::string dotted = "." + list.substr(pos, end - pos);
        pos = end + 1;

        size_t hit = text.rfind(dotted);
        if (hit == std::string_view::npos || hit < from) {
            continue;
        }
        size_t linkEnd = hit + dotted.size();
        // The scheme must come before the extension, so an odd extension
        // that itself holds "://" cannot make a link that lacks it.
        std::string_view head = text.substr(from, hit - from);
        size_t start = std::string_view::npos;
        for (std::string_view scheme : kSchemes) {
            size_t at = head.rfind(scheme);
            if (at != std::string_view::npos && (start == std::string_view::npos || at > start)) {
                start = at;
            }
        }
        if (start == std::string_view::npos) {
            continue;
        }
        start += from;
        report(line.substr(start, linkEnd - start));
        ++count;
        from = linkEnd;
    }
    return count;
}

}  // namespace songcore
