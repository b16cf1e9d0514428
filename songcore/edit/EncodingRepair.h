#pragma once
// Repairing text read in the wrong encoding, as `tunemoss fix-encoding` and
// qarv's "Repair Text Encoding" do it: the songs are read and judged by
// folder (the songs of an album share their tagger), each folder gets its
// ranked candidates, and the one chosen becomes a batch of field edits,
// written as Unicode through the common edit path and undone as one.

#include <string>
#include <utility>
#include <vector>

#include "songcore/edit/BatchEdit.h"
#include "songcore/edit/EncodingGuess.h"

namespace songcore {

struct RepairSong {
    std::string path;
    std::vector<MisreadField> fields;
};

struct RepairFolder {
    std::string folder;
    std::vector<RepairSong> songs;  // in path order
    // Ranked over all the songs' fields (RankEncodings); empty when no
    // song has text in doubt.
    std::vector<EncodingCandidate> candidates;

    // The texts under one encoding, as DecodeAllAs gives them.
    std::optional<EncodingCandidate> DecodeAs(std::string_view encoding) const;
    // The text a field shows now.
    std::string Shown(size_t song, SongField field) const;
};

// Reads the songs and judges them by folder. A song that cannot be opened
// is listed in failures (path, reason); one without a tag has nothing to
// repair and is left out.
std::vector<RepairFolder> JudgeFolders(const std::vector<std::string>& paths,
                                       std::vector<std::pair<std::string, std::string>>& failures);

// The edits that write a candidate's texts: one item per song it changes.
std::vector<BatchItem> RepairItems(const RepairFolder& folder, const EncodingCandidate& chosen);

}  // namespace songcore
