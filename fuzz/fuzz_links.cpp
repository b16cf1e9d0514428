// Runs the result-page link scanner and the request path filler over
// arbitrary text. The first line is the extension list (kept short, as a
// real one is), the rest is the page; every link reported must be a piece
// of its line that starts with a scheme and ends with a listed extension.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "songcore/search/ResultPage.h"

namespace {

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != prefix[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    size_t newline = input.find('\n');
    std::string_view extensions = input.substr(0, newline).substr(0, 64);
    std::string_view page = newline == std::string_view::npos ? "" : input.substr(newline + 1);

    while (!page.empty()) {
        size_t end = page.find('\n');
        std::string_view line = page.substr(0, end);
        page = end == std::string_view::npos ? "" : page.substr(end + 1);
        songcore::FindSongLinks(
            line, extensions, [] { return true; },
            [&](std::string_view link) {
                const char* begin = line.data();
                const char* end = begin + line.size();
                bool inside = link.data() >= begin && link.data() + link.size() <= end;
                bool scheme = StartsWithIgnoreCase(link, "http://") ||
                              StartsWithIgnoreCase(link, "https://") ||
                              StartsWithIgnoreCase(link, "mms://") ||
                              StartsWithIgnoreCase(link, "rtsp://");
                if (!inside || !scheme || link.find('.') == std::string_view::npos) {
                    std::abort();
                }
            });
    }

    std::string path = songcore::FillRequestPath(input.substr(0, 256), input.substr(size / 2),
                                                 static_cast<uint32_t>(size));
    for (char c : path) {
        auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F) {
            std::abort();  // would break the request line
        }
    }
    return 0;
}
