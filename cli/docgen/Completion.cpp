#include "cli/docgen/Completion.h"

#include <cctype>

#include "cli/SongExtensions.h"

namespace tunemoss::docgen {

std::vector<std::string> FileExtensions(ValueKind kind) {
    switch (kind) {
        case ValueKind::Song: {
            std::vector<std::string> extensions(1);
            for (const char* c = kAllSongExtensions; *c != '\0'; ++c) {
                if (*c == ';') {
                    extensions.emplace_back();
                } else {
                    extensions.back() +=
                        static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
                }
            }
            return extensions;
        }
        case ValueKind::Image:
            return {"jpg", "jpeg", "png", "gif", "bmp", "webp"};
        case ValueKind::PlayList:
            return {"m3u", "m3u8", "pls", "sdf", "pl"};
        case ValueKind::Database:
            return {"sdf"};
        default:
            return {};
    }
}

std::string Join(const std::vector<std::string>& words, const std::string& separator) {
    std::string out;
    for (const std::string& word : words) {
        out += (out.empty() ? "" : separator) + word;
    }
    return out;
}

}  // namespace tunemoss::docgen
