// Numbering songs of a batch edit: the order each choice gives, and the
// number with its total as every format keeps it after a batch edit, read
// back by mutagen (mkvextract for Matroska).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

#include "songcore/edit/BatchEdit.h"
#include "songcore/edit/TrackNumbering.h"
#include "support/TestSupport.h"

using namespace songcore;
using testsupport::CopyDataFile;
using testsupport::TempDir;

namespace {

// Numbers by their value, as qarv's collator sorts names: each run of
// digits goes after its length, so that "9" sorts before "10".
bool NaturalLess(const std::string& a, const std::string& b) {
    auto key = [](const std::string& text) {
        std::string out;
        for (size_t at = 0; at < text.size();) {
            const size_t end = std::min(text.find_first_not_of("0123456789", at), text.size());
            if (end == at) {
                out += text[at++];
                continue;
            }
            out += static_cast<char>('0' + (end - at));
            out.append(text, at, end - at);
            at = end;
        }
        return out;
    };
    return key(a) < key(b);
}

std::string Numbered(const std::vector<NumberingSong>& songs, NumberingOrder order,
                     uint32_t total) {
    std::string out;
    for (const TrackNumber& number : NumberSongs(songs, order, total, NaturalLess)) {
        out += (out.empty() ? "" : " ") + TrackText(number);
    }
    return out;
}

NumberingSong Song(std::string path, std::string albumArtist = "", std::string album = "",
                   uint32_t disc = 0, uint32_t track = 0) {
    return {std::move(path), std::move(albumArtist), std::move(album), disc, track};
}

struct OrderCase {
    const char* name;
    std::vector<NumberingSong> songs;
    NumberingOrder order;
    uint32_t total;
    const char* expected;  // each song's new number, in the songs' order
};

const OrderCase kOrders[] = {
    {"GivenOrderWithTotal",
     {Song("/m/b.mp3"), Song("/m/a.mp3"), Song("/m/c.mp3")},
     NumberingOrder::kGiven,
     3,
     "1/3 2/3 3/3"},
    {"GivenOrderNoTotal", {Song("/m/b.mp3"), Song("/m/a.mp3")}, NumberingOrder::kGiven, 0, "1 2"},
    {"PathsNumbersByValue",
     {Song("/m/10 Ten.mp3"), Song("/m/9 Nine.mp3"), Song("/m/1 One.mp3")},
     NumberingOrder::kPaths,
     0,
     "3 2 1"},
    // The songs of one folder stay together, folders by their names too.
    {"PathsFolderFirst",
     {Song("/m/CD10/01.flac"), Song("/m/CD2/02.flac"), Song("/m/CD2/01.flac"),
      Song("/m/CD10/00.flac")},
     NumberingOrder::kPaths,
     4,
     "4/4 2/4 1/4 3/4"},
    // Each album counted on its own; same name, other artist: another album.
    {"AlbumsApart",
     {Song("/m/x.mp3", "Nina", "Blue", 0, 2), Song("/m/y.mp3", "Tom", "Blue", 0, 1),
      Song("/m/z.mp3", "Nina", "Blue", 0, 1), Song("/m/w.mp3", "Nina", "Red", 0, 7)},
     NumberingOrder::kAlbumTracks,
     99,
     "2/2 1/1 1/2 1/1"},
    // Each disc of an album numbered on its own, as its songs are on the
    // disc; songs without a number after those with one, by file name.
    {"AlbumDiscsApart",
     {Song("/m/a.mp3", "", "Set", 2, 1), Song("/m/b.mp3", "", "Set", 1, 2),
      Song("/m/d.mp3", "", "Set", 1, 0), Song("/m/c.mp3", "", "Set", 1, 0),
      Song("/m/e.mp3", "", "Set", 1, 1)},
     NumberingOrder::kAlbumTracks,
     0,
     "1/1 2/4 4/4 3/4 1/4"},
    {"AlbumSameTrackByName",
     {Song("/m/2.mp3", "A", "B", 0, 5), Song("/m/10.mp3", "A", "B", 0, 5),
      Song("/m/1.mp3", "A", "B", 0, 5)},
     NumberingOrder::kAlbumTracks,
     0,
     "2/3 3/3 1/3"},
    {"NoSongs", {}, NumberingOrder::kAlbumTracks, 0, ""},
};

// Named in test output, not dumped as bytes.
void PrintTo(const OrderCase& test, std::ostream* out) {
    *out << test.name;
}

class NumberingOrderTest : public testing::TestWithParam<OrderCase> {};

TEST_P(NumberingOrderTest, NumbersEachSong) {
    const OrderCase& test = GetParam();
    EXPECT_EQ(Numbered(test.songs, test.order, test.total), test.expected);
}

INSTANTIATE_TEST_SUITE_P(Orders, NumberingOrderTest, testing::ValuesIn(kOrders),
                         [](const auto& info) { return std::string(info.param.name); });

struct FormatCase {
    const char* name;
    const char* file;    // below tests/data
    const char* reader;  // how the peer reads the number: id3 ape mp4 asf vorbis mkv
    const char* expected;
    const char* notKept;  // what the batch says the tag has no place for
};

const FormatCase kFormats[] = {
    {"Id3v2", "id3v2/v24.mp3", "id3", "1/3 2/3 3/3", ""},
    // An ID3v1 tag holds no total: the file gets an ID3v2 tag beside it.
    {"Id3v1Only", "id3v1/v11.mp3", "id3", "1/3 2/3 3/3", ""},
    {"Apev2Aac", "ape/ape.aac", "ape", "1/3 2/3 3/3", ""},
    {"Vorbis", "ogg/plain.ogg", "vorbis", "1/3 2/3 3/3", ""},
    {"Opus", "ogg/tagged.opus", "vorbis", "1/3 2/3 3/3", ""},
    {"Flac", "flac/plain.flac", "vorbis", "1/3 2/3 3/3", ""},
    {"Mp4", "mp4/tagged_end.m4a", "mp4", "1/3 2/3 3/3", ""},
    {"Mp4Untagged", "mp4/faststart.m4a", "mp4", "1/3 2/3 3/3", ""},
    // Windows Media has no common item for the track total.
    {"Asf", "asf/tagged.wma", "asf", "1 2 3", "its tag has no place for track-total"},
    {"Wav", "wav/tagged.wav", "id3", "1/3 2/3 3/3", ""},
    {"Aiff", "aiff/bare.aiff", "id3", "1/3 2/3 3/3", ""},
    {"Dsf", "dsf/bare.dsf", "id3", "1/3 2/3 3/3", ""},
    {"WavPack", "wavpack/bare.wv", "ape", "1/3 2/3 3/3", ""},
    {"Matroska", "matroska/ffmpeg.mka", "mkv", "1/3 2/3 3/3", ""},
    {"MatroskaUntagged", "matroska/bare.mka", "mkv", "1/3 2/3 3/3", ""},
};

// Prints "number/total" (or the number alone) of each file as stored.
constexpr const char* kReadNumbers = R"(
import sys, subprocess, xml.etree.ElementTree as ET
import mutagen, mutagen.apev2
reader, paths = sys.argv[1], sys.argv[2:]
out = []
for path in paths:
    if reader == 'mkv':
        xml = subprocess.run(['mkvextract', path, 'tags', '/dev/stdout'], capture_output=True,
                             check=True).stdout.decode('utf-8-sig')
        simple = {s.findtext('Name'): s.findtext('String') for s in ET.fromstring(xml).iter('Simple')}
        number, total = simple.get('PART_NUMBER'), simple.get('TOTAL_PARTS')
    elif reader == 'ape':
        number, total = str(mutagen.apev2.APEv2(path)['Track']), None
    else:
        tags = mutagen.File(path).tags
        if reader == 'id3':
            number, total = str(tags['TRCK']), None
        elif reader == 'mp4':
            number, total = tags['trkn'][0]
        elif reader == 'asf':
            number, total = str(tags['WM/TrackNumber'][0]), None
        else:
            number = tags['tracknumber'][0]
            total = (tags.get('tracktotal') or tags.get('totaltracks') or [None])[0]
    out.append(str(number) + ('/' + str(total) if total else ''))
print(' '.join(out))
)";

void PrintTo(const FormatCase& test, std::ostream* out) {
    *out << test.name;
}

class NumberingFormatTest : public testing::TestWithParam<FormatCase> {};

TEST_P(NumberingFormatTest, BatchWritesNumberAndTotal) {
    if (!testsupport::HaveMutagen()) {
        GTEST_SKIP() << "mutagen missing";
    }
    const FormatCase& test = GetParam();
    TempDir dir;
    std::vector<BatchItem> items;
    std::vector<std::string> paths;
    for (int i = 1; i <= 3; ++i) {
        const std::string name =
            std::to_string(i) + "_" +
            std::string(test.file).substr(std::string(test.file).rfind('/') + 1);
        paths.push_back(CopyDataFile(dir, test.file, name));
        items.push_back({paths.back(), {{SongField::Track, TrackText({uint32_t(i), 3})}}});
    }
    const std::atomic<bool> cancel = false;
    BatchOutcome outcome = RunBatchEdit(items, "Number", cancel, nullptr, nullptr);
    EXPECT_EQ(outcome.done, 3u);
    EXPECT_EQ(outcome.operation.files.size(), 3u);
    for (const auto& [path, reason] : outcome.failures) {
        EXPECT_EQ(reason, test.notKept) << path;
    }
    EXPECT_EQ(outcome.failures.size(), std::string(test.notKept).empty() ? 0u : 3u);

    std::vector<std::string> args = {test.reader};
    args.insert(args.end(), paths.begin(), paths.end());
    testsupport::RunResult read = testsupport::RunPython(kReadNumbers, args);
    ASSERT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(read.out, std::string(test.expected) + "\n");
}

INSTANTIATE_TEST_SUITE_P(Formats, NumberingFormatTest, testing::ValuesIn(kFormats),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
