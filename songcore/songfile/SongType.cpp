#include "songcore/songfile/SongType.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <span>
#include <utility>

#include "songcore/util/Text.h"

std::string GetFileExt(std::string path) {
    size_t dot = path.rfind('.');
    return dot == std::string::npos ? std::string() : path.substr(dot + 1);
}

uint32_t GetSongType(std::string path) {
    std::string trimmed = songcore::Trim(path);
    uint32_t type = IsInternetLocation(trimmed) ? SONG_TYPE_INTERNET : SONG_TYPE_LOCAL;
    static constexpr std::array<std::pair<std::string_view, uint32_t>, 31> kExtensions = {{
        {"mp3", SONG_TYPE_MPA},       {"mp2", SONG_TYPE_MPA},      {"mp1", SONG_TYPE_MPA},
        {"mp4", SONG_TYPE_MP4},       {"m4a", SONG_TYPE_MP4},      {"m4p", SONG_TYPE_MP4},
        {"3gp", SONG_TYPE_MP4},       {"ogg", SONG_TYPE_OGG},      {"rm", SONG_TYPE_RM},
        {"ra", SONG_TYPE_RM},         {"wma", SONG_TYPE_ASF},      {"wmv", SONG_TYPE_ASF},
        {"asf", SONG_TYPE_ASF},       {"aac", SONG_TYPE_AAC},      {"flac", SONG_TYPE_FLAC},
        {"ape", SONG_TYPE_APE},       {"apl", SONG_TYPE_APE},      {"mpc", SONG_TYPE_MPC},
        {"mp+", SONG_TYPE_MPC},       {"opus", SONG_TYPE_OGG},     {"oga", SONG_TYPE_OGG},
        {"wav", SONG_TYPE_WAV},       {"wave", SONG_TYPE_WAV},     {"aif", SONG_TYPE_AIFF},
        {"aiff", SONG_TYPE_AIFF},     {"aifc", SONG_TYPE_AIFF},    {"dsf", SONG_TYPE_DSF},
        {"wv", SONG_TYPE_WAVPACK},    {"mka", SONG_TYPE_MATROSKA}, {"mkv", SONG_TYPE_MATROSKA},
        {"webm", SONG_TYPE_MATROSKA},
    }};
    std::string ext = GetFileExt(trimmed);
    // Extensions are at most four characters; anything longer matches nothing.
    if (ext.empty() || ext.size() > 4) {
        return type;
    }
    // An ASCII extension (nearly every one) needs no Unicode case folding.
    bool ascii = std::all_of(ext.begin(), ext.end(),
                             [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    for (const auto& [name, bit] : kExtensions) {
        if (ascii ? songcore::EqualsIgnoreCaseAscii(ext, name)
                  : songcore::EqualsIgnoreCase(ext, name)) {
            return type | bit;
        }
    }
    return type;
}

uint32_t InvertValue(uint32_t value) {
    return __builtin_bswap32(value);
}

uint16_t InvertValue(uint16_t value) {
    return __builtin_bswap16(value);
}

std::string UnicodeToString(const char16_t* text) {
    if (text == nullptr) {
        return std::string();
    }
    size_t units = 0;
    while (text[units] != 0) {
        ++units;
    }
    std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text), units * 2);
    return songcore::Utf16LeToUtf8(bytes);
}

int StringToUnicode(const std::string& text, uint8_t* buffer) {
    std::vector<uint8_t> utf16 = songcore::Utf8ToUtf16Le(text);
    int needed = static_cast<int>(utf16.size() + 2);
    if (buffer != nullptr) {
        std::memcpy(buffer, utf16.data(), utf16.size());
        buffer[utf16.size()] = 0;
        buffer[utf16.size() + 1] = 0;
    }
    return needed;
}

uint32_t DoubleToLong(uint64_t field) {
    uint8_t bytes[8];
    std::memcpy(bytes, &field, 8);
    return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 |
           uint32_t{bytes[3]} << 24;
}

uint64_t LongToDouble(int32_t value) {
    uint8_t bytes[8] = {};
    uint32_t v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<uint8_t>(v >> (8 * i));
    }
    uint64_t field;
    std::memcpy(&field, bytes, 8);
    return field;
}
