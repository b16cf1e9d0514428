#include "bench/Corpus.h"

#include <filesystem>

#include "songcore/tags/SongFileInfo.h"

namespace fs = std::filesystem;

namespace bench {

const std::vector<CorpusFormat>& CorpusFormats() {
    static const std::vector<CorpusFormat> formats = {
        {"mp3-id3v23+v1", "id3v2/base.mp3", "mp3", true},
        {"mp3-id3v24", "id3v2/v24.mp3", "mp3", false},
        {"ogg", "ogg/plain.ogg", "ogg", false},
        {"flac", "flac/plain.flac", "flac", false},
        {"m4a", "mp4/tagged_faststart.m4a", "m4a", false},
        {"wma", "asf/tagged.wma", "wma", false},
        {"aac-apev2", "ape/ape.aac", "aac", false},
        {"wav-id3", "wav/tagged.wav", "wav", false, ReadGoal::kTwiceTagLib},
        {"aiff-id3", "aiff/tagged.aiff", "aiff", false, ReadGoal::kTwiceTagLib},
        {"wv-apev2", "wavpack/tagged.wv", "wv", false, ReadGoal::kTwiceTagLib},
        {"dsf-id3", "dsf/tagged.dsf", "dsf", false, ReadGoal::kHalfFloor64},
        {"mka", "matroska/levels.mka", "mka", false, ReadGoal::kHalfFloor64},
    };
    return formats;
}

namespace {

// Fields that differ from file to file the way a real collection's do.
void FillFields(CSongFileInfo& info, int n) {
    info.SetTitle("Song number " + std::to_string(n));
    info.SetArtist("Artist " + std::to_string(n % 97));
    info.SetAlbum("Album " + std::to_string(n % 211));
    info.SetYear(std::to_string(1960 + n % 60));
    info.SetComment("benchmark copy " + std::to_string(n));
    info.SetTrackNum(static_cast<uint32_t>(n % 20 + 1));
    info.SetGenre(static_cast<unsigned short>(n % 148));
}

bool Fail(std::string& error, const std::string& what, const std::string& path,
          const CSongFileInfo& info) {
    error = what + " " + path + ": " + info.GetErrorMessage();
    return false;
}

}  // namespace

bool MakeCorpus(const std::string& fixtures, const std::string& dir, int perFormat,
                std::string& error) {
    std::error_code ec;
    for (const CorpusFormat& format : CorpusFormats()) {
        fs::path folder = fs::path(dir) / format.key;
        fs::create_directories(folder, ec);
        if (ec) {
            error = "cannot create " + folder.string() + ": " + ec.message();
            return false;
        }
        fs::path source = fs::path(fixtures) / format.fixture;
        for (int n = 0; n < perFormat; ++n) {
            char name[32];
            std::snprintf(name, sizeof name, "%05d.%s", n, format.ext);
            std::string path = (folder / name).string();
            fs::copy_file(source, path, fs::copy_options::overwrite_existing, ec);
            if (ec) {
                error = "cannot copy " + source.string() + ": " + ec.message();
                return false;
            }
            CSongFileInfo info;
            if (!info.Open(path, 0, 0)) {
                return Fail(error, "cannot open", path, info);
            }
            info.GetSongInfo();
            FillFields(info, n);
            if (!info.WriteSongInfo()) {
                return Fail(error, "cannot write the tag of", path, info);
            }
            if (format.addId3v1 && !info.WriteID3V1Info()) {
                return Fail(error, "cannot write the ID3v1 tag of", path, info);
            }
        }
    }
    return true;
}

bool Retag(const std::string& path, const std::string& title, size_t commentBytes,
           std::string& error) {
    CSongFileInfo info;
    if (!info.Open(path, 0, 0)) {
        return Fail(error, "cannot open", path, info);
    }
    info.GetSongInfo();
    info.SetTitle(title);
    if (commentBytes > 0) {
        std::string comment;
        comment.reserve(commentBytes);
        while (comment.size() < commentBytes) {
            comment += "A long liner note, repeated to fill the comment. ";
        }
        comment.resize(commentBytes);
        info.SetComment(comment);
    }
    if (!info.WriteSongInfo()) {
        return Fail(error, "cannot write the tag of", path, info);
    }
    return true;
}

}  // namespace bench
