#include "songcore/edit/SongEdit.h"

#include <sys/stat.h>

#include "songcore/tags/ContentCapture.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/SongPictures.h"
#include "songcore/tags/StreamProperties.h"
#include "songcore/tags/TagKinds.h"

namespace songcore {

FileStamp StampOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return {};
    }
    return {static_cast<uint64_t>(status.st_dev), static_cast<uint64_t>(status.st_ino),
            static_cast<int64_t>(status.st_size),
            static_cast<int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec};
}

SongEditResult EditSong(const std::string& path, const FieldValues& changes,
                        const SongEditOptions& options) {
    SongEditResult result;
    CSongFileInfo info;
    if (!info.Open(path, 0, 0)) {
        result.error = OpenForWritingFailure(info);
        return result;
    }
    const TagKind* kind = nullptr;
    if (options.tagKind != 0) {
        kind = FindTagKindByMask(options.tagKind);
        if (kind == nullptr) {
            result.error = "unknown tag kind";
            return result;
        }
    }
    // A file without the tag gets a new one; the fields then start empty.
    if (kind != nullptr) {
        (info.*kind->read)();
    } else {
        info.GetSongInfo();
        kind = FindTagKindByMask(info.GetWriteTagKind());
        if (kind == nullptr) {
            result.error = "no tag can be written to this type of file";
            return result;
        }
    }
    // The MPEG tag writers would put a tag into any file; one that holds no
    // MPEG audio (text saved as .mp3) is refused, as show refuses it.
    if (info.GetSongType() & SONG_TYPE_MPA) {
        std::string problem = MissingStreamProblem(info, ReadStreamProperties(info));
        if (!problem.empty()) {
            result.error = problem + "; nothing was written";
            return result;
        }
    }
    for (const auto& [field, text] : WithTotalsApart(changes)) {
        std::string old = info.GetText(field);
        std::string problem;
        if (!SetFieldText(info, field, text, problem)) {
            result.error = problem;
            return result;
        }
        std::string now = info.GetText(field);
        if (now != old) {
            result.before.emplace_back(field, std::move(old));
            result.after.emplace_back(field, std::move(now));
        }
    }
    if (result.before.empty() && !options.writeUnchanged) {
        result.ok = true;
        result.unchanged = true;
        result.stamp = StampOf(path);
        return result;
    }
    ContentCapture capture;
    const bool written = options.tagKind != 0 ? (info.*kind->write)() : info.WriteSongInfo();
    if (!written) {
        result.error = TagWriteFailure(*kind, info);
        return result;
    }
    info.Close();
    result.restore = capture.Take();
    result.ok = true;
    result.tagKind = options.tagKind;
    result.stamp = StampOf(path);
    // What the tag really keeps: a field it has no place for is not an edit
    // that undo could take back. A song written by its type's rule is read
    // back the same way (an MPEG file whose ID3v1 tag cannot hold a field
    // gets an ID3v2 tag for it).
    CSongFileInfo stored;
    const bool readBack = stored.Open(path, 1, 0) &&
                          (options.tagKind != 0 ? (stored.*kind->read)() : stored.GetSongInfo());
    if (readBack) {
        for (size_t i = result.after.size(); i-- > 0;) {
            const SongField field = result.after[i].first;
            if (stored.GetText(field) == result.before[i].second) {
                result.notKept.insert(result.notKept.begin(), field);
                result.before.erase(result.before.begin() + static_cast<long>(i));
                result.after.erase(result.after.begin() + static_cast<long>(i));
            }
        }
    }
    return result;
}

SongEditResult RemoveSongTag(const std::string& path, uint32_t tagKind) {
    SongEditResult result;
    const TagKind* kind = FindTagKindByMask(tagKind);
    if (kind == nullptr || kind->remove == nullptr) {
        result.error = "this tag kind cannot be removed";
        return result;
    }
    CSongFileInfo info;
    if (!info.Open(path, 0, 0)) {
        result.error = OpenForWritingFailure(info);
        return result;
    }
    // What the tag held is what undo writes back into a new tag.
    const bool found = (info.*kind->read)();
    for (const FieldInfo& field : FieldTable()) {
        if (found && info.GetFields().Has(field.field)) {
            result.before.emplace_back(field.field, info.GetText(field.field));
            result.after.emplace_back(field.field, "");
        }
    }
    ContentCapture capture;
    if (!(info.*kind->remove)()) {
        result.error = TagWriteFailure(*kind, info, true);
        result.before.clear();
        result.after.clear();
        return result;
    }
    info.Close();
    result.restore = capture.Take();
    result.ok = true;
    result.tagKind = tagKind;
    result.stamp = StampOf(path);
    return result;
}

SongEditResult EditSongPictures(const std::string& path, const std::vector<Picture>& pictures) {
    SongEditResult result;
    ContentCapture capture;
    if (!WriteSongPictures(path, pictures, result.error)) {
        return result;
    }
    result.ok = true;
    result.stamp = StampOf(path);
    result.restore = capture.Take();
    return result;
}

SongEditResult EditSongItems(const std::string& path, const TagItemEdits& edits) {
    return EditSongItemsFor(path, [&edits](const CSongFileInfo&) { return edits; });
}

SongEditResult EditSongItemsFor(const std::string& path,
                                const std::function<TagItemEdits(const CSongFileInfo&)>& make) {
    SongEditResult result;
    CSongFileInfo info;
    if (!info.Open(path, 0, 0)) {
        result.error = OpenForWritingFailure(info);
        return result;
    }
    info.GetSongInfo();
    ContentCapture capture;
    if (!info.WriteItems(make(info))) {
        result.error = FailureOf(info, "cannot write the tag");
        return result;
    }
    info.Close();
    result.ok = true;
    result.stamp = StampOf(path);
    result.restore = capture.Take();
    return result;
}

SongEditResult RestoreSong(const std::string& path, const std::vector<RestorePlan>& plans,
                           const FileStamp& stamp) {
    SongEditResult result;
    CSongFileInfo info;
    if (!info.Open(path, 0, 0)) {
        result.error = OpenForWritingFailure(info);
        return result;
    }
    // Checked with the file locked, so no other writer comes between.
    if (StampOf(path) != stamp) {
        result.error = "changed since the edit; left as it is";
        return result;
    }
    ContentCapture capture;
    for (auto plan = plans.rbegin(); plan != plans.rend(); ++plan) {
        if (!ApplyRestorePlan(info, *plan, result.error)) {
            // The plans before this one were applied: the file is now in
            // none of its recorded states, and is told so.
            if (plan != plans.rbegin()) {
                result.error += "; the file was left half restored";
            }
            return result;
        }
    }
    info.Close();
    result.ok = true;
    result.stamp = StampOf(path);
    result.restore = capture.Take();
    return result;
}

std::string NotKeptText(const SongEditResult& result) {
    std::string names;
    for (SongField field : result.notKept) {
        names += (names.empty() ? "" : ", ") + std::string(InfoOf(field).key);
    }
    return names.empty() ? names : "its tag has no place for " + names;
}

}  // namespace songcore
