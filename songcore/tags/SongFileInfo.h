#pragma once
// CSongFileInfo: the song information record. One object holds the
// descriptive fields of one song, reads them from whichever tag the song's
// format carries, and writes them back. Each tag format's readers and writers
// live in that format's source file (Id3v1.cpp, Id3v2.cpp, ...).

#include <array>
#include <atomic>
#include <bitset>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "songcore/songfile/SongFile.h"
#include "songcore/tags/Genre.h"
#include "songcore/tags/Picture.h"
#include "songcore/tags/SongValues.h"
#include "songcore/tags/TagItem.h"
#include "songcore/tags/ogg/OggCodec.h"
#include "songcore/util/ReadExact.h"

namespace songcore {
struct VorbisComments;
}

// Tag kind mask: which tag was read last (one bit each).
constexpr uint32_t TAG_ID3V1 = 0x01;
constexpr uint32_t TAG_ID3V2 = 0x02;
constexpr uint32_t TAG_OGG = 0x04;
constexpr uint32_t TAG_RM = 0x08;
constexpr uint32_t TAG_ASF = 0x10;
constexpr uint32_t TAG_APEV2 = 0x20;
constexpr uint32_t TAG_MP4 = 0x40;
constexpr uint32_t TAG_FLAC = 0x80;
constexpr uint32_t TAG_MATROSKA = 0x100;

class CSongFileInfo : public CSongFile {
public:
    CSongFileInfo();
    ~CSongFileInfo() override;

    int Open(std::string path, int readOnly, int create);

    // --- reading and writing by song type ---
    int GetSongInfo();
    int WriteSongInfo();
    // The tag kind that WriteSongInfo writes: the lowest bit of the tag kind
    // mask, or by song type when nothing was read; 0 when it writes nothing.
    uint32_t GetWriteTagKind() const;

    // Where a file's ID3v2 tag lies: at the start of the file, or in the ID3
    // chunk of a WAV or AIFF file.
    struct Id3v2Place {
        uint64_t offset = 0;  // of the tag's first byte
        uint64_t length = 0;  // of the tag, cut at the end of its room; 0 for none
        uint64_t room = 0;    // what a new tag replaces: the tag, or the chunk's body
    };

    // --- the tag formats (each in its own source file) ---
    int GetID3V1Info();
    int WriteID3V1Info();
    int RemoveID3V1Info();
    int GetID3V2Info();
    int WriteID3V2Info();
    int RemoveID3V2Info();
    int GetAPEV2Info();
    int WriteAPEV2Info();
    int RemoveAPEV2Info();
    int GetOGGInfo();
    int WriteOGGInfo();
    int GetFlacInfo();
    int WriteFlacInfo();
    int GetMP4Info();
    int WriteMP4Info();
    int GetASFInfo();
    int WriteASFInfo();
    int RemoveASFInfo();
    int GetRMInfo();
    int WriteRMInfo();
    // --- Matroska and WebM (mkv/Matroska.cpp): the Tags element, and
    // the attachment named cover.jpg or cover.png as the picture ---
    int GetMatroskaInfo();
    int WriteMatroskaInfo();
    int RemoveMatroskaInfo();
    int ReadMatroskaPictures(std::vector<songcore::Picture>& out);

    // --- pictures (SongPictures.cpp; each format's in its own source file) ---
    // The song's pictures, from the tag WritePictures writes; 0 when the file
    // or that tag cannot be read. A damaged picture entry is skipped.
    int ReadPictures(std::vector<songcore::Picture>& out);
    // Replaces the song's pictures, its other tag items kept; 0 (and
    // GetErrorMessage) when the format has no place for them or the write
    // fails.
    int WritePictures(std::vector<songcore::Picture> pictures);

    // --- other tag items (SongItems.cpp; each format's in its own source file) ---
    // The tag that holds pictures and other items: the one the fields are
    // written to, except that an MPEG file gets ID3v2 where its only tag is
    // ID3v1, which has no room for them; 0 when the format has none.
    uint32_t GetExtrasTagKind() const;
    // The items of that tag that no field shows and that are not pictures
    // (TagItem.h), in the tag's order with the items of one key together; 0
    // when the file or the tag cannot be read. A file without the tag has
    // none (1).
    int ReadItems(std::vector<songcore::TagItem>& out);
    // Changes those items of the song as read (GetSongInfo), with the fields
    // as they are set, in one write; 0
    // (and GetErrorMessage) when the format has no place for them, a key
    // is not a key of the format or names a field of the table, or the
    // write fails.
    int WriteItems(songcore::TagItemEdits edits);

    // --- cancellation, from another thread ---
    void Terminate();
    int IsTerminate() const { return terminate_.load() ? 1 : 0; }

    // --- fields, by the one field table (SongField.h) ---
    // Valid until the next change of any field.
    std::span<const std::string> GetValues(songcore::SongField field) const {
        return fields_.Get(field);
    }
    // Stores the values in the field's form (SongValues::Set).
    void SetValues(songcore::SongField field, std::vector<std::string> values) {
        fields_.Set(field, std::move(values));
    }
    // The values as one text, joined by "; "; set from such a text, a list
    // field's split at "; ".
    std::string GetText(songcore::SongField field) const { return fields_.Text(field); }
    void SetText(songcore::SongField field, std::string_view text) { fields_.SetText(field, text); }
    const songcore::SongValues& GetFields() const { return fields_; }
    // Whether the field was read from legacy 8-bit text (ID3v1, an ID3v2
    // frame in ISO-8859-1, RealMedia): text that DecodeLegacyText made of
    // bytes in whatever code page the tagger used, which EncodeLegacyText
    // gives back.
    bool IsLegacyText(songcore::SongField field) const {
        return legacyText_.test(static_cast<size_t>(field));
    }

    // --- fields by name; each setter but SetLyrics trims its text ---
    std::string GetTitle() const { return GetText(songcore::SongField::Title); }
    void SetTitle(std::string value) { SetText(songcore::SongField::Title, value); }
    std::string GetArtist() const { return GetText(songcore::SongField::Artist); }
    void SetArtist(std::string value) { SetText(songcore::SongField::Artist, value); }
    std::string GetAlbumArtist() const { return GetText(songcore::SongField::AlbumArtist); }
    void SetAlbumArtist(std::string value) { SetText(songcore::SongField::AlbumArtist, value); }
    std::string GetPerformer() const { return GetText(songcore::SongField::Performer); }
    void SetPerformer(std::string value) { SetText(songcore::SongField::Performer, value); }
    std::string GetOrganization() const { return GetText(songcore::SongField::Organization); }
    void SetOrganization(std::string value) { SetText(songcore::SongField::Organization, value); }
    std::string GetLocation() const { return GetText(songcore::SongField::Location); }
    void SetLocation(std::string value) { SetText(songcore::SongField::Location, value); }
    std::string GetContact() const { return GetText(songcore::SongField::Contact); }
    void SetContact(std::string value) { SetText(songcore::SongField::Contact, value); }
    std::string GetAlbum() const { return GetText(songcore::SongField::Album); }
    void SetAlbum(std::string value) { SetText(songcore::SongField::Album, value); }
    std::string GetYear() const { return GetText(songcore::SongField::Year); }
    void SetYear(std::string value) { SetText(songcore::SongField::Year, value); }
    std::string GetComment() const { return GetText(songcore::SongField::Comment); }
    void SetComment(std::string value) { SetText(songcore::SongField::Comment, value); }
    std::string GetVersion() const { return GetText(songcore::SongField::Version); }
    std::string GetVendor() const { return GetText(songcore::SongField::Vendor); }
    void SetVendor(std::string value) { SetText(songcore::SongField::Vendor, value); }
    std::string GetEncodedBy() const { return GetText(songcore::SongField::EncodedBy); }
    void SetEncodedBy(std::string value) { SetText(songcore::SongField::EncodedBy, value); }
    std::string GetCopyright() const { return GetText(songcore::SongField::Copyright); }
    void SetCopyright(std::string value) { SetText(songcore::SongField::Copyright, value); }
    std::string GetLicense() const { return GetText(songcore::SongField::License); }
    void SetLicense(std::string value) { SetText(songcore::SongField::License, value); }
    std::string GetURL() const { return GetText(songcore::SongField::Url); }
    void SetURL(std::string value) { SetText(songcore::SongField::Url, value); }
    std::string GetComposer() const { return GetText(songcore::SongField::Composer); }
    void SetComposer(std::string value) { SetText(songcore::SongField::Composer, value); }
    std::string GetOrigArtist() const { return GetText(songcore::SongField::OrigArtist); }
    void SetOrigArtist(std::string value) { SetText(songcore::SongField::OrigArtist, value); }
    std::string GetLyrics() const { return GetText(songcore::SongField::Lyrics); }
    void SetLyrics(std::string value) { SetText(songcore::SongField::Lyrics, value); }
    std::string GetCodec() const { return codec_; }
    uint16_t GetCodecType() const { return codecType_; }

    // The genre's number in the genre table (its first value's), 148 when it
    // has none or a genre outside the table.
    uint16_t GetGenre() const;
    void SetGenre(unsigned short id);
    // The genre as text ("; " between several); "--" is none.
    void SetGenre(const char* name);
    // The genre's text; "--" when there is none.
    std::string GetGenreString() const;

    uint32_t GetTrackNum() const { return fields_.Number(songcore::SongField::Track); }
    void SetTrackNum(uint32_t value) { fields_.SetNumber(songcore::SongField::Track, value); }
    uint32_t GetDiscNum() const { return fields_.Number(songcore::SongField::Disc); }
    void SetDiscNum(uint32_t value) { fields_.SetNumber(songcore::SongField::Disc, value); }
    // How many tracks and discs there are in all; 0 when unknown.
    uint32_t GetTrackTotal() const { return fields_.Number(songcore::SongField::TrackTotal); }
    void SetTrackTotal(uint32_t value) {
        fields_.SetNumber(songcore::SongField::TrackTotal, value);
    }
    uint32_t GetDiscTotal() const { return fields_.Number(songcore::SongField::DiscTotal); }
    void SetDiscTotal(uint32_t value) { fields_.SetNumber(songcore::SongField::DiscTotal, value); }
    uint8_t GetCompilation() const {
        return static_cast<uint8_t>(fields_.Number(songcore::SongField::Compilation));
    }
    uint16_t GetTempo() const {
        return static_cast<uint16_t>(fields_.Number(songcore::SongField::Tempo));
    }

    uint32_t GetTagKind() const { return tagKind_; }

    // --- stream property areas: raw header bytes kept by the readers ---
    using OggHeaderArea = std::array<uint8_t, 28>;
    using VorbisIdArea = std::array<uint8_t, 23>;
    using OpusHeadArea = std::array<uint8_t, 19>;
    using FlacStreamInfoArea = std::array<uint8_t, 34>;
    using MP4MovieHeaderArea = std::array<uint8_t, 100>;
    using RMPropertiesArea = std::array<uint8_t, 40>;
    const OggHeaderArea& GetOggHeaderArea() const { return oggHeader_; }
    const VorbisIdArea& GetVorbisIdArea() const { return vorbisId_; }
    const OpusHeadArea& GetOpusHeadArea() const { return opusHead_; }
    // The codec of the Ogg stream whose comments were read last.
    songcore::OggCodec GetOggCodec() const { return oggCodec_; }
    const FlacStreamInfoArea& GetFlacStreamInfoArea() const { return flacStreamInfo_; }
    const MP4MovieHeaderArea& GetMP4MovieHeaderArea() const { return mp4MovieHeader_; }
    const RMPropertiesArea& GetRMPropertiesArea() const { return rmProperties_; }

protected:
    void Init();

    // --- ID3v1 (Id3v1.cpp) ---
    int HasID3V1();
    // The 128 bytes WriteID3V1Info writes, the texts in codepage (empty:
    // the legacy encoding).
    std::array<uint8_t, 128> BuildID3V1Block(const std::string& codepage = {});
    // Whether an ID3v1 tag holds every field as it is: texts in ISO-8859-1
    // within their lengths, a track below 256, nothing in the fields it has
    // no place for.
    bool FieldsFitID3V1() const;
    // How an MPEG file whose ID3v1 tag was read is written: the ID3v1 tag
    // alone when it holds everything, else in one rewrite an ID3v2 tag with
    // the whole fields (new, or the file's own updated) and the ID3v1 tag
    // with what it holds.
    int WriteMPEGID3V1Info();
    // Writes an MPEG file's ID3v2 tag (new, or the file's own updated) and
    // its ID3v1 tag, texts in codepage (empty: the legacy encoding), in one
    // rewrite; -1 when the ID3v2 tag cannot be built (nothing written).
    int WriteMPEGBothTags(const std::string& codepage);
    // Fills the texts, track and genre that the ID3v2 tag left empty from
    // the ID3v1 tag at the end, as other readers show such files.
    void FillFromID3V1();

    // --- ID3v2 (Id3v2.cpp) ---
    // Total length of the ID3v2 tag at the start of the file, or 0.
    int HasID3V2();
    // The song's ID3v2 tag, wherever its format keeps it; nothing when the
    // file cannot be read.
    std::optional<Id3v2Place> FindID3V2Place();
    // Size of the frames WriteID3V2Info writes (header, padding and footer
    // excluded): the fields' frames and the frames carried over from the old
    // tag; -1 when the tag cannot be built.
    int TotalID3V2Size();
    // The tag WriteID3V2Info writes and the length of the old tag it
    // replaces; false when the old tag cannot be read or the new one built.
    // A new tag that fits in the old one's place is padded to its length.
    // framesSize, when given, gets what TotalID3V2Size gives. fileLength,
    // when given, is the length of a file whose audio follows the tag: a
    // tag that outgrows its place is padded so that the audio moves by whole
    // blocks (MoveAlignment.h).
    bool BuildID3V2Tag(std::vector<uint8_t>& tag, uint64_t& oldTagLength,
                       uint64_t* framesSize = nullptr, uint64_t fileLength = 0);

    // --- APEv2 (Ape.cpp) ---
    // Total length of the APEv2 tag that ends the file (before an ID3v1 tag),
    // or 0.
    int HasAPEV2();
    // Puts replacement (an APEv2 tag, or nothing) in place of the APEv2 tags
    // before the ID3v1 tag, keeping the ID3v1 tag last; false on failure.
    bool ReplaceAPEV2Tag(const std::vector<uint8_t>& replacement);

    // --- Vorbis comments, shared by Ogg and FLAC (VorbisFields.cpp) ---
    // How one field is stored as comments (its keys, how its text is made).
    struct VorbisField;
    // Fills the fields from a Vorbis comment list (vendor, count, items), the
    // layout that Ogg and FLAC share. 0 when the list ends early; the fields
    // read so far stay.
    int ReadOggCommentItem(const uint8_t* data, size_t size);
    // The same for a list of size bytes read through read as the parse goes
    // (offsets from the list's start): the pictures are read past unread.
    int ReadOggCommentItem(const songcore::ReadExactFn& read, uint64_t size);
    // Fills the fields from comment items: several values of a text field
    // are joined by "; ".
    void ApplyVorbisItems(const std::vector<std::string>& items);
    void ApplyVorbisItems(std::span<const std::string_view> items);
    // The comment list the Ogg and FLAC writers store: the old items, with
    // those of every field that no longer holds what they read as replaced
    // by the field's values (split at "; "; nothing for a field left empty).
    // keys gives the order in which fields that had no item are added.
    songcore::VorbisComments BuildVorbisComments(std::string vendor,
                                                 std::span<const std::string_view> keys,
                                                 const std::vector<std::string>& oldItems) const;
    // Whether the field's items must be written anew: its value is not what
    // the old items (read into old) give.
    bool VorbisFieldChanged(const VorbisField& field, const CSongFileInfo& old,
                            const std::vector<std::string>& oldItems) const;

    // The items no field of the table reads, pictures left out, and the
    // pending item edits made to a comment list: "" when done, else why they
    // are refused (a key that is no comment key, names a field or a picture).
    std::vector<songcore::TagItem> VorbisOtherItems(const std::vector<std::string>& items) const;
    std::string ApplyVorbisItemEdits(std::vector<std::string>& items) const;
    // Whether a comment key (in upper case) is read into a field.
    static bool IsVorbisFieldKey(std::string_view key);

    // --- Ogg Vorbis, Opus and FLAC (Ogg.cpp) ---
    // Length of the comment list the writer produces from the fields and the
    // old items, and the framing byte of a Vorbis header; count gets the
    // number of items. Sets the default vendor of a Vorbis stream when there
    // is none.
    unsigned long CalcNewOggCommentItemTotalSize(unsigned long* count,
                                                 const std::vector<std::string>& oldItems);
    // Appends the file's pages from offset to end with their sequence numbers
    // moved by delta (those of the stream serial) and fresh checksums.
    bool CopyOggPagesRenumbered(songcore::ContentWriter& out, uint64_t offset, uint64_t end,
                                uint32_t serial, uint32_t delta);

    // --- FLAC (Flac.cpp) ---
    // Body length of the comment block the writer produces from the fields
    // and the old items; count gets the number of items. Sets the
    // default vendor when there is none.
    unsigned long CalcNewFlacCommentItemTotalSize(unsigned long* count,
                                                  const std::vector<std::string>& oldItems);
    // Body length of the file's first comment block; 0 when there is none or
    // the file is not FLAC.
    unsigned long CalcOldFlacCommentItemTotalSize();

    // --- WAV and AIFF (iff/IffTags.cpp) ---
    bool IsIffSong() const { return (GetSongType() & (SONG_TYPE_WAV | SONG_TYPE_AIFF)) != 0; }
    // The ID3 chunk's body (room 0 when the form has none); nothing when the
    // file is not a WAV or AIFF file or cannot be read.
    std::optional<Id3v2Place> FindIffID3V2Place();
    // Puts the ID3v2 tag in the ID3 chunk (a new one at the end of the form
    // when there is none) and keeps a WAV file's INFO list in step.
    int WriteIffID3V2Info();
    int RemoveIffID3V2Info();
    // The older text chunks, read when the file has no ID3 chunk (by
    // GetID3V2Info too, which still returns 0 then): WAV's LIST/INFO, AIFF's
    // NAME, AUTH, ANNO and "(c) ". 0 when it has none.
    int GetIffTextInfo();

    // --- DSF (dsf/Dsf.cpp) ---
    // The tag the header points to (room 0 when it points nowhere); nothing
    // when the file is not a DSF file or cannot be read.
    std::optional<Id3v2Place> FindDsfID3V2Place();
    int WriteDsfID3V2Info();
    int RemoveDsfID3V2Info();
    // Puts tag (or nothing) in place of the file's tag and updates the
    // header's file length and tag offset.
    int ReplaceDsfTag(const std::vector<uint8_t>& tag);

    // --- MP4 (Mp4.cpp) ---

    // --- ASF (Asf.cpp) ---
    // Rewrites the header with the fields whose values changed stored anew
    // (withTags), or without the content description and the descriptors of
    // the field table. Everything else is carried over unchanged, and the
    // header keeps its size when its padding can take up the difference.
    int RewriteASFHeader(bool withTags);

    // --- RealMedia (Rm.cpp) ---

    // --- pictures of each tag format (Id3v2Pictures.cpp, ...) ---
    // Each reads the pictures of its tag from the open file; 0 when the tag
    // cannot be read. A file without the tag has no pictures (1, none).
    int ReadID3V2Pictures(std::vector<songcore::Picture>& out);
    int ReadAPEV2Pictures(std::vector<songcore::Picture>& out);
    int ReadFlacPictures(std::vector<songcore::Picture>& out);
    int ReadOGGPictures(std::vector<songcore::Picture>& out);
    int ReadMP4Pictures(std::vector<songcore::Picture>& out);
    int ReadASFPictures(std::vector<songcore::Picture>& out);
    // The pictures the next write of a tag stores in place of the file's own;
    // without them, the writers carry the file's pictures over untouched.
    // Each format's writer honours them (the ID3v2, APEv2, FLAC, Ogg, MP4 and
    // ASF ones), and refuses a picture its format cannot store.
    std::optional<std::vector<songcore::Picture>> pendingPictures_;

    // The item edits the next write of a tag makes (WriteItems); each
    // writer that has items honours them (ID3v2, APEv2, Vorbis comments in
    // Ogg and FLAC, MP4, ASF, Matroska), and refuses a key its format cannot
    // hold.
    std::optional<songcore::TagItemEdits> pendingItems_;
    int ReadID3V2Items(std::vector<songcore::TagItem>& out);
    int ReadAPEV2Items(std::vector<songcore::TagItem>& out);
    int ReadOGGItems(std::vector<songcore::TagItem>& out);
    int ReadFlacItems(std::vector<songcore::TagItem>& out);
    int ReadMP4Items(std::vector<songcore::TagItem>& out);
    int ReadASFItems(std::vector<songcore::TagItem>& out);
    int ReadMatroskaItems(std::vector<songcore::TagItem>& out);

    // The fields, which the format readers fill.
    songcore::SongValues fields_;
    // The fields read from legacy 8-bit text (IsLegacyText).
    std::bitset<songcore::kSongFieldCount> legacyText_;
    std::string codec_;
    uint16_t codecType_ = 0xFFFF;
    uint32_t tagKind_ = 0;

    OggHeaderArea oggHeader_{};
    VorbisIdArea vorbisId_{};
    OpusHeadArea opusHead_{};
    songcore::OggCodec oggCodec_ = songcore::OggCodec::kNone;
    FlacStreamInfoArea flacStreamInfo_{};
    MP4MovieHeaderArea mp4MovieHeader_{};
    RMPropertiesArea rmProperties_{};

private:
    std::atomic<bool> terminate_{false};
};
