// tunemoss write: sets tag fields of song files and writes their tags.
#include <ctime>
#include <fstream>
#include <optional>
#include <sstream>

#include "cli/Command.h"
#include "cli/EditRun.h"
#include "cli/Options.h"
#include "songcore/edit/EditHistory.h"
#include "songcore/tags/TagKinds.h"
#include "songcore/util/WriteBatch.h"

namespace tunemoss {
namespace {

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

// The fields the options set, in the order of the field table; the lyrics
// come from a file.
std::vector<songcore::FieldInfo> OptionFields() {
    std::vector<songcore::FieldInfo> fields;
    for (const songcore::FieldInfo& info : songcore::FieldTable()) {
        if (info.editable && info.field != songcore::SongField::Lyrics) {
            fields.push_back(info);
        }
    }
    return fields;
}

std::vector<OptionSpec> WriteOptions() {
    std::vector<OptionSpec> options;
    for (const songcore::FieldInfo& info : OptionFields()) {
        options.push_back({info.key, ValueKind::Text});
    }
    std::vector<std::string> tagKinds;
    for (const songcore::TagKind& kind : songcore::TagKinds()) {
        tagKinds.emplace_back(kind.option);
    }
    options.push_back({"lyrics-file", ValueKind::File});
    options.push_back({"tag", ValueKind::Choice, tagKinds});
    options.push_back({"no-history"});
    options.push_back({"legacy-encoding", ValueKind::Text});
    options.push_back({"old-players", ValueKind::Text});
    return options;
}

const std::vector<OptionSpec> kOptions = WriteOptions();

int RunWrite(const std::vector<std::string>& args) {
    Options options(kOptions);
    if (!options.parse(args)) {
        return UsageError("write", options.error());
    }
    if (options.positional().empty()) {
        return UsageError("write", "give at least one FILE");
    }
    if (!ApplyLegacyEncoding(options)) {
        return UsageError("write", "--legacy-encoding: unknown encoding");
    }
    if (!ApplyOldPlayers(options)) {
        return UsageError("write", "--old-players: unknown encoding");
    }

    songcore::SongEditOptions editOptions;
    // A file without the tag gets one, even when the values given are those
    // it reads as already (empty ones); a file whose tag holds them all is
    // left untouched, since writing it again would change nothing.
    editOptions.writeUnchanged = true;
    if (auto tag = options.value("tag")) {
        const songcore::TagKind* kind = songcore::FindTagKindByOption(*tag);
        if (!kind) {
            return UsageError("write", "unknown tag kind '" + *tag + "' (one of " +
                                           songcore::TagKindOptions(false) + ")");
        }
        editOptions.tagKind = kind->mask;
    }
    songcore::FieldValues changes;
    for (const songcore::FieldInfo& info : OptionFields()) {
        if (auto value = options.value(std::string(info.key))) {
            std::string problem = songcore::FieldTextProblem(info.field, *value);
            if (!problem.empty()) {
                return UsageError("write", "--" + std::string(info.key) + ": " + problem);
            }
            songcore::PutFieldValue(changes, info.field, *value);
        }
    }
    if (auto lyricsPath = options.value("lyrics-file")) {
        std::string problem;
        std::optional<std::string> lyrics = ReadLimitedFile(*lyricsPath, kMaxLyricsSize, problem);
        if (!lyrics) {
            ReportFileError(*lyricsPath, problem);
            return kExitFailure;
        }
        songcore::PutFieldValue(changes, songcore::SongField::Lyrics, std::move(*lyrics));
    }

    int status = kExitOk;
    songcore::EditOperation operation{"write", std::time(nullptr), {}};
    songcore::WriteBatch batch;
    for (const std::string& path : options.positional()) {
        songcore::SongEditResult result = songcore::EditSong(path, changes, editOptions);
        if (!result.ok) {
            ReportFileError(path, result.error);
            status = kExitFailure;
            continue;
        }
        if (std::string notKept = songcore::NotKeptText(result); !notKept.empty()) {
            ReportFileError(
                path, notKept + (result.after.empty() ? "" : "; the other fields were written"));
            status = kExitFailure;
        }
        operation.Add(path, std::move(result));
    }
    if (!FinishEditRun(batch, std::move(operation), !options.has("no-history"))) {
        status = kExitFailure;
    }
    return status;
}

const CommandRegistrar registrar({
    "write",
    "set tag fields of a song file",
    "Usage: tunemoss write FILE... [OPTIONS]\n"
    "Reads each file's tags, sets the fields given and writes the tag back; fields\n"
    "not given keep their values. A file that fails is reported and the others are\n"
    "still written. 'tunemoss undo' puts the old values back. A write that\n"
    "changes nothing writes nothing: a file whose tag already holds the values\n"
    "given is left untouched (a file without the tag gets one).\n\n"
    "  --title T  --artist A  --album-artist A  --album A  --year Y  --comment C\n"
    "  --genre NAME-OR-ID   a genre name (e.g. Rock, Shoegaze) or id 0-148 (148:\n"
    "                       none); several separated by \"; \"\n"
    "  --track N  --track-total N  --disc N  --disc-total N\n"
    "                       (--track 5/12 gives the total too)\n"
    "  --composer C  --orig-artist A  --copyright C  --url U  --encoded-by E\n"
    "  --lyrics-file F      the lyrics, exactly as the file holds them (16 MB at most)\n"
    "  --performer P  --organization O  --location L  --contact C  --license L\n"
    "  --tag KIND           read and write this tag kind: id3v1, id3v2, ape, ogg,\n"
    "                       flac, mp4, asf, rm or mkv (default: the file type's own)\n"
    "  --no-history         do not keep the old values for undo\n"
    "  --legacy-encoding ENC  the code page of ID3v1 tags, ID3v2 frames in\n"
    "                       ISO-8859-1 and RealMedia texts, read and written\n"
    "                       (default ISO-8859-1)\n"
    "  --old-players ENC    for car stereos and old players: an MPEG file gets an\n"
    "                       ID3v1 tag in this code page beside its ID3v2 tag\n",
    &RunWrite,
    kOptions,
    ValueKind::Song,
    {},
    "tunemoss write song.mp3 --artist \"Nina Simone\" --title Sinnerman --genre Jazz --track 7\n"
    "tunemoss write --album-artist \"Various Artists\" --album \"Jazz Classics\" *.flac\n",
});

}  // namespace
}  // namespace tunemoss
