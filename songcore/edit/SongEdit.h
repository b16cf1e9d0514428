#pragma once
// Changes some fields of one song file: reads the tag the file would be
// written with, keeps the old values of the fields it changes (for undo),
// sets the new ones and writes the tag. Fields not named keep their values,
// and so does everything a format keeps that no field shows.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "songcore/edit/FieldEdits.h"
#include "songcore/tags/Picture.h"
#include "songcore/tags/RestorePlan.h"
#include "songcore/tags/TagItem.h"

class CSongFileInfo;

namespace songcore {

// Tells whether a file is still the one a write left behind.
struct FileStamp {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = -1;
    int64_t modifiedNs = 0;

    bool operator==(const FileStamp&) const = default;
};

// The file's stamp now; size -1 when it cannot be seen.
FileStamp StampOf(const std::string& path);

struct SongEditOptions {
    // The tag kind to read and write (TAG_ID3V2...); 0 for the file type's own.
    uint32_t tagKind = 0;
    // Write the tag even when every field has its value already (a file
    // without the tag then gets one).
    bool writeUnchanged = false;
};

struct SongEditResult {
    bool ok = false;
    // What failed, for "PATH: error".
    std::string error;
    // Of the fields whose values differed: their old values, and the values
    // written.
    FieldValues before;
    FieldValues after;
    // The file as the write left it (size -1 when nothing was written).
    FileStamp stamp;
    // The tag kind asked for, for undoing the edit the same way.
    uint32_t tagKind = 0;
    // Nothing was written: every field had its value already.
    bool unchanged = false;
    // Fields set that the tag has no place for (a performer in an ID3v2
    // tag, say): written nowhere, and not among before and after.
    std::vector<SongField> notKept;
    // How to give the file back the bytes it had, one plan per write in
    // the order of the writes; empty when they were too many to keep.
    std::vector<RestorePlan> restore;
};

SongEditResult EditSong(const std::string& path, const FieldValues& changes,
                        const SongEditOptions& options = {});

// Removes the tag of tagKind (a kind that can be removed) from the file.
// before holds the fields the tag had, after each of them empty, so that
// undo writes them back into a new tag.
SongEditResult RemoveSongTag(const std::string& path, uint32_t tagKind);

// Replaces the song's pictures (WriteSongPictures) as an edit that can be
// undone: before and after stay empty, restore holds the way back.
SongEditResult EditSongPictures(const std::string& path, const std::vector<Picture>& pictures);

// Changes the song's other tag items (TagItem.h), its fields and pictures
// kept, as an edit that can be undone in the same way.
SongEditResult EditSongItems(const std::string& path, const TagItemEdits& edits);
// The same, with the edits made for the song as it was read (the tag kind
// its items go to, CSongFileInfo::GetExtrasTagKind, and its codec).
SongEditResult EditSongItemsFor(const std::string& path,
                                const std::function<TagItemEdits(const CSongFileInfo&)>& make);

// Gives the file back the content the plans restore, the last plan first,
// as long as the file is still as stamp says. The result's restore then
// holds the way back again (for a redo).
SongEditResult RestoreSong(const std::string& path, const std::vector<RestorePlan>& plans,
                           const FileStamp& stamp);

// "its tag has no place for album-artist, performer" for the fields of an
// edit that were not kept; empty when every field was.
std::string NotKeptText(const SongEditResult& result);

}  // namespace songcore
