// tunemoss remove: removes one kind of tag from song files.
#include "cli/Command.h"
#include "cli/Options.h"
#include "songcore/edit/SongEdit.h"
#include "songcore/tags/TagKinds.h"

namespace tunemoss {

using songcore::FindTagKindByOption;
using songcore::TagKind;
using songcore::TagKindOptions;
namespace {

std::vector<std::string> RemovableTagKinds() {
    std::vector<std::string> words;
    for (const songcore::TagKind& kind : songcore::TagKinds()) {
        if (kind.remove != nullptr) {
            words.emplace_back(kind.option);
        }
    }
    return words;
}

const std::vector<OptionSpec> kOptions = {{"tag", ValueKind::Choice, RemovableTagKinds()}};

int RunRemove(const std::vector<std::string>& args) {
    Options options(kOptions);
    if (!options.parse(args)) {
        return UsageError("remove", options.error());
    }
    auto tag = options.value("tag");
    if (!tag) {
        return UsageError("remove", "--tag is required (one of " + TagKindOptions(true) + ")");
    }
    const TagKind* kind = FindTagKindByOption(*tag);
    if (!kind || !kind->remove) {
        return UsageError("remove", "cannot remove tag kind '" + *tag + "' (one of " +
                                        TagKindOptions(true) + ")");
    }
    if (options.positional().empty()) {
        return UsageError("remove", "no file given");
    }
    int status = kExitOk;
    for (const std::string& path : options.positional()) {
        songcore::SongEditResult result = songcore::RemoveSongTag(path, kind->mask);
        if (!result.ok) {
            ReportFileError(path, result.error);
            status = kExitFailure;
        }
    }
    return status;
}

const CommandRegistrar registrar({
    "remove",
    "remove a tag from song files",
    "Usage: tunemoss remove --tag KIND FILE...\n"
    "Removes the tag of the given kind (id3v1, id3v2, ape, asf or mkv) from each file.\n",
    &RunRemove,
    kOptions,
    ValueKind::Song,
    {},
    "tunemoss remove --tag id3v1 song.mp3 other.mp3\n",
});

}  // namespace
}  // namespace tunemoss
