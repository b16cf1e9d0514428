// MP4 metadata: the item list in moov.udta.meta.ilst and the movie header.
// A write rebuilds the movie atom in memory and streams everything else of
// the file into the replacement unchanged.
#include <algorithm>

#include "songcore/tags/Mp4Atoms.h"
#include "songcore/tags/Mp4ItemList.h"
#include "songcore/tags/Mp4Movie.h"
#include "songcore/tags/Mp4Tag.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"
#include "songcore/util/ByteReader.h"
#include "songcore/tags/ContentWriter.h"

using songcore::Mp4Atom;
using songcore::Mp4Movie;

namespace {

// Movie atoms are small next to the media; anything this large is not a
// song worth holding in memory.
constexpr uint64_t kMaxMovieSize = uint64_t{128} << 20;

struct MovieInFile {
    std::vector<Mp4Atom> top;  // the atoms of the file
    Mp4Atom where;             // the movie atom among them
    std::optional<Mp4Movie> movie;
};

// why, when given, receives the reason for a failure in plain words; it
// stays empty when the file itself could not be read (the file says why).
bool LoadMovie(CSongFile& file, MovieInFile& out, std::string* why = nullptr) {
    auto fail = [why](const char* reason) {
        if (why) {
            *why = reason;
        }
        return false;
    };
    uint64_t length = file.GetLength();
    if (length == CSongFile::kBadLength) {
        return false;
    }
    auto read = [&file](uint64_t offset, size_t count, uint8_t* buffer) {
        size_t done = 0;
        while (done < count) {
            long long got = file.ReadAt(offset + done, buffer + done, count - done);
            if (got <= 0) {
                return false;
            }
            done += static_cast<size_t>(got);
        }
        return true;
    };
    if (!songcore::ListMp4Atoms(read, 0, length, out.top, nullptr, true)) {
        return fail(
            "the file's atoms are damaged: an atom is smaller than its header or runs past the "
            "end of the file");
    }
    const Mp4Atom* moov = songcore::FindMp4Atom(out.top, "moov");
    if (!moov) {
        return fail("the file has no movie atom (moov)");
    }
    if (moov->size > kMaxMovieSize) {
        return fail("the movie atom is larger than 128 MiB");
    }
    out.where = *moov;
    std::vector<uint8_t> bytes;
    if (!file.ReadExact(moov->offset, static_cast<size_t>(moov->size), bytes)) {
        return false;
    }
    out.movie = Mp4Movie::Parse(std::move(bytes));
    if (!out.movie) {
        return fail(
            "the file's atoms are damaged: an atom inside the movie atom is malformed or runs "
            "past its parent");
    }
    return true;
}

}  // namespace

int CSongFileInfo::GetMP4Info() {
    Init();
    mp4MovieHeader_.fill(0);
    MovieInFile file;
    if (!LoadMovie(*this, file)) {
        return 0;
    }
    std::span<const uint8_t> header = file.movie->movieHeader();
    if (header.size() < mp4MovieHeader_.size()) {
        return 0;
    }
    std::copy_n(header.begin(), mp4MovieHeader_.size(), mp4MovieHeader_.begin());
    if (!file.movie->hasItemList()) {
        return 0;
    }
    auto items = songcore::ParseMp4ItemList(file.movie->itemListContent());
    if (!items) {
        return 0;
    }
    songcore::Mp4Tag tag;
    tag.ReadItems(*items);
    title_ = tag.title;
    composer_ = tag.composer;
    artist_ = tag.artist;
    album_ = tag.album;
    comment_ = tag.comment;
    year_ = tag.year;
    url_ = tag.url;
    copyright_ = tag.copyright;
    encodedBy_ = tag.encodedBy;
    if (!tag.lyrics.empty()) {
        lyrics_ = tag.lyrics;
    }
    genre_ = tag.genre;
    trackNum_ = tag.track;
    discNum_ = tag.disc;
    tempo_ = tag.tempo;
    compilation_ = tag.compilation;
    tagKind_ = TAG_MP4;
    return 1;
}

int CSongFileInfo::WriteMP4Info() {
    MovieInFile file;
    std::string why;
    if (!LoadMovie(*this, file, &why)) {
        return why.empty() ? 0 : Refuse(why);
    }
    std::vector<songcore::Mp4Item> old;
    if (file.movie->hasItemList()) {
        auto parsed = songcore::ParseMp4ItemList(file.movie->itemListContent());
        if (!parsed) {
            return Refuse("the file's atoms are damaged: an item of the item list is malformed");
        }
        old = std::move(*parsed);
    }
    songcore::Mp4Tag tag;
    tag.title = title_;
    tag.composer = composer_;
    tag.artist = artist_;
    tag.album = album_;
    tag.comment = comment_;
    tag.year = year_;
    tag.url = url_;
    tag.copyright = copyright_;
    tag.encodedBy = encodedBy_;
    tag.lyrics = lyrics_;
    tag.genre = genre_;
    tag.track = trackNum_;
    tag.disc = discNum_;
    tag.tempo = tempo_;
    tag.compilation = compilation_;

    auto rebuilt = file.movie->WithItemList(tag.BuildItemList(old));
    if (!rebuilt) {
        return Refuse("the new item list does not fit the size fields of the atoms around it");
    }
    std::optional<Mp4Movie> movie = Mp4Movie::Parse(std::move(*rebuilt));
    if (!movie) {
        return Refuse("the rebuilt movie atom could not be read back");
    }
    const Mp4Atom& where = file.where;
    int64_t delta = static_cast<int64_t>(movie->bytes().size()) - static_cast<int64_t>(where.size);
    if (delta != 0) {
        // Movie fragments carry absolute offsets of their own, which this
        // writer does not correct; moving them would break the file.
        for (const Mp4Atom& atom : file.top) {
            if (atom.offset > where.offset && (atom.type == "moof" || atom.type == "mfra")) {
                return Refuse("movie fragments follow the movie header; they would have to move");
            }
        }
        if (!movie->ShiftChunkOffsets(delta, where.end())) {
            return Refuse("a chunk offset would no longer fit its table once the media data moves");
        }
    }
    uint64_t length = GetLength();
    if (length == kBadLength) {
        return 0;  // the reason is the stream's
    }
    if (length < where.end()) {
        return Refuse("the file is shorter than its movie atom");
    }
    return ReplaceContents([&](songcore::ContentWriter& out) {
        return CopyRange(out, 0, where.offset) && out.append(movie->bytes()) &&
               CopyRange(out, where.end(), length - where.end());
    });
}

void songcore::AddMP4StreamProperties(CSongFileInfo& song, StreamProperties& out) {
    const auto& header = song.GetMP4MovieHeaderArea();
    ByteReader reader(header);
    uint8_t version = reader.u8();
    reader.skip(3);  // flags
    uint64_t timeScale = 0;
    uint64_t duration = 0;
    bool unknown = false;
    if (version == 1) {
        reader.skip(16);  // creation and modification times
        timeScale = reader.u32be();
        duration = reader.u64be();
        unknown = duration == UINT64_MAX;
    } else {
        reader.skip(8);
        timeScale = reader.u32be();
        duration = reader.u32be();
        unknown = duration == 0xFFFFFFFFu;
    }
    if (!reader.ok() || timeScale == 0) {
        return;
    }
    out.add("time_scale", static_cast<int64_t>(timeScale));
    if (!unknown) {
        out.add("duration", static_cast<int64_t>(std::min<uint64_t>(duration, INT64_MAX)));
        out.add("length_seconds", static_cast<double>(duration) / static_cast<double>(timeScale));
    }
}
