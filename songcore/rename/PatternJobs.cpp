#include "songcore/rename/PatternJobs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "songcore/rename/NameTokens.h"
#include "songcore/files/NewFileWriter.h"
#include "songcore/rename/SongFileOption.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/util/Paths.h"

namespace songcore {
namespace {

constexpr size_t kCopyBlock = 64 * 1024;

bool Cancelled(const PatternJobCallbacks& callbacks) {
    return callbacks.isCancelled && callbacks.isCancelled();
}

PatternJobResult& Report(std::vector<PatternJobResult>& results,
                         const PatternJobCallbacks& callbacks, PatternJobResult result) {
    results.push_back(std::move(result));
    if (callbacks.onResult) {
        callbacks.onResult(results.back());
    }
    return results.back();
}

using SongTags = NameValues;

// The extension without its dot, as %EXT gives it.
std::string ExtensionOf(const std::string& file) {
    std::string ext = CFileOption().GetFileExt(file.c_str());
    return ext.empty() ? ext : ext.substr(1);
}

SongTags TagsOf(const CSongFileInfo& info, const std::string& file) {
    SongTags tags;
    tags.title = info.GetTitle();
    tags.artist = info.GetArtist();
    tags.album = info.GetAlbum();
    tags.albumArtist = info.GetAlbumArtist();
    tags.genre = info.GetGenreString();
    tags.year = info.GetYear();
    tags.track = info.GetTrackNum();
    tags.disc = info.GetDiscNum();
    tags.ext = ExtensionOf(file);
    return tags;
}

std::string Expand(const std::string& pattern, const SongTags& tags) {
    return ExpandNamePattern(pattern, tags);
}

// A pattern with an unknown token fails every song, before any is touched.
bool RefusedPattern(const std::string& pattern, const std::vector<std::string>& files,
                    std::vector<PatternJobResult>& results, const PatternJobCallbacks& callbacks) {
    std::string problem = NamePatternProblem(pattern);
    if (problem.empty()) {
        return false;
    }
    for (const std::string& file : files) {
        Report(results, callbacks, {file, "", PatternJobStatus::Failed, problem});
    }
    return true;
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

}  // namespace

std::string FolderComponent(std::string name) {
    for (char& c : name) {
        if (c == '/' || c == '\0') {
            c = '_';
        }
    }
    if (name.empty() || name == "." || name == "..") {
        return "_";
    }
    return name;
}

std::string JoinFolder(const std::string& folder, const std::string& name) {
    if (folder.empty()) {
        return name;
    }
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string PlayListCopyFolder(const std::string& destination, const std::string& file,
                               const std::string& artist) {
    std::string folder = JoinFolder(destination, "");
    CFileOption option;
    std::string ext = option.GetFileExt(file.c_str());
    if (ext.size() > 1) {
        folder += FolderComponent(ext.substr(1)) + "/";
    }
    return folder + FolderComponent(artist) + "/";
}

std::vector<PatternJobResult> RenameSongsAs(const std::vector<std::string>& files,
                                            const std::string& pattern,
                                            const PatternJobCallbacks& callbacks, bool dryRun) {
    std::vector<PatternJobResult> results;
    if (RefusedPattern(pattern, files, results, callbacks)) {
        return results;
    }
    for (const std::string& file : files) {
        if (Cancelled(callbacks)) {
            Report(results, callbacks, {file, "", PatternJobStatus::Cancelled, "cancelled"});
            continue;
        }
        if (callbacks.onFile) {
            callbacks.onFile(file, "");
        }
        SongTags tags;
        {
            CSongFileInfo info;
            if (!info.Open(file, 1, 0)) {
                Report(results, callbacks,
                       {file, "", PatternJobStatus::Skipped,
                        "cannot open: " + info.GetErrorMessage()});
                continue;
            }
            if (!info.GetSongInfo()) {
                Report(results, callbacks,
                       {file, "", PatternJobStatus::Skipped, "no tags could be read"});
                continue;
            }
            tags = TagsOf(info, file);
        }  // closed before the rename

        CSongFileOption option;
        option.SetSourcePath(file.c_str());
        std::string name = Expand(pattern, tags);
        std::string problem = CSongFileOption::CheckFileName(name);
        if (!problem.empty()) {
            Report(results, callbacks, {file, "", PatternJobStatus::Failed, problem});
            continue;
        }
        std::string target =
            option.GetFilePath(file.c_str()) + name + option.GetFileExt(file.c_str());
        if (callbacks.onFile) {
            callbacks.onFile(file, target);
        }
        if (target == file) {
            Report(results, callbacks, {file, target, PatternJobStatus::Unchanged, ""});
            continue;
        }
        if (dryRun) {
            struct stat st;
            if (::lstat(target.c_str(), &st) == 0) {
                Report(results, callbacks,
                       {file, target, PatternJobStatus::Failed, "a file of that name exists"});
            } else {
                Report(results, callbacks, {file, target, PatternJobStatus::Done, ""});
            }
            continue;
        }
        option.SetDestName(name);
        if (option.RenameTo()) {
            Report(results, callbacks, {file, option.GetDestPath(), PatternJobStatus::Done, ""});
        } else {
            Report(results, callbacks,
                   {file, target, PatternJobStatus::Failed,
                    "cannot rename to " + target + ": " + option.GetErrorMessage()});
        }
    }
    return results;
}

namespace {

// Copies one song; the result tells how it went.
PatternJobResult CopyOne(const CopyJob& job, const std::string& pattern,
                         const PatternJobCallbacks& callbacks) {
    const std::string& file = job.source;
    if (callbacks.onFile) {
        callbacks.onFile(file, "");
    }
    CSongFileInfo info;
    if (!info.Open(file, 1, 0)) {
        return {file, "", PatternJobStatus::Skipped, "cannot open: " + info.GetErrorMessage()};
    }
    CSongFileOption option;
    SongTags tags;
    if (info.GetSongInfo()) {
        tags = TagsOf(info, file);
    } else {
        tags.ext = ExtensionOf(file);
        // Without tags the song keeps its own name as title.
        tags.title = option.GetFileName(file.c_str());
        if (tags.title.empty()) {
            tags.title = SongNameFromPath(file);
        }
    }
    std::string name = Expand(pattern, tags);
    std::string problem = CSongFileOption::CheckFileName(name);
    if (!problem.empty()) {
        return {file, "", PatternJobStatus::Failed, problem};
    }
    std::string folder = JoinFolder(job.folder, "");
    if (!option.MakeDirectoryFromFile(folder.c_str())) {
        return {file, "", PatternJobStatus::Failed, option.GetErrorMessage()};
    }
    std::string target = folder + name + option.GetFileExt(file.c_str());
    if (callbacks.onFile) {
        callbacks.onFile(file, target);
    }
    if (target == file || SameFile(file, target)) {
        return {file, target, PatternJobStatus::Failed, "the copy would overwrite its own source"};
    }

    // The copy takes a free name or none: an existing file (another song,
    // or the copy of an earlier source that gave the same name) stays, and a
    // link planted under the name is not followed.
    NewFileWriter out(target);
    if (!out.begin()) {
        return {file, target, PatternJobStatus::Failed, out.error()};
    }
    if (callbacks.onProgress) {
        callbacks.onProgress(0);
    }
    uint64_t length = info.GetLength();
    bool known = length != CSongFile::kBadLength;
    std::vector<uint8_t> block(kCopyBlock);
    uint64_t copied = 0;
    int shown = 0;
    for (;;) {
        if (Cancelled(callbacks)) {
            // The temporary file goes with out; the target was never touched.
            return {file, target, PatternJobStatus::Cancelled, "cancelled"};
        }
        long long got = info.ReadAt(copied, block.data(), block.size());
        if (got < 0) {
            return {file, target, PatternJobStatus::Failed,
                    "cannot read the source: " + info.GetErrorMessage()};
        }
        if (got == 0) {
            break;
        }
        if (!out.append(block.data(), static_cast<size_t>(got))) {
            return {file, target, PatternJobStatus::Failed, out.error()};
        }
        copied += static_cast<uint64_t>(got);
        if (known && length > 0 && callbacks.onProgress) {
            int percent = static_cast<int>(std::min<uint64_t>(copied * 100 / length, 100));
            if (percent != shown) {
                shown = percent;
                callbacks.onProgress(percent);
            }
        }
    }
    if (known && copied != length) {
        return {file, target, PatternJobStatus::Failed, "the source ended early"};
    }
    info.Close();
    if (!out.commit()) {
        return {file, target, PatternJobStatus::Failed, out.error()};
    }
    if (callbacks.onProgress) {
        callbacks.onProgress(100);
    }
    return {file, target, PatternJobStatus::Done, ""};
}

}  // namespace

std::vector<PatternJobResult> CopySongsTo(const std::vector<CopyJob>& jobs,
                                          const std::string& pattern,
                                          const PatternJobCallbacks& callbacks) {
    std::vector<PatternJobResult> results;
    std::vector<std::string> sources;
    for (const CopyJob& job : jobs) {
        sources.push_back(job.source);
    }
    if (RefusedPattern(pattern, sources, results, callbacks)) {
        return results;
    }
    for (const CopyJob& job : jobs) {
        if (Cancelled(callbacks)) {
            Report(results, callbacks, {job.source, "", PatternJobStatus::Cancelled, "cancelled"});
            continue;
        }
        Report(results, callbacks, CopyOne(job, pattern, callbacks));
    }
    return results;
}

}  // namespace songcore
