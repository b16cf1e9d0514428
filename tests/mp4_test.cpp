// Reading and writing MP4 files made by ffmpeg and tagged by mutagen; every
// written file is judged by ffmpeg (it decodes cleanly) and mutagen (it reads
// the same fields and finds the other items unchanged).
#include <gtest/gtest.h>

#include <functional>

#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"
#include "songcore/util/Text.h"
#include "support/Mp4TestFiles.h"
#include "support/ProcessReads.h"
#include "support/TestSupport.h"

using namespace testsupport;
using Bytes = std::vector<uint8_t>;

namespace {

const char* const kTaggedFiles[] = {"mp4/tagged_faststart.m4a", "mp4/tagged_end.m4a"};
// What mutagen set in make.sh and the edits here leave alone: items this
// program does not write, and the album artist they do not change.
const char* const kCarriedItems[] = {"----:com.apple.iTunes:MusicBrainz Track Id",
                                     "----:com.apple.iTunes:replaygain_track_gain",
                                     "aART",
                                     "covr",
                                     "soar",
                                     "\xC2\xA9too"};

int ReadSong(const std::string& path, CSongFileInfo& info) {
    return info.Open(path, 1, 0) ? info.GetMP4Info() : 0;
}

// Opens for writing, reads, lets change() set fields and writes.
int WriteSong(const std::string& path, const std::function<void(CSongFileInfo&)>& change) {
    CSongFileInfo info;
    if (!info.Open(path, 0, 0)) {
        return 0;
    }
    info.GetMP4Info();
    change(info);
    return info.WriteMP4Info();
}

void SetSomeFields(CSongFileInfo& info) {
    info.SetTitle("A new title, longer than the old one \xC3\xA4\xC3\xB6");
    info.SetArtist("New Artist");
    info.SetGenre(static_cast<unsigned short>(17));  // Rock, "gnre" 18
    info.SetTrackNum(7);
    info.SetTrackTotal(12);
    info.SetLyrics("Line one\nLine two");
}

std::vector<uint64_t> Moved(std::vector<uint64_t> offsets, int64_t delta) {
    for (uint64_t& offset : offsets) {
        offset += delta;
    }
    return offsets;
}

std::string CopyVariant(const TempDir& dir, const std::string& name,
                        const std::function<void(Bytes&)>& edit) {
    Bytes bytes = ReadFileBytes(DataFile(name));
    edit(bytes);
    std::string path = dir.file("variant.m4a");
    WriteFileBytes(path, bytes);
    return path;
}

// The sample without room to spare: its free atoms become "skip" atoms,
// which the writer leaves alone, so that a change of size has to move the
// media data.
std::string CopyWithoutPadding(const TempDir& dir, const std::string& name) {
    return CopyVariant(dir, name, [](Bytes& bytes) {
        std::vector<AtomSpot> free = FindChildren(bytes, {"moov", "udta", "meta"}, "free");
        for (AtomSpot spot : FindChildren(bytes, {}, "free")) {
            free.push_back(spot);
        }
        for (AtomSpot spot : free) {
            std::copy_n("skip", 4, bytes.begin() + spot.offset + 4);
        }
    });
}

}  // namespace

TEST(Mp4Read, ReadsWhatMutagenWrote) {
    for (const char* name : kTaggedFiles) {
        SCOPED_TRACE(name);
        CSongFileInfo info;
        ASSERT_EQ(ReadSong(DataFile(name), info), 1);
        EXPECT_EQ(info.GetTagKind(), TAG_MP4);
        EXPECT_EQ(info.GetTitle(), "Fixture Song");
        EXPECT_EQ(info.GetArtist(), "Fixture Artist");
        EXPECT_EQ(info.GetAlbumArtist(), "Fixture Album Artist");
        EXPECT_EQ(info.GetAlbum(), "Fixture Album");
        EXPECT_EQ(info.GetYear(), "2003");
        EXPECT_EQ(info.GetComment(), "made by make.sh");
        EXPECT_EQ(info.GetComposer(), "Fixture Composer");
        EXPECT_EQ(info.GetTrackNum(), 3u);
        EXPECT_EQ(info.GetTrackTotal(), 12u);
        EXPECT_EQ(info.GetDiscNum(), 1u);
        EXPECT_EQ(info.GetDiscTotal(), 2u);
        EXPECT_EQ(info.GetTempo(), 120);
        EXPECT_EQ(info.GetCompilation(), 1);
        EXPECT_EQ(info.GetGenreString(), "Jazz");  // mutagen wrote the genre as text
        EXPECT_EQ(info.GetGenre(), 8);
        songcore::StreamProperties stream = songcore::ReadStreamProperties(info);
        const songcore::StreamProperty* length = stream.find("length_seconds");
        ASSERT_TRUE(length);
        EXPECT_NEAR(std::get<double>(length->value), 0.251, 0.001);
    }
}

// A "data" atom of size 0 (a known fuzzed file of the peers has one in its
// "gnre" item) costs only its item: the others are read, as mutagen reads
// them, and a write keeps the damaged item as it was.
// The track tables of a long song run to megabytes; reading the tag walks
// atom headers to the movie header and the item list and leaves them unread,
// and so does writing a tag that fits its padding.
TEST(Mp4Read, LeavesTheTrackTablesUnread) {
    TempDir dir;
    const size_t tableSize = 4 << 20;
    std::string path = CopyVariant(dir, "mp4/tagged_end.m4a", [&](Bytes& bytes) {
        // Beside the tracks in the movie atom, which ends the file, so that
        // the media data stays where its chunk offsets say.
        auto mvhd = FindAtom(bytes, {"moov", "mvhd"});
        Bytes atom = MakeAtom("mvhd", Bytes(bytes.begin() + mvhd->offset + 8,
                                            bytes.begin() + mvhd->offset + mvhd->size));
        Bytes tables = MakeAtom("uuid", Bytes(tableSize, 0x5A));
        atom.insert(atom.end(), tables.begin(), tables.end());
        ReplaceAtom(bytes, {"moov", "mvhd"}, atom);
    });
    uint64_t before = BytesReadSoFar();
    CSongFileInfo info;
    ASSERT_EQ(ReadSong(path, info), 1);
    uint64_t read = BytesReadSoFar() - before;
    EXPECT_EQ(info.GetTitle(), "Fixture Song");
    EXPECT_EQ(info.GetTrackNum(), 3u);
    songcore::StreamProperties stream = songcore::ReadStreamProperties(info);
    ASSERT_TRUE(stream.find("length_seconds"));
    info.Close();
    // So does an edit that fits the item list's padding.
    uint64_t beforeWrite = BytesReadSoFar();
    ASSERT_EQ(WriteSong(path, [](CSongFileInfo& song) { song.SetYear("2024"); }), 1);
    uint64_t readToWrite = BytesReadSoFar() - beforeWrite;
    EXPECT_EQ(FfmpegErrors(path), "");
    if (before != 0) {
        EXPECT_LT(read, uint64_t{256} << 10);
        EXPECT_LT(readToWrite, uint64_t{256} << 10);
    }
}

TEST(Mp4Read, AnItemWhoseDataCannotBeReadCostsOnlyThatItem) {
    TempDir dir;
    std::string path = CopyVariant(dir, "mp4/tagged_end.m4a", [](Bytes& bytes) {
        auto items = FindChildren(bytes, {"moov", "udta", "meta", "ilst"}, "\xA9nam");
        PutU32(bytes, items.at(0).offset + 8, 0);  // its "data" child's size
    });
    CSongFileInfo info;
    ASSERT_EQ(ReadSong(path, info), 1);
    EXPECT_EQ(info.GetTitle(), "");
    EXPECT_EQ(info.GetArtist(), "Fixture Artist");
    EXPECT_EQ(info.GetAlbum(), "Fixture Album");
    info.Close();
    if (HaveMutagen()) {
        auto peer = RunPython(
            "import sys\nfrom mutagen.mp4 import MP4\nt = MP4(sys.argv[1]).tags\n"
            "print(t.get('\\xa9ART'), t.get('\\xa9alb'))\n",
            {path});
        EXPECT_EQ(peer.out, "['Fixture Artist'] ['Fixture Album']\n") << peer.err;
    }
    ASSERT_EQ(WriteSong(path, [](CSongFileInfo& song) { song.SetArtist("New Artist"); }), 1);
    CSongFileInfo back;
    ASSERT_EQ(ReadSong(path, back), 1);
    EXPECT_EQ(back.GetArtist(), "New Artist");
    EXPECT_EQ(back.GetAlbum(), "Fixture Album");
}

TEST(Mp4Read, NeedsAnItemListButKeepsTheMovieHeader) {
    CSongFileInfo info;
    EXPECT_EQ(ReadSong(DataFile("mp4/end.m4a"), info), 1);  // ffmpeg writes an empty list
    EXPECT_EQ(info.GetTitle(), "");

    TempDir dir;
    std::string path = CopyVariant(dir, "mp4/end.m4a", [](Bytes& bytes) {
        ReplaceAtom(bytes, {"moov", "udta", "meta", "ilst"}, {});
    });
    CSongFileInfo bare;
    EXPECT_EQ(ReadSong(path, bare), 0);
    EXPECT_EQ(bare.GetTagKind(), 0u);
    EXPECT_TRUE(songcore::ReadStreamProperties(bare).find("length_seconds"));
}

TEST(Mp4Read, DecodesAVersionOneMovieHeader) {
    // Version 1: 64-bit times and duration; the duration is 2^32 + 1000
    // units of a 1000 Hz scale.
    TempDir dir;
    std::string path = CopyVariant(dir, "mp4/end.m4a", [](Bytes& bytes) {
        auto mvhd = FindAtom(bytes, {"moov", "mvhd"});
        Bytes content(bytes.begin() + mvhd->offset + 8, bytes.begin() + mvhd->offset + mvhd->size);
        // version 1: flags, creation, modification (8 each), scale, duration (8)
        Bytes v1(4 + 8 + 8 + 4 + 8, 0);
        v1[0] = 1;
        PutU32(v1, 20, 1000);
        PutU64(v1, 24, (uint64_t{1} << 32) + 1000);
        v1.insert(v1.end(), content.begin() + 20, content.end());
        ReplaceAtom(bytes, {"moov", "mvhd"}, MakeAtom("mvhd", v1));
    });
    CSongFileInfo info;
    ASSERT_EQ(ReadSong(path, info), 1);
    songcore::StreamProperties stream = songcore::ReadStreamProperties(info);
    const songcore::StreamProperty* length = stream.find("length_seconds");
    ASSERT_TRUE(length);
    EXPECT_DOUBLE_EQ(std::get<double>(length->value), 4294967.296 + 1.0);
}

TEST(Mp4Write, RewritesTaggedFilesAndKeepsTheirOtherItems) {
    ASSERT_TRUE(HaveMutagen());
    for (const char* name : kTaggedFiles) {
        SCOPED_TRACE(name);
        TempDir dir;
        std::string path = CopyWithoutPadding(dir, name);
        Bytes before = ReadFileBytes(path);
        auto itemsBefore = MutagenItems(path);
        ASSERT_EQ(WriteSong(path, SetSomeFields), 1);
        Bytes after = ReadFileBytes(path);

        EXPECT_EQ(FfmpegErrors(path), "");
        auto items = MutagenItems(path);
        EXPECT_EQ(items["\xC2\xA9nam"],
                  "[\"A new title, longer than the old one \xC3\xA4\xC3\xB6\"]");
        EXPECT_EQ(items["\xC2\xA9"
                        "ART"],
                  "[\"New Artist\"]");
        EXPECT_EQ(items["\xC2\xA9"
                        "alb"],
                  itemsBefore["\xC2\xA9"
                              "alb"]);
        EXPECT_EQ(items["trkn"], "[[7, 12]]");
        EXPECT_EQ(items["disk"], "[[1, 2]]");
        EXPECT_EQ(items["tmpo"], "[120]");
        EXPECT_EQ(items["cpil"], "[true]");
        // The old genre text went with the genre it named: players that
        // prefer it would still show it.
        EXPECT_EQ(items["\xC2\xA9gen"], "[\"Rock\"]");
        for (const char* key : kCarriedItems) {
            EXPECT_EQ(items[key], itemsBefore[key]) << key;
            EXPECT_FALSE(items[key].empty()) << key;
        }

        // The movie atom and its user data grew by exactly the file's
        // growth, and the media data moved only when it follows the movie.
        int64_t delta = static_cast<int64_t>(after.size()) - static_cast<int64_t>(before.size());
        EXPECT_GT(delta, 0);
        for (auto atomPath : std::vector<std::vector<std::string>>{
                 {"moov"}, {"moov", "udta"}, {"moov", "udta", "meta"}}) {
            EXPECT_EQ(FindAtom(after, atomPath)->size, FindAtom(before, atomPath)->size + delta);
        }
        bool movieFirst = FindAtom(before, {"moov"})->offset < FindAtom(before, {"mdat"})->offset;
        EXPECT_EQ(ChunkOffsets(after), Moved(ChunkOffsets(before), movieFirst ? delta : 0));

        // Text items carry the UTF-8 type word 00 00 00 01.
        auto title = FindChildren(after, {"moov", "udta", "meta", "ilst"}, "\xA9nam");
        ASSERT_EQ(title.size(), 1u);
        EXPECT_EQ(GetU32(after, title[0].offset + 16), 1u);

        CSongFileInfo back;
        ASSERT_EQ(ReadSong(path, back), 1);
        EXPECT_EQ(back.GetTitle(), "A new title, longer than the old one \xC3\xA4\xC3\xB6");
        EXPECT_EQ(back.GetGenre(), 17);
        EXPECT_EQ(back.GetTrackNum(), 7u);
        EXPECT_EQ(back.GetTrackTotal(), 12u);
        EXPECT_EQ(back.GetLyrics(), "Line one\nLine two");
        EXPECT_EQ(back.GetTempo(), 120);
    }
}

TEST(Mp4Write, ShrinksAndEmptiesTheItemList) {
    TempDir dir;
    std::string path = CopyWithoutPadding(dir, "mp4/tagged_faststart.m4a");
    Bytes before = ReadFileBytes(path);
    // A fresh record clears every written field, the genre text included.
    CSongFileInfo info;
    ASSERT_TRUE(info.Open(path, 0, 0));
    ASSERT_EQ(info.WriteMP4Info(), 1);
    Bytes after = ReadFileBytes(path);
    int64_t delta = static_cast<int64_t>(after.size()) - static_cast<int64_t>(before.size());
    EXPECT_LT(delta, 0);
    EXPECT_EQ(ChunkOffsets(after), Moved(ChunkOffsets(before), delta));
    EXPECT_EQ(FfmpegErrors(path), "");
    auto items = MutagenItems(path);
    EXPECT_EQ(items.count("\xC2\xA9nam"), 0u);
    EXPECT_EQ(items.count("\xC2\xA9gen"), 0u);
    for (const char* cleared : {"trkn", "disk", "tmpo", "cpil",
                                "\xC2\xA9"
                                "ART"}) {
        EXPECT_EQ(items.count(cleared), 0u) << cleared;
    }
    EXPECT_FALSE(items["covr"].empty());
}

TEST(Mp4Write, CreatesTheMissingAtoms) {
    ASSERT_TRUE(HaveMutagen());
    // Title "T" and nothing else.
    const size_t itemList = 8 + 25;
    struct Case {
        const char* what;
        std::vector<std::string> remove;
        size_t grow;
    } cases[] = {
        {"meta without ilst", {"moov", "udta", "meta", "ilst"}, itemList},
        {"udta without meta", {"moov", "udta", "meta"}, itemList + 12 + 33},
        {"moov without udta", {"moov", "udta"}, itemList + 12 + 33 + 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        std::string path = CopyVariant(dir, "mp4/end.m4a",
                                       [&](Bytes& bytes) { ReplaceAtom(bytes, c.remove, {}); });
        Bytes before = ReadFileBytes(path);
        ASSERT_EQ(WriteSong(path, [](CSongFileInfo& info) { info.SetTitle("T"); }), 1);
        Bytes after = ReadFileBytes(path);
        EXPECT_EQ(FindAtom(after, {"moov"})->size, FindAtom(before, {"moov"})->size + c.grow);
        EXPECT_EQ(FindAtom(after, {"moov", "udta", "meta", "ilst"})->size, itemList);
        if (c.grow > itemList) {
            // A created meta atom has the handler other programs look for.
            auto hdlr = FindAtom(after, {"moov", "udta", "meta", "hdlr"});
            ASSERT_TRUE(hdlr);
            EXPECT_EQ(
                std::string(after.begin() + hdlr->offset + 16, after.begin() + hdlr->offset + 24),
                "mdirappl");
        }
        EXPECT_EQ(ChunkOffsets(after), ChunkOffsets(before));
        EXPECT_EQ(FfmpegErrors(path), "");
        EXPECT_EQ(MutagenItems(path)["\xC2\xA9nam"], "[\"T\"]");
        CSongFileInfo back;
        ASSERT_EQ(ReadSong(path, back), 1);
        EXPECT_EQ(back.GetTitle(), "T");
    }
}

TEST(Mp4Write, ReadsAndWritesAQuickTimeMetaAtom) {
    TempDir dir;
    std::string path = CopyVariant(dir, "mp4/tagged_end.m4a", [](Bytes& bytes) {
        auto meta = FindAtom(bytes, {"moov", "udta", "meta"});
        Bytes content(bytes.begin() + meta->offset + 12, bytes.begin() + meta->offset + meta->size);
        ReplaceAtom(bytes, {"moov", "udta", "meta"}, MakeAtom("meta", content));
    });
    CSongFileInfo info;
    ASSERT_EQ(ReadSong(path, info), 1);
    EXPECT_EQ(info.GetTitle(), "Fixture Song");
    ASSERT_EQ(WriteSong(path, SetSomeFields), 1);
    Bytes after = ReadFileBytes(path);
    auto meta = FindAtom(after, {"moov", "udta", "meta"});
    EXPECT_EQ(std::string(after.begin() + meta->offset + 12, after.begin() + meta->offset + 16),
              "hdlr");
    EXPECT_EQ(FfmpegErrors(path), "");
    CSongFileInfo back;
    ASSERT_EQ(ReadSong(path, back), 1);
    EXPECT_EQ(back.GetArtist(), "New Artist");
    EXPECT_EQ(back.GetAlbum(), "Fixture Album");
}

TEST(Mp4Write, HandlesSixtyFourBitSizesTheLastAtomAndCo64) {
    struct Case {
        const char* what;
        const char* file;
        std::function<void(Bytes&)> edit;
    } cases[] = {
        {"64-bit mdat after moov", "mp4/tagged_faststart.m4a",
         [](Bytes& bytes) {
             // The free atom before mdat and mdat's header become one
             // 16-byte header, so the media stays where it was.
             auto mdat = FindAtom(bytes, {"mdat"});
             size_t at = mdat->offset - 8;
             PutU32(bytes, at, 1);
             std::copy_n("mdat", 4, bytes.begin() + at + 4);
             PutU64(bytes, at + 8, mdat->size + 8);
         }},
        {"moov running to the end", "mp4/tagged_end.m4a",
         [](Bytes& bytes) { PutU32(bytes, FindAtom(bytes, {"moov"})->offset, 0); }},
        {"mdat running to the end", "mp4/tagged_faststart.m4a",
         [](Bytes& bytes) { PutU32(bytes, FindAtom(bytes, {"mdat"})->offset, 0); }},
        {"co64 chunk offsets", "mp4/tagged_faststart.m4a",
         [](Bytes& bytes) {
             // Four more bytes of table move the media by four.
             std::vector<uint64_t> offsets = ChunkOffsets(bytes);
             Bytes content(8, 0);
             PutU32(content, 4, static_cast<uint32_t>(offsets.size()));
             for (uint64_t offset : offsets) {
                 Bytes entry(8);
                 PutU64(entry, 0, offset + 4 * offsets.size());
                 content.insert(content.end(), entry.begin(), entry.end());
             }
             ReplaceAtom(bytes, {"moov", "trak", "mdia", "minf", "stbl", "stco"},
                         MakeAtom("co64", content));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        std::string path = CopyVariant(dir, c.file, c.edit);
        ASSERT_EQ(FfmpegErrors(path), "");  // the test file itself is sound
        Bytes before = ReadFileBytes(path);
        ASSERT_EQ(WriteSong(path, SetSomeFields), 1);
        Bytes after = ReadFileBytes(path);
        int64_t delta = static_cast<int64_t>(after.size()) - static_cast<int64_t>(before.size());
        bool movieFirst = FindAtom(before, {"moov"})->offset < FindAtom(before, {"mdat"})->offset;
        EXPECT_EQ(ChunkOffsets(after), Moved(ChunkOffsets(before), movieFirst ? delta : 0));
        EXPECT_EQ(FfmpegErrors(path), "");
        CSongFileInfo back;
        ASSERT_EQ(ReadSong(path, back), 1);
        EXPECT_EQ(back.GetArtist(), "New Artist");
    }
}

// A damaged track table does not hide the tag (the reader does not go
// there), but a write that would have to move the media data is refused.
TEST(Mp4Write, RefusesMalformedFilesAndLeavesThemUntouched) {
    struct Case {
        const char* what;
        const char* file;
        std::function<void(Bytes&)> edit;
        int readable = 0;
    } cases[] = {
        {"atom smaller than its header", "mp4/tagged_faststart.m4a",
         [](Bytes& bytes) {
             PutU32(bytes, FindAtom(bytes, {"moov", "mvhd"})->offset, 4);
         }},
        {"mdat past the end of the file", "mp4/tagged_end.m4a",
         [](Bytes& bytes) {
             auto mdat = FindAtom(bytes, {"mdat"});
             PutU32(bytes, mdat->offset, static_cast<uint32_t>(bytes.size() * 2));
         }},
        {"item past the end of the item list", "mp4/tagged_end.m4a",
         [](Bytes& bytes) {
             auto items = FindChildren(bytes, {"moov", "udta", "meta", "ilst"}, "\xA9nam");
             PutU32(bytes, items.at(0).offset, 5000);
         }},
        {"chunk offset table longer than its atom", "mp4/tagged_faststart.m4a",
         [](Bytes& bytes) {
             auto stco = FindAtom(bytes, {"moov", "trak", "mdia", "minf", "stbl", "stco"});
             PutU32(bytes, stco->offset + 12, 1000);
         },
         1},
    };
    auto grow = [](CSongFileInfo& info) { info.SetLyrics(std::string(5000, 'l')); };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        std::string path = CopyVariant(dir, c.file, c.edit);
        Bytes before = ReadFileBytes(path);
        CSongFileInfo info;
        EXPECT_EQ(ReadSong(path, info), c.readable);
        EXPECT_EQ(WriteSong(path, grow), 0);
        EXPECT_EQ(ReadFileBytes(path), before);
    }
}

TEST(Mp4Write, RefusesToMoveMovieFragments) {
    // Fragments hold absolute offsets of their own.
    TempDir dir;
    std::string path = CopyDataFile(dir, "mp4/fragmented.m4a", "song.m4a");
    Bytes before = ReadFileBytes(path);
    CSongFileInfo info;
    EXPECT_EQ(ReadSong(path, info), 1);
    EXPECT_EQ(WriteSong(path, SetSomeFields), 0);
    EXPECT_EQ(ReadFileBytes(path), before);
}

TEST(Mp4Cli, WritesAndShowsMp4Tags) {
    ASSERT_TRUE(HaveMutagen());
    TempDir dir;
    std::string path = CopyDataFile(dir, "mp4/tagged_faststart.m4a", "song.m4a");
    RunResult write = RunTunemoss({"write", "--tag", "mp4", "--title", "From the command line",
                                   "--genre", "Rock", "--track", "9", path});
    ASSERT_EQ(write.status, 0) << write.err;
    EXPECT_EQ(FfmpegErrors(path), "");
    auto items = MutagenItems(path);
    EXPECT_EQ(items["\xC2\xA9nam"], "[\"From the command line\"]");
    EXPECT_EQ(items["trkn"], "[[9, 12]]");
    EXPECT_EQ(items["\xC2\xA9gen"], "[\"Rock\"]");

    RunResult show = RunTunemoss({"show", "--json", path});
    ASSERT_EQ(show.status, 0) << show.err;
    EXPECT_NE(show.out.find("\"tag\": \"MP4\""), std::string::npos) << show.out;
    EXPECT_NE(show.out.find("\"genre\": \"Rock\""), std::string::npos) << show.out;
    EXPECT_NE(show.out.find("\"track\": 9,"), std::string::npos) << show.out;
    EXPECT_NE(show.out.find("\"length_seconds\": 0.251"), std::string::npos) << show.out;

    std::string broken = CopyVariant(dir, "mp4/tagged_end.m4a", [](Bytes& bytes) {
        PutU32(bytes, FindAtom(bytes, {"moov", "udta"})->offset, 3);
    });
    Bytes before = ReadFileBytes(broken);
    RunResult refused = RunTunemoss({"write", "--tag", "mp4", "--title", "X", broken});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("tunemoss: " + broken + ":"), std::string::npos) << refused.err;
    EXPECT_EQ(ReadFileBytes(broken), before);
}

// "trkn" and "disk" hold 16-bit numbers: a larger one is refused by name,
// never stored cut to its low 16 bits.
TEST(Mp4Cli, ANumberBeyondSixteenBitsIsRefusedNotWrapped) {
    TempDir dir;
    std::string path = CopyDataFile(dir, "mp4/tagged_faststart.m4a", "song.m4a");
    Bytes before = ReadFileBytes(path);
    for (std::vector<std::string> option : {std::vector<std::string>{"--track", "70000"},
                                            {"--disc", "65536"},
                                            {"--track", "5/70000"}}) {
        SCOPED_TRACE(option[0] + " " + option[1]);
        RunResult write = RunTunemoss({"write", "--no-history", option[0], option[1], path});
        EXPECT_EQ(write.status, 1);
        EXPECT_NE(write.err.find("song.m4a: "), std::string::npos) << write.err;
        EXPECT_NE(write.err.find("65535"), std::string::npos) << write.err;
        EXPECT_EQ(ReadFileBytes(path), before);
    }
    RunResult fits = RunTunemoss({"write", "--no-history", "--track", "65535", path});
    ASSERT_EQ(fits.status, 0) << fits.err;
    CSongFileInfo back;
    ASSERT_EQ(ReadSong(path, back), 1);
    EXPECT_EQ(back.GetTrackNum(), 65535u);
}

// "gnre" is the table's number plus one, so the table's last genre is 148;
// MP4's numbering stays inside the MP4 code, and a genre set by number or
// name is the same genre to every reader.
TEST(Mp4Cli, EveryGenreOfTheTableIsWrittenAndShown) {
    ASSERT_TRUE(HaveMutagen());
    TempDir dir;
    std::string path = CopyDataFile(dir, "mp4/faststart.m4a", "song.m4a");
    for (const char* genre : {"147", "SynthPop", "0", "Rock"}) {
        SCOPED_TRACE(genre);
        RunResult write = RunTunemoss({"write", "--no-history", "--genre", genre, path});
        ASSERT_EQ(write.status, 0) << write.err;
        std::string name = std::string(genre) == "147" ? "SynthPop"
                           : std::string(genre) == "0" ? "Blues"
                                                       : genre;
        // mutagen spells the last genre of its own table "Synthpop".
        EXPECT_TRUE(songcore::EqualsIgnoreCaseAscii(MutagenItems(path)["\xC2\xA9gen"],
                                                    "[\"" + name + "\"]"))
            << MutagenItems(path)["\xC2\xA9gen"];
        RunResult show = RunTunemoss({"show", "--json", path});
        EXPECT_NE(show.out.find("\"genre\": \"" + name + "\""), std::string::npos) << show.out;
        CSongFileInfo back;
        ASSERT_EQ(ReadSong(path, back), 1);
        EXPECT_EQ(back.GetGenreString(), name);
    }
}

namespace {

// A copy of an ffmpeg sample tagged richly by mutagen.
std::string RichSong(const TempDir& dir, const char* sample = "mp4/faststart.m4a") {
    std::string path = CopyDataFile(dir, sample, "rich.m4a");
    std::string failed = TagRichlyWithMutagen(path);
    EXPECT_EQ(failed, "");
    return path;
}

// The item atoms of the file's item list, by name (a repeated name keeps
// each one), as bytes.
std::multimap<std::string, Bytes> ItemAtoms(const Bytes& file) {
    std::multimap<std::string, Bytes> items;
    auto ilst = FindAtom(file, {"moov", "udta", "meta", "ilst"});
    for (size_t at = ilst->offset + 8; at + 8 <= ilst->offset + ilst->size;) {
        size_t size = GetU32(file, at);
        items.emplace(std::string(file.begin() + at + 4, file.begin() + at + 8),
                      Bytes(file.begin() + at, file.begin() + at + size));
        at += size;
    }
    return items;
}

// Whether the files have the same length and the same bytes outside the
// movie atom (as large as it is in either file).
bool SameOutsideMovie(const Bytes& before, const Bytes& after) {
    auto moov = FindAtom(before, {"moov"});
    size_t end =
        std::max(moov->offset + moov->size, moov->offset + FindAtom(after, {"moov"})->size);
    return before.size() == after.size() &&
           std::equal(before.begin(), before.begin() + moov->offset, after.begin()) &&
           std::equal(before.begin() + end, before.end(), after.begin() + end);
}

}  // namespace

TEST(Mp4Edit, ChangesOnlyTheEditedItemInPlace) {
    ASSERT_TRUE(HaveMutagen());
    for (const char* sample : {"mp4/faststart.m4a", "mp4/end.m4a"}) {
        SCOPED_TRACE(sample);
        TempDir dir;
        std::string path = RichSong(dir, sample);
        Bytes before = ReadFileBytes(path);
        ASSERT_FALSE(FindChildren(before, {"moov", "udta", "meta"}, "free").empty());
        auto itemsBefore = MutagenItems(path);
        CSongFileInfo read;
        ASSERT_EQ(ReadSong(path, read), 1);
        EXPECT_EQ(read.GetArtist(), "A1; A2");
        EXPECT_EQ(read.GetTrackNum(), 5u);
        EXPECT_EQ(read.GetTrackTotal(), 12u);

        ASSERT_EQ(WriteSong(path, [](CSongFileInfo& info) { info.SetYear("2024"); }), 1);
        Bytes after = ReadFileBytes(path);
        EXPECT_TRUE(SameOutsideMovie(before, after));
        EXPECT_EQ(ChunkOffsets(after), ChunkOffsets(before));
        EXPECT_EQ(FfmpegErrors(path), "");

        auto items = MutagenItems(path);
        EXPECT_EQ(items["\xC2\xA9"
                        "day"],
                  "[\"2024\"]");
        items.erase(
            "\xC2\xA9"
            "day");
        EXPECT_EQ(items, itemsBefore);
        // Byte for byte, not just alike: every old item is still there.
        auto atomsBefore = ItemAtoms(before);
        auto atomsAfter = ItemAtoms(after);
        atomsAfter.erase(
            "\xA9"
            "day");
        EXPECT_EQ(atomsAfter, atomsBefore);
    }
}

TEST(Mp4Edit, WritesSeveralArtistsAsSeveralValues) {
    ASSERT_TRUE(HaveMutagen());
    TempDir dir;
    std::string path = RichSong(dir);
    ASSERT_EQ(WriteSong(path, [](CSongFileInfo& info) { info.SetArtist("B1; B2; B3"); }), 1);
    EXPECT_EQ(MutagenItems(path)["\xC2\xA9"
                                 "ART"],
              "[\"B1\", \"B2\", \"B3\"]");
    CSongFileInfo back;
    ASSERT_EQ(ReadSong(path, back), 1);
    EXPECT_EQ(back.GetArtist(), "B1; B2; B3");
    EXPECT_EQ(FfmpegErrors(path), "");
}

TEST(Mp4Edit, AddsOnlyWhatWasSetAndRemovesWhatWasCleared) {
    ASSERT_TRUE(HaveMutagen());
    TempDir dir;
    // ffmpeg's file has an empty item list.
    std::string plain = CopyDataFile(dir, "mp4/end.m4a", "plain.m4a");
    ASSERT_EQ(WriteSong(plain, [](CSongFileInfo& info) { info.SetTitle("Only a title"); }), 1);
    auto items = MutagenItems(plain);
    EXPECT_EQ(items.size(), 1u);
    EXPECT_EQ(items["\xC2\xA9nam"], "[\"Only a title\"]");

    std::string rich = RichSong(dir);
    ASSERT_EQ(WriteSong(rich,
                        [](CSongFileInfo& info) {
                            info.SetArtist("");
                            info.SetTrackNum(0);
                            info.SetTrackTotal(0);
                        }),
              1);
    items = MutagenItems(rich);
    EXPECT_EQ(items.count("\xC2\xA9"
                          "ART"),
              0u);
    EXPECT_EQ(items.count("trkn"), 0u);
    EXPECT_EQ(items["\xC2\xA9nam"], "[\"Rich Song\"]");
    EXPECT_EQ(items["tmpo"], "[96]");
    EXPECT_EQ(items["cpil"], "[true]");
    EXPECT_EQ(items["\xC2\xA9gen"], "[\"Shoegaze\"]");
    EXPECT_FALSE(items["covr"].empty());
    EXPECT_EQ(FfmpegErrors(rich), "");
}

TEST(Mp4Edit, AGrowingTagGetsFreshPaddingOnlyWhereItHadSome) {
    ASSERT_TRUE(HaveMutagen());
    const std::string lyrics(3000, 'l');
    auto grow = [&](CSongFileInfo& info) { info.SetLyrics(lyrics); };
    TempDir dir;
    std::string rich = RichSong(dir);
    Bytes before = ReadFileBytes(rich);
    ASSERT_EQ(WriteSong(rich, grow), 1);
    Bytes after = ReadFileBytes(rich);
    auto free = FindChildren(after, {"moov", "udta", "meta"}, "free");
    ASSERT_EQ(free.size(), 1u);
    EXPECT_EQ(free[0].size, 1024u);
    auto ilst = FindAtom(after, {"moov", "udta", "meta", "ilst"});
    EXPECT_EQ(free[0].offset, ilst->offset + ilst->size);
    int64_t delta = static_cast<int64_t>(after.size()) - static_cast<int64_t>(before.size());
    EXPECT_EQ(ChunkOffsets(after), Moved(ChunkOffsets(before), delta));
    EXPECT_EQ(FfmpegErrors(rich), "");
    CSongFileInfo back;
    ASSERT_EQ(ReadSong(rich, back), 1);
    EXPECT_EQ(back.GetLyrics(), lyrics);
    EXPECT_EQ(back.GetArtist(), "A1; A2");

    // The next edit fits in that padding.
    ASSERT_EQ(WriteSong(rich, [](CSongFileInfo& info) { info.SetAlbum("A longer album name"); }),
              1);
    EXPECT_TRUE(SameOutsideMovie(after, ReadFileBytes(rich)));

    std::string plain = CopyDataFile(dir, "mp4/end.m4a", "plain.m4a");
    ASSERT_EQ(WriteSong(plain, grow), 1);
    EXPECT_TRUE(FindChildren(ReadFileBytes(plain), {"moov", "udta", "meta"}, "free").empty());
    EXPECT_EQ(FfmpegErrors(plain), "");
}

TEST(Mp4Edit, UsesTheFreeAtomAfterTheMovieAtom) {
    // ffmpeg leaves 8 free bytes between the movie atom and the media data.
    TempDir dir;
    std::string path = CopyDataFile(dir, "mp4/faststart.m4a", "song.m4a");
    Bytes before = ReadFileBytes(path);
    ASSERT_EQ(FindChildren(before, {}, "free").at(0).size, 8u);
    auto setTitle = [&](const char* title) {
        return WriteSong(path, [&](CSongFileInfo& info) { info.SetTitle(title); });
    };
    // 25 bytes more do not fit in 8: the media data moves.
    ASSERT_EQ(setTitle("T"), 1);
    Bytes tagged = ReadFileBytes(path);
    EXPECT_EQ(tagged.size(), before.size() + 25);
    EXPECT_EQ(ChunkOffsets(tagged), Moved(ChunkOffsets(before), 25));
    // 4 bytes more would leave a free atom too small for its header.
    ASSERT_EQ(setTitle("TTTTT"), 1);
    Bytes longer = ReadFileBytes(path);
    EXPECT_EQ(longer.size(), tagged.size() + 4);
    // Clearing gives the 29 bytes to the free atom; nothing else moves.
    ASSERT_EQ(setTitle(""), 1);
    Bytes cleared = ReadFileBytes(path);
    EXPECT_TRUE(SameOutsideMovie(longer, cleared));
    EXPECT_EQ(FindChildren(cleared, {}, "free").at(0).size, 8u + 29);
    EXPECT_EQ(ChunkOffsets(cleared), ChunkOffsets(longer));
    // A title of 13 bytes takes 37, the free atom whole.
    ASSERT_EQ(setTitle("1234567890123"), 1);
    Bytes full = ReadFileBytes(path);
    EXPECT_TRUE(SameOutsideMovie(cleared, full));
    EXPECT_TRUE(FindChildren(full, {}, "free").empty());
    EXPECT_EQ(ChunkOffsets(full), ChunkOffsets(longer));
    EXPECT_EQ(FfmpegErrors(path), "");
    EXPECT_EQ(MutagenItems(path)["\xC2\xA9nam"], "[\"1234567890123\"]");
}

TEST(Mp4Edit, ReadsAFileCutShortButRefusesToWriteIt) {
    struct Case {
        const char* what;
        const char* sample;
        std::function<void(Bytes&)> cut;
        const char* message;
    } cases[] = {
        {"media data cut halfway", "mp4/tagged_faststart.m4a",
         [](Bytes& bytes) { bytes.resize(bytes.size() - 500); },
         "the file is incomplete: the media data runs past its end"},
        {"trailing free atom cut", "mp4/tagged_end.m4a",
         [](Bytes& bytes) {
             Bytes free = MakeAtom("free", Bytes(1000, 0));
             bytes.insert(bytes.end(), free.begin(), free.begin() + 100);
         },
         "the file is incomplete: its last atom (free) runs past its end"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        std::string path = CopyVariant(dir, c.sample, c.cut);
        Bytes before = ReadFileBytes(path);
        CSongFileInfo info;
        ASSERT_EQ(ReadSong(path, info), 1);
        EXPECT_EQ(info.GetTitle(), "Fixture Song");
        EXPECT_EQ(info.GetTagKind(), TAG_MP4);
        CSongFileInfo writer;
        ASSERT_TRUE(writer.Open(path, 0, 0));
        ASSERT_EQ(writer.GetMP4Info(), 1);
        writer.SetTitle("X");
        EXPECT_EQ(writer.WriteMP4Info(), 0);
        EXPECT_EQ(writer.GetErrorMessage(), c.message);
        EXPECT_EQ(ReadFileBytes(path), before);
    }
}

// Lyrics, copyright and the encoder have two names each in the wild: the
// ones other programs read ("\xA9lyr", "cprt", "\xA9too") and older ones
// ("lyri", "\xA9cpy", "\xA9enc"). Either is read; an edit keeps the name the
// file uses, so that no second item of the field appears.
TEST(Mp4Edit, ReadsEitherNameOfAFieldAndKeepsTheNameTheFileUses) {
    ASSERT_TRUE(HaveMutagen());
    using songcore::SongField;
    struct Case {
        const char* name;  // as mutagen spells it
        SongField field;
        const char* other;
    };
    const Case cases[] = {
        {"lyri", SongField::Lyrics, "\xC2\xA9lyr"},
        {"\xC2\xA9lyr", SongField::Lyrics, "lyri"},
        {"\xC2\xA9"
         "cpy",
         SongField::Copyright, "cprt"},
        {"cprt", SongField::Copyright,
         "\xC2\xA9"
         "cpy"},
        {"\xC2\xA9"
         "enc",
         SongField::EncodedBy, "\xC2\xA9too"},
        {"\xC2\xA9too", SongField::EncodedBy,
         "\xC2\xA9"
         "enc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        std::string path = CopyDataFile(dir, "mp4/faststart.m4a", "named.m4a");
        auto set = RunPython(
            "import sys\nfrom mutagen.mp4 import MP4\nf = MP4(sys.argv[1])\n"
            "if f.tags is None:\n    f.add_tags()\nf.tags[sys.argv[2]] = ['Old text']\nf.save()\n",
            {path, c.name});
        ASSERT_EQ(set.status, 0) << set.err;
        CSongFileInfo read;
        ASSERT_EQ(ReadSong(path, read), 1);
        EXPECT_EQ(read.GetText(c.field), "Old text");
        read.Close();

        ASSERT_EQ(WriteSong(path, [&](CSongFileInfo& info) { info.SetText(c.field, "New text"); }),
                  1);
        auto items = MutagenItems(path);
        EXPECT_EQ(items[c.name], "[\"New text\"]");
        EXPECT_EQ(items.count(c.other), 0u);
    }
}
