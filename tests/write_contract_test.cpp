// The promises every tag writer keeps, checked over one table of sample
// files of every format and tag kind: the audio is untouched, a write of
// the same fields again gives the same bytes, a refused write leaves the
// file as it was, every item that was not changed survives (as mutagen
// reads it), nothing that nobody set is added, and a removed tag is gone.
// The album artist, which not every format has, is checked the same way.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <set>
#include <sstream>

#include "songcore/edit/SongEdit.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/SongItems.h"
#include "songcore/util/Text.h"
#include "support/TestSupport.h"

using testsupport::ReadFileBytes;
using testsupport::TempDir;

namespace {

struct Sample {
    const char* name;  // for the test's name
    const char* file;  // below tests/data
    uint32_t kind;     // the tag kind written
};

const Sample kSamples[] = {
    {"Id3v24", "id3v2/v24.mp3", TAG_ID3V2},
    {"Id3v23", "id3v2/v23.mp3", TAG_ID3V2},
    {"Id3v2Untagged", "id3v2/base.mp3", TAG_ID3V2},
    {"Id3v1", "id3v1/v11.mp3", TAG_ID3V1},
    {"Apev2Mp3", "ape/ape_id3v1.mp3", TAG_APEV2},
    {"Apev2Aac", "ape/ape.aac", TAG_APEV2},
    {"Ogg", "ogg/plain.ogg", TAG_OGG},
    {"OggSpanning", "ogg/spanning.ogg", TAG_OGG},
    {"Flac", "flac/plain.flac", TAG_FLAC},
    {"FlacPicture", "flac/picture.flac", TAG_FLAC},
    {"FlacBare", "flac/bare.flac", TAG_FLAC},
    {"Mp4", "mp4/tagged_faststart.m4a", TAG_MP4},
    {"Mp4AtTheEnd", "mp4/tagged_end.m4a", TAG_MP4},
    {"Mp4Untagged", "mp4/faststart.m4a", TAG_MP4},
    {"Asf", "asf/tagged.wma", TAG_ASF},
    {"AsfPlain", "asf/plain.wma", TAG_ASF},
    {"RealMedia", "rm/tagged.ra", TAG_RM},
    {"Wav", "wav/tagged.wav", TAG_ID3V2},
    {"WavOddChunks", "wav/odd.wav", TAG_ID3V2},
    {"WavUntagged", "wav/bare.wav", TAG_ID3V2},
    {"Aiff", "aiff/tagged.aiff", TAG_ID3V2},
    {"AiffFfmpeg", "aiff/ffmpeg.aiff", TAG_ID3V2},
    {"AiffUntagged", "aiff/bare.aiff", TAG_ID3V2},
    {"Dsf", "dsf/tagged.dsf", TAG_ID3V2},
    {"DsfUntagged", "dsf/bare.dsf", TAG_ID3V2},
    {"WavPack", "wavpack/tagged.wv", TAG_APEV2},
    {"WavPackUntagged", "wavpack/bare.wv", TAG_APEV2},
    {"Matroska", "matroska/ffmpeg.mka", TAG_MATROSKA},
    {"MatroskaLevels", "matroska/levels.mka", TAG_MATROSKA},
    {"MatroskaFlac", "matroska/flac.mka", TAG_MATROSKA},
    {"MatroskaUntagged", "matroska/bare.mka", TAG_MATROSKA},
    {"WebM", "matroska/ffmpeg.webm", TAG_MATROSKA},
};

int ReadKind(CSongFileInfo& song, uint32_t kind) {
    switch (kind) {
        case TAG_ID3V1:
            return song.GetID3V1Info();
        case TAG_ID3V2:
            return song.GetID3V2Info();
        case TAG_APEV2:
            return song.GetAPEV2Info();
        case TAG_OGG:
            return song.GetOGGInfo();
        case TAG_FLAC:
            return song.GetFlacInfo();
        case TAG_MP4:
            return song.GetMP4Info();
        case TAG_ASF:
            return song.GetASFInfo();
        case TAG_RM:
            return song.GetRMInfo();
        case TAG_MATROSKA:
            return song.GetMatroskaInfo();
    }
    return 0;
}

int WriteKind(CSongFileInfo& song, uint32_t kind) {
    switch (kind) {
        case TAG_ID3V1:
            return song.WriteID3V1Info();
        case TAG_ID3V2:
            return song.WriteID3V2Info();
        case TAG_APEV2:
            return song.WriteAPEV2Info();
        case TAG_OGG:
            return song.WriteOGGInfo();
        case TAG_FLAC:
            return song.WriteFlacInfo();
        case TAG_MP4:
            return song.WriteMP4Info();
        case TAG_ASF:
            return song.WriteASFInfo();
        case TAG_RM:
            return song.WriteRMInfo();
        case TAG_MATROSKA:
            return song.WriteMatroskaInfo();
    }
    return 0;
}

// Reads the file's tag of kind (an empty one when it has none), sets the
// title and writes that tag; the writer's result, its message in error.
int WriteTitle(const std::string& path, uint32_t kind, const std::string& title,
               std::string* error = nullptr, int readOnly = 0) {
    CSongFileInfo song;
    if (!song.Open(path, readOnly, 0)) {
        if (error) {
            *error = song.GetErrorMessage();
        }
        return 0;
    }
    ReadKind(song, kind);
    song.SetTitle(title);
    int result = WriteKind(song, kind);
    if (error) {
        *error = song.GetErrorMessage();
    }
    return result;
}

// The decoded audio's checksum as ffmpeg makes it; empty when ffmpeg
// cannot decode the file (RealMedia samples hold no real audio).
std::string AudioChecksum(const std::string& path) {
    testsupport::RunResult run =
        testsupport::Run({"ffmpeg", "-v", "error", "-i", path, "-map", "0:a", "-f", "md5", "-"});
    return run.status == 0 ? run.out : std::string();
}

// Every tag item mutagen finds, one "key<TAB>value" line each: ID3 frames
// by their hash keys, the other formats' items by name. The APEv2 tag of
// an MPEG or AAC file is read on its own, as mutagen's File would take the
// ID3 tag there.
constexpr const char* kDumpScript = R"(
import sys, mutagen, mutagen.apev2
path, kind = sys.argv[1], sys.argv[2]
if kind == 'mkv':
    # mutagen has no Matroska: mkvtoolnix's own reader gives every SimpleTag,
    # its value marked with the targets of its tag.
    import subprocess, xml.etree.ElementTree as ET
    xml = subprocess.run(['mkvextract', path, 'tags', '/dev/stdout'], capture_output=True,
                         check=True).stdout.decode('utf-8-sig')
    lines = []
    for tag in (ET.fromstring(xml) if xml.strip() else []):
        targets = ''.join(ET.tostring(tag.find('Targets'), encoding='unicode').split())
        for simple in tag.iter('Simple'):
            lines.append(simple.findtext('Name') + '\t' + targets + ' ' +
                         repr(simple.findtext('String')))
    print('\n'.join(sorted(lines)))
    sys.exit()
if kind == 'ape':
    try:
        tags = mutagen.apev2.APEv2(path)
    except mutagen.apev2.APENoHeaderError:
        tags = {}
else:
    f = mutagen.File(path)
    tags = f.tags if f is not None and f.tags is not None else {}
lines = []
if hasattr(tags, 'getall') and hasattr(tags, 'version'):
    for frame in tags.values():
        lines.append(frame.HashKey + '\t' + repr(frame))
else:
    for key in tags.keys():
        lines.append(str(key) + '\t' + repr(tags[key]))
print('\n'.join(sorted(lines)))
)";

std::set<std::string> PeerItems(const std::string& path, uint32_t kind) {
    testsupport::RunResult run =
        testsupport::RunPython(kDumpScript, {path, kind == TAG_APEV2      ? "ape"
                                                   : kind == TAG_MATROSKA ? "mkv"
                                                                          : "any"});
    EXPECT_EQ(run.status, 0) << run.err;
    std::set<std::string> items;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty()) {
            items.insert(line);
        }
    }
    return items;
}

bool IsTitleItem(const std::string& line) {
    std::string key = line.substr(0, line.find('\t'));
    for (const char* title : {"TIT2", "TITLE", "title", "Title", "\xC2\xA9nam"}) {
        if (key == title) {
            return true;
        }
    }
    return false;
}

std::set<std::string> Without(std::set<std::string> items, const std::set<std::string>& other) {
    for (const std::string& item : other) {
        items.erase(item);
    }
    return items;
}

bool HaveMkvToolNix() {
    static const bool have = testsupport::Run({"mkvextract", "--version"}).status == 0;
    return have;
}

class WriterContract : public ::testing::TestWithParam<Sample> {
protected:
    void SetUp() override {
        ::setenv("XDG_STATE_HOME", state_.path().c_str(), 1);
        path_ = testsupport::CopyDataFile(dir_, GetParam().file);
    }
    TempDir state_;
    TempDir dir_;
    std::string path_;
};

TEST_P(WriterContract, ChangesTheTitleAndNothingElse) {
    const Sample& sample = GetParam();
    std::vector<uint8_t> original = ReadFileBytes(path_);
    std::string audio = AudioChecksum(path_);
    std::set<std::string> before;
    bool peer = sample.kind == TAG_MATROSKA ? HaveMkvToolNix()
                                            : testsupport::HaveMutagen() && sample.kind != TAG_RM;
    if (peer) {
        before = PeerItems(path_, sample.kind);
    }

    std::string error;
    ASSERT_EQ(WriteTitle(path_, sample.kind, "Contract title", &error), 1) << error;
    std::vector<uint8_t> written = ReadFileBytes(path_);
    EXPECT_NE(written, original);
    EXPECT_EQ(AudioChecksum(path_), audio) << "the audio is untouched";
    {
        CSongFileInfo song;
        ASSERT_EQ(song.Open(path_, 1, 0), 1);
        ASSERT_EQ(ReadKind(song, sample.kind), 1);
        EXPECT_EQ(song.GetTitle(), "Contract title");
    }
    if (peer) {
        std::set<std::string> after = PeerItems(path_, sample.kind);
        for (const std::string& gone : Without(before, after)) {
            EXPECT_TRUE(IsTitleItem(gone)) << "lost: " << gone;
        }
        for (const std::string& added : Without(after, before)) {
            EXPECT_TRUE(IsTitleItem(added)) << "added: " << added;
        }
    }

    ASSERT_EQ(WriteTitle(path_, sample.kind, "Contract title", &error), 1) << error;
    EXPECT_EQ(ReadFileBytes(path_), written) << "the same fields give the same bytes";
}

TEST_P(WriterContract, ARefusedWriteLeavesTheFileAsItWas) {
    const Sample& sample = GetParam();
    std::vector<uint8_t> original = ReadFileBytes(path_);
    EXPECT_EQ(WriteTitle(path_, sample.kind, "Not written", nullptr, 1), 0);
    EXPECT_EQ(ReadFileBytes(path_), original);

    // Another program touches the file between reading and writing.
    CSongFileInfo song;
    ASSERT_EQ(song.Open(path_, 0, 0), 1);
    ReadKind(song, sample.kind);
    song.SetTitle("Not written either");
    struct timespec times[2] = {{0, UTIME_OMIT}, {1234567890, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path_.c_str(), times, 0), 0);
    EXPECT_EQ(WriteKind(song, sample.kind), 0);
    EXPECT_NE(song.GetErrorMessage().find("another program"), std::string::npos)
        << song.GetErrorMessage();
    EXPECT_EQ(ReadFileBytes(path_), original);
}

// The album artist items of the file's tag as mutagen sees them, one
// "key<TAB>form<TAB>value" line each, where form tells the item's stored
// bytes apart (the text encoding and frame bytes of a TPE2, the kind and
// bytes of an APEv2 item, the key's spelling of a comment); then, except
// for APEv2 and ASF, an "easy" line with the value mutagen's easy keys give. "seed"
// adds one item in a form our writers would not produce themselves.
constexpr const char* kAlbumArtistScript = R"(
import sys, mutagen, mutagen.apev2, mutagen.asf, mutagen.id3, mutagen.mp4
mode, path, kind = sys.argv[1:4]
value = sys.argv[4] if len(sys.argv) > 4 else ''
if kind == 'ape':
    try:
        tags = mutagen.apev2.APEv2(path)
    except mutagen.apev2.APENoHeaderError:
        tags = mutagen.apev2.APEv2()
    if mode == 'seed':
        tags['ALBUM ARTIST'] = value
        tags.save(path)
    for key, item in tags.items():
        if key.lower() == 'album artist':
            print(key, item.kind, item._write().hex(), str(item), sep='\t')
    sys.exit()
f = mutagen.File(path)
if f.tags is None:
    f.add_tags()
if hasattr(f.tags, 'getall'):
    if mode == 'seed':
        f.tags.add(mutagen.id3.TPE2(encoding=1, text=[value]))
        f.save(v2_version=3 if f.tags.version[1] == 3 else 4)
    for frame in f.tags.getall('TPE2'):
        print('TPE2', '%d %s' % (frame.encoding, frame._writeData().hex()), '; '.join(frame.text),
              sep='\t')
elif isinstance(f, mutagen.asf.ASF):
    if mode == 'seed':
        f.tags['WM/AlbumArtist'] = [value]
        f.save()
    for key, values in f.tags.items():
        if key.lower() == 'wm/albumartist':
            print(key, repr(values), '; '.join(str(v) for v in values), sep='\t')
    sys.exit()
elif isinstance(f, mutagen.mp4.MP4):
    if mode == 'seed':
        f.tags['aART'] = [value]
        f.save()
    if 'aART' in f.tags:
        print('aART', repr(f.tags['aART']), '; '.join(f.tags['aART']), sep='\t')
else:
    if mode == 'seed':
        f.tags.append(('albumartist', value))
        f.save()
    for key, text in list(f.tags):
        if key.upper() == 'ALBUMARTIST':
            print(key, repr(text), text, sep='\t')
print('easy', '; '.join(mutagen.File(path, easy=True).get('albumartist', [])), sep='\t')
)";

struct AlbumArtistItems {
    std::vector<std::string> items;  // "key<TAB>form<TAB>value"
    std::string easy;                // the value by mutagen's easy key
};

AlbumArtistItems PeerAlbumArtist(const std::string& mode, const std::string& path, uint32_t kind,
                                 const std::string& value = "") {
    testsupport::RunResult run = testsupport::RunPython(
        kAlbumArtistScript, {mode, path, kind == TAG_APEV2 ? "ape" : "any", value});
    EXPECT_EQ(run.status, 0) << run.err;
    AlbumArtistItems found;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("easy\t")) {
            found.easy = line.substr(5);
        } else if (!line.empty()) {
            found.items.push_back(line);
        }
    }
    return found;
}

bool IsAlbumArtistItem(const std::string& line) {
    std::string key = line.substr(0, line.find('\t'));
    for (const char* name : {"TPE2", "ALBUMARTIST", "aART", "Album Artist", "WM/AlbumArtist"}) {
        if (songcore::EqualsIgnoreCaseAscii(key, name)) {
            return true;
        }
    }
    return false;
}

std::set<std::string> WithoutAlbumArtist(std::set<std::string> items) {
    std::erase_if(items, IsAlbumArtistItem);
    return items;
}

// Reads the tag, lets edit change the record and writes the tag back.
void Edit(const std::string& path, uint32_t kind, void (*edit)(CSongFileInfo&)) {
    CSongFileInfo song;
    ASSERT_EQ(song.Open(path, 0, 0), 1);
    ReadKind(song, kind);
    edit(song);
    ASSERT_EQ(WriteKind(song, kind), 1) << song.GetErrorMessage();
}

std::string ReadAlbumArtist(const std::string& path, uint32_t kind) {
    CSongFileInfo song;
    EXPECT_EQ(song.Open(path, 1, 0), 1);
    ReadKind(song, kind);
    return song.GetAlbumArtist();
}

TEST_P(WriterContract, TheAlbumArtistIsOneItemKeptUntilItChanges) {
    const Sample& sample = GetParam();
    const bool peer = testsupport::HaveMutagen() && sample.kind != TAG_RM;
    if (sample.kind == TAG_ID3V1 || sample.kind == TAG_RM) {
        // No place for it: the value is dropped and the tag stays as it was.
        std::set<std::string> before =
            peer ? PeerItems(path_, sample.kind) : std::set<std::string>{};
        Edit(path_, sample.kind, [](CSongFileInfo& song) { song.SetAlbumArtist("Nowhere"); });
        EXPECT_EQ(ReadAlbumArtist(path_, sample.kind), "");
        if (peer) {
            EXPECT_EQ(PeerItems(path_, sample.kind), before);
        }
        return;
    }
    if (!peer) {
        GTEST_SKIP() << "mutagen is not installed";
    }
    if (sample.kind == TAG_MATROSKA) {
        GTEST_SKIP() << "mutagen has no Matroska; matroska_test keeps its album artist";
    }
    AlbumArtistItems seeded = PeerAlbumArtist("seed", path_, sample.kind, "  Various Artists ");
    ASSERT_EQ(seeded.items.size(), 1u);
    EXPECT_EQ(songcore::Trim(ReadAlbumArtist(path_, sample.kind)), "Various Artists");

    // Another field's edit leaves the item as mutagen stored it.
    Edit(path_, sample.kind, [](CSongFileInfo& song) { song.SetTitle("Other title"); });
    EXPECT_EQ(PeerAlbumArtist("dump", path_, sample.kind).items, seeded.items);
    std::set<std::string> others = WithoutAlbumArtist(PeerItems(path_, sample.kind));

    // A new value takes the one item's place; nothing else changes.
    Edit(path_, sample.kind, [](CSongFileInfo& song) { song.SetAlbumArtist(" Гурт «Море» "); });
    AlbumArtistItems changed = PeerAlbumArtist("dump", path_, sample.kind);
    ASSERT_EQ(changed.items.size(), 1u);
    EXPECT_TRUE(changed.items[0].ends_with("\tГурт «Море»")) << changed.items[0];
    // mutagen has no easy keys for APEv2, ASF, nor the ID3 tags of WAV,
    // AIFF and DSF files.
    const std::string file = sample.file;
    const bool chunked =
        file.ends_with(".wav") || file.ends_with(".aiff") || file.ends_with(".dsf");
    if (sample.kind != TAG_APEV2 && sample.kind != TAG_ASF && !chunked) {
        EXPECT_EQ(changed.easy, "Гурт «Море»");
    }
    EXPECT_EQ(ReadAlbumArtist(path_, sample.kind), "Гурт «Море»");
    EXPECT_EQ(WithoutAlbumArtist(PeerItems(path_, sample.kind)), others);

    // Cleared, it goes.
    Edit(path_, sample.kind, [](CSongFileInfo& song) { song.SetAlbumArtist(""); });
    EXPECT_TRUE(PeerAlbumArtist("dump", path_, sample.kind).items.empty());
    EXPECT_EQ(ReadAlbumArtist(path_, sample.kind), "");
    EXPECT_EQ(WithoutAlbumArtist(PeerItems(path_, sample.kind)), others);
}

// mutagen's removal of the same tag, for comparison byte for byte.
constexpr const char* kRemoveScript = R"(
import os, struct, sys, mutagen, mutagen.id3, mutagen.apev2
path, kind = sys.argv[1], sys.argv[2]
chunked = mutagen.File(path)
if kind == 'id3v2' and chunked is not None and chunked.__class__.__name__ in ('WAVE', 'AIFF', 'DSF'):
    if chunked.tags is not None:
        chunked.delete()
    if chunked.__class__.__name__ == 'DSF':
        # mutagen cuts the tag off but leaves the header's file length as it
        # was; the DSF layout wants the new length there.
        with open(path, 'r+b') as f:
            f.seek(12)
            f.write(struct.pack('<Q', os.path.getsize(path)))
elif kind == 'id3v1':
    mutagen.id3.delete(path, delete_v1=True, delete_v2=False)
elif kind == 'id3v2':
    mutagen.id3.delete(path, delete_v1=False, delete_v2=True)
else:
    mutagen.apev2.delete(path)
)";

TEST_P(WriterContract, ARemovedTagIsGoneAndTheAudioStays) {
    const Sample& sample = GetParam();
    std::string audio = AudioChecksum(path_);
    std::string peerKind;
    CSongFileInfo song;
    ASSERT_EQ(song.Open(path_, 0, 0), 1);
    int removed = -1;
    switch (sample.kind) {
        case TAG_ID3V1:
            removed = song.RemoveID3V1Info();
            peerKind = "id3v1";
            break;
        case TAG_ID3V2:
            removed = song.RemoveID3V2Info();
            peerKind = "id3v2";
            break;
        case TAG_APEV2:
            removed = song.RemoveAPEV2Info();
            peerKind = "ape";
            break;
        case TAG_ASF:
            removed = song.RemoveASFInfo();
            break;
        case TAG_MATROSKA:
            removed = song.RemoveMatroskaInfo();
            break;
        default:
            GTEST_SKIP() << "this tag kind is not removed on its own";
    }
    ASSERT_EQ(removed, 1) << song.GetErrorMessage();
    song.Close();
    CSongFileInfo again;
    ASSERT_EQ(again.Open(path_, 1, 0), 1);
    if (sample.kind == TAG_ASF || sample.kind == TAG_MATROSKA) {
        // The header is rebuilt, or the tags become a Void; the audio
        // packets are what must not change.
        EXPECT_EQ(AudioChecksum(path_), audio);
        ReadKind(again, sample.kind);
        // A Matroska Segment's own title (its Info's) is no tag: it stays.
        if (sample.kind == TAG_ASF) {
            EXPECT_EQ(again.GetTitle(), "");
        }
        EXPECT_EQ(again.GetArtist(), "");
        EXPECT_EQ(again.GetAlbum(), "");
        return;
    }
    EXPECT_EQ(ReadKind(again, sample.kind), 0);
    if (testsupport::HaveMutagen()) {
        std::string peer = testsupport::CopyDataFile(dir_, sample.file, "peer");
        ASSERT_EQ(testsupport::RunPython(kRemoveScript, {peer, peerKind}).status, 0);
        EXPECT_EQ(ReadFileBytes(path_), ReadFileBytes(peer)) << "as mutagen removes it";
    }
}

// An item under each format's own key, with the key mutagen
// lists it by and a field's key that an item edit must refuse.
struct ItemKeys {
    const char* ours;
    const char* peers;
    const char* field;
};

ItemKeys ItemKeysOf(uint32_t kind) {
    switch (kind) {
        case TAG_ID3V2:
            return {"TXXX:CONTRACT_ITEM", "TXXX:CONTRACT_ITEM", "TIT2"};
        case TAG_MP4:
            return {"----:com.apple.iTunes:CONTRACT_ITEM", "----:com.apple.iTunes:CONTRACT_ITEM",
                    "\xC2\xA9nam"};
        case TAG_OGG:
        case TAG_FLAC:
            return {"CONTRACT_ITEM", "contract_item", "TITLE"};
        case TAG_ASF:
            return {"CONTRACT_ITEM", "CONTRACT_ITEM", "WM/AlbumTitle"};
        case TAG_MATROSKA:
            return {"CONTRACT_ITEM", "CONTRACT_ITEM", "TITLE"};
        default:
            return {"CONTRACT_ITEM", "CONTRACT_ITEM", "Title"};
    }
}

std::vector<songcore::TagItem> ItemsOf(const std::string& path) {
    std::vector<songcore::TagItem> items;
    std::string error;
    EXPECT_TRUE(songcore::ReadSongItems(path, items, error)) << error;
    return items;
}

TEST_P(WriterContract, AnItemIsSetAndRemovedAndNothingElseChanges) {
    CSongFileInfo probe;
    ASSERT_EQ(probe.Open(path_, 1, 0), 1);
    probe.GetSongInfo();
    const uint32_t kind = probe.GetExtrasTagKind();
    probe.Close();
    std::vector<uint8_t> original = ReadFileBytes(path_);
    if (kind == 0) {
        EXPECT_FALSE(songcore::EditSongItems(path_, {{"CONTRACT_ITEM", {"1"}}}).ok);
        EXPECT_EQ(ReadFileBytes(path_), original);
        return;
    }
    const ItemKeys keys = ItemKeysOf(kind);
    songcore::SongEditResult refused = songcore::EditSongItems(path_, {{keys.field, {"x"}}});
    EXPECT_FALSE(refused.ok);
    EXPECT_NE(refused.error.find(keys.field), std::string::npos) << refused.error;
    EXPECT_EQ(ReadFileBytes(path_), original) << "a refused edit writes nothing";

    const bool peer = kind == TAG_MATROSKA ? HaveMkvToolNix() : testsupport::HaveMutagen();
    std::set<std::string> before = peer ? PeerItems(path_, kind) : std::set<std::string>{};
    const std::string audio = kind == TAG_MATROSKA ? AudioChecksum(path_) : std::string();
    const size_t itemsBefore = ItemsOf(path_).size();
    bool tagAdded = false;
    songcore::SongEditResult set = songcore::EditSongItems(path_, {{keys.ours, {"-6.20 dB"}}});
    ASSERT_TRUE(set.ok) << set.error;
    std::vector<songcore::TagItem> items = ItemsOf(path_);
    ASSERT_EQ(items.size(), itemsBefore + 1);
    auto found = std::find_if(items.begin(), items.end(),
                              [&](const songcore::TagItem& item) { return item.key == keys.ours; });
    ASSERT_NE(found, items.end());
    EXPECT_EQ(found->values, std::vector<std::string>{"-6.20 dB"});
    if (peer) {
        std::set<std::string> after = PeerItems(path_, kind);
        EXPECT_EQ(Without(before, after), std::set<std::string>{}) << "nothing else changed";
        // A file without the tag gets one with its fields (an MP3 whose
        // only tag is ID3v1 gets ID3v2), else the item alone is new.
        std::set<std::string> added = Without(after, before);
        auto item = std::find_if(added.begin(), added.end(), [&](const std::string& line) {
            return line.starts_with(std::string(keys.peers) + "\t");
        });
        ASSERT_NE(item, added.end());
        EXPECT_NE(item->find("-6.20 dB"), std::string::npos) << *item;
        tagAdded = added.size() > 1;
        EXPECT_TRUE(!tagAdded || original.size() < ReadFileBytes(path_).size());
    }

    EXPECT_EQ(kind == TAG_MATROSKA ? AudioChecksum(path_) : std::string(), audio);

    const std::vector<uint8_t> withItem = ReadFileBytes(path_);
    songcore::SongEditResult removed = songcore::EditSongItems(path_, {{keys.ours, {}}});
    ASSERT_TRUE(removed.ok) << removed.error;
    EXPECT_EQ(ItemsOf(path_).size(), itemsBefore);
    if (peer && !tagAdded) {
        EXPECT_EQ(PeerItems(path_, kind), before);
    }
    // Undo gives back each edit's bytes, whatever the tag's layout became.
    ASSERT_TRUE(songcore::RestoreSong(path_, removed.restore, removed.stamp).ok);
    EXPECT_EQ(ReadFileBytes(path_), withItem);
    ASSERT_TRUE(songcore::RestoreSong(path_, set.restore, songcore::StampOf(path_)).ok);
    EXPECT_EQ(ReadFileBytes(path_), original);
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, WriterContract, ::testing::ValuesIn(kSamples),
                         [](const ::testing::TestParamInfo<Sample>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
