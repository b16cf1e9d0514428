#include "qarv/SongTreeModel.h"

#include <QApplication>
#include <QMimeData>
#include <QStyle>
#include <QUrl>

namespace {

QIcon ThemeIcon(const char* name, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(QString::fromLatin1(name),
                            QApplication::style()->standardIcon(fallback));
}

}  // namespace

SongTreeModel::SongTreeModel(CSongTreeCtrl& tree, QObject* parent)
    : QAbstractItemModel(parent), tree_(tree) {
    // The tree's image numbers: local root, internet root, type group and
    // artist group (each closed and open), then the song at 10.
    QIcon computer = ThemeIcon("computer", QStyle::SP_ComputerIcon);
    QIcon network = ThemeIcon("network-workgroup", QStyle::SP_DriveNetIcon);
    QIcon closed = ThemeIcon("folder", QStyle::SP_DirClosedIcon);
    QIcon open = ThemeIcon("folder-open", QStyle::SP_DirOpenIcon);
    QIcon artist = ThemeIcon("avatar-default", QStyle::SP_DirLinkIcon);
    QIcon song = ThemeIcon("audio-x-generic", QStyle::SP_MediaVolume);
    images_ = {computer, computer, network, network, closed, open,
               artist,   artist,   song,    song,    song};
    tree_.AddListener(this);
}

SongTreeModel::~SongTreeModel() {
    tree_.RemoveListener(this);
}

QModelIndex SongTreeModel::IndexOf(HTREEITEM item) const {
    if (item == nullptr) {
        return {};
    }
    return createIndex(tree_.GetItemRow(item), 0, item);
}

HTREEITEM SongTreeModel::ItemOf(const QModelIndex& index) {
    return index.isValid() ? static_cast<HTREEITEM>(index.internalPointer()) : nullptr;
}

QModelIndex SongTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) {
        return {};
    }
    HTREEITEM item = tree_.GetChildAt(ItemOf(parent), row);
    return item ? createIndex(row, 0, item) : QModelIndex();
}

QModelIndex SongTreeModel::parent(const QModelIndex& index) const {
    return IndexOf(tree_.GetParentItem(ItemOf(index)));
}

int SongTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0) {
        return 0;
    }
    return tree_.GetChildCount(ItemOf(parent));
}

int SongTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

bool SongTreeModel::hasChildren(const QModelIndex& parent) const {
    return rowCount(parent) > 0;
}

QVariant SongTreeModel::data(const QModelIndex& index, int role) const {
    HTREEITEM item = ItemOf(index);
    if (item == nullptr) {
        return {};
    }
    switch (role) {
        case Qt::DisplayRole:
            return QString::fromStdString(tree_.GetItemText(item));
        case Qt::DecorationRole: {
            int image = 0, selected = 0;
            if (tree_.GetItemImage(item, image, selected) && image >= 0 &&
                image < static_cast<int>(images_.size())) {
                return images_[image];
            }
            return {};
        }
        case Qt::ToolTipRole: {
            std::string file = tree_.GetSongFile(item);
            return file.empty() ? QVariant() : QVariant(QString::fromStdString(file));
        }
        default:
            return {};
    }
}

QVariant SongTreeModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        return tr("Songs");
    }
    return {};
}

Qt::ItemFlags SongTreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::ItemIsDropEnabled;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
}

QStringList SongTreeModel::mimeTypes() const {
    return {QStringLiteral("text/uri-list")};
}

QMimeData* SongTreeModel::mimeData(const QModelIndexList& indexes) const {
    if (indexes.isEmpty()) {
        return nullptr;
    }
    // The songs of the dragged item and everything below it.
    tree_.RemoveAllDragFiles();
    tree_.AddDragFiles(ItemOf(indexes.first()), 0);
    QList<QUrl> urls;
    for (const std::string& file : tree_.GetDragFiles()) {
        QString path = QString::fromStdString(file);
        urls.append(path.contains("://") ? QUrl(path) : QUrl::fromLocalFile(path));
    }
    tree_.RemoveAllDragFiles();
    auto* mime = new QMimeData;
    mime->setUrls(urls);
    return mime;
}

bool SongTreeModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int, int,
                                    const QModelIndex&) const {
    return data != nullptr && data->hasUrls();
}

bool SongTreeModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                 const QModelIndex& parent) {
    if (!canDropMimeData(data, action, row, column, parent)) {
        return false;
    }
    QStringList paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            paths << url.toLocalFile();
        }
    }
    Q_EMIT filesDropped(paths);
    // Nothing of the drop itself becomes a row: the search inserts the songs.
    return false;
}

void SongTreeModel::OnSongTreeMessage(uint32_t message, CSongTreeCtrl*, HTREEITEM item) {
    Q_EMIT songNotice(message, item);
}

void SongTreeModel::OnSongFileRenamed(CSongTreeCtrl*, const std::string& oldPath,
                                      const std::string& newPath) {
    Q_EMIT songFileRenamed(QString::fromStdString(oldPath), QString::fromStdString(newPath));
}

void SongTreeModel::OnBeginInsertItem(HTREEITEM parent, int row) {
    beginInsertRows(IndexOf(parent), row, row);
}

void SongTreeModel::OnEndInsertItem(HTREEITEM) {
    endInsertRows();
}

void SongTreeModel::OnBeginRemoveItem(HTREEITEM parent, int row, HTREEITEM) {
    beginRemoveRows(IndexOf(parent), row, row);
}

void SongTreeModel::OnEndRemoveItem(HTREEITEM, int) {
    endRemoveRows();
}

void SongTreeModel::OnBeginResetItems() {
    beginResetModel();
}

void SongTreeModel::OnEndResetItems() {
    endResetModel();
}

void SongTreeModel::OnItemChanged(HTREEITEM item) {
    QModelIndex index = IndexOf(item);
    Q_EMIT dataChanged(index, index);
}

void SongTreeModel::OnItemExpanded(HTREEITEM item, bool expanded) {
    Q_EMIT dataChanged(IndexOf(item), IndexOf(item), {Qt::DecorationRole});
    Q_EMIT expandRequested(IndexOf(item), expanded);
}

void SongTreeModel::OnSelectionChanged(HTREEITEM item) {
    Q_EMIT selectRequested(IndexOf(item));
}

void SongTreeModel::OnEnsureVisible(HTREEITEM item) {
    Q_EMIT ensureVisibleRequested(IndexOf(item));
}
