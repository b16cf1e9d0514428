#pragma once
// CSongFileInfo: the song information record. One object holds the
// descriptive fields of one song, reads them from whichever tag the song's
// format carries, and writes them back. Each tag format's readers and writers
// live in that format's source file (Id3v1.cpp, Id3v2.cpp, ...).

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "songcore/tags/OggCodec.h"
#include "songcore/tags/Picture.h"
#include "songcore/tags/SongFile.h"
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

// Genre id that means "no genre".
constexpr uint16_t GENRE_NONE = 148;

// The name of a genre id; "--" for 148 and for any id outside the table.
std::string GetMP3Genre(int id);

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

    // --- pictures (SongPictures.cpp; each format's in its own source file) ---
    // The song's pictures, from the tag WritePictures writes; 0 when the file
    // or that tag cannot be read. A damaged picture entry is skipped.
    int ReadPictures(std::vector<songcore::Picture>& out);
    // Replaces the song's pictures, its other tag items kept; 0 (and
    // GetErrorMessage) when the format has no place for them or the write
    // fails.
    int WritePictures(std::vector<songcore::Picture> pictures);

    // --- cancellation, from another thread ---
    void Terminate();
    int IsTerminate() const { return terminate_.load() ? 1 : 0; }

    // --- fields ---
    std::string GetTitle() const { return title_; }
    void SetTitle(std::string value);
    std::string GetArtist() const { return artist_; }
    void SetArtist(std::string value);
    std::string GetAlbumArtist() const { return albumArtist_; }
    void SetAlbumArtist(std::string value);
    std::string GetPerformer() const { return performer_; }
    void SetPerformer(std::string value);
    std::string GetOrganization() const { return organization_; }
    void SetOrganization(std::string value);
    std::string GetLocation() const { return location_; }
    void SetLocation(std::string value);
    std::string GetContact() const { return contact_; }
    void SetContact(std::string value);
    std::string GetAlbum() const { return album_; }
    void SetAlbum(std::string value);
    std::string GetYear() const { return year_; }
    void SetYear(std::string value);
    std::string GetComment() const { return comment_; }
    void SetComment(std::string value);
    std::string GetVersion() const { return version_; }
    std::string GetVendor() const { return vendor_; }
    void SetVendor(std::string value);
    std::string GetEncodedBy() const { return encodedBy_; }
    void SetEncodedBy(std::string value);
    std::string GetCopyright() const { return copyright_; }
    void SetCopyright(std::string value);
    std::string GetLicense() const { return license_; }
    void SetLicense(std::string value);
    std::string GetURL() const { return url_; }
    void SetURL(std::string value);
    std::string GetComposer() const { return composer_; }
    void SetComposer(std::string value);
    std::string GetOrigArtist() const { return origArtist_; }
    void SetOrigArtist(std::string value);
    std::string GetLyrics() const { return lyrics_; }
    void SetLyrics(std::string value) { lyrics_ = std::move(value); }
    std::string GetCodec() const { return codec_; }
    uint16_t GetCodecType() const { return codecType_; }

    uint16_t GetGenre() const { return genre_; }
    void SetGenre(unsigned short id);
    void SetGenre(const char* name);
    std::string GetGenreString() const { return GetMP3Genre(genre_); }

    uint32_t GetTrackNum() const { return trackNum_; }
    void SetTrackNum(uint32_t value) { trackNum_ = value; }
    uint32_t GetDiscNum() const { return discNum_; }
    void SetDiscNum(uint32_t value) { discNum_ = value; }
    uint8_t GetCompilation() const { return compilation_; }
    uint16_t GetTempo() const { return tempo_; }

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
    // The 128 bytes WriteID3V1Info writes.
    std::array<uint8_t, 128> BuildID3V1Block();
    // Whether an ID3v1 tag holds every field as it is: texts in ISO-8859-1
    // within their lengths, a track below 256, nothing in the fields it has
    // no place for.
    bool FieldsFitID3V1() const;
    // How an MPEG file whose ID3v1 tag was read is written: the ID3v1 tag
    // alone when it holds everything, else in one rewrite an ID3v2 tag with
    // the whole fields (new, or the file's own updated) and the ID3v1 tag
    // with what it holds.
    int WriteMPEGID3V1Info();
    // Fills the texts, track and genre that the ID3v2 tag left empty from
    // the ID3v1 tag at the end, as other readers show such files.
    void FillFromID3V1();

    // --- ID3v2 (Id3v2.cpp) ---
    // Total length of the ID3v2 tag at the start of the file, or 0.
    int HasID3V2();
    // Size of the frames WriteID3V2Info writes (header, padding and footer
    // excluded): the fields' frames and the frames carried over from the old
    // tag; -1 when the tag cannot be built.
    int TotalID3V2Size();
    // The tag WriteID3V2Info writes and the length of the old tag it
    // replaces; false when the old tag cannot be read or the new one built.
    // A new tag that fits in the old one's place is padded to its length.
    // framesSize, when given, gets what TotalID3V2Size gives.
    bool BuildID3V2Tag(std::vector<uint8_t>& tag, uint64_t& oldTagLength,
                       uint64_t* framesSize = nullptr);

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
    // The comment list the Ogg and FLAC writers store: the old items, with
    // those of every field that no longer holds what they read as replaced
    // by the field's values (split at "; "; nothing for a field left empty).
    // keys gives the order in which fields that had no item are added.
    songcore::VorbisComments BuildVorbisComments(std::string vendor,
                                                 std::span<const std::string_view> keys,
                                                 const std::vector<std::string>& oldItems) const;
    bool VorbisFieldEquals(const CSongFileInfo& other, const VorbisField& field) const;
    std::vector<std::string> VorbisFieldValues(const VorbisField& field) const;

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

    // Fields the format readers fill directly.
    std::string title_, artist_, albumArtist_, performer_, organization_, location_, contact_,
        album_, year_, comment_, version_, vendor_, encodedBy_, copyright_, license_, url_,
        composer_, origArtist_, lyrics_, codec_;
    uint16_t genre_ = GENRE_NONE;
    uint32_t trackNum_ = 0;
    uint32_t discNum_ = 0;
    uint8_t compilation_ = 0;
    uint16_t tempo_ = 0;
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
