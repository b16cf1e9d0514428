// Every field of the field table, written through the common edit into every
// format: a field the format has a place for reads back as given, by us and
// by mutagen under the format's own key; any other is reported as not kept,
// never dropped without a word.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

#include "songcore/edit/SongEdit.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/TagKinds.h"
#include "support/TestSupport.h"

using songcore::FieldKind;
using songcore::FieldTable;
using songcore::SongField;
using testsupport::TempDir;

namespace {

// Where a format keeps a field, and what mutagen reads there: the values
// joined by "; " (a number with its total as "7/12"). expected, when set,
// is what a format that cannot take the value as given keeps of it, and
// what we read back.
struct Place {
    const char* key;
    const char* peer = nullptr;
    const char* expected = nullptr;
    // A list the format keeps as one text here, though it keeps others apart.
    bool oneText = false;
};

struct Format {
    const char* name;
    const char* file;
    uint32_t kind;
    // How mutagen opens it (PeerScript); null when mutagen cannot.
    const char* peer;
    std::map<SongField, Place> places;
    // Whether mutagen sees a list as several values rather than one text.
    bool listsApart;
};

// The value each field is given: texts with the separator in them, which
// only a list splits.
std::string GivenValue(SongField field) {
    switch (field) {
        case SongField::Year:
            return "1999";
        case SongField::Url:
            return "http://example.com/song";
        case SongField::Lyrics:
            return "first line\nsecond; line";
        case SongField::Genre:
            return "Jazz; Shoegaze";
        case SongField::Track:
            return "7";
        case SongField::TrackTotal:
            return "12";
        case SongField::Disc:
            return "2";
        case SongField::DiscTotal:
            return "3";
        default:
            break;
    }
    std::string label = songcore::InfoOf(field).label;
    return songcore::InfoOf(field).kind == FieldKind::List ? label + " A; " + label + " B"
                                                           : label + " one; two";
}

// Prints "KEY<tab>value<0x1f>value" a line, the line breaks in values as \n.
const char* const kPeerScript = R"(
import sys
kind, path = sys.argv[1], sys.argv[2]
items = {}
def put(key, values):
    items.setdefault(key, []).extend(str(v) for v in values)
def put_id3(frames):
    for frame in frames.values():
        if getattr(frame, 'desc', '') not in ('', 'ID3v1 Comment'):
            continue  # a player's own comment or text
        if frame.FrameID == 'WXXX':
            put('WXXX', [frame.url])
        elif frame.FrameID == 'USLT':
            put('USLT', [frame.text])
        elif frame.FrameID == 'TCON':
            put('TCON', frame.genres)
        elif hasattr(frame, 'text'):
            put(frame.FrameID, frame.text)
if kind == 'id3':
    from mutagen.id3 import ID3
    put_id3(ID3(path))
elif kind == 'chunk':
    import mutagen
    put_id3(mutagen.File(path).tags)
elif kind == 'id3v1':
    from mutagen.id3 import ParseID3v1
    put_id3(ParseID3v1(open(path, 'rb').read()[-128:]))
elif kind == 'ape':
    from mutagen.apev2 import APEv2, APETextValue
    for key, value in APEv2(path).items():
        if isinstance(value, APETextValue):
            put(key, list(value))
elif kind in ('ogg', 'flac'):
    import mutagen
    for key, value in mutagen.File(path).tags:
        put(key.upper(), [value])
elif kind == 'mp4':
    from mutagen.mp4 import MP4
    for key, values in MP4(path).tags.items():
        values = values if isinstance(values, list) else [values]
        put(key, ['%d/%d' % v if isinstance(v, tuple) else v for v in values])
elif kind == 'mkv':
    # mkvtoolnix's reader: the SimpleTags of the tags about the whole song.
    import subprocess, xml.etree.ElementTree as ET
    xml = subprocess.run(['mkvextract', path, 'tags', '/dev/stdout'], capture_output=True,
                         check=True).stdout.decode('utf-8-sig')
    for tag in ET.fromstring(xml):
        if tag.find('Targets/TrackUID') is None:
            for simple in tag.findall('Simple'):
                put(simple.findtext('Name'), [simple.findtext('String')])
elif kind == 'asf':
    from mutagen.asf import ASF
    for key, values in ASF(path).tags.items():
        put(key, values)
for key, values in items.items():
    print(key + '\t' + '\x1f'.join(v.replace('\n', '\\n') for v in values))
)";

std::map<std::string, std::vector<std::string>> PeerItems(const Format& format,
                                                          const std::string& path) {
    std::map<std::string, std::vector<std::string>> items;
    auto run = testsupport::RunPython(kPeerScript, {format.peer, path});
    EXPECT_EQ(run.status, 0) << run.err;
    std::istringstream lines(run.out);
    std::string line;
    while (std::getline(lines, line)) {
        size_t tab = line.find('\t');
        std::vector<std::string>& values = items[line.substr(0, tab)];
        std::istringstream parts(line.substr(tab + 1));
        for (std::string part; std::getline(parts, part, '\x1f');) {
            for (size_t at; (at = part.find("\\n")) != std::string::npos;) {
                part.replace(at, 2, "\n");
            }
            values.push_back(part);
        }
    }
    return items;
}

std::string Joined(const std::vector<std::string>& values) {
    std::string text;
    for (const std::string& value : values) {
        text += (text.empty() ? "" : "; ") + value;
    }
    return text;
}

const std::map<SongField, Place> kId3v2Places = {
    {SongField::Title, {"TIT2"}},
    {SongField::Artist, {"TPE1"}},
    {SongField::AlbumArtist, {"TPE2"}},
    {SongField::Album, {"TALB"}},
    {SongField::Year, {"TDRC"}},
    {SongField::Comment, {"COMM"}},
    {SongField::Genre, {"TCON"}},
    {SongField::Track, {"TRCK", "7/12"}},
    {SongField::TrackTotal, {"TRCK", "7/12"}},
    {SongField::Disc, {"TPOS", "2/3"}},
    {SongField::DiscTotal, {"TPOS", "2/3"}},
    {SongField::Composer, {"TCOM"}},
    {SongField::OrigArtist, {"TOPE"}},
    {SongField::Copyright, {"TCOP"}},
    {SongField::Url, {"WXXX"}},
    {SongField::EncodedBy, {"TENC"}},
    {SongField::Lyrics, {"USLT"}},
};

const std::map<SongField, Place> kVorbisPlaces = {
    {SongField::Title, {"TITLE"}},
    {SongField::Artist, {"ARTIST"}},
    {SongField::AlbumArtist, {"ALBUMARTIST"}},
    {SongField::Album, {"ALBUM"}},
    {SongField::Year, {"DATE"}},
    {SongField::Comment, {"COMMENT"}},
    {SongField::Genre, {"GENRE"}},
    {SongField::Track, {"TRACKNUMBER"}},
    {SongField::TrackTotal, {"TRACKTOTAL"}},
    {SongField::Disc, {"DISCNUMBER"}},
    {SongField::DiscTotal, {"DISCTOTAL"}},
    {SongField::Performer, {"PERFORMER"}},
    {SongField::Copyright, {"COPYRIGHT"}},
    {SongField::License, {"LICENSE"}},
    {SongField::Organization, {"ORGANIZATION"}},
    {SongField::Location, {"LOCATION"}},
    {SongField::Contact, {"CONTACT"}},
    {SongField::Lyrics, {"LYRICS"}},
};

const std::map<SongField, Place> kApePlaces = {
    {SongField::Title, {"Title"}},
    {SongField::Artist, {"Artist"}},
    {SongField::AlbumArtist, {"Album Artist"}},
    {SongField::Album, {"Album"}},
    {SongField::Year, {"Year"}},
    {SongField::Comment, {"Comment"}},
    {SongField::Genre, {"Genre"}},
    {SongField::Track, {"Track", "7/12"}},
    {SongField::TrackTotal, {"Track", "7/12"}},
    {SongField::Disc, {"Disc", "2/3"}},
    {SongField::DiscTotal, {"Disc", "2/3"}},
    {SongField::Composer, {"Composer"}},
    {SongField::OrigArtist, {"Artist URL"}},
    {SongField::Copyright, {"Copyright"}},
    {SongField::Url, {"Publisher URL"}},
    {SongField::Organization, {"Publisher"}},
    {SongField::Lyrics, {"Lyrics"}},
};

const Format kFormats[] = {
    {"Id3v24", "id3v2/v24.mp3", TAG_ID3V2, "id3", kId3v2Places, true},
    {"Id3v23", "id3v2/v23.mp3", TAG_ID3V2, "id3", kId3v2Places, false},
    {"Id3v1",
     "id3v1/v11.mp3",
     TAG_ID3V1,
     "id3v1",
     {
         {SongField::Title, {"TIT2"}},
         {SongField::Artist, {"TPE1"}},
         {SongField::Album, {"TALB"}},
         {SongField::Year, {"TDRC"}},
         {SongField::Comment, {"COMM"}},
         // One number of the genre table; its other genres are lost.
         {SongField::Genre, {"TCON", "Jazz", "Jazz"}},
         {SongField::Track, {"TRCK"}},
     },
     false},
    {"Apev2", "ape/ape_id3v1.mp3", TAG_APEV2, "ape", kApePlaces, true},
    {"WavPack", "wavpack/tagged.wv", TAG_APEV2, "ape", kApePlaces, true},
    {"Ogg", "ogg/plain.ogg", TAG_OGG, "ogg", kVorbisPlaces, true},
    {"Flac", "flac/plain.flac", TAG_FLAC, "flac", kVorbisPlaces, true},
    {"Mp4",
     "mp4/tagged_faststart.m4a",
     TAG_MP4,
     "mp4",
     {
         {SongField::Title, {"\xC2\xA9nam"}},
         {SongField::Artist,
          {"\xC2\xA9"
           "ART"}},
         {SongField::AlbumArtist, {"aART"}},
         {SongField::Album,
          {"\xC2\xA9"
           "alb"}},
         {SongField::Year,
          {"\xC2\xA9"
           "day"}},
         {SongField::Comment,
          {"\xC2\xA9"
           "cmt"}},
         {SongField::Genre, {"\xC2\xA9gen"}},
         {SongField::Track, {"trkn", "7/12"}},
         {SongField::TrackTotal, {"trkn", "7/12"}},
         {SongField::Disc, {"disk", "2/3"}},
         {SongField::DiscTotal, {"disk", "2/3"}},
         {SongField::Composer, {"\xC2\xA9wrt"}},
         {SongField::Copyright, {"cprt"}},
         {SongField::Url, {"\xC2\xA9url"}},
         {SongField::EncodedBy, {"\xC2\xA9too"}},
         {SongField::Lyrics, {"\xC2\xA9lyr"}},
     },
     true},
    {"Asf",
     "asf/tagged.wma",
     TAG_ASF,
     "asf",
     {
         {SongField::Title, {"Title"}},
         {SongField::Artist, {"Author", nullptr, nullptr, true}},
         {SongField::AlbumArtist, {"WM/AlbumArtist"}},
         {SongField::Album, {"WM/AlbumTitle"}},
         {SongField::Year, {"WM/Year"}},
         {SongField::Comment, {"Description"}},
         {SongField::Genre, {"WM/Genre"}},
         {SongField::Track, {"WM/TrackNumber"}},
         {SongField::Disc, {"WM/PartOfSet", "2/3"}},
         {SongField::DiscTotal, {"WM/PartOfSet", "2/3"}},
         {SongField::Composer, {"WM/Composer"}},
         {SongField::OrigArtist, {"WM/OriginalArtist"}},
         {SongField::Copyright, {"Copyright"}},
         {SongField::Url, {"WM/PromotionURL"}},
         {SongField::EncodedBy, {"WM/EncodedBy"}},
         {SongField::Lyrics, {"WM/Lyrics"}},
     },
     true},
    {"Wav", "wav/tagged.wav", TAG_ID3V2, "chunk", kId3v2Places, false},
    {"Aiff", "aiff/ffmpeg.aiff", TAG_ID3V2, "chunk", kId3v2Places, true},
    {"Dsf", "dsf/tagged.dsf", TAG_ID3V2, "chunk", kId3v2Places, true},
    // ffmpeg's names in its one tag, which the file keeps (its DATE), and a
    // list as one text, as ffmpeg keeps it.
    {"Matroska",
     "matroska/ffmpeg.mka",
     TAG_MATROSKA,
     "mkv",
     {
         {SongField::Title, {"TITLE"}},
         {SongField::Artist, {"ARTIST"}},
         {SongField::AlbumArtist, {"ALBUM_ARTIST"}},
         {SongField::Album, {"ALBUM"}},
         {SongField::Year, {"DATE"}},
         {SongField::Comment, {"COMMENT"}},
         {SongField::Genre, {"GENRE"}},
         {SongField::Track, {"PART_NUMBER"}},
         {SongField::TrackTotal, {"TOTAL_PARTS"}},
         {SongField::Disc, {"DISC"}},
         {SongField::Composer, {"COMPOSER"}},
         {SongField::Performer, {"LEAD_PERFORMER"}},
         {SongField::Copyright, {"COPYRIGHT"}},
         {SongField::License, {"LICENSE"}},
         {SongField::Organization, {"PUBLISHER"}},
         {SongField::Url, {"URL"}},
         {SongField::EncodedBy, {"ENCODED_BY"}},
         {SongField::Lyrics, {"LYRICS"}},
     },
     false},
    {"RealMedia",
     "rm/tagged.ra",
     TAG_RM,
     nullptr,
     {
         {SongField::Title, {"title"}},
         {SongField::Artist, {"author"}},
         {SongField::Copyright, {"copyright"}},
         {SongField::Comment, {"comment"}},
     },
     false},
};

class FieldTableTest : public testing::TestWithParam<Format> {};

TEST_P(FieldTableTest, EveryFieldIsKeptWhereTheFormatHasAPlaceAndReportedElsewhere) {
    const Format& format = GetParam();
    if (format.peer && !testsupport::HaveMutagen()) {
        GTEST_SKIP() << "python3-mutagen is not installed";
    }
    TempDir dir;
    const std::string path = testsupport::CopyDataFile(dir, format.file);
    songcore::FieldValues changes;
    for (const songcore::FieldInfo& info : FieldTable()) {
        if (info.editable) {
            changes.emplace_back(info.field, GivenValue(info.field));
        }
    }
    songcore::SongEditResult result = songcore::EditSong(path, changes, {format.kind});
    ASSERT_TRUE(result.ok) << result.error;

    CSongFileInfo stored;
    const songcore::TagKind& kind = *songcore::FindTagKindByMask(format.kind);
    ASSERT_TRUE(stored.Open(path, 1, 0) && (stored.*kind.read)());
    auto peer =
        format.peer ? PeerItems(format, path) : std::map<std::string, std::vector<std::string>>();
    for (const auto& [field, given] : changes) {
        SCOPED_TRACE(songcore::InfoOf(field).key);
        const bool reported = std::count(result.notKept.begin(), result.notKept.end(), field) != 0;
        auto place = format.places.find(field);
        if (place == format.places.end()) {
            EXPECT_TRUE(reported) << "a field without a place was not reported";
            continue;
        }
        EXPECT_FALSE(reported);
        const Place& where = place->second;
        const std::string expected = where.expected ? where.expected : given;
        EXPECT_EQ(stored.GetText(field), expected);
        if (!format.peer) {
            continue;
        }
        auto item = peer.find(where.key);
        ASSERT_NE(item, peer.end()) << "mutagen finds no " << where.key;
        EXPECT_EQ(Joined(item->second), where.peer ? where.peer : expected.c_str());
        if (songcore::InfoOf(field).kind == FieldKind::List && !where.expected) {
            EXPECT_EQ(item->second.size(), format.listsApart && !where.oneText ? 2u : 1u);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, FieldTableTest, testing::ValuesIn(kFormats),
                         [](const testing::TestParamInfo<Format>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
