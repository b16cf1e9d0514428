// tunemoss write: sets tag fields of one song file and writes the tag.
#include <fstream>
#include <optional>
#include <sstream>

#include "cli/Command.h"
#include "cli/Options.h"
#include "cli/TagKinds.h"
#include "songcore/tags/Mp4ItemList.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/util/Text.h"

namespace tunemoss {
namespace {

struct TextOption {
    const char* name;
    void (CSongFileInfo::*set)(std::string);
};

const TextOption kTextOptions[] = {
    {"title", &CSongFileInfo::SetTitle},
    {"artist", &CSongFileInfo::SetArtist},
    {"album", &CSongFileInfo::SetAlbum},
    {"year", &CSongFileInfo::SetYear},
    {"comment", &CSongFileInfo::SetComment},
    {"composer", &CSongFileInfo::SetComposer},
    {"orig-artist", &CSongFileInfo::SetOrigArtist},
    {"copyright", &CSongFileInfo::SetCopyright},
    {"url", &CSongFileInfo::SetURL},
    {"encoded-by", &CSongFileInfo::SetEncodedBy},
    {"performer", &CSongFileInfo::SetPerformer},
    {"organization", &CSongFileInfo::SetOrganization},
    {"location", &CSongFileInfo::SetLocation},
    {"contact", &CSongFileInfo::SetContact},
    {"license", &CSongFileInfo::SetLicense},
};

// Lyrics this long are not lyrics (a device, a wrong file): refused before
// they fill the memory.
constexpr size_t kMaxLyricsSize = 16u << 20;

// The whole file, when it holds at most limit bytes.
std::optional<std::string> ReadLimitedFile(const std::string& path, size_t limit,
                                           std::string& problem) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        problem = "cannot read the lyrics file";
        return std::nullopt;
    }
    std::string text;
    char block[64 * 1024];
    while (in.read(block, sizeof block) || in.gcount() > 0) {
        text.append(block, static_cast<size_t>(in.gcount()));
        if (text.size() > limit) {
            problem = "the lyrics file is larger than " + std::to_string(limit >> 20) + " MB";
            return std::nullopt;
        }
    }
    if (in.bad()) {
        problem = "cannot read the lyrics file";
        return std::nullopt;
    }
    return text;
}

// A genre given by id (0 to 148) or by name (letter case ignored).
std::optional<uint16_t> ParseGenre(const std::string& text) {
    if (auto id = ParseUnsigned(text)) {
        if (*id <= GENRE_NONE) {
            return static_cast<uint16_t>(*id);
        }
        return std::nullopt;
    }
    for (int id = 0; id <= GENRE_NONE; ++id) {
        if (songcore::EqualsIgnoreCase(GetMP3Genre(id), text)) {
            return static_cast<uint16_t>(id);
        }
    }
    return std::nullopt;
}

int RunWrite(const std::vector<std::string>& args) {
    std::vector<std::string> valueOptions = {"genre", "track", "disc", "lyrics-file", "tag"};
    for (const TextOption& option : kTextOptions) {
        valueOptions.push_back(option.name);
    }
    Options options(valueOptions, {});
    if (!options.parse(args)) {
        return UsageError("write", options.error());
    }
    if (options.positional().size() != 1) {
        return UsageError("write", "give exactly one FILE");
    }
    const std::string& path = options.positional()[0];

    const TagKind* kind = nullptr;
    if (auto tag = options.value("tag")) {
        kind = FindTagKindByOption(*tag);
        if (!kind) {
            return UsageError(
                "write", "unknown tag kind '" + *tag + "' (one of " + TagKindOptions(false) + ")");
        }
    }
    std::optional<uint16_t> genre;
    if (auto text = options.value("genre")) {
        genre = ParseGenre(*text);
        if (!genre) {
            return UsageError("write", "unknown genre '" + *text + "'");
        }
    }
    std::optional<unsigned long> track, disc;
    if (auto text = options.value("track"); text && !(track = ParseUnsigned(*text))) {
        return UsageError("write", "--track needs a whole number");
    }
    if (auto text = options.value("disc"); text && !(disc = ParseUnsigned(*text))) {
        return UsageError("write", "--disc needs a whole number");
    }
    std::optional<std::string> lyrics;
    if (auto lyricsPath = options.value("lyrics-file")) {
        std::string problem;
        lyrics = ReadLimitedFile(*lyricsPath, kMaxLyricsSize, problem);
        if (!lyrics) {
            ReportFileError(*lyricsPath, problem);
            return kExitFailure;
        }
    }

    CSongFileInfo info;
    if (!info.Open(path, 0, 0)) {
        ReportFileError(path, "cannot open for writing: " + info.GetErrorMessage());
        return kExitFailure;
    }
    // Read first, so that the fields not given keep their values.
    if (kind) {
        (info.*kind->read)();
    } else {
        info.GetSongInfo();
    }
    for (const TextOption& option : kTextOptions) {
        if (auto value = options.value(option.name)) {
            (info.*option.set)(*value);
        }
    }
    const TagKind* written = kind ? kind : FindTagKindByMask(info.GetWriteTagKind());
    // MP4 keeps the genre as its "gnre" number (the table index plus one)
    // and the totals of track and disc in the high 16 bits.
    bool mp4 = written && written->mask == TAG_MP4;
    if (genre) {
        info.SetGenre(mp4 ? songcore::Mp4GenreFromIndex(*genre) : *genre);
    }
    if (track) {
        uint32_t value = static_cast<uint32_t>(*track);
        info.SetTrackNum(mp4 ? (info.GetTrackNum() & 0xFFFF0000u) | (value & 0xFFFF) : value);
    }
    if (disc) {
        uint32_t value = static_cast<uint32_t>(*disc);
        info.SetDiscNum(mp4 ? (info.GetDiscNum() & 0xFFFF0000u) | (value & 0xFFFF) : value);
    }
    if (lyrics) {
        info.SetLyrics(*lyrics);
    }

    if (!written) {
        ReportFileError(path, "no tag kind can be written to this type of file without --tag");
        return kExitFailure;
    }
    int ok = kind ? (info.*kind->write)() : info.WriteSongInfo();
    if (!ok) {
        std::string detail = info.GetErrorMessage();
        ReportFileError(path, std::string("could not write the ") + written->label + " tag" +
                                  (detail.empty() ? "" : ": " + detail));
        return kExitFailure;
    }
    return kExitOk;
}

const CommandRegistrar registrar({
    "write",
    "set tag fields of a song file",
    "Usage: tunemoss write FILE [OPTIONS]\n"
    "Reads the file's tags, sets the fields given and writes the tag back; fields\n"
    "not given keep their values.\n\n"
    "  --title T  --artist A  --album A  --year Y  --comment C\n"
    "  --genre NAME-OR-ID   a genre name (e.g. Rock) or id 0-148 (148: none)\n"
    "  --track N  --disc N\n"
    "  --composer C  --orig-artist A  --copyright C  --url U  --encoded-by E\n"
    "  --lyrics-file F      the lyrics, exactly as the file holds them (16 MB at most)\n"
    "  --performer P  --organization O  --location L  --contact C  --license L\n"
    "  --tag KIND           read and write this tag kind: id3v1, id3v2, ape, ogg,\n"
    "                       flac, mp4, asf or rm (default: the file type's own)\n",
    &RunWrite,
});

}  // namespace
}  // namespace tunemoss
