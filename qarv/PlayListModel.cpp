#include "qarv/PlayListModel.h"

#include <QApplication>
#include <QCollator>
#include <QFileInfo>
#include <QIcon>
#include <QMimeData>
#include <QStyle>
#include <QUrl>
#include <algorithm>
#include <ctime>
#include <set>

#include "qarv/UserCollator.h"
#include "songcore/edit/EditHistory.h"
#include "songcore/player/PlayerPosition.h"
#include "songcore/songfile/SongType.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/util/Paths.h"

namespace {

// The fields the details reader reads for the optional columns.
std::vector<songcore::SongField> DetailFields() {
    std::vector<songcore::SongField> fields;
    for (int column = PlayListModel::kFileColumn + 1; column < PlayListModel::kColumnCount;
         ++column) {
        fields.push_back(*PlayListModel::FieldOf(column));
    }
    return fields;
}

}  // namespace

std::optional<songcore::SongField> PlayListModel::FieldOf(int column) {
    using songcore::SongField;
    switch (column) {
        case CPlayList::COLUMN_ARTIST:
            return SongField::Artist;
        case CPlayList::COLUMN_TITLE:
            return SongField::Title;
        case CPlayList::COLUMN_ALBUM:
            return SongField::Album;
        case kTrackColumn:
            return SongField::Track;
        case kAlbumArtistColumn:
            return SongField::AlbumArtist;
        case kYearColumn:
            return SongField::Year;
        case kGenreColumn:
            return SongField::Genre;
        case kDiscColumn:
            return SongField::Disc;
        case kCommentColumn:
            return SongField::Comment;
        case kComposerColumn:
            return SongField::Composer;
        default:
            return std::nullopt;
    }
}

PlayListModel::PlayListModel(CPlayList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list), details_(DetailFields()) {
    list_.AddListener(this);
    connect(&webReader_, &SongRowReader::rowRead, this,
            [this](const QString& path, const QString& artist, const QString& album,
                   const QString& title) {
                std::string file = path.toStdString();
                if (list_.FindSong(file.c_str()) < 0) {
                    list_.Add(list_.GetItemCount(), artist.toStdString(), album.toStdString(),
                              title.toStdString(), file);
                }
            });
    connect(&webReader_, &SongRowReader::readFailed, this,
            [this](const QString&, const QString& message) {
                emit songReadFailed(tr("Cannot add %1").arg(message));
            });
    connect(&details_, &SongDetailsReader::detailsRead, this, [this](const QString& path) {
        int row = list_.FindSong(path.toStdString().c_str());
        if (row >= 0) {
            Q_EMIT dataChanged(index(row, kTrackColumn), index(row, kColumnCount - 1));
        }
    });
}

PlayListModel::~PlayListModel() {
    list_.RemoveListener(this);
}

int PlayListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : list_.GetItemCount();
}

int PlayListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant PlayListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= list_.GetItemCount()) {
        return {};
    }
    if (IsOptionalColumn(index.column())) {
        if (role == Qt::DisplayRole || role == Qt::EditRole) {
            return ExtraText(index.row(), index.column());
        }
        if (role == Qt::TextAlignmentRole &&
            (index.column() == kTrackColumn || index.column() == kLengthColumn ||
             index.column() == kYearColumn || index.column() == kDiscColumn)) {
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        }
    } else if (role == Qt::DisplayRole || role == Qt::EditRole) {
        return QString::fromStdString(list_.GetItemText(index.row(), index.column()));
    }
    if (role == Qt::ToolTipRole) {
        return QString::fromStdString(list_.GetFile(index.row()));
    }
    if (role == Qt::DecorationRole && index.column() == 0 && playerActive_ &&
        index.row() == list_.GetPlayerCurrentIndex()) {
        return QIcon::fromTheme(QStringLiteral("media-playback-start"),
                                QApplication::style()->standardIcon(QStyle::SP_MediaPlay));
    }
    return {};
}

QVariant PlayListModel::ExtraText(int row, int column) const {
    QString file = QString::fromStdString(list_.GetFile(row));
    if (column == kFileColumn) {
        return IsInternetLocation(file.toStdString()) ? file : QFileInfo(file).fileName();
    }
    std::optional<SongDetails> details = details_.Find(file);
    if (!details) {
        return {};
    }
    if (column == kTrackColumn) {
        return details->track == 0 ? QString() : QString::number(details->track);
    }
    if (column == kLengthColumn) {
        return QString::fromStdString(songcore::FormatSongLength(details->lengthMs));
    }
    auto text = details->texts.find(*FieldOf(column));
    return text == details->texts.end() ? QString() : QString::fromStdString(text->second);
}

QString PlayListModel::SortText(int row, int column) {
    if (column < CPlayList::COLUMN_COUNT) {
        return QString::fromStdString(list_.GetItemText(row, column));
    }
    QString file = QString::fromStdString(list_.GetFile(row));
    if (column == kFileColumn) {
        return QFileInfo(file).fileName();
    }
    // The numeric mode of the collator orders these by their value; unknown
    // ones come first.
    SongDetails details = details_.Get(file);
    if (column == kTrackColumn || column == kLengthColumn) {
        return QString::number(column == kTrackColumn ? static_cast<long>(details.track)
                                                      : details.lengthMs + 1);
    }
    return QString::fromStdString(details.texts[*FieldOf(column)]);
}

void PlayListModel::SetPlayerActive(bool active) {
    playerActive_ = active;
    if (list_.GetItemCount() > 0) {
        Q_EMIT dataChanged(index(0, 0), index(list_.GetItemCount() - 1, 0), {Qt::DecorationRole});
    }
}

std::vector<std::pair<std::string, std::string>> PlayListModel::WriteTagField(
    const std::vector<std::string>& files, songcore::SongField field, const std::string& text) {
    std::vector<std::pair<std::string, std::string>> failures;
    std::string problem = songcore::FieldTextProblem(field, text);
    songcore::EditOperation operation{
        files.size() == 1 ? "Edit Cell" : "Edit Cells", std::time(nullptr), {}};
    for (const std::string& file : files) {
        if (!problem.empty()) {
            failures.emplace_back(file, problem);
            continue;
        }
        songcore::SongEditOptions options;
        options.writeUnchanged = true;
        songcore::SongEditResult result = songcore::EditSong(file, {{field, text}}, options);
        std::string notKept = songcore::NotKeptText(result);
        if (!result.ok || !notKept.empty()) {
            failures.emplace_back(file, result.ok ? notKept : result.error);
        }
        if (result.ok) {
            operation.Add(file, std::move(result));
        }
    }
    std::string error;
    // The tags are written; only their undo is lost.
    songcore::EditHistory().Record(std::move(operation), error);
    return failures;
}

bool PlayListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    const std::optional<songcore::SongField> field =
        index.isValid() ? FieldOf(index.column()) : std::nullopt;
    if (role != Qt::EditRole || !field || index.row() >= list_.GetItemCount()) {
        return false;
    }
    const std::string text = value.toString().toStdString();
    // An editor closed as it opened is no edit: with several rows selected
    // it would give them all this row's value.
    if (data(index, Qt::EditRole).toString().toStdString() == text) {
        return true;
    }
    // A cell of one of several selected rows stands for all of them.
    const std::vector<int> rows =
        list_.IsSelected(index.row()) ? list_.GetSelectedRows() : std::vector<int>{index.row()};
    std::vector<std::string> files;
    for (int row : rows) {
        if (data(this->index(row, index.column()), Qt::EditRole).toString().toStdString() != text) {
            files.push_back(list_.GetFile(row));
        }
    }
    if (files.empty()) {
        return true;
    }
    auto failures = WriteTagField(files, *field, text);
    QStringList told;
    for (const auto& [file, why] : failures) {
        told << tr("Cannot write %1: %2")
                    .arg(QFileInfo(QString::fromStdString(file)).fileName(),
                         QString::fromStdString(why));
    }
    for (const std::string& file : files) {
        const bool failed = std::any_of(failures.begin(), failures.end(),
                                        [&](const auto& failure) { return failure.first == file; });
        if (failed) {
            continue;
        }
        const int row = list_.FindSong(file.c_str());
        if (index.column() < CPlayList::COLUMN_COUNT && row >= 0) {
            list_.SetItemText(row, index.column(), text.c_str());
        }
        Q_EMIT tagWritten(QString::fromStdString(file));
    }
    if (!told.isEmpty()) {
        Q_EMIT tagWriteFailed(told.join("; "));
    }
    return failures.size() < files.size();
}

QVariant PlayListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        switch (section) {
            case kTrackColumn:
                return tr("Track");
            case kLengthColumn:
                return tr("Length");
            case kFileColumn:
                return tr("File");
            default:
                if (IsOptionalColumn(section)) {
                    return tr(songcore::InfoOf(*FieldOf(section)).label);
                }
                return QString::fromStdString(CPlayList::GetHeaderText(section));
        }
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags PlayListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::ItemIsDropEnabled;
    }
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
    return FieldOf(index.column()) ? flags | Qt::ItemIsEditable : flags;
}

void PlayListModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= kColumnCount || list_.GetItemCount() < 2) {
        return;
    }
    const QCollator collator = UserCollator();
    struct Row {
        std::string artist, album, title, file;
        QCollatorSortKey key;
        bool selected;
        bool current;
    };
    std::vector<Row> rows;
    int count = list_.GetItemCount();
    rows.reserve(count);
    for (int i = 0; i < count; ++i) {
        rows.push_back({list_.GetArtist(i), list_.GetAlbum(i), list_.GetTitle(i), list_.GetFile(i),
                        collator.sortKey(SortText(i, column)), list_.IsSelected(i),
                        i == list_.GetPlayerCurrentIndex()});
    }
    std::stable_sort(rows.begin(), rows.end(), [order](const Row& a, const Row& b) {
        int c = a.key.compare(b.key);
        return order == Qt::AscendingOrder ? c < 0 : c > 0;
    });
    // The rows are put back in their new order; the player's cursor and the
    // selection stay with their songs.
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    QModelIndexList before = persistentIndexList();
    std::vector<std::string> beforeFiles;
    for (const QModelIndex& index : before) {
        beforeFiles.push_back(list_.GetFile(index.row()));
    }
    sorting_ = true;
    list_.RemoveAll();
    int current = -1;
    for (int i = 0; i < count; ++i) {
        list_.Add(i, rows[i].artist, rows[i].album, rows[i].title, rows[i].file);
        list_.SetSelected(i, rows[i].selected);
        if (rows[i].current) {
            current = i;
        }
    }
    sorting_ = false;
    if (list_.GetPlayerCurrentIndex() >= 0) {
        list_.SetPlayerCurrentIndex(current);
    }
    QModelIndexList after;
    for (int i = 0; i < before.size(); ++i) {
        int row = list_.FindSong(beforeFiles[i].c_str());
        after.append(row < 0 ? QModelIndex() : index(row, before[i].column()));
    }
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    Q_EMIT listSelectionChanged();
}

QStringList PlayListModel::mimeTypes() const {
    return {QStringLiteral("text/uri-list")};
}

QMimeData* PlayListModel::mimeData(const QModelIndexList& indexes) const {
    std::set<int> rows;
    for (const QModelIndex& index : indexes) {
        rows.insert(index.row());
    }
    QList<QUrl> urls;
    for (int row : rows) {
        QString path = QString::fromStdString(list_.GetFile(row));
        urls.append(path.contains("://") ? QUrl(path) : QUrl::fromLocalFile(path));
    }
    auto* mime = new QMimeData;
    mime->setUrls(urls);
    return mime;
}

void PlayListModel::OnBeginInsertRow(int row) {
    if (!sorting_) {
        beginInsertRows({}, row, row);
    }
}

void PlayListModel::OnEndInsertRow(int) {
    if (!sorting_) {
        endInsertRows();
    }
}

void PlayListModel::OnBeginRemoveRows(int first, int last) {
    if (!sorting_) {
        beginRemoveRows({}, first, last);
    }
}

void PlayListModel::OnEndRemoveRows(int, int) {
    if (!sorting_) {
        endRemoveRows();
    }
}

void PlayListModel::OnRowChanged(int row, int column) {
    if (sorting_) {
        return;
    }
    // The tag may have changed more than the row shows: its other fields
    // are read again.
    details_.Forget(QString::fromStdString(list_.GetFile(row)));
    if (column < 0) {
        Q_EMIT dataChanged(index(row, 0), index(row, kColumnCount - 1));
    } else {
        Q_EMIT dataChanged(index(row, column), index(row, column));
        Q_EMIT dataChanged(index(row, kTrackColumn), index(row, kColumnCount - 1));
    }
}

void PlayListModel::OnSelectionChanged() {
    if (!sorting_) {
        Q_EMIT listSelectionChanged();
    }
}

void PlayListModel::OnEnsureVisible(int row) {
    Q_EMIT ensureVisibleRequested(row);
}

bool PlayListModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int, int,
                                    const QModelIndex&) const {
    return data != nullptr && data->hasUrls();
}

bool PlayListModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                 const QModelIndex& parent) {
    if (!canDropMimeData(data, action, row, column, parent)) {
        return false;
    }
    QStringList files, addresses;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            files << url.toLocalFile();
        } else {
            addresses << url.toString();
        }
    }
    AddDroppedFiles(list_, files);
    // A web address is downloaded for its tags: off the window's thread.
    webReader_.Read(addresses);
    return true;
}

int PlayListModel::AddDroppedFiles(CPlayList& list, const QStringList& paths) {
    QStringList failures;
    return AddSongFiles(list, paths, failures);
}

bool PlayListModel::ReadSongRow(const std::string& file, SongRow& row, std::string& error) {
    CSongFileInfo info;
    return ReadSongRow(info, file, row, error);
}

bool PlayListModel::ReadSongRow(CSongFileInfo& info, const std::string& file, SongRow& row,
                                std::string& error) {
    if (!info.Open(file, 1, 0)) {
        error = info.GetErrorMessage();
        return false;
    }
    // A song without a tag is a song all the same, shown by its name.
    if (!info.GetSongInfo() || info.GetTitle().empty()) {
        info.SetTitle(songcore::SongNameFromPath(file));
    }
    row = {info.GetArtist(), info.GetAlbum(), info.GetTitle()};
    return true;
}

int PlayListModel::AddSongFiles(CPlayList& list, const QStringList& paths, QStringList& failures) {
    int added = 0;
    for (const QString& path : paths) {
        std::string file = path.toStdString();
        if (list.FindSong(file.c_str()) >= 0) {
            continue;
        }
        SongRow row;
        std::string error;
        if (!ReadSongRow(file, row, error)) {
            failures << QStringLiteral("%1: %2").arg(path, QString::fromStdString(error));
            continue;
        }
        added += list.Add(list.GetItemCount(), row.artist, row.album, row.title, file);
    }
    return added;
}
