// tunemoss show: prints the tags and stream properties of song files.
#include <cstdio>
#include <iostream>
#include <sstream>

#include "cli/Command.h"
#include "cli/Json.h"
#include "cli/Options.h"
#include "cli/SongFields.h"
#include "cli/TerminalText.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"
#include "songcore/tags/TagKinds.h"
#include "songcore/util/NetworkDeadline.h"

namespace tunemoss {

using songcore::FindTagKindByMask;
using songcore::TagKind;
namespace {

std::string TypeName(uint32_t type) {
    static const std::pair<uint32_t, const char*> kNames[] = {
        {SONG_TYPE_MPA, "MPEG audio"},    {SONG_TYPE_OGG, "Ogg"},
        {SONG_TYPE_MP4, "MP4"},           {SONG_TYPE_RM, "RealMedia"},
        {SONG_TYPE_ASF, "Windows Media"}, {SONG_TYPE_AAC, "AAC"},
        {SONG_TYPE_FLAC, "FLAC"},         {SONG_TYPE_APE, "Monkey's Audio"},
        {SONG_TYPE_MPC, "Musepack"},      {SONG_TYPE_WAV, "WAV"},
        {SONG_TYPE_AIFF, "AIFF"},         {SONG_TYPE_DSF, "DSF"},
        {SONG_TYPE_WAVPACK, "WavPack"},   {SONG_TYPE_MATROSKA, "Matroska"}};
    std::string where = (type & SONG_TYPE_INTERNET) ? "internet" : "local";
    for (const auto& [bit, name] : kNames) {
        if (type & bit) {
            return where + ", " + name;
        }
    }
    return where + ", unknown format";
}

std::string StreamJson(const songcore::StreamProperties& stream) {
    JsonObject object;
    for (const auto& item : stream.items()) {
        std::visit([&](const auto& value) { object.add(item.key, value); }, item.value);
    }
    return object.str();
}

std::string StreamValueText(const songcore::StreamProperty& item) {
    return std::visit(
        [](const auto& value) -> std::string {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, std::string>) {
                return value;
            } else if constexpr (std::is_same_v<T, bool>) {
                return value ? "yes" : "no";
            } else if constexpr (std::is_same_v<T, double>) {
                char text[32];
                std::snprintf(text, sizeof text, "%.3f", value);
                return text;
            } else {
                return std::to_string(value);
            }
        },
        item.value);
}

void PrintJson(const std::string& path, CSongFileInfo& info, bool read,
               const songcore::StreamProperties& stream, const std::string& error) {
    JsonObject object;
    object.add("path", path);
    object.add("song_type", static_cast<int64_t>(info.GetSongType()));
    const TagKind* kind = read ? FindTagKindByMask(info.GetTagKind()) : nullptr;
    if (kind) {
        object.add("tag", kind->label);
    } else {
        object.addNull("tag");
    }
    for (const ShownField& field : DescribeFields(info)) {
        if (field.numeric) {
            object.add(field.key, static_cast<int64_t>(field.number));
        } else {
            object.add(field.key, field.text);
        }
    }
    if (stream.empty()) {
        object.addNull("stream");
    } else {
        object.addRaw("stream", StreamJson(stream));
    }
    if (error.empty()) {
        object.addNull("error");
    } else {
        object.add("error", error);
    }
    std::cout << object.str() << "\n";
}

void PrintText(const std::string& path, CSongFileInfo& info, bool read,
               const songcore::StreamProperties& stream) {
    std::ostringstream out;
    out << EscapeForTerminal(path) << "\n";
    char type[16];
    std::snprintf(type, sizeof type, "0x%04X", info.GetSongType());
    out << "  Song type: " << type << " (" << TypeName(info.GetSongType()) << ")\n";
    const TagKind* kind = read ? FindTagKindByMask(info.GetTagKind()) : nullptr;
    out << "  Tag: " << (kind ? kind->label : "none") << "\n";
    for (const ShownField& field : DescribeFields(info)) {
        if (!field.present) {
            continue;
        }
        std::string text;
        if (field.key == "lyrics") {
            // Lyrics keep their lines, indented below the label; CR LF line
            // ends count as one.
            std::string lines;
            for (size_t i = 0; i < field.text.size(); ++i) {
                if (!(field.text[i] == '\r' && i + 1 < field.text.size() &&
                      field.text[i + 1] == '\n')) {
                    lines += field.text[i];
                }
            }
            text = "\n    ";
            for (char c : EscapeLinesForTerminal(lines)) {
                text += c;
                if (c == '\n') {
                    text += "    ";
                }
            }
        } else {
            text = EscapeForTerminal(field.text);
        }
        out << "  " << field.label << ": " << text << "\n";
    }
    if (!stream.empty()) {
        out << "  Stream:\n";
        for (const auto& item : stream.items()) {
            out << "    " << item.key << ": " << EscapeForTerminal(StreamValueText(item)) << "\n";
        }
    }
    std::cout << out.str();
}

const std::vector<OptionSpec> kOptions = {
    {"json"}, {"deadline", ValueKind::Text}, {"legacy-encoding", ValueKind::Text}};

int RunShow(const std::vector<std::string>& args) {
    Options options(kOptions);
    if (!options.parse(args)) {
        return UsageError("show", options.error());
    }
    std::optional<int> deadline;
    if (!ParseDeadline(options, deadline)) {
        return UsageError("show", "--deadline takes whole seconds, 1 to 86400");
    }
    if (deadline) {
        songcore::SetTransferDeadlineMs(*deadline);
    }
    if (!ApplyLegacyEncoding(options)) {
        return UsageError("show", "--legacy-encoding: unknown encoding");
    }
    if (options.positional().empty()) {
        return UsageError("show", "no file given");
    }
    bool json = options.has("json");
    int status = kExitOk;
    for (const std::string& path : options.positional()) {
        CSongFileInfo info;
        bool opened = info.Open(path, 1, 0) != 0;
        std::string error;
        if (!opened) {
            error = "cannot open: " + info.GetErrorMessage();
            status = kExitFailure;
        }
        bool read = opened && info.GetSongInfo() != 0;
        songcore::StreamProperties stream;
        if (opened) {
            stream = songcore::ReadStreamProperties(info);
            error = songcore::MissingStreamProblem(info, stream);
            if (!error.empty()) {
                status = kExitFailure;
            }
        }
        if (json) {
            PrintJson(path, info, read, stream, error);
        } else if (opened) {
            PrintText(path, info, read, stream);
        }
        if (!error.empty()) {
            ReportFileError(path, error);
        }
    }
    return status;
}

const CommandRegistrar registrar({
    "show",
    "print the tags and stream properties of song files",
    "Usage: tunemoss show [--json] [--deadline SECONDS] [--legacy-encoding ENC] FILE...\n"
    "Reads the tag that each file's type calls for and prints every field that\n"
    "is set, the tag kind and the song type. A FILE may be an http(s) URL.\n"
    "A file whose audio stream cannot be found (not the kind of file its name\n"
    "says) is reported as failed. Control characters in tag text are shown\n"
    "escaped (\\\\, \\n, \\t, \\e, \\xHH); --json prints them as JSON escapes.\n\n"
    "  --json              one JSON object per file, on one line\n"
    "  --deadline SECONDS  give up a request to an http(s) URL that takes longer\n"
    "                      than this in all (default 120)\n"
    "  --legacy-encoding ENC  read ID3v1 tags, ID3v2 frames in ISO-8859-1 and\n"
    "                      RealMedia texts as this code page (windows-1251,\n"
    "                      Shift_JIS, GBK, ...) instead of ISO-8859-1\n",
    &RunShow,
    kOptions,
    ValueKind::Song,
    {},
    "tunemoss show song.mp3\n"
    "tunemoss show --json *.flac\n",
});

}  // namespace
}  // namespace tunemoss
