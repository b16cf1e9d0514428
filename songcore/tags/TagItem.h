#pragma once
// The items of a tag that no song field shows: TXXX and other frames of an
// ID3v2 tag, freeform and other atoms of an MP4 item list, Vorbis comments,
// APEv2 items, ASF attributes and Matroska SimpleTags under keys outside
// the field tables
// (ReplayGain, MusicBrainz ids, BPM, ratings, ...). Each is named by its
// format's own key, so that what one program wrote another finds again.
// Pictures are never items: they have their own list (Picture.h).

#include <string>
#include <string_view>
#include <vector>

namespace songcore {

struct TagItem {
    // The format's own key:
    //   ID3v2: the frame id ("TBPM"), with the description of a frame that
    //          has one ("TXXX:REPLAYGAIN_TRACK_GAIN", "COMM:iTunNORM",
    //          "UFID:http://musicbrainz.org", "POPM:rater@example.org");
    //   MP4:   the atom name ("tmpo"), "----:mean:name" for a freeform item;
    //   Vorbis comments: the key in upper case; APEv2: the key as stored;
    //   ASF:   the attribute name;
    //   Matroska: the SimpleTag's name, led by its tag's level or targets
    //          when that is not the song's own level ("50:CATALOG_NUMBER",
    //          "50 track=1:ENCODER"; mkv/MatroskaItems.h).
    std::string key;
    // The values in their order: texts as stored; a number in decimal; what
    // is neither (a binary item, a counter) described in brackets.
    std::vector<std::string> values;
    // Whether the values can be edited as text; any item can be removed.
    bool editable = true;
};

// A change to the items of one key: every item of the key is replaced by one
// holding values (in the format's way of keeping several), or removed when
// values is empty. Keys compare as their format compares them (Vorbis and
// APEv2 keys and ID3v2 descriptions in any letter case).
struct TagItemEdit {
    std::string key;
    std::vector<std::string> values;
};
using TagItemEdits = std::vector<TagItemEdit>;

// The edit of key in edits, if any (the last one wins); equal says how the
// format compares keys.
const TagItemEdit* FindItemEdit(const TagItemEdits& edits, std::string_view key,
                                bool (*equal)(std::string_view, std::string_view));

// ASCII keys compared in any letter case.
bool SameKeyIgnoringCase(std::string_view a, std::string_view b);
bool SameKeyExactly(std::string_view a, std::string_view b);

}  // namespace songcore
