#include "qarv/SelectionMirror.h"

#include <QItemSelectionModel>
#include <QTableView>
#include <QTreeView>

#include "qarv/PlayListModel.h"
#include "qarv/SongTreeModel.h"
#include "qarv/SongTreeSortModel.h"
#include "songcore/views/PlayList.h"
#include "songcore/views/SongTreeCtrl.h"

template <typename Change>
void SelectionMirror::Mirror(Change change) {
    if (mirroring_) {
        return;
    }
    mirroring_ = true;
    change();
    mirroring_ = false;
    emit selectionChanged();
}

SelectionMirror::SelectionMirror(CSongTreeCtrl& tree, SongTreeSortModel& treeModel,
                                 QTreeView& treeView, CPlayList& list, PlayListModel& listModel,
                                 QTableView& listView, QObject* parent)
    : QObject(parent),
      tree_(tree),
      treeModel_(treeModel),
      treeView_(treeView),
      list_(list),
      listModel_(listModel),
      listView_(listView) {
    QItemSelectionModel* treeSelection = treeView_.selectionModel();
    connect(treeSelection, &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                Mirror([&] { tree_.SelectItem(treeModel_.ItemOf(current)); });
            });
    // The tree's requests name its own indexes; the view shows them sorted.
    SongTreeModel& source = treeModel_.Tree();
    connect(&source, &SongTreeModel::selectRequested, this, [this](const QModelIndex& index) {
        Mirror([&] {
            treeView_.selectionModel()->setCurrentIndex(treeModel_.mapFromSource(index),
                                                        QItemSelectionModel::ClearAndSelect);
        });
    });
    connect(&source, &SongTreeModel::ensureVisibleRequested, this,
            [this](const QModelIndex& index) { ShowTreeIndex(treeModel_.mapFromSource(index)); });
    connect(&source, &SongTreeModel::expandRequested, this,
            [this](const QModelIndex& index, bool expanded) {
                Mirror([&] { treeView_.setExpanded(treeModel_.mapFromSource(index), expanded); });
            });
    auto expandInTree = [this](const QModelIndex& index, bool expanded) {
        Mirror(
            [&] { tree_.Expand(treeModel_.ItemOf(index), expanded ? TVE_EXPAND : TVE_COLLAPSE); });
    };
    connect(&treeView_, &QTreeView::expanded, this,
            [expandInTree](const QModelIndex& index) { expandInTree(index, true); });
    connect(&treeView_, &QTreeView::collapsed, this,
            [expandInTree](const QModelIndex& index) { expandInTree(index, false); });

    connect(listView_.selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        Mirror([&] {
            list_.SelectAll(false);
            for (const QModelIndex& index : listView_.selectionModel()->selectedRows()) {
                list_.SetSelected(index.row(), true);
            }
        });
    });
    connect(&listModel_, &PlayListModel::listSelectionChanged, this,
            &SelectionMirror::ShowListSelection);
    connect(&listModel_, &PlayListModel::ensureVisibleRequested, this,
            [this](int row) { listView_.scrollTo(listModel_.index(row, 0)); });
}

void SelectionMirror::ShowTreeIndex(const QModelIndex& index) {
    // An item is visible when every group above it is open.
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent()) {
        treeView_.expand(parent);
    }
    treeView_.scrollTo(index);
}

void SelectionMirror::ShowTreeSelection() {
    HTREEITEM selected = tree_.GetSelectedItem();
    if (selected == nullptr) {
        return;
    }
    QModelIndex index = treeModel_.IndexOf(selected);
    Mirror([&] {
        treeView_.selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    });
    ShowTreeIndex(index);
}

void SelectionMirror::ShowListSelection() {
    Mirror([&] {
        QItemSelection selection;
        int last = listModel_.columnCount() - 1;
        for (int row : list_.GetSelectedRows()) {
            selection.select(listModel_.index(row, 0), listModel_.index(row, last));
        }
        listView_.selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
        int first = list_.GetNextSelectedItem(-1);
        if (first >= 0) {
            listView_.selectionModel()->setCurrentIndex(listModel_.index(first, 0),
                                                        QItemSelectionModel::NoUpdate);
        }
    });
}
