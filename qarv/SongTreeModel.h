#pragma once
// SongTreeModel: the song tree as Qt's item model. Each index carries its
// tree item handle; the tree's listener calls become Qt's change signals.
// The tree runs every change on the GUI thread (through the dispatcher), so
// the signals are emitted there too.

#include <QAbstractItemModel>
#include <QIcon>
#include <vector>

#include "songcore/views/SongTreeCtrl.h"

class SongTreeModel : public QAbstractItemModel, private ISongTreeListener {
    Q_OBJECT
public:
    explicit SongTreeModel(CSongTreeCtrl& tree, QObject* parent = nullptr);
    ~SongTreeModel() override;

    CSongTreeCtrl& Tree() { return tree_; }
    QModelIndex IndexOf(HTREEITEM item) const;
    static HTREEITEM ItemOf(const QModelIndex& index);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDropActions() const override { return Qt::CopyAction; }
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    // Dropped files and folders are searched for songs (filesDropped).
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

Q_SIGNALS:
    // The tree asks its view to follow it.
    void expandRequested(const QModelIndex& index, bool expanded);
    void selectRequested(const QModelIndex& index);
    void ensureVisibleRequested(const QModelIndex& index);
    // A song notice (inserted, retitled, deleted) for the main window.
    void songNotice(unsigned message, void* item);
    // A song's file was renamed (Rename As).
    void songFileRenamed(const QString& oldPath, const QString& newPath);
    void filesDropped(const QStringList& paths);

private:
    void OnSongTreeMessage(uint32_t message, CSongTreeCtrl* tree, HTREEITEM item) override;
    void OnSongFileRenamed(CSongTreeCtrl* tree, const std::string& oldPath,
                           const std::string& newPath) override;
    void OnBeginInsertItem(HTREEITEM parent, int row) override;
    void OnEndInsertItem(HTREEITEM item) override;
    void OnBeginRemoveItem(HTREEITEM parent, int row, HTREEITEM item) override;
    void OnEndRemoveItem(HTREEITEM parent, int row) override;
    void OnBeginResetItems() override;
    void OnEndResetItems() override;
    void OnItemChanged(HTREEITEM item) override;
    void OnItemExpanded(HTREEITEM item, bool expanded) override;
    void OnSelectionChanged(HTREEITEM item) override;
    void OnEnsureVisible(HTREEITEM item) override;

    CSongTreeCtrl& tree_;
    std::vector<QIcon> images_;
};
