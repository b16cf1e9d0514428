// The ID3v2 codec on byte buffers: every version, the layouts that hide
// frames (unsynchronisation, extended headers, damaged sizes), encodings,
// and the tag the writer rebuilds.
#include <gtest/gtest.h>

#include <algorithm>

#include "songcore/tags/id3/Id3v2Tag.h"
#include "support/Id3v2Bytes.h"

using namespace testsupport;
using songcore::Id3v2Field;
using songcore::Id3v2Tag;

namespace {

std::string FieldOf(const Bytes& tag, Id3v2Field field) {
    std::optional<Id3v2Tag> parsed = Id3v2Tag::Parse(tag);
    EXPECT_TRUE(parsed.has_value());
    return parsed ? parsed->ReadFields()[static_cast<size_t>(field)] : "";
}

std::string TitleOf(const Bytes& tag) {
    return FieldOf(tag, Id3v2Field::Title);
}

Bytes Utf16Le(const std::string& ascii) {
    Bytes out;
    for (char c : ascii) {
        out.push_back(static_cast<uint8_t>(c));
        out.push_back(0);
    }
    return out;
}

}  // namespace

TEST(Id3v2Codec, EveryVersionMapsItsFrameIdsToTheFields) {
    Bytes v22 =
        Id3v2(2, 0,
              Concat({Frame22("TT2", Latin1Text("Two")), Frame22("TRK", Latin1Text("5/12")),
                      Frame22("TP2", Latin1Text("Band")),
                      Frame22("COM", Concat({{0}, ToBytes("engdesc"), {0}, ToBytes("Remark")})),
                      Frame22("ULT", Concat({{0}, ToBytes("eng"), {0}, ToBytes("Words")}))}));
    EXPECT_EQ(TitleOf(v22), "Two");
    EXPECT_EQ(FieldOf(v22, Id3v2Field::Track), "5/12");
    EXPECT_EQ(FieldOf(v22, Id3v2Field::AlbumArtist), "Band");
    EXPECT_EQ(FieldOf(v22, Id3v2Field::Comment), "Remark");
    EXPECT_EQ(FieldOf(v22, Id3v2Field::Lyrics), "Words");

    EXPECT_EQ(TitleOf(Id3v2(3, 0, Frame23("TIT2", Latin1Text("Three")))), "Three");
    EXPECT_EQ(TitleOf(Id3v2(4, 0, Frame24("TIT2", Latin1Text("Four")))), "Four");
    EXPECT_EQ(FieldOf(Id3v2(4, 0, Frame24("TPE2", Latin1Text("Crew"))), Id3v2Field::AlbumArtist),
              "Crew");

    // The year stands in TYER (2.3) or TDRC (2.4); each version prefers its
    // own frame but takes the other's.
    Bytes both = Concat({Frame23("TDRC", Latin1Text("2010")), Frame23("TYER", Latin1Text("2009"))});
    EXPECT_EQ(FieldOf(Id3v2(3, 0, both), Id3v2Field::Year), "2009");
    EXPECT_EQ(FieldOf(Id3v2(4, 0, both), Id3v2Field::Year), "2010");
    EXPECT_EQ(FieldOf(Id3v2(3, 0, Frame23("TDRC", Latin1Text("2010-05"))), Id3v2Field::Year),
              "2010-05");

    // A version nobody defined is a tag without frames.
    std::optional<Id3v2Tag> v5 = Id3v2Tag::Parse(Id3v2(5, 0, Frame24("TIT2", Latin1Text("x"))));
    ASSERT_TRUE(v5);
    EXPECT_TRUE(v5->frames.empty());
    EXPECT_FALSE(Id3v2Tag::Parse(ToBytes("ID4\x03\x00\x00\x00\x00\x00\x00")));
}

TEST(Id3v2Codec, TextEncodingsDecodeToUtf8AndJoinSeveralValues) {
    auto title = [](const Bytes& body) { return TitleOf(Id3v2(4, 0, Frame24("TIT2", body))); };
    EXPECT_EQ(title(Latin1Text("Caf\xE9")), "Café");
    EXPECT_EQ(title(Concat({{1, 0xFF, 0xFE}, Utf16Le("Le")})), "Le");
    EXPECT_EQ(title(Concat({{1, 0xFE, 0xFF, 0, 'B', 0, 'E'}})), "BE");
    EXPECT_EQ(title(Concat({{2, 0x04, 0x1F, 0x04, 0x40}})), "Пр");
    EXPECT_EQ(title(Concat({{3}, ToBytes("日本")})), "日本");
    // Several values, NUL-separated: all of them, in order, joined by "; ";
    // a terminator or an empty value adds nothing.
    EXPECT_EQ(title(Concat({{3}, ToBytes("One"), {0}, ToBytes("Two")})), "One; Two");
    EXPECT_EQ(title(Concat({{1, 0xFF, 0xFE}, Utf16Le("A"), {0, 0, 0xFF, 0xFE}, Utf16Le("B")})),
              "A; B");
    EXPECT_EQ(title(Concat({{0}, ToBytes("A"), {0, 0}, ToBytes("B"), {0}})), "A; B");
    EXPECT_EQ(title(Concat({{1, 0xFF, 0xFE}, Utf16Le("Z"), {0, 0}})), "Z");
    // An unknown encoding is not guessed at.
    EXPECT_EQ(title(Concat({{9}, ToBytes("x")})), "");
}

TEST(Id3v2Codec, CommentTakesTheFirstFrameWithoutDescription) {
    Bytes described = Frame23("COMM", Concat({{0}, ToBytes("engiTunNORM"), {0}, ToBytes("0000")}));
    Bytes plain = Frame23("COMM", Concat({{0}, ToBytes("eng"), {0}, ToBytes("Real")}));
    EXPECT_EQ(FieldOf(Id3v2(3, 0, Concat({described, plain})), Id3v2Field::Comment), "Real");
    EXPECT_EQ(FieldOf(Id3v2(3, 0, described), Id3v2Field::Comment), "0000");
    // The first frame without a description stays chosen; among described
    // ones the first holds; a frame in an unknown encoding is passed over;
    // a description of a byte order mark alone is empty.
    Bytes later = Frame23("COMM", Concat({{0}, ToBytes("eng"), {0}, ToBytes("Later")}));
    Bytes other = Frame23("COMM", Concat({{0}, ToBytes("engother"), {0}, ToBytes("1111")}));
    Bytes unknown = Frame23("COMM", Concat({{7}, ToBytes("eng"), {0}, ToBytes("?")}));
    Bytes bomOnly = Frame23(
        "COMM", Concat({{1}, ToBytes("eng"), {0xFF, 0xFE, 0, 0}, {0xFF, 0xFE}, Utf16Le("Bom")}));
    struct Case {
        Bytes frames;
        std::string comment;
    };
    const Case cases[] = {
        {Concat({described, plain, later}), "Real"}, {Concat({plain, described}), "Real"},
        {Concat({described, other}), "0000"},        {Concat({described, other, later}), "Later"},
        {Concat({unknown, described}), "0000"},      {Concat({described, bomOnly, plain}), "Bom"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FieldOf(Id3v2(3, 0, c.frames), Id3v2Field::Comment), c.comment);
    }
    // A 2.4 frame unsynchronised on its own is read undone.
    Bytes unsynchronised = Frame24(
        "COMM", Unsynchronise(Concat({{0}, ToBytes("eng"), {0}, ToBytes("\xFF\xE0z")})), 0x0002);
    EXPECT_EQ(FieldOf(Id3v2(4, 0, unsynchronised), Id3v2Field::Comment), "\xC3\xBF\xC3\xA0z");
    // The description's terminator in UTF-16 is two zero bytes on a
    // character boundary, not the zero half of "A".
    Bytes utf16 = Frame23("COMM", Concat({{1},
                                          ToBytes("eng"),
                                          {0xFF, 0xFE},
                                          Utf16Le("A"),
                                          {0, 0},
                                          {0xFF, 0xFE},
                                          Utf16Le("Text")}));
    EXPECT_EQ(FieldOf(Id3v2(3, 0, utf16), Id3v2Field::Comment), "Text");
    // WXXX: the URL after the description is ISO-8859-1 whatever the
    // description's encoding.
    Bytes url =
        Frame23("WXXX", Concat({{1, 0xFF, 0xFE}, Utf16Le("d"), {0, 0}, ToBytes("http://x/\xE9")}));
    EXPECT_EQ(FieldOf(Id3v2(3, 0, url), Id3v2Field::Url), "http://x/é");
}

TEST(Id3v2Codec, HiddenFramesAreFound) {
    Bytes title = Frame23("TIT2", Latin1Text("\xFF\xE0xy"));
    Bytes artist = Frame23("TPE1", Latin1Text("Artist"));
    // 2.3, whole tag unsynchronised.
    Bytes unsynced = Id3v2(3, 0x80, Unsynchronise(Concat({title, artist})));
    EXPECT_EQ(TitleOf(unsynced), "ÿàxy");
    EXPECT_EQ(FieldOf(unsynced, Id3v2Field::Artist), "Artist");

    // 2.3 extended header: its size field does not count itself.
    Bytes extended3 = Id3v2(3, 0x40, Concat({{0, 0, 0, 6, 0, 0, 0, 0, 0, 0}, title}));
    EXPECT_EQ(TitleOf(extended3), "ÿàxy");
    // 2.4 extended header: synchsafe, counting itself.
    Bytes extended4 =
        Id3v2(4, 0x40, Concat({{0, 0, 0, 6, 1, 0}, Frame24("TIT2", Latin1Text("x"))}));
    EXPECT_EQ(TitleOf(extended4), "x");

    // 2.4 unsynchronises frame by frame, the size counting the stored bytes.
    Bytes body = Unsynchronise(Latin1Text("\xFF\xE0q"));
    EXPECT_EQ(TitleOf(Id3v2(4, 0, Frame24("TIT2", body, 0x0002))), "ÿàq");
    // ... or says so once in the header; carried over, such a frame keeps
    // saying it.
    std::optional<Id3v2Tag> headerFlag = Id3v2Tag::Parse(Id3v2(4, 0x80, Frame24("TIT2", body)));
    ASSERT_TRUE(headerFlag);
    EXPECT_EQ(headerFlag->ReadFields()[0], "ÿàq");
    EXPECT_EQ(headerFlag->frames[0].flags, 0x0002);
    // Grouping byte and data length indicator come before the text.
    Bytes extra = Concat({{7, 0, 0, 0, 5}, Latin1Text("grp")});
    EXPECT_EQ(TitleOf(Id3v2(4, 0, Frame24("TIT2", extra, 0x0041))), "grp");
}

TEST(Id3v2Codec, DamagedOrUnreadableFramesKeepWhatWasRead) {
    // Compressed and encrypted frames cannot be read as text, but the walk
    // goes on past them.
    Bytes compressed = Frame23("TIT2", Concat({{0, 0, 0, 9}, ToBytes("zlibdata")}), 0x0080);
    Bytes tag = Id3v2(3, 0, Concat({compressed, Frame23("TPE1", Latin1Text("After"))}));
    EXPECT_EQ(TitleOf(tag), "");
    EXPECT_EQ(FieldOf(tag, Id3v2Field::Artist), "After");
    EXPECT_EQ(TitleOf(Id3v2(4, 0, Frame24("TIT2", Latin1Text("enc"), 0x0004))), "");

    // A frame running past the tag ends the walk; the frames before stay.
    Bytes cut = Id3v2(3, 0,
                      Concat({Frame23("TIT2", Latin1Text("Kept")),
                              Frame23("TPE1", Latin1Text("Lost")), Bytes(20, 0)}));
    cut[10 + 11 + 7] = 0x7F;  // TPE1's size
    EXPECT_EQ(TitleOf(cut), "Kept");
    EXPECT_EQ(FieldOf(cut, Id3v2Field::Artist), "");
    // So does a buffer shorter than the header claims.
    Bytes whole =
        Id3v2(3, 0, Concat({Frame23("TIT2", Latin1Text("A")), Frame23("TPE1", Latin1Text("B"))}));
    Bytes shortened(whole.begin(), whole.end() - 3);
    EXPECT_EQ(TitleOf(shortened), "A");
    EXPECT_EQ(FieldOf(shortened, Id3v2Field::Artist), "");

    // Padding after the frames is walked over.
    EXPECT_EQ(FieldOf(Id3v2(3, 0, Concat({Frame23("TIT2", Latin1Text("P")), Bytes(300, 0)})),
                      Id3v2Field::Title),
              "P");
}

TEST(Id3v2Codec, PlainSizesInA24TagAreTolerated) {
    // Some writers put plain 32-bit sizes in 2.4 tags; 200 has its top bit
    // set in the low byte, which no synchsafe number has.
    Bytes text = Concat({{3}, Bytes(199, 'a')});
    Bytes frame = Concat({ToBytes("TIT2"), {0, 0, 0, 200, 0, 0}, text});
    Bytes tag = Id3v2(4, 0, Concat({frame, Frame24("TPE1", Latin1Text("Next"))}));
    EXPECT_EQ(TitleOf(tag).size(), 199u);
    EXPECT_EQ(FieldOf(tag, Id3v2Field::Artist), "Next");
    // 0x100 is 128 synchsafe but 256 plain: the plain reading is taken when
    // only it lands on the next frame.
    Bytes body256 = Concat({{3}, Bytes(255, 'b')});
    Bytes frame256 = Concat({ToBytes("TIT2"), {0, 0, 1, 0, 0, 0}, body256});
    Bytes tag256 = Id3v2(4, 0, Concat({frame256, Frame24("TPE1", Latin1Text("Then"))}));
    EXPECT_EQ(TitleOf(tag256).size(), 255u);
    EXPECT_EQ(FieldOf(tag256, Id3v2Field::Artist), "Then");
}

TEST(Id3v2Codec, RebuildWritesTheFieldsAsTheSizesSay) {
    songcore::Id3v2FieldValues values;
    values[static_cast<size_t>(Id3v2Field::Title)] = "abc";
    values[static_cast<size_t>(Id3v2Field::Track)] = "0";
    values[static_cast<size_t>(Id3v2Field::Genre)] = "--";
    std::optional<Bytes> bytes = Id3v2Tag::Rebuild(nullptr, values).Serialize();
    ASSERT_TRUE(bytes);
    Bytes expected =
        Id3v2(3, 0,
              Concat({Frame23("TIT2", Latin1Text("abc")), Frame23("TRCK", Latin1Text("0")),
                      Frame23("TCON", Latin1Text("--"))}));
    EXPECT_EQ(*bytes, expected);
    EXPECT_EQ(bytes->size(), 10u + 39u);

    values[static_cast<size_t>(Id3v2Field::Comment)] = "hi";
    values[static_cast<size_t>(Id3v2Field::Url)] = "http://a/ü/Ж";
    values[static_cast<size_t>(Id3v2Field::Artist)] = "Жанна";
    std::optional<Id3v2Tag> v23 = Id3v2Tag::Parse(*Id3v2Tag::Rebuild(nullptr, values).Serialize());
    ASSERT_TRUE(v23);
    for (const auto& frame : v23->frames) {
        if (frame.id == "COMM") {
            EXPECT_EQ(frame.data, Concat({{0}, ToBytes("eng"), {0}, ToBytes("hi")}));
        } else if (frame.id == "WXXX") {
            // ISO-8859-1 holds ü; Ж is percent-encoded rather than lost.
            EXPECT_EQ(frame.data, Concat({{0, 0}, ToBytes("http://a/\xFC/%D0%96")}));
        } else if (frame.id == "TPE1") {
            EXPECT_EQ(frame.data[0], 1) << "non-Latin text is UTF-16 in 2.3";
        }
    }
    EXPECT_EQ(v23->ReadFields(),
              Id3v2Tag::Parse(*Id3v2Tag::Rebuild(&*v23, values).Serialize())->ReadFields());

    // A 2.4 tag stays 2.4: UTF-8 text, TDRC for the year, synchsafe sizes
    // (the long lyrics need them).
    values[static_cast<size_t>(Id3v2Field::Year)] = "1999";
    values[static_cast<size_t>(Id3v2Field::Lyrics)] = std::string(300, 'x');
    Id3v2Tag old24;
    old24.major = 4;
    std::optional<Id3v2Tag> v24 = Id3v2Tag::Parse(*Id3v2Tag::Rebuild(&old24, values).Serialize());
    ASSERT_TRUE(v24);
    EXPECT_EQ(v24->major, 4);
    songcore::Id3v2FieldValues read = v24->ReadFields();
    values[static_cast<size_t>(Id3v2Field::Url)] = "http://a/ü/%D0%96";
    EXPECT_EQ(read, values);
    bool sawYear = false;
    for (const auto& frame : v24->frames) {
        sawYear = sawYear || frame.id == "TDRC";
        if (frame.id == "TPE1") {
            EXPECT_EQ(frame.data[0], 3) << "non-Latin text is UTF-8 in 2.4";
        }
    }
    EXPECT_TRUE(sawYear);
}

TEST(Id3v2Codec, RebuildCarriesOtherFramesAndReplacesTheFieldsOnes) {
    Bytes described = Frame23("COMM", Concat({{0}, ToBytes("engnote"), {0}, ToBytes("kept")}));
    Bytes old = Id3v2(
        3, 0,
        Concat({Frame23("TIT2", Latin1Text("Old")), Frame23("TIT2", Latin1Text("Dup")),
                Frame23("TRCK", Latin1Text("5/12")), described,
                Frame23("COMM", Concat({{0}, ToBytes("eng"), {0}, ToBytes("old")})),
                Frame23("APIC", Concat({{0}, ToBytes("image/png"), {0, 3, 0}, ToBytes("PNG")}),
                        0x0020),
                Frame23("TXXX", Concat({{0}, ToBytes("k"), {0}, ToBytes("v")}))}));
    std::optional<Id3v2Tag> parsed = Id3v2Tag::Parse(old);
    ASSERT_TRUE(parsed);
    songcore::Id3v2FieldValues values;
    values[static_cast<size_t>(Id3v2Field::Title)] = "New";
    values[static_cast<size_t>(Id3v2Field::Track)] = "5";
    values[static_cast<size_t>(Id3v2Field::Comment)] = "new";
    Id3v2Tag::KeepMask keep{};
    keep[static_cast<size_t>(Id3v2Field::Track)] = true;
    Id3v2Tag rebuilt = Id3v2Tag::Rebuild(&*parsed, values, keep);
    std::vector<std::string> ids;
    for (const auto& frame : rebuilt.frames) {
        ids.push_back(frame.id);
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"TIT2", "TRCK", "COMM", "COMM", "APIC", "TXXX"}));
    EXPECT_EQ(rebuilt.frames[1].data, Latin1Text("5/12")) << "an unchanged field keeps its frame";
    EXPECT_EQ(rebuilt.frames[3].data, parsed->frames[3].data);
    EXPECT_EQ(rebuilt.frames[4].flags, 0x0020);
    EXPECT_EQ(rebuilt.ReadFields()[static_cast<size_t>(Id3v2Field::Comment)], "new");
}

TEST(Id3v2Codec, A22TagBecomes23WithItsFramesConverted) {
    Bytes png = ToBytes("\x89PNGdata");
    Bytes old =
        Id3v2(2, 0,
              Concat({Frame22("TT2", Latin1Text("T")), Frame22("TP2", Latin1Text(" Band")),
                      Frame22("TPA", Latin1Text("1/2")),
                      Frame22("PIC", Concat({{0}, ToBytes("PNG"), {3}, ToBytes("c"), {0}, png})),
                      Frame22("CRM", Concat({ToBytes("o"), {0}, ToBytes("x"), {0, 1}})),
                      Frame22("XYZ", ToBytes("?"))}));
    std::optional<Id3v2Tag> parsed = Id3v2Tag::Parse(old);
    ASSERT_TRUE(parsed);
    songcore::Id3v2FieldValues values;
    values[0] = "T";
    values[static_cast<size_t>(Id3v2Field::AlbumArtist)] = "Band";
    values[static_cast<size_t>(Id3v2Field::Disc)] = "1/2";
    Id3v2Tag::KeepMask keep{};
    keep[0] = true;
    keep[static_cast<size_t>(Id3v2Field::AlbumArtist)] = true;
    keep[static_cast<size_t>(Id3v2Field::Disc)] = true;
    Id3v2Tag rebuilt = Id3v2Tag::Rebuild(&*parsed, values, keep);
    EXPECT_EQ(rebuilt.major, 3);
    ASSERT_EQ(rebuilt.frames.size(), 4u) << "CRM and unknown frames have no 2.3 form";
    EXPECT_EQ(rebuilt.frames[0].id, "TIT2");
    EXPECT_EQ(rebuilt.frames[1].id, "TPE2");
    EXPECT_EQ(rebuilt.frames[1].data, Latin1Text(" Band")) << "kept as it was";
    EXPECT_EQ(rebuilt.frames[2].id, "TPOS");
    EXPECT_EQ(rebuilt.frames[3].id, "APIC");
    EXPECT_EQ(rebuilt.frames[3].data,
              Concat({{0}, ToBytes("image/png"), {0, 3}, ToBytes("c"), {0}, png}));
    EXPECT_TRUE(rebuilt.Serialize());
}

TEST(Id3v2Codec, PaddingAndFooterAreWrittenAndMeasured) {
    Id3v2Tag tag;
    tag.major = 4;
    tag.frames.push_back({"TIT2", 0, Latin1Text("pad")});
    Bytes frame = Frame24("TIT2", Latin1Text("pad"));
    EXPECT_EQ(tag.FramesSize(), frame.size());

    std::optional<Bytes> padded = tag.Serialize(100);
    ASSERT_TRUE(padded);
    EXPECT_EQ(*padded, Id3v2(4, 0, Concat({frame, Bytes(100, 0)})));
    std::optional<Id3v2Tag> back = Id3v2Tag::Parse(*padded);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->padding, 100u);
    EXPECT_EQ(back->frames.size(), 1u);
    // Bytes after the frames that are no zero padding do not count as room.
    EXPECT_EQ(Id3v2Tag::Parse(Id3v2(4, 0, Concat({frame, ToBytes("junk")})))->padding, 0u);

    // A footer replaces the padding; only 2.4 has one.
    tag.footer = true;
    std::optional<Bytes> footed = tag.Serialize(100);
    ASSERT_TRUE(footed);
    EXPECT_EQ(footed->size(), tag.UnpaddedLength());
    Bytes head = Id3v2(4, 0x10, frame);
    Bytes foot(head.begin(), head.begin() + 10);
    std::copy_n("3DI", 3, foot.begin());
    EXPECT_EQ(*footed, Concat({head, foot}));
    back = Id3v2Tag::Parse(*footed);
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->footer);
    EXPECT_EQ(back->padding, 0u);
    EXPECT_TRUE(Id3v2Tag::Rebuild(&*back, back->ReadFields()).footer);
    tag.major = 3;
    EXPECT_EQ(tag.Serialize()->size(), 10 + frame.size());
}

TEST(Id3v2Codec, Rebuild24SplitsSeveralValuesAnd23KeepsTheText) {
    songcore::Id3v2FieldValues values;
    values[static_cast<size_t>(Id3v2Field::Artist)] = "Ann; Bob;  Кай";
    values[static_cast<size_t>(Id3v2Field::Comment)] = "not; a list";
    Id3v2Tag old24;
    old24.major = 4;
    Id3v2Tag v24 = Id3v2Tag::Rebuild(&old24, values);
    ASSERT_EQ(v24.frames.size(), 2u);
    EXPECT_EQ(v24.frames[0].data,
              Concat({{3}, ToBytes("Ann"), {0}, ToBytes("Bob"), {0}, ToBytes("Кай")}));
    EXPECT_EQ(v24.frames[1].data, Concat({{0}, ToBytes("eng"), {0}, ToBytes("not; a list")}));
    EXPECT_EQ(v24.ReadFields()[static_cast<size_t>(Id3v2Field::Artist)], "Ann; Bob; Кай");

    Id3v2Tag v23 = Id3v2Tag::Rebuild(nullptr, values);
    EXPECT_EQ(v23.ReadFields()[static_cast<size_t>(Id3v2Field::Artist)], "Ann; Bob;  Кай");
}
