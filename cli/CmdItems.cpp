// tunemoss items: lists, sets and removes the tag items that no field shows
// (TXXX and freeform items, ReplayGain, MusicBrainz ids, BPM, ratings...).
#include <cstdio>
#include <ctime>

#include "cli/Command.h"
#include "cli/EditRun.h"
#include "cli/Json.h"
#include "cli/Options.h"
#include "cli/TerminalText.h"
#include "songcore/edit/EditHistory.h"
#include "songcore/tags/SongItems.h"
#include "songcore/util/WriteBatch.h"

namespace tunemoss {
namespace {

const std::vector<OptionSpec> kOptions = {
    {"json"},
    {"set", ValueKind::Text},
    {"remove", ValueKind::Text},
    {"no-history"},
};

void PrintText(const std::string& path, const std::vector<songcore::TagItem>& items) {
    std::printf("%s\n", EscapeForTerminal(path).c_str());
    for (const songcore::TagItem& item : items) {
        for (const std::string& value : item.values) {
            std::printf("  %s = %s%s\n", EscapeForTerminal(item.key).c_str(),
                        EscapeForTerminal(value).c_str(), item.editable ? "" : "  (read-only)");
        }
    }
}

void PrintJson(const std::string& path, const std::vector<songcore::TagItem>& items) {
    std::string list;
    for (const songcore::TagItem& item : items) {
        std::string values;
        for (const std::string& value : item.values) {
            values += (values.empty() ? "" : ",") + JsonString(value);
        }
        JsonObject object;
        object.add("key", item.key)
            .addRaw("values", "[" + values + "]")
            .add("editable", item.editable);
        list += (list.empty() ? "" : ",") + object.str();
    }
    std::printf("%s\n",
                JsonObject().add("path", path).addRaw("items", "[" + list + "]").str().c_str());
}

// The edits of --set KEY=VALUE (several of one key give it several values,
// in their order) and --remove KEY, in the order the keys first appear.
bool ParseEdits(const Options& options, songcore::TagItemEdits& edits, std::string& problem) {
    auto editOf = [&edits](const std::string& key) -> songcore::TagItemEdit& {
        for (songcore::TagItemEdit& edit : edits) {
            if (edit.key == key) {
                return edit;
            }
        }
        return edits.emplace_back(songcore::TagItemEdit{key, {}});
    };
    for (const std::string& set : options.values("set")) {
        size_t equals = set.find('=');
        if (equals == std::string::npos || equals == 0) {
            problem = "--set takes KEY=VALUE, not \"" + set + "\"";
            return false;
        }
        editOf(set.substr(0, equals)).values.push_back(set.substr(equals + 1));
    }
    for (const std::string& key : options.values("remove")) {
        if (key.empty()) {
            problem = "--remove takes a KEY";
            return false;
        }
        for (const songcore::TagItemEdit& edit : edits) {
            if (edit.key == key) {
                problem = "\"" + key + "\" is both set and removed";
                return false;
            }
        }
        editOf(key);
    }
    return true;
}

int Change(const Options& options, const songcore::TagItemEdits& edits) {
    int status = kExitOk;
    songcore::EditOperation operation{"items", std::time(nullptr), {}};
    songcore::WriteBatch batch;
    for (const std::string& path : options.positional()) {
        songcore::SongEditResult result = songcore::EditSongItems(path, edits);
        if (!result.ok) {
            ReportFileError(path, "cannot write the items: " + result.error);
            status = kExitFailure;
            continue;
        }
        operation.Add(path, std::move(result), true);
    }
    if (!FinishEditRun(batch, std::move(operation), !options.has("no-history"))) {
        status = kExitFailure;
    }
    return status;
}

int RunItems(const std::vector<std::string>& args) {
    Options options(kOptions);
    if (!options.parse(args)) {
        return UsageError("items", options.error());
    }
    if (options.positional().empty()) {
        return UsageError("items", "give at least one FILE");
    }
    songcore::TagItemEdits edits;
    if (std::string problem; !ParseEdits(options, edits, problem)) {
        return UsageError("items", problem);
    }
    if (!edits.empty()) {
        if (options.has("json")) {
            return UsageError("items", "--json goes with the listing, not with --set or --remove");
        }
        return Change(options, edits);
    }
    int status = kExitOk;
    for (const std::string& path : options.positional()) {
        std::vector<songcore::TagItem> items;
        std::string error;
        if (!songcore::ReadSongItems(path, items, error)) {
            ReportFileError(path, "cannot read the items: " + error);
            status = kExitFailure;
            continue;
        }
        if (options.has("json")) {
            PrintJson(path, items);
        } else {
            PrintText(path, items);
        }
    }
    return status;
}

const CommandRegistrar registrar({
    "items",
    "list, set or remove the tag items that no field shows",
    "Usage: tunemoss items [--json] FILE...\n"
    "       tunemoss items FILE... [--set KEY=VALUE]... [--remove KEY]... [--no-history]\n"
    "Without --set or --remove, lists the items of each song's tag that no field\n"
    "shows: ReplayGain, MusicBrainz ids, BPM, ratings and whatever else taggers\n"
    "stored, under the tag format's own keys:\n"
    "  ID3v2   the frame id (TBPM), with the description of a TXXX, COMM, USLT or\n"
    "          WXXX frame or the owner of a UFID or POPM frame after a colon\n"
    "          (TXXX:REPLAYGAIN_TRACK_GAIN, UFID:http://musicbrainz.org)\n"
    "  MP4     the atom name, or ----:MEAN:NAME for a freeform item\n"
    "          (----:com.apple.iTunes:MusicBrainz Album Id)\n"
    "  Vorbis comments, APEv2, ASF: the item's name (REPLAYGAIN_TRACK_GAIN)\n"
    "  Matroska the SimpleTag's name in the tag of the song's own level; led by\n"
    "          another level (50:CATALOG_NUMBER) or by the targets of a tag about\n"
    "          one part of the file (50 track=1:ENCODER)\n"
    "Items that are not text (numbers of other kinds, binary data) are listed as\n"
    "read-only: they can be removed but not set.\n\n"
    "  --json              one JSON object per file, on one line\n"
    "  --set KEY=VALUE     replaces the items of KEY by one holding VALUE; given\n"
    "                      again for the same KEY, adds a further value\n"
    "  --remove KEY        removes every item of KEY\n"
    "  --no-history        do not keep the old bytes for undo\n\n"
    "The fields ('tunemoss write') and the pictures ('tunemoss art') are not\n"
    "items: a KEY that names one is refused. 'tunemoss undo' takes an edit back.\n",
    &RunItems,
    kOptions,
    ValueKind::Song,
    {},
    "tunemoss items song.flac\n"
    "tunemoss items song.mp3 --set \"TXXX:MusicBrainz Album "
    "Id=0d9f1b1c-1f2e-4a8b-9b7e-2d1c3e4f5a6b\"\n"
    "tunemoss items song.m4a --remove \"----:com.apple.iTunes:iTunNORM\"\n",
});

}  // namespace
}  // namespace tunemoss
