// MP4 metadata: the item list in moov.udta.meta.ilst and the movie header.
// A write that fits the item list's padding rebuilds the user data atom
// alone; any other rebuilds the movie atom in memory and streams everything
// else of the file into the replacement unchanged. When a free atom beside the item
// list (or right after the movie atom) can take the size change, the media
// data stays where it is; otherwise it moves and the chunk offsets follow.
#include <algorithm>

#include "songcore/songfile/ContentWriter.h"
#include "songcore/tags/MoveAlignment.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"
#include "songcore/tags/mp4/Mp4Atoms.h"
#include "songcore/tags/mp4/Mp4Cover.h"
#include "songcore/tags/mp4/Mp4ItemList.h"
#include "songcore/tags/mp4/Mp4Items.h"
#include "songcore/tags/mp4/Mp4Movie.h"
#include "songcore/tags/mp4/Mp4MovieFile.h"
#include "songcore/tags/mp4/Mp4Tag.h"
#include "songcore/util/ByteReader.h"
#include "songcore/util/ByteWriter.h"

using songcore::Mp4Atom;
using songcore::Mp4Movie;

namespace {

std::string IncompleteReason(const Mp4Atom& cut) {
    if (cut.type == "mdat") {
        return "the file is incomplete: the media data runs past its end";
    }
    return "the file is incomplete: its last atom (" + cut.type + ") runs past its end";
}

// The free atom right after the movie atom, when it can take delta bytes
// (or give them, for a negative delta) and stay a free atom or go whole.
const Mp4Atom* FreeAfterMovie(const songcore::Mp4MovieInFile& file, int64_t delta) {
    for (const Mp4Atom& atom : file.top) {
        if (atom.offset != file.where.end()) {
            continue;
        }
        if (atom.type != "free" || atom.headerSize != 8 || atom.sizeToEnd) {
            return nullptr;
        }
        int64_t left = static_cast<int64_t>(atom.size) - delta;
        bool fits = left == 0 || (left >= 8 && left <= 0xFFFFFFFF);
        return fits ? &atom : nullptr;
    }
    return nullptr;
}

// The new movie atom, and where the old file's bytes after it resume (past
// the old movie atom, or inside the free atom that gave it room).
struct MovieWrite {
    std::vector<uint8_t> movie;
    uint64_t restAt = 0;
};

std::optional<MovieWrite> PlanMovieWrite(const songcore::Mp4MovieInFile& file,
                                         std::span<const uint8_t> itemList, uint64_t fileLength,
                                         std::string& why) {
    const Mp4Atom& where = file.where;
    const Mp4Movie& old = *file.movie;
    auto fail = [&why](const char* reason) {
        why = reason;
        return std::nullopt;
    };
    const char* tooLarge = "the new item list does not fit the size fields of the atoms around it";

    // In place: the padding beside the item list takes the change.
    if (auto same = old.WithItemList(itemList, songcore::Mp4Padding::kAbsorb)) {
        return MovieWrite{std::move(*same), where.end()};
    }
    auto rebuilt = old.WithItemList(itemList, songcore::Mp4Padding::kKeep);
    if (!rebuilt) {
        return fail(tooLarge);
    }
    int64_t delta = static_cast<int64_t>(rebuilt->size()) - static_cast<int64_t>(where.size);
    if (delta == 0) {
        return MovieWrite{std::move(*rebuilt), where.end()};
    }
    // In place: the free atom after the movie atom takes it. Its content
    // keeps the old bytes, so they need not be written again.
    if (const Mp4Atom* free = FreeAfterMovie(file, delta)) {
        uint64_t left = free->size - delta;
        songcore::ByteWriter header;
        if (left > 0) {
            header.u32be(static_cast<uint32_t>(left));
            header.text("free");
        }
        rebuilt->insert(rebuilt->end(), header.buffer().begin(), header.buffer().end());
        return MovieWrite{std::move(*rebuilt), where.end() + delta + header.size()};
    }

    // The media data moves. Padding that was too small is renewed, so that
    // the next edits fit.
    if (old.hasPadding()) {
        rebuilt = old.WithItemList(itemList, songcore::Mp4Padding::kRenew);
        if (!rebuilt) {
            return fail(tooLarge);
        }
        delta = static_cast<int64_t>(rebuilt->size()) - static_cast<int64_t>(where.size);
    }
    std::optional<Mp4Movie> movie = Mp4Movie::Parse(std::move(*rebuilt));
    if (!movie) {
        return fail("the rebuilt movie atom could not be read back");
    }
    // Movie fragments carry absolute offsets of their own, which this
    // writer does not correct; moving them would break the file.
    for (const Mp4Atom& atom : file.top) {
        if (atom.offset > where.offset && (atom.type == "moof" || atom.type == "mfra")) {
            return fail("movie fragments follow the movie header; they would have to move");
        }
    }
    // A free atom after the movie atom makes the media data move by whole
    // blocks (MoveAlignment.h).
    uint64_t moved = fileLength > where.end() ? fileLength - where.end() : 0;
    constexpr uint64_t kFreeHeader = 8;
    uint64_t freeSize =
        songcore::PaddingForAlignedMove(static_cast<uint64_t>(delta), moved, kFreeHeader);
    if (!movie->ShiftChunkOffsets(delta + static_cast<int64_t>(freeSize), where.end())) {
        return fail("a chunk offset would no longer fit its table once the media data moves");
    }
    MovieWrite write{movie->bytes(), where.end()};
    if (freeSize > 0) {
        songcore::ByteWriter free;
        free.u32be(static_cast<uint32_t>(freeSize));
        free.text("free");
        free.zeros(static_cast<size_t>(freeSize - kFreeHeader));
        write.movie.insert(write.movie.end(), free.buffer().begin(), free.buffer().end());
    }
    return write;
}

}  // namespace

int CSongFileInfo::GetMP4Info() {
    Init();
    mp4MovieHeader_.fill(0);
    // Cover art is left unread, so a large cover does not slow the reading
    // of a song tree.
    std::optional<songcore::Mp4TagBytes> bytes =
        songcore::LoadMp4TagBytes(*this, songcore::Mp4CoverBytes::kLeftOut);
    if (!bytes || bytes->movieHeader.size() < mp4MovieHeader_.size()) {
        return 0;
    }
    std::copy_n(bytes->movieHeader.begin(), mp4MovieHeader_.size(), mp4MovieHeader_.begin());
    if (!bytes->itemList) {
        return 0;
    }
    auto items = songcore::ParseMp4ItemList(*bytes->itemList);
    if (!items) {
        return 0;
    }
    songcore::Mp4Tag tag;
    tag.ReadItems(*items);
    // The lyrics of the song read before stay unless this one has its own.
    std::span<const std::string> held = GetValues(songcore::SongField::Lyrics);
    std::vector<std::string> lyrics(held.begin(), held.end());
    tag.ToFields(fields_);
    if (tag.lyrics.empty()) {
        SetValues(songcore::SongField::Lyrics, std::move(lyrics));
    }
    tagKind_ = TAG_MP4;
    return 1;
}

int CSongFileInfo::WriteMP4Info() {
    songcore::Mp4MovieInFile file;
    std::string why;
    if (!songcore::FindMp4Movie(*this, file, &why)) {
        return why.empty() ? 0 : Refuse(why);
    }
    // The atoms past the end would be cut off for good, or filled with
    // whatever follows when the download resumes.
    if (file.cutShort) {
        return Refuse(IncompleteReason(*file.cutShort));
    }
    std::optional<songcore::Mp4TagBytes> tagBytes = songcore::ReadMp4TagBytes(
        songcore::Mp4ReaderOf(*this), file.where, songcore::Mp4CoverBytes::kRead);
    if (!tagBytes) {
        // Reading the whole movie atom tells what is damaged.
        if (songcore::LoadMp4Movie(*this, file, &why) || why.empty()) {
            return 0;  // a read failed: the file says why
        }
        return Refuse(why);
    }
    std::vector<songcore::Mp4Item> old;
    if (tagBytes->itemList) {
        auto parsed = songcore::ParseMp4ItemList(*tagBytes->itemList);
        if (!parsed) {
            return Refuse("the file's atoms are damaged: an item of the item list is malformed");
        }
        old = std::move(*parsed);
    }
    if (pendingItems_) {
        if (std::string why = songcore::ApplyMp4ItemEdits(old, *pendingItems_); !why.empty()) {
            return Refuse(why);
        }
    }
    songcore::Mp4Tag before;
    before.ReadItems(old);
    songcore::Mp4Tag tag;
    if (std::string why = tag.FromFields(fields_, before); !why.empty()) {
        return Refuse(why);
    }

    std::vector<uint8_t> itemList;
    if (pendingPictures_) {
        std::optional<std::vector<uint8_t>> covers =
            songcore::BuildMp4CoverItem(*pendingPictures_, why);
        if (!covers) {
            return Refuse(why);
        }
        std::erase_if(old, [](const songcore::Mp4Item& item) {
            return item.name == songcore::kMp4CoverItem;
        });
        // After the other items, where other taggers put them too.
        itemList = tag.BuildItemList(old);
        itemList.insert(itemList.end(), covers->begin(), covers->end());
    } else {
        itemList = tag.BuildItemList(old);
    }
    uint64_t length = GetLength();
    if (length == kBadLength) {
        return 0;  // the reason is the stream's
    }
    // Most edits fit the item list's padding: only the user data atom is
    // read and rewritten, not the movie atom's track tables.
    if (const std::optional<Mp4Atom>& udta = tagBytes->userData) {
        std::vector<uint8_t> oldUserData;
        if (!ReadExact(udta->offset, static_cast<size_t>(udta->size), oldUserData)) {
            return 0;
        }
        if (auto same = Mp4Movie::UserDataInPlace(oldUserData, itemList)) {
            return ReplaceContents([&](songcore::ContentWriter& out) {
                return CopyRange(out, 0, udta->offset) && out.append(*same) &&
                       CopyRange(out, udta->end(), length - udta->end());
            });
        }
    }
    if (!songcore::LoadMp4Movie(*this, file, &why)) {
        return why.empty() ? 0 : Refuse(why);
    }
    std::optional<MovieWrite> plan = PlanMovieWrite(file, itemList, length, why);
    if (!plan) {
        return Refuse(why);
    }
    const Mp4Atom& where = file.where;
    if (length < plan->restAt) {
        return Refuse("the file is shorter than its movie atom");
    }
    return ReplaceContents([&](songcore::ContentWriter& out) {
        return CopyRange(out, 0, where.offset) && out.append(plan->movie) &&
               CopyRange(out, plan->restAt, length - plan->restAt);
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
