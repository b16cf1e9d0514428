// The tags of WAV and AIFF files: an ID3v2 tag in an ID3 chunk (written by
// the ID3v2 code, placed here), WAV's LIST/INFO list kept in step with it,
// and the older text chunks read when there is no ID3 chunk. A write never
// moves a chunk it does not change; the form's length is updated.
#include <algorithm>
#include <array>

#include "songcore/songfile/ContentWriter.h"
#include "songcore/songfile/SongFileReader.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"
#include "songcore/tags/TagExtents.h"
#include "songcore/tags/iff/IffAudio.h"
#include "songcore/tags/iff/IffForm.h"
#include "songcore/tags/iff/RiffInfo.h"
#include "songcore/util/ByteWriter.h"
#include "songcore/util/Text.h"

using songcore::IffChunk;
using songcore::IffForm;
using songcore::SongField;

namespace {

// Text and format chunks are small; a larger one is not read into memory.
constexpr uint64_t kMaxSmallChunk = 1 << 20;

// AIFF's text chunks and the fields they hold.
constexpr std::array<std::pair<const char*, SongField>, 4> kAiffTextChunks = {{
    {"NAME", SongField::Title},
    {"AUTH", SongField::Artist},
    {"ANNO", SongField::Comment},
    {"(c) ", SongField::Copyright},
}};

std::optional<IffForm> ReadForm(CSongFile& file) {
    uint64_t length = file.GetLength();
    if (length == CSongFile::kBadLength) {
        return std::nullopt;
    }
    return IffForm::Read(songcore::SongFileReader(file), length);
}

const IffChunk* Id3Chunk(const IffForm& form) {
    return form.find("id3 ", true);
}

std::optional<std::vector<uint8_t>> ReadSmallChunk(CSongFile& file, const IffChunk& chunk) {
    std::vector<uint8_t> body;
    if (chunk.size > kMaxSmallChunk ||
        !file.ReadExact(chunk.bodyOffset(), static_cast<size_t>(chunk.size), body)) {
        return std::nullopt;
    }
    return body;
}

// The first LIST chunk of form type INFO, and its items.
const IffChunk* FindInfoList(CSongFile& file, const IffForm& form,
                             std::optional<songcore::RiffInfo>& info) {
    if (form.bigEndian) {
        return nullptr;
    }
    for (const IffChunk& chunk : form.chunks) {
        if (chunk.id != "LIST") {
            continue;
        }
        if (std::optional<std::vector<uint8_t>> body = ReadSmallChunk(file, chunk)) {
            info = songcore::RiffInfo::Parse(*body);
            if (info) {
                return &chunk;
            }
        }
    }
    return nullptr;
}

// A range of the old file and the bytes that take its place.
struct Splice {
    uint64_t offset;
    uint64_t length;
    std::vector<uint8_t> bytes;
};

std::vector<uint8_t> ChunkBytes(const std::string& id, std::span<const uint8_t> body,
                                bool bigEndian) {
    songcore::ByteWriter writer;
    writer.text(id);
    if (bigEndian) {
        writer.u32be(static_cast<uint32_t>(body.size()));
    } else {
        writer.u32le(static_cast<uint32_t>(body.size()));
    }
    writer.bytes(body);
    if (body.size() & 1) {
        writer.u8(0);
    }
    return writer.take();
}

// Where an existing chunk's bytes end in the file: its pad byte may be
// missing at the end of the form.
uint64_t ChunkEnd(const IffForm& form, const IffChunk& chunk) {
    return std::min(chunk.paddedEnd(), form.end);
}

// A JUNK chunk of exactly `length` bytes (even, at least a header's).
std::vector<uint8_t> JunkChunk(uint64_t length) {
    return ChunkBytes("JUNK", std::vector<uint8_t>(length - IffChunk::kHeaderSize, 0), false);
}

// Where the INFO list's new bytes go. A list before the audio that changed
// its length would move the audio, and so the whole file would be written
// again: a shorter list keeps its place with a JUNK chunk filling the rest,
// and one that grew (or left too little room for JUNK's header) goes to the
// form's end, its old place becoming JUNK.
Splice PlaceInfoList(const IffForm& form, const IffChunk& list, std::vector<uint8_t> chunk,
                     std::vector<uint8_t>& atFormEnd) {
    uint64_t length = ChunkEnd(form, list) - list.offset;
    const IffChunk* audio = form.find("data");
    if (audio == nullptr || audio->offset < list.offset || chunk.size() == length) {
        return {list.offset, length, std::move(chunk)};
    }
    if (chunk.size() + IffChunk::kHeaderSize <= length) {
        std::vector<uint8_t> junk = JunkChunk(length - chunk.size());
        chunk.insert(chunk.end(), junk.begin(), junk.end());
        return {list.offset, length, std::move(chunk)};
    }
    atFormEnd.insert(atFormEnd.end(), chunk.begin(), chunk.end());
    return {list.offset, length, JunkChunk(length)};
}

// The splice that adds chunks at the end of the form. A last odd chunk whose
// pad byte is missing gets it first, unless a splice before has padded it.
Splice AppendChunks(const IffForm& form, const std::vector<Splice>& splices,
                    std::vector<uint8_t> chunks) {
    uint64_t at = form.chunksEnd();
    uint64_t newAt = at;
    for (const Splice& splice : splices) {
        if (splice.offset < at) {
            newAt = newAt - splice.length + splice.bytes.size();
        }
    }
    chunks.insert(chunks.begin(), newAt & 1, 0);
    return {at, 0, std::move(chunks)};
}

// Why the form cannot be rewritten, or empty.
std::string WriteProblem(const std::optional<IffForm>& form) {
    if (!form) {
        return "the file is not a WAV or AIFF file (it has no RIFF or FORM header)";
    }
    if (form->container == "RF64") {
        return "RF64 files are read but not written";
    }
    if (form->damaged) {
        return "the file's chunks are damaged or run past its end";
    }
    return {};
}

// The form's new length field once the splices are made; nothing when it
// would not fit 32 bits.
std::optional<uint32_t> NewFormSize(const IffForm& form, const std::vector<Splice>& splices) {
    uint64_t end = form.end;
    for (const Splice& splice : splices) {
        end = end - splice.length + splice.bytes.size();
    }
    uint64_t size = end - 8;
    return size > UINT32_MAX ? std::nullopt : std::optional<uint32_t>(static_cast<uint32_t>(size));
}

// The file with the splices made (none overlaps another) and the form's
// length updated; everything else is kept where it is.
int ReplaceChunks(CSongFile& file, const IffForm& form, std::vector<Splice> splices,
                  uint32_t formSize) {
    songcore::ByteWriter size;
    if (form.bigEndian) {
        size.u32be(formSize);
    } else {
        size.u32le(formSize);
    }
    splices.push_back({4, 4, size.take()});
    std::sort(splices.begin(), splices.end(),
              [](const Splice& a, const Splice& b) { return a.offset < b.offset; });
    uint64_t length = file.GetLength();
    if (length == CSongFile::kBadLength) {
        return 0;
    }
    return file.ReplaceContents([&](songcore::ContentWriter& out) {
        uint64_t pos = 0;
        for (const Splice& splice : splices) {
            if (!file.CopyRange(out, pos, splice.offset - pos) || !out.append(splice.bytes)) {
                return false;
            }
            pos = splice.offset + splice.length;
        }
        return file.CopyRange(out, pos, length - pos);
    });
}

}  // namespace

std::optional<CSongFileInfo::Id3v2Place> CSongFileInfo::FindIffID3V2Place() {
    std::optional<IffForm> form = ReadForm(*this);
    if (!form) {
        return std::nullopt;
    }
    const IffChunk* chunk = Id3Chunk(*form);
    if (chunk == nullptr) {
        return Id3v2Place{};
    }
    std::vector<uint8_t> header;
    uint64_t tagLength = 0;
    if (chunk->size >= 10 && ReadExact(chunk->bodyOffset(), 10, header)) {
        tagLength = songcore::Id3v2TagLength(header);
    }
    return Id3v2Place{chunk->bodyOffset(), std::min(tagLength, chunk->size), chunk->size};
}

int CSongFileInfo::WriteIffID3V2Info() {
    std::optional<IffForm> form = ReadForm(*this);
    if (std::string why = WriteProblem(form); !why.empty()) {
        return Refuse(std::move(why));
    }
    std::vector<uint8_t> tag;
    uint64_t room = 0;
    if (!BuildID3V2Tag(tag, room)) {
        return 0;
    }
    std::vector<Splice> splices;
    // New chunks go at the end of the form, where mutagen puts its ID3
    // chunk, which stays last.
    std::vector<uint8_t> atFormEnd;
    std::optional<songcore::RiffInfo> info;
    if (const IffChunk* list = FindInfoList(*this, *form, info)) {
        std::vector<uint8_t> before = info->Serialize();
        info->Update(fields_);
        std::vector<uint8_t> after = info->Serialize();
        if (after != before) {
            splices.push_back(
                PlaceInfoList(*form, *list, ChunkBytes("LIST", after, false), atFormEnd));
        }
    }
    const IffChunk* id3 = Id3Chunk(*form);
    std::vector<uint8_t> chunk =
        ChunkBytes(id3 ? id3->id : (form->bigEndian ? "ID3 " : "id3 "), tag, form->bigEndian);
    if (id3 != nullptr) {
        splices.push_back({id3->offset, ChunkEnd(*form, *id3) - id3->offset, std::move(chunk)});
    } else {
        atFormEnd.insert(atFormEnd.end(), chunk.begin(), chunk.end());
    }
    if (!atFormEnd.empty()) {
        splices.push_back(AppendChunks(*form, splices, std::move(atFormEnd)));
    }
    std::optional<uint32_t> formSize = NewFormSize(*form, splices);
    if (!formSize) {
        return Refuse("the file would be larger than a WAV or AIFF file can be (4 GiB)");
    }
    return ReplaceChunks(*this, *form, std::move(splices), *formSize);
}

int CSongFileInfo::RemoveIffID3V2Info() {
    std::optional<IffForm> form = ReadForm(*this);
    if (form && !Id3Chunk(*form)) {
        return 1;
    }
    if (std::string why = WriteProblem(form); !why.empty()) {
        return Refuse(std::move(why));
    }
    const IffChunk& id3 = *Id3Chunk(*form);
    std::vector<Splice> splices = {{id3.offset, ChunkEnd(*form, id3) - id3.offset, {}}};
    return ReplaceChunks(*this, *form, splices, *NewFormSize(*form, splices));
}

int CSongFileInfo::GetIffTextInfo() {
    Init();
    std::optional<IffForm> form = ReadForm(*this);
    if (!form) {
        return 0;
    }
    songcore::SongValues found;
    bool any = false;
    if (std::optional<songcore::RiffInfo> info; FindInfoList(*this, *form, info)) {
        found = info->Fields();
        any = true;
    }
    if (form->bigEndian) {
        for (const auto& [id, field] : kAiffTextChunks) {
            const IffChunk* chunk = form->find(id);
            std::optional<std::vector<uint8_t>> body =
                chunk ? ReadSmallChunk(*this, *chunk) : std::nullopt;
            if (body) {
                std::string text(body->begin(), body->end());
                text = text.substr(0, text.find('\0'));
                found.SetText(field,
                              songcore::IsValidUtf8(text) ? text : songcore::Latin1ToUtf8(text));
                any = true;
            }
        }
    }
    const std::bitset<songcore::kSongFieldCount> held = found.Held();
    fields_.TakeFields(std::move(found), held);
    return any ? 1 : 0;
}

void songcore::AddIffStreamProperties(CSongFileInfo& song, StreamProperties& out) {
    std::optional<IffForm> form = ReadForm(song);
    if (!form) {
        return;
    }
    bool aiff = form->bigEndian;
    const IffChunk* format = form->find(aiff ? "COMM" : "fmt ");
    const IffChunk* data = form->find(aiff ? "SSND" : "data");
    std::optional<std::vector<uint8_t>> body =
        format ? ReadSmallChunk(song, *format) : std::nullopt;
    if (!body) {
        return;
    }
    uint64_t dataSize = data ? data->size : 0;
    std::optional<IffAudio> audio =
        aiff ? ParseAiffCommon(*body, form->formType == "AIFC") : ParseWaveFormat(*body, dataSize);
    if (!audio) {
        return;
    }
    out.add("codec", audio->codec);
    out.add("channels", static_cast<int64_t>(audio->channels));
    out.add("sample_rate", static_cast<int64_t>(audio->sampleRate));
    if (audio->bitsPerSample > 0) {
        out.add("bits_per_sample", static_cast<int64_t>(audio->bitsPerSample));
    }
    if (audio->totalSamples > 0) {
        out.add("total_samples", static_cast<int64_t>(audio->totalSamples));
    }
    if (audio->bytesPerSecond > 0) {
        out.add("bitrate_kbps", static_cast<int64_t>(audio->bytesPerSecond) * 8 / 1000);
    }
    out.add("length_seconds", audio->Seconds(dataSize));
}
