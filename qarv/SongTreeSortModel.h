#pragma once
// SongTreeSortModel: the song tree as the view shows it, its groups and
// songs sorted by name in the user's order (UserCollator.h: "Track 2"
// before "Track 10", letter case aside). The tree itself keeps
// its items in the order they came; the places at the top (My Computer, the
// internet's songs) keep theirs. An item whose name changes, or that moves
// to another group, takes its sorted place, and the view keeps its
// selection and current item.

#include <QCollator>
#include <QSortFilterProxyModel>

#include "songcore/views/TreeItem.h"

class SongTreeModel;

class SongTreeSortModel : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit SongTreeSortModel(SongTreeModel& tree, QObject* parent = nullptr);

    SongTreeModel& Tree() const { return tree_; }
    // Between the tree's items and the view's indexes.
    QModelIndex IndexOf(HTREEITEM item) const;
    HTREEITEM ItemOf(const QModelIndex& index) const;
    // The children of item (the places, for null) in the order shown.
    std::vector<HTREEITEM> ChildrenShown(HTREEITEM item) const;
    // The item after item in the order shown, walking into open and closed
    // groups alike; null after the last.
    HTREEITEM NextShown(HTREEITEM item) const;

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    SongTreeModel& tree_;
    QCollator collator_;
};
