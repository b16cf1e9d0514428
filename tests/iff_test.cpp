// The WAV and AIFF layout without files: the chunk walk over RIFF, RF64 and
// FORM (pad bytes, forms longer or shorter than the file, damage), the
// audio description of their format chunks, and the INFO list.
#include <gtest/gtest.h>

#include "songcore/tags/iff/IffAudio.h"
#include "songcore/tags/iff/IffForm.h"
#include "songcore/tags/iff/RiffInfo.h"
#include "songcore/util/ByteWriter.h"

using songcore::IffForm;
using songcore::SongField;

namespace {

struct Chunk {
    std::string id;
    std::vector<uint8_t> body;
};

// A form of the given chunks, each padded to an even length; formSize
// replaces the true length field when given.
std::vector<uint8_t> Form(const std::string& container, const std::string& type,
                          const std::vector<Chunk>& chunks, std::optional<uint32_t> formSize = {}) {
    bool big = container == "FORM";
    songcore::ByteWriter body;
    body.text(type);
    for (const Chunk& chunk : chunks) {
        body.text(chunk.id);
        big ? body.u32be(static_cast<uint32_t>(chunk.body.size()))
            : body.u32le(static_cast<uint32_t>(chunk.body.size()));
        body.bytes(chunk.body);
        if (chunk.body.size() & 1) {
            body.u8(0);
        }
    }
    songcore::ByteWriter form;
    form.text(container);
    uint32_t size = formSize.value_or(static_cast<uint32_t>(body.size()));
    big ? form.u32be(size) : form.u32le(size);
    form.bytes(body.buffer());
    return form.take();
}

std::optional<IffForm> Walk(const std::vector<uint8_t>& bytes) {
    return IffForm::Read(songcore::SpanReader(bytes), bytes.size());
}

std::vector<std::string> Ids(const IffForm& form) {
    std::vector<std::string> ids;
    for (const songcore::IffChunk& chunk : form.chunks) {
        ids.push_back(chunk.id + ":" + std::to_string(chunk.size));
    }
    return ids;
}

TEST(IffForm, WalksTheChunksOfEachContainerOverTheirPadBytes) {
    const std::vector<Chunk> chunks = {{"fmt ", std::vector<uint8_t>(16)},
                                       {"odd ", std::vector<uint8_t>(3)},
                                       {"id3 ", std::vector<uint8_t>(5)}};
    for (const char* container : {"RIFF", "FORM"}) {
        SCOPED_TRACE(container);
        std::optional<IffForm> form = Walk(Form(container, "WAVE", chunks));
        ASSERT_TRUE(form);
        EXPECT_EQ(form->bigEndian, std::string(container) == "FORM");
        EXPECT_EQ(form->formType, "WAVE");
        EXPECT_FALSE(form->damaged);
        EXPECT_EQ(Ids(*form), (std::vector<std::string>{"fmt :16", "odd :3", "id3 :5"}));
        EXPECT_EQ(form->chunks[2].offset, 12u + 24 + 12);
        EXPECT_NE(form->find("ID3 ", true), nullptr);
        EXPECT_EQ(form->find("ID3 "), nullptr);
        EXPECT_EQ(form->chunksEnd(), form->end);
    }
    EXPECT_FALSE(Walk(std::vector<uint8_t>{'R', 'I', 'F', 'X', 0, 0, 0, 0, 'W', 'A', 'V', 'E'}));
    EXPECT_FALSE(Walk(std::vector<uint8_t>{'R', 'I', 'F', 'F'}));
}

TEST(IffForm, TellsACleanEndFromDamage) {
    std::vector<uint8_t> odd = Form("RIFF", "WAVE", {{"data", {1, 2, 3}}});
    odd.pop_back();  // the last pad byte is missing
    std::vector<uint8_t> shortForm = odd;
    shortForm[4] = static_cast<uint8_t>(odd.size() - 8);
    std::optional<IffForm> form = Walk(shortForm);
    ASSERT_TRUE(form);
    EXPECT_FALSE(form->damaged);
    EXPECT_EQ(form->chunksEnd(), odd.size());

    // Declared longer than the file, but every chunk is there.
    std::vector<uint8_t> longer = Form("RIFF", "WAVE", {{"data", {1, 2}}}, 1000);
    form = Walk(longer);
    ASSERT_TRUE(form);
    EXPECT_TRUE(form->declaredPastFile);
    EXPECT_FALSE(form->damaged);
    EXPECT_EQ(form->end, longer.size());

    // A recording cut short: its data chunk claims more than is there.
    std::vector<uint8_t> cut = Form("RIFF", "WAVE", {{"data", std::vector<uint8_t>(100)}});
    cut.resize(cut.size() - 40);
    form = Walk(cut);
    ASSERT_TRUE(form);
    EXPECT_TRUE(form->damaged);
    EXPECT_EQ(Ids(*form), std::vector<std::string>{"data:60"});

    // Bytes too few for a chunk header, and more chunks than any file has.
    std::vector<uint8_t> tail = Form("RIFF", "WAVE", {{"data", {1, 2}}});
    tail.insert(tail.end(), {1, 2, 3, 4});
    tail[4] += 4;
    EXPECT_TRUE(Walk(tail)->damaged);
    std::vector<Chunk> many(IffForm::kMaxChunks + 1, Chunk{"junk", {}});
    form = Walk(Form("RIFF", "WAVE", many));
    EXPECT_TRUE(form->damaged);
    EXPECT_EQ(form->chunks.size(), IffForm::kMaxChunks);
}

TEST(IffForm, TakesRf64LengthsFromTheDs64Chunk) {
    songcore::ByteWriter ds64;
    ds64.u64le(4 + 36 + 8 + 6);  // the form
    ds64.u64le(6);               // the data chunk
    ds64.u64le(3);               // samples
    ds64.u32le(0);
    std::vector<uint8_t> bytes = Form(
        "RF64", "WAVE", {{"ds64", ds64.buffer()}, {"data", std::vector<uint8_t>(6)}}, UINT32_MAX);
    bytes[12 + 8 + 28 + 4] = 0xFF;  // the data chunk's 32-bit length: see ds64
    bytes[12 + 8 + 28 + 5] = 0xFF;
    bytes[12 + 8 + 28 + 6] = 0xFF;
    bytes[12 + 8 + 28 + 7] = 0xFF;
    std::optional<IffForm> form = Walk(bytes);
    ASSERT_TRUE(form);
    EXPECT_FALSE(form->damaged);
    EXPECT_EQ(Ids(*form), (std::vector<std::string>{"ds64:28", "data:6"}));
    bytes.resize(30);  // no whole ds64 chunk
    EXPECT_FALSE(Walk(bytes));
}

std::vector<uint8_t> WaveFormat(uint16_t format, uint16_t channels, uint32_t rate, uint16_t bits,
                                std::optional<uint16_t> subFormat = {}) {
    songcore::ByteWriter fmt;
    fmt.u16le(subFormat ? 0xFFFE : format);
    fmt.u16le(channels);
    fmt.u32le(rate);
    uint16_t align = static_cast<uint16_t>(channels * ((bits + 7) / 8));
    fmt.u32le(align > 0 ? rate * align : 16000);  // a compressed stream's byte rate
    fmt.u16le(align);
    fmt.u16le(bits);
    if (subFormat) {
        fmt.u16le(22);
        fmt.u16le(bits);
        fmt.u32le(3);
        fmt.u16le(*subFormat);
        fmt.zeros(14);
    }
    return fmt.take();
}

TEST(IffAudio, DescribesWaveFormats) {
    struct Case {
        std::vector<uint8_t> fmt;
        const char* codec;
        uint32_t bits;
        uint64_t samples;  // of 48000 data bytes
    };
    const Case cases[] = {
        {WaveFormat(1, 2, 44100, 16), "PCM", 16, 12000},
        {WaveFormat(3, 1, 48000, 32), "IEEE float", 32, 12000},
        {WaveFormat(0, 2, 48000, 24, 1), "PCM", 24, 8000},
        {WaveFormat(0, 1, 8000, 32, 3), "IEEE float", 32, 12000},
        {WaveFormat(0x55, 2, 44100, 0), "format 0x0055", 0, 0},
        {WaveFormat(7, 1, 8000, 8), "mu-law", 8, 48000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.codec);
        std::optional<songcore::IffAudio> audio = songcore::ParseWaveFormat(c.fmt, 48000);
        ASSERT_TRUE(audio);
        EXPECT_EQ(audio->codec, c.codec);
        EXPECT_EQ(audio->bitsPerSample, c.bits);
        EXPECT_EQ(audio->totalSamples, c.samples);
        EXPECT_GT(audio->Seconds(48000), 0.0);
    }
    EXPECT_FALSE(songcore::ParseWaveFormat(std::vector<uint8_t>(10), 0));
    EXPECT_FALSE(songcore::ParseWaveFormat(WaveFormat(1, 0, 44100, 16), 0));
    // An extensible format cut before its sub-format names none.
    std::vector<uint8_t> cut = WaveFormat(0, 2, 44100, 16, 1);
    cut.resize(20);
    EXPECT_EQ(songcore::ParseWaveFormat(cut, 0)->codec, "format 0x0000");
}

std::vector<uint8_t> Common(uint32_t frames, std::vector<uint8_t> rate, const char* compression) {
    songcore::ByteWriter comm;
    comm.u16be(2);
    comm.u32be(frames);
    comm.u16be(16);
    comm.bytes(rate);
    if (compression) {
        comm.text(compression);
        comm.zeros(2);
    }
    return comm.take();
}

TEST(IffAudio, ReadsTheAiffCommonChunkAndItsExtendedRate) {
    const std::vector<uint8_t> k44100 = {0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0};
    const std::vector<uint8_t> k8000 = {0x40, 0x0B, 0xFA, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(songcore::ExtendedToInteger(k44100), 44100u);
    EXPECT_EQ(songcore::ExtendedToInteger(k8000), 8000u);
    // Negative, below one, 2^32 and more, and a zero mantissa are no rate.
    for (std::vector<uint8_t> bad : {std::vector<uint8_t>{0xC0, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0},
                                     std::vector<uint8_t>{0x3F, 0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0},
                                     std::vector<uint8_t>{0x40, 0x1F, 0x80, 0, 0, 0, 0, 0, 0, 0},
                                     std::vector<uint8_t>{0x40, 0x0E, 0, 0, 0, 0, 0, 0, 0, 0},
                                     std::vector<uint8_t>{0x40, 0x0E}}) {
        EXPECT_EQ(songcore::ExtendedToInteger(bad), 0u);
    }
    EXPECT_EQ(songcore::ExtendedToInteger(
                  std::vector<uint8_t>{0x40, 0x1E, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}),
              UINT32_MAX);

    std::optional<songcore::IffAudio> audio =
        songcore::ParseAiffCommon(Common(44100, k44100, nullptr), false);
    ASSERT_TRUE(audio);
    EXPECT_EQ(audio->codec, "PCM");
    EXPECT_EQ(audio->sampleRate, 44100u);
    EXPECT_EQ(audio->totalSamples, 44100u);
    EXPECT_DOUBLE_EQ(audio->Seconds(0), 1.0);
    EXPECT_EQ(audio->bytesPerSecond, 44100u * 4);
    EXPECT_EQ(songcore::ParseAiffCommon(Common(1, k8000, "sowt"), true)->codec, "PCM");
    EXPECT_EQ(songcore::ParseAiffCommon(Common(1, k8000, "fl32"), true)->codec, "IEEE float");
    EXPECT_EQ(songcore::ParseAiffCommon(Common(1, k8000, "ulaw"), true)->codec, "ulaw");
    EXPECT_FALSE(
        songcore::ParseAiffCommon(Common(1, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, nullptr), false));
}

std::vector<uint8_t> Info(const std::vector<std::pair<std::string, std::string>>& items) {
    songcore::RiffInfo info;
    for (const auto& [id, text] : items) {
        std::vector<uint8_t> value(text.begin(), text.end());
        value.push_back(0);
        info.items.push_back({id, value});
    }
    return info.Serialize();
}

TEST(RiffInfo, ReadsTheFieldsAndKeepsThemInStep) {
    std::vector<uint8_t> body = Info({{"INAM", "Title"},
                                      {"ISFT", "Lavf"},
                                      {"IART", "Caf\xE9"},  // ISO-8859-1
                                      {"ITRK", "7/12"}});
    std::optional<songcore::RiffInfo> info = songcore::RiffInfo::Parse(body);
    ASSERT_TRUE(info);
    ASSERT_EQ(info->items.size(), 4u);
    EXPECT_EQ(info->Serialize(), body);
    songcore::SongValues fields = info->Fields();
    EXPECT_EQ(fields.Text(SongField::Title), "Title");
    EXPECT_EQ(fields.Text(SongField::Artist), "Café");
    EXPECT_EQ(fields.Number(SongField::Track), 7u);
    EXPECT_EQ(fields.Number(SongField::TrackTotal), 12u);

    // Unchanged fields keep their bytes, a changed one is replaced in its
    // place, a new one goes last, a cleared one goes.
    fields.SetText(SongField::Title, "New Title");
    fields.SetText(SongField::Album, "Album");
    fields.Clear(SongField::Track);
    fields.Clear(SongField::TrackTotal);
    info->Update(fields);
    EXPECT_EQ(
        info->Serialize(),
        Info({{"INAM", "New Title"}, {"ISFT", "Lavf"}, {"IART", "Caf\xE9"}, {"IPRD", "Album"}}));

    EXPECT_FALSE(songcore::RiffInfo::Parse(Info({})).value().items.size());
    std::vector<uint8_t> adtl = body;
    adtl[0] = 'a';
    EXPECT_FALSE(songcore::RiffInfo::Parse(adtl));
    // An item that claims more than the list holds ends it.
    body[8] = 0xFF;
    EXPECT_TRUE(songcore::RiffInfo::Parse(body)->items.empty());
}

}  // namespace
