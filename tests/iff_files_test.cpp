// WAV and AIFF files as ffmpeg and mutagen make them: the tag read from the
// ID3 chunk or, without one, from the older text chunks; the stream
// properties; writes that keep WAV's INFO list in step, pad odd chunks,
// keep the audio in place, and refuse what they cannot write safely.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "songcore/edit/SongEdit.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"
#include "songcore/tags/iff/IffForm.h"
#include "support/MediaChecks.h"
#include "support/PictureFiles.h"
#include "support/TestSupport.h"

using songcore::SongField;
using testsupport::CopyDataFile;
using testsupport::ReadFileBytes;
using testsupport::TempDir;

namespace {

class IffFiles : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("XDG_STATE_HOME", state_.path().c_str(), 1); }
    TempDir state_;
    TempDir dir_;
};

struct Expected {
    const char* file;
    const char* title;
    const char* artist;
    const char* album;
    const char* comment;
    uint32_t track;
};

TEST_F(IffFiles, ReadsTheId3ChunkElseTheTextChunks) {
    const Expected cases[] = {
        // The ID3 chunk wins over the INFO list beside it.
        {"wav/tagged.wav", "Песня", "Tagged Artist", "Tagged Album", "tagged comment", 5},
        {"wav/info.wav", "Info Title", "Info Artist", "Info Album", "Info comment", 3},
        {"wav/bare.wav", "", "", "", "", 0},
        {"aiff/tagged.aiff", "Überschrift", "First; Second", "Tagged Album", "", 0},
        {"aiff/ffmpeg.aiff", "Aiff Title", "Aiff Artist", "Aiff Album", "", 0},
        {"aiff/text.aiff", "Text Title", "Text Author", "", "Text comment", 0},
    };
    for (const Expected& c : cases) {
        SCOPED_TRACE(c.file);
        CSongFileInfo song;
        ASSERT_TRUE(song.Open(testsupport::DataFile(c.file), 1, 0));
        EXPECT_EQ(song.GetSongInfo(), *c.title ? 1 : 0);
        EXPECT_EQ(song.GetTitle(), c.title);
        EXPECT_EQ(song.GetArtist(), c.artist);
        EXPECT_EQ(song.GetAlbum(), c.album);
        EXPECT_EQ(song.GetComment(), c.comment);
        EXPECT_EQ(song.GetTrackNum(), c.track);
        EXPECT_EQ(song.GetWriteTagKind(), TAG_ID3V2);
    }
    CSongFileInfo info;
    ASSERT_TRUE(info.Open(testsupport::DataFile("wav/info.wav"), 1, 0));
    info.GetSongInfo();
    EXPECT_EQ(info.GetYear(), "1987");
    EXPECT_EQ(info.GetGenreString(), "Blues");
    CSongFileInfo text;
    ASSERT_TRUE(text.Open(testsupport::DataFile("aiff/text.aiff"), 1, 0));
    text.GetSongInfo();
    EXPECT_EQ(text.GetCopyright(), "(c) Text");
}

struct Stream {
    const char* file;
    const char* codec;
    int64_t channels;
    int64_t rate;
    int64_t bits;
    int64_t samples;
};

TEST_F(IffFiles, StreamPropertiesOfEachLayout) {
    const Stream cases[] = {
        {"wav/bare.wav", "PCM", 1, 8000, 16, 1600},
        {"wav/float.wav", "IEEE float", 1, 8000, 32, 1600},
        {"wav/rf64.wav", "PCM", 1, 8000, 16, 1600},
        {"wav/odd.wav", "PCM", 1, 8000, 8, 1601},
        {"aiff/bare.aiff", "PCM", 1, 8000, 16, 1600},
        {"aiff/float.aifc", "IEEE float", 1, 8000, 32, 1600},
    };
    for (const Stream& c : cases) {
        SCOPED_TRACE(c.file);
        CSongFileInfo song;
        ASSERT_TRUE(song.Open(testsupport::DataFile(c.file), 1, 0));
        song.GetSongInfo();
        songcore::StreamProperties stream = songcore::ReadStreamProperties(song);
        auto number = [&](const char* key) {
            const songcore::StreamProperty* p = stream.find(key);
            return p ? std::get<int64_t>(p->value) : -1;
        };
        ASSERT_NE(stream.find("codec"), nullptr);
        EXPECT_EQ(std::get<std::string>(stream.find("codec")->value), c.codec);
        EXPECT_EQ(number("channels"), c.channels);
        EXPECT_EQ(number("sample_rate"), c.rate);
        EXPECT_EQ(number("bits_per_sample"), c.bits);
        EXPECT_EQ(number("total_samples"), c.samples);
        EXPECT_NEAR(std::get<double>(stream.find("length_seconds")->value), c.samples / 8000.0,
                    1e-9);
        EXPECT_EQ(songcore::MissingStreamProblem(song, stream), "");
    }
    // Text saved as .wav: not a song, said so.
    std::string text = dir_.file("notes.wav");
    testsupport::WriteFileBytes(text, {'h', 'e', 'l', 'l', 'o'});
    CSongFileInfo song;
    ASSERT_TRUE(song.Open(text, 1, 0));
    EXPECT_EQ(songcore::MissingStreamProblem(song, songcore::ReadStreamProperties(song)),
              "no audio stream found");
}

// The INFO items as a plain RIFF walk in Python finds them, "ID=text" each.
std::string InfoItems(const std::string& path) {
    testsupport::RunResult run = testsupport::RunPython(R"(
import struct, sys
data = open(sys.argv[1], 'rb').read()
pos, out = 12, []
while pos + 8 <= len(data):
    cid, size = data[pos:pos + 4], struct.unpack('<I', data[pos + 4:pos + 8])[0]
    body = data[pos + 8:pos + 8 + size]
    if cid == b'LIST' and body[:4] == b'INFO':
        at = 4
        while at + 8 <= len(body):
            iid, isize = body[at:at + 4], struct.unpack('<I', body[at + 4:at + 8])[0]
            out.append(iid.decode() + '=' + body[at + 8:at + 8 + isize].rstrip(b'\0').decode())
            at += 8 + isize + (isize & 1)
    pos += 8 + size + (size & 1)
print(' '.join(out))
)",
                                                        {path});
    EXPECT_EQ(run.status, 0) << run.err;
    return run.out.substr(0, run.out.find('\n'));
}

// What mutagen reads: the RIFF or FORM length against the file's, and the
// ID3 frames, "ID=text" each.
std::string MutagenView(const std::string& path) {
    testsupport::RunResult run = testsupport::RunPython(R"(
import os, struct, sys, mutagen
path = sys.argv[1]
head = open(path, 'rb').read(8)
size = struct.unpack('>I' if head[:4] == b'FORM' else '<I', head[4:8])[0]
f = mutagen.File(path)
frames = sorted(k + '=' + str(v) for k, v in (f.tags or {}).items() if not k.startswith('APIC'))
print('size ok' if size + 8 == os.path.getsize(path) else 'size wrong', ' '.join(frames))
)",
                                                        {path});
    EXPECT_EQ(run.status, 0) << run.err;
    return run.out.substr(0, run.out.find('\n'));
}

TEST_F(IffFiles, AWriteAddsTheId3ChunkAndKeepsTheInfoListInStep) {
    if (!testsupport::HaveMutagen()) {
        GTEST_SKIP() << "mutagen is not installed";
    }
    std::string path = CopyDataFile(dir_, "wav/info.wav");
    std::string audio =
        testsupport::Run({"ffmpeg", "-v", "error", "-i", path, "-f", "md5", "-"}).out;
    songcore::SongEditResult result =
        songcore::EditSong(path, {{SongField::Title, "Neuer Titel"}, {SongField::Year, ""}});
    ASSERT_TRUE(result.ok) << result.error;
    // Every field the INFO list gave now also stands in the new ID3 chunk.
    EXPECT_EQ(MutagenView(path),
              "size ok COMM::eng=Info comment TALB=Info Album TCON=Blues TIT2=Neuer Titel "
              "TPE1=Info Artist TRCK=3");
    EXPECT_EQ(InfoItems(path),
              "IART=Info Artist ICMT=Info comment IGNR=Blues INAM=Neuer Titel IPRD=Info Album "
              "IPRT=3");
    EXPECT_EQ(testsupport::Run({"ffmpeg", "-v", "error", "-i", path, "-f", "md5", "-"}).out, audio);
    EXPECT_EQ(testsupport::FfmpegDecodeErrors(path), "");

    // Written as the ID3v2 kind (as qarv's dialog and --tag id3v2 do), a
    // file without an ID3 chunk starts from its text chunks too: nothing of
    // them is lost.
    std::string kind = CopyDataFile(dir_, "wav/info.wav", "kind.wav");
    result = songcore::EditSong(kind, {{SongField::Title, "Kind"}}, {TAG_ID3V2});
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(InfoItems(kind),
              "IART=Info Artist ICMT=Info comment ICRD=1987 IGNR=Blues INAM=Kind IPRD=Info Album "
              "IPRT=3");
    EXPECT_NE(MutagenView(kind).find("TPE1=Info Artist"), std::string::npos);
    std::string aiff = CopyDataFile(dir_, "aiff/text.aiff");
    ASSERT_TRUE(songcore::EditSong(aiff, {{SongField::Album, "A"}}, {TAG_ID3V2}).ok);
    EXPECT_NE(MutagenView(aiff).find("TIT2=Text Title"), std::string::npos);

    // A cleared field's item goes, a new one is added last, the track stays
    // under ffmpeg's IPRT; a field INFO has no place for changes nothing.
    result = songcore::EditSong(path, {{SongField::Album, ""},
                                       {SongField::Year, "2001"},
                                       {SongField::Track, "4"},
                                       {SongField::Composer, "Bach"}});
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(InfoItems(path),
              "IART=Info Artist ICMT=Info comment IGNR=Blues INAM=Neuer Titel IPRT=4 ICRD=2001");
}

TEST_F(IffFiles, TheId3ChunkGrowsAndShrinksInPlaceAtTheEndAndOddChunksArePadded) {
    if (!testsupport::HaveMutagen()) {
        GTEST_SKIP() << "mutagen is not installed";
    }
    for (const char* sample : {"wav/odd.wav", "aiff/ffmpeg.aiff", "wav/bare.wav"}) {
        SCOPED_TRACE(sample);
        std::string path = CopyDataFile(dir_, sample);
        std::vector<uint8_t> before = ReadFileBytes(path);
        for (const std::string& title :
             {std::string(3001, 'x'), std::string("a"), std::string("bc")}) {
            songcore::SongEditResult result = songcore::EditSong(path, {{SongField::Title, title}});
            ASSERT_TRUE(result.ok) << result.error;
            std::string view = MutagenView(path);
            EXPECT_TRUE(view.starts_with("size ok")) << view;
            EXPECT_NE(view.find("TIT2=" + title), std::string::npos) << view;
            EXPECT_EQ(testsupport::FfmpegDecodeErrors(path), "");
            std::vector<uint8_t> after = ReadFileBytes(path);
            EXPECT_EQ(after.size() % 2, 0u);
            // Everything before the tag's chunk is as it was but the length.
            size_t audioEnd = std::string(sample) == "aiff/ffmpeg.aiff" ? 3272 : 1646;
            if (std::string(sample) == "wav/bare.wav") {
                audioEnd = before.size();
            }
            ASSERT_GE(after.size(), audioEnd);
            EXPECT_TRUE(
                std::equal(before.begin() + 8, before.begin() + audioEnd, after.begin() + 8));
        }
    }
}

// The file's top-level chunk ids in order, "fmt JUNK data LIST id3".
std::string ChunkIds(const std::string& path) {
    std::vector<uint8_t> bytes = ReadFileBytes(path);
    std::optional<songcore::IffForm> form =
        songcore::IffForm::Read(songcore::SpanReader(bytes), bytes.size());
    std::string ids;
    for (const songcore::IffChunk& chunk :
         form ? form->chunks : std::vector<songcore::IffChunk>{}) {
        ids += (ids.empty() ? "" : " ") + chunk.id.substr(0, chunk.id.find_last_not_of(' ') + 1);
    }
    return ids;
}

// ffmpeg puts its INFO list before the audio. A change of the list's length
// must not move the audio: a shorter list keeps its place with a JUNK chunk
// after it, a longer one moves to the end and leaves JUNK where it was.
TEST_F(IffFiles, AnInfoListBeforeTheAudioChangesLengthWithoutMovingTheAudio) {
    if (!testsupport::HaveMutagen()) {
        GTEST_SKIP() << "mutagen is not installed";
    }
    struct Case {
        const char* sample;
        const char* title;
        const char* ids;
        const char* info;
    } cases[] = {
        {"wav/info.wav", "Ein neuer Titel", "fmt JUNK data LIST id3",
         "IART=Info Artist ICMT=Info comment ICRD=1987 IGNR=Blues INAM=Ein neuer Titel "
         "IPRD=Info Album IPRT=3"},
        {"wav/tagged.wav", "T", "fmt LIST JUNK data id3",
         "IART=Tagged Artist ICMT=tagged comment IGNR=Jazz INAM=T IPRD=Tagged Album IPRT=5/9"},
        // Too little room left for a JUNK chunk's header: the list moves.
        {"wav/tagged.wav", "Eleven Char", "fmt JUNK data id3 LIST",
         "IART=Tagged Artist ICMT=tagged comment IGNR=Jazz INAM=Eleven Char IPRD=Tagged Album "
         "IPRT=5/9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.sample) + " " + c.title);
        std::string path = CopyDataFile(dir_, c.sample, "grow.wav");
        std::vector<uint8_t> before = ReadFileBytes(path);
        struct stat old {};
        ASSERT_EQ(::stat(path.c_str(), &old), 0);
        songcore::SongEditResult result = songcore::EditSong(path, {{SongField::Title, c.title}});
        ASSERT_TRUE(result.ok) << result.error;
        struct stat now {};
        ASSERT_EQ(::stat(path.c_str(), &now), 0);
        EXPECT_EQ(now.st_ino, old.st_ino) << "the file was rewritten";
        EXPECT_EQ(ChunkIds(path), c.ids);
        EXPECT_EQ(InfoItems(path), c.info);
        std::vector<uint8_t> after = ReadFileBytes(path);
        ASSERT_GE(after.size(), 3376u);
        EXPECT_TRUE(std::equal(before.begin() + 168, before.begin() + 3376, after.begin() + 168))
            << "the audio moved or changed";
        EXPECT_TRUE(MutagenView(path).starts_with("size ok"));
        EXPECT_EQ(testsupport::FfmpegDecodeErrors(path), "");
    }
}

TEST_F(IffFiles, WritesItCannotMakeSafelyAreRefusedAndLeaveTheFile) {
    std::string rf64 = CopyDataFile(dir_, "wav/rf64.wav");
    std::vector<uint8_t> cut = ReadFileBytes(testsupport::DataFile("wav/bare.wav"));
    cut.resize(cut.size() - 100);  // the data chunk runs past the end
    std::string damaged = dir_.file("cut.wav");
    testsupport::WriteFileBytes(damaged, cut);
    std::string notWav = dir_.file("text.aiff");
    testsupport::WriteFileBytes(notWav, std::vector<uint8_t>(64, 'a'));
    const std::pair<std::string, const char*> cases[] = {
        {rf64, "RF64 files are read but not written"},
        {damaged, "the file's chunks are damaged or run past its end"},
        {notWav, "no RIFF or FORM header"},
    };
    for (const auto& [path, why] : cases) {
        SCOPED_TRACE(path);
        std::vector<uint8_t> before = ReadFileBytes(path);
        songcore::SongEditResult result = songcore::EditSong(path, {{SongField::Title, "No"}});
        EXPECT_FALSE(result.ok);
        EXPECT_NE(result.error.find(why), std::string::npos) << result.error;
        CSongFileInfo song;
        ASSERT_TRUE(song.Open(path, 0, 0));
        EXPECT_EQ(song.RemoveID3V2Info(), path == notWav ? 0 : 1);
        EXPECT_EQ(ReadFileBytes(path), before);
    }
    // The damaged file's tag and stream still read.
    CSongFileInfo song;
    ASSERT_TRUE(song.Open(damaged, 1, 0));
    EXPECT_FALSE(songcore::ReadStreamProperties(song).empty());
}

TEST_F(IffFiles, TheFieldReaderLeavesALargeCoverUnread) {
    testsupport::ExpectALargeCoverLeftUnread("wav/tagged.wav");
    testsupport::ExpectALargeCoverLeftUnread("aiff/bare.aiff");
}

TEST_F(IffFiles, TheCommandLineShowsWritesAndRemoves) {
    std::string path = CopyDataFile(dir_, "aiff/text.aiff");
    testsupport::RunResult show = testsupport::RunTunemoss({"show", path});
    ASSERT_EQ(show.status, 0) << show.err;
    EXPECT_NE(show.out.find("Text Title"), std::string::npos) << show.out;
    EXPECT_NE(show.out.find("AIFF"), std::string::npos) << show.out;
    ASSERT_EQ(testsupport::RunTunemoss({"write", "--title", "CLI", path}).status, 0);
    show = testsupport::RunTunemoss({"show", "--json", path});
    EXPECT_NE(show.out.find("\"CLI\""), std::string::npos) << show.out;
    EXPECT_NE(show.out.find("\"sample_rate\": 8000"), std::string::npos) << show.out;
    testsupport::RunResult removed = testsupport::RunTunemoss({"remove", "--tag", "id3v2", path});
    ASSERT_EQ(removed.status, 0) << removed.err;
    EXPECT_EQ(ReadFileBytes(path), ReadFileBytes(testsupport::DataFile("aiff/text.aiff")));
}

}  // namespace
