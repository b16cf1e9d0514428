#include "qarv/tagedit/TagEditor.h"

#include <QPushButton>

#include "qarv/tagedit/TagDialog.h"
#include "songcore/songfile/SongType.h"
#include "songcore/tags/SongFileInfo.h"

using songcore::SongField;
using Row = TagSection::Row;

namespace {

const songcore::TagKind& Kind(const char* option) {
    return *songcore::FindTagKindByOption(option);
}

// The label of each field's box, with the key that reaches it; a
// section's own name for a field is given where it builds its rows.
const char* LabelOf(SongField field) {
    switch (field) {
        case SongField::Track:
            return "Trac&k:";
        case SongField::Disc:
            return "&Disc:";
        case SongField::Title:
            return "T&itle:";
        case SongField::Artist:
            return "&Artist:";
        case SongField::AlbumArtist:
            return "Album a&rtist:";
        case SongField::Album:
            return "Al&bum:";
        case SongField::Year:
            return "&Year:";
        case SongField::Genre:
            return "Ge&nre:";
        case SongField::Comment:
            return "C&omment:";
        case SongField::Composer:
            return "Co&mposer:";
        case SongField::OrigArtist:
            return "Orig. artist:";
        case SongField::Copyright:
            return "Copyright:";
        case SongField::Url:
            return "URL:";
        case SongField::EncodedBy:
            return "Encoded by:";
        case SongField::Performer:
            return "Performer:";
        case SongField::Organization:
            return "Organization:";
        case SongField::Location:
            return "Location:";
        case SongField::License:
            return "License:";
        case SongField::Contact:
            return "Contact:";
        default:
            return "";
    }
}

struct Renamed {
    SongField field;
    const char* label;
};

// Whether the boxes get their keys (Alt+letter); a section beside another
// leaves them to that one.
enum class Keys { kGiven, kNone };

// The rows of fields in their order, labelled by LabelOf unless renamed.
std::vector<Row> Rows(std::initializer_list<SongField> fields,
                      std::initializer_list<Renamed> renamed = {}, Keys keys = Keys::kGiven) {
    std::vector<Row> rows;
    for (SongField field : fields) {
        QString label = QObject::tr(LabelOf(field));
        for (const Renamed& name : renamed) {
            if (name.field == field) {
                label = QObject::tr(name.label);
            }
        }
        if (keys == Keys::kNone) {
            label.remove('&');
        }
        rows.push_back({field, label});
    }
    return rows;
}

const std::vector<Row>& Id3v2Rows() {
    static const std::vector<Row> rows =
        Rows({SongField::Track, SongField::Disc, SongField::Title, SongField::Artist,
              SongField::AlbumArtist, SongField::Album, SongField::Year, SongField::Genre,
              SongField::Comment, SongField::Composer, SongField::OrigArtist, SongField::Copyright,
              SongField::Url, SongField::EncodedBy});
    return rows;
}

// Beside the ID3v2 section its boxes have no keys of their own.
const std::vector<Row>& Id3v1Rows() {
    static const std::vector<Row> rows =
        Rows({SongField::Track, SongField::Title, SongField::Artist, SongField::Album,
              SongField::Year, SongField::Genre, SongField::Comment},
             {}, Keys::kNone);
    return rows;
}

// ID3v1 keeps 28 comment characters beside a track number.
TagSection* AddId3v1(TagDialog& dialog) {
    return dialog.AddSection(Kind("id3v1"), {QObject::tr("ID3v&1 Tag"), true, false, 28},
                             Id3v1Rows());
}

TagSection* AddId3v2(TagDialog& dialog) {
    return dialog.AddSection(Kind("id3v2"), {QObject::tr("ID3v&2 Tag")}, Id3v2Rows());
}

// The APEv2 section's rows, with APEv2's own names for some fields.
std::vector<Row> ApeRows(Keys keys) {
    return Rows({SongField::Track, SongField::Disc, SongField::Title, SongField::Artist,
                 SongField::AlbumArtist, SongField::Album, SongField::Year, SongField::Genre,
                 SongField::Comment, SongField::Composer, SongField::OrigArtist,
                 SongField::Copyright, SongField::Organization, SongField::Url},
                {{SongField::OrigArtist, "ArtistURL:"},
                 {SongField::Organization, "Publisher:"},
                 {SongField::Url, "PublisherURL:"}},
                keys);
}

// Copies the fields both sections have; comment cut to limit when >= 0.
void CopyFields(const TagSection& from, TagSection& to, const std::vector<SongField>& fields,
                int commentLimit = -1) {
    for (SongField field : fields) {
        QString value = from.Value(field);
        if (field == SongField::Comment && commentLimit >= 0) {
            value = value.left(commentLimit);
        }
        to.SetValue(field, value);
    }
    to.SetPresent(true);
}

const std::vector<SongField> kId3v1Fields = {SongField::Track,  SongField::Title, SongField::Artist,
                                             SongField::Album,  SongField::Year,  SongField::Genre,
                                             SongField::Comment};

void ConnectCopy(TagDialog& dialog, const QString& text, TagSection* from, TagSection* to,
                 std::vector<SongField> fields, int commentLimit = -1) {
    QPushButton* button = dialog.AddCopyButton(text, from);
    QObject::connect(button, &QPushButton::clicked, &dialog, [from, to, fields, commentLimit] {
        CopyFields(*from, *to, fields, commentLimit);
    });
}

// Beside the ID3v2 section its boxes have no keys of their own.
TagSection* AddApe(TagDialog& dialog) {
    return dialog.AddSection(Kind("ape"), {QObject::tr("APEv2 Tag")}, ApeRows(Keys::kNone));
}

bool HasApeTag(const std::string& path) {
    CSongFileInfo song;
    return song.Open(path, 1, 0) && song.GetAPEV2Info();
}

void BuildMp3(TagDialog& dialog) {
    TagSection* id3v2 = AddId3v2(dialog);
    TagSection* id3v1 = AddId3v1(dialog);
    ConnectCopy(dialog, QObject::tr("Copy &to ID3v1"), id3v2, id3v1, kId3v1Fields, 30);
    ConnectCopy(dialog, QObject::tr("Copy &from ID3v1"), id3v1, id3v2, kId3v1Fields);
    dialog.SetLyricsSection(id3v2);
    dialog.ShowStreamText(Kind("id3v2"));
    dialog.ShowCover();
    dialog.ShowItems();
    std::vector<std::pair<TagSection*, QString>> order = {
        {id3v2, QObject::tr("Update ID3v2 tag failed!")},
        {id3v1, QObject::tr("Update ID3v1 tag failed!")}};
    // An APEv2 tag that some players put into MP3 files is shown (and can
    // be edited or removed) only where there is one.
    if (HasApeTag(dialog.Path())) {
        order.emplace_back(AddApe(dialog), QObject::tr("Update APEv2 tag failed!"));
    }
    dialog.SetWriteOrder(std::move(order));
}

// WAV and AIFF keep an ID3v2 tag in a chunk of their own, DSF at its end.
void BuildChunked(TagDialog& dialog) {
    TagSection* id3v2 = AddId3v2(dialog);
    dialog.SetLyricsSection(id3v2);
    dialog.ShowStreamText(Kind("id3v2"));
    dialog.ShowCover();
    dialog.ShowItems();
    dialog.SetWriteOrder({{id3v2, QObject::tr("Update ID3v2 tag failed!")}});
}

void BuildAac(TagDialog& dialog) {
    TagSection* ape = AddApe(dialog);
    TagSection* id3v2 = AddId3v2(dialog);
    const std::vector<SongField> shared = {
        SongField::Track,       SongField::Disc,      SongField::Title, SongField::Artist,
        SongField::AlbumArtist, SongField::Album,     SongField::Year,  SongField::Comment,
        SongField::Composer,    SongField::Copyright, SongField::Url,   SongField::Genre};
    ConnectCopy(dialog, QObject::tr("Copy &to APEv2"), id3v2, ape, shared);
    ConnectCopy(dialog, QObject::tr("Copy &from APEv2"), ape, id3v2, shared);
    // Raw AAC has its ADTS frames to tell of; Monkey's Audio and Musepack
    // no stream reader.
    if (GetSongType(dialog.Path()) & SONG_TYPE_AAC) {
        dialog.ShowStreamText(Kind("ape"));
    }
    dialog.ShowCover();
    dialog.ShowItems();
    dialog.SetWriteOrder({{ape, QObject::tr("Update APEv2 tag failed!")},
                          {id3v2, QObject::tr("Update ID3v2 tag failed!")}});
}

void BuildWavPack(TagDialog& dialog) {
    TagSection* ape =
        dialog.AddSection(Kind("ape"), {QObject::tr("APEv&2 Tag")}, ApeRows(Keys::kGiven));
    dialog.SetLyricsSection(ape);
    dialog.ShowStreamText(Kind("ape"));
    dialog.ShowCover();
    dialog.ShowItems();
    dialog.SetWriteOrder({{ape, QObject::tr("Update APEv2 tag failed!")}});
}

void BuildRm(TagDialog& dialog) {
    TagSection* content = dialog.AddSection(
        Kind("rm"), {QObject::tr("&RMF Content")},
        Rows({SongField::Title, SongField::Artist, SongField::Copyright, SongField::Comment}, {},
             Keys::kNone));
    TagSection* id3v1 = AddId3v1(dialog);
    const std::vector<SongField> shared = {SongField::Title, SongField::Artist, SongField::Comment};
    ConnectCopy(dialog, QObject::tr("Copy &to ID3v1"), content, id3v1, shared, 30);
    ConnectCopy(dialog, QObject::tr("Copy &from ID3v1"), id3v1, content, shared);
    dialog.ShowStreamText(Kind("rm"));
    dialog.SetWriteOrder({{id3v1, QObject::tr("Update ID3v1 tag failed!")},
                          {content, QObject::tr("Update RM tag failed!")}});
}

void BuildWma(TagDialog& dialog) {
    TagSection* asf = dialog.AddSection(
        Kind("asf"), {QObject::tr("WM Tag")},
        Rows({SongField::Title, SongField::Artist, SongField::AlbumArtist, SongField::Track,
              SongField::Disc, SongField::Album, SongField::Year, SongField::Genre,
              SongField::Comment, SongField::Composer, SongField::Copyright, SongField::Url,
              SongField::OrigArtist, SongField::EncodedBy}));
    dialog.SetLyricsSection(asf);
    dialog.ShowStreamText(Kind("asf"));
    dialog.ShowCover();
    dialog.ShowItems();
    dialog.SetWriteOrder({{asf, QObject::tr("Update ASF tag failed!")}});
}

void BuildMp4(TagDialog& dialog) {
    TagSection* mp4 = dialog.AddSection(
        Kind("mp4"), {QObject::tr("MP4 Tags"), false, true},
        Rows({SongField::Title, SongField::Artist, SongField::AlbumArtist, SongField::Track,
              SongField::Disc, SongField::Album, SongField::Year, SongField::Genre,
              SongField::Comment, SongField::Composer, SongField::Copyright, SongField::Url,
              SongField::EncodedBy}));
    dialog.SetLyricsSection(mp4);
    dialog.ShowStreamText(Kind("mp4"));
    dialog.ShowCover();
    dialog.ShowItems();
    dialog.SetCloseOnFailure(true);
    dialog.SetWriteOrder({{mp4, QObject::tr("Update MP4 tag failed!")}});
}

void BuildVorbis(TagDialog& dialog, bool flac) {
    const songcore::TagKind& kind = Kind(flac ? "flac" : "ogg");
    TagSection* comments = dialog.AddSection(
        kind, {flac ? QObject::tr("FLAC Tags") : QObject::tr("OGG Tags"), false},
        Rows({SongField::Title, SongField::Artist, SongField::AlbumArtist, SongField::Album,
              SongField::Track, SongField::Disc, SongField::Year, SongField::Genre,
              SongField::Comment, SongField::Copyright, SongField::Performer,
              SongField::Organization, SongField::Location, SongField::License, SongField::Contact},
             {{SongField::Year, "&Date:"}}));
    dialog.SetLyricsSection(comments);
    dialog.ShowStreamText(kind);
    dialog.ShowCover();
    dialog.ShowItems();
    dialog.SetWriteOrder({{comments, flac ? QObject::tr("Update FLAC Failed!")
                                          : QObject::tr("Update OGG tag failed!")}});
}

// Matroska and WebM: the Tags element's fields (no disc: only ffmpeg's
// names have one), the cover attachment, and the other SimpleTags as items.
void BuildMatroska(TagDialog& dialog) {
    TagSection* tags = dialog.AddSection(
        Kind("mkv"), {QObject::tr("Matroska Tags"), false},
        Rows({SongField::Title, SongField::Artist, SongField::AlbumArtist, SongField::Album,
              SongField::Track, SongField::Year, SongField::Genre, SongField::Comment,
              SongField::Composer, SongField::Copyright, SongField::Url, SongField::EncodedBy,
              SongField::Performer, SongField::Organization, SongField::License}));
    dialog.SetLyricsSection(tags);
    dialog.ShowStreamText(Kind("mkv"));
    dialog.ShowCover();
    dialog.ShowItems();
    dialog.SetWriteOrder({{tags, QObject::tr("Update Matroska tags failed!")}});
}

}  // namespace

std::unique_ptr<TagDialog> CreateTagDialog(QWidget* parent, const std::string& path) {
    const uint32_t type = GetSongType(path);
    if (!(type & SONG_TYPE_LOCAL)) {
        return nullptr;
    }
    std::unique_ptr<TagDialog> dialog;
    auto make = [&](const QString& title) {
        dialog = std::make_unique<TagDialog>(title, path, parent);
        return dialog.get();
    };
    // The families in the order their type bits are tested.
    if (type & SONG_TYPE_MPA) {
        BuildMp3(*make(QObject::tr("MP3 File Information")));
    } else if (type & SONG_TYPE_OGG) {
        BuildVorbis(*make(QObject::tr("OGG File Information")), false);
    } else if (type & SONG_TYPE_RM) {
        BuildRm(*make(QObject::tr("RealMedia File Information")));
    } else if (type & SONG_TYPE_ASF) {
        BuildWma(*make(QObject::tr("WMA File Information")));
    } else if (type & (SONG_TYPE_AAC | SONG_TYPE_APE | SONG_TYPE_MPC)) {
        BuildAac(*make(QObject::tr("AAC File Information")));
    } else if (type & SONG_TYPE_WAVPACK) {
        BuildWavPack(*make(QObject::tr("WavPack File Information")));
    } else if (type & SONG_TYPE_MP4) {
        BuildMp4(*make(QObject::tr("MP4 File Information")));
    } else if (type & SONG_TYPE_FLAC) {
        BuildVorbis(*make(QObject::tr("FLAC Tags")), true);
    } else if (type & SONG_TYPE_WAV) {
        BuildChunked(*make(QObject::tr("WAV File Information")));
    } else if (type & SONG_TYPE_AIFF) {
        BuildChunked(*make(QObject::tr("AIFF File Information")));
    } else if (type & SONG_TYPE_DSF) {
        BuildChunked(*make(QObject::tr("DSF File Information")));
    } else if (type & SONG_TYPE_MATROSKA) {
        BuildMatroska(*make(QObject::tr("Matroska File Information")));
    } else {
        return nullptr;
    }
    dialog->Load();
    dialog->FocusFirstField();
    return dialog;
}

bool OpenTagEditor(QWidget* parent, const std::string& path) {
    std::unique_ptr<TagDialog> dialog = CreateTagDialog(parent, path);
    return dialog && dialog->exec() == QDialog::Accepted;
}
