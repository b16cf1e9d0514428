#pragma once
// SelectionMirror: the song tree and the play list keep their own selection
// (and the tree its open groups); the Qt views show them. This class keeps
// the two sides in step both ways: a change made by the library reaches the
// view, a click in the view reaches the library, and neither echoes back.

#include <QObject>

#include "songcore/views/TreeItem.h"

class CPlayList;
class CSongTreeCtrl;
class PlayListModel;
class QModelIndex;
class QTableView;
class QTreeView;
class SongTreeSortModel;

class SelectionMirror : public QObject {
    Q_OBJECT
public:
    SelectionMirror(CSongTreeCtrl& tree, SongTreeSortModel& treeModel, QTreeView& treeView,
                    CPlayList& list, PlayListModel& listModel, QTableView& listView,
                    QObject* parent = nullptr);

    // Shows the list's own selection in the view.
    void ShowListSelection();
    // Shows the tree's selected item in the view, its groups opened.
    void ShowTreeSelection();

Q_SIGNALS:
    // Either side's selection changed.
    void selectionChanged();

private:
    void ShowTreeIndex(const QModelIndex& index);
    // Runs change unless a change is being mirrored already.
    template <typename Change>
    void Mirror(Change change);

    CSongTreeCtrl& tree_;
    // The tree as the view shows it, sorted.
    SongTreeSortModel& treeModel_;
    QTreeView& treeView_;
    CPlayList& list_;
    PlayListModel& listModel_;
    QTableView& listView_;
    bool mirroring_ = false;
};
