#include "qarv/SongTreeSortModel.h"

#include "qarv/SongTreeModel.h"
#include "qarv/UserCollator.h"

SongTreeSortModel::SongTreeSortModel(SongTreeModel& tree, QObject* parent)
    : QSortFilterProxyModel(parent), tree_(tree), collator_(UserCollator()) {
    setSourceModel(&tree_);
    setDynamicSortFilter(true);
    sort(0, Qt::AscendingOrder);
}

bool SongTreeSortModel::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    if (!left.parent().isValid()) {
        return left.row() < right.row();
    }
    const QString a = left.data(Qt::DisplayRole).toString();
    const QString b = right.data(Qt::DisplayRole).toString();
    const int order = collator_.compare(a, b);
    // Names the collator finds equal keep the order they came in.
    return order != 0 ? order < 0 : left.row() < right.row();
}

QModelIndex SongTreeSortModel::IndexOf(HTREEITEM item) const {
    return mapFromSource(tree_.IndexOf(item));
}

HTREEITEM SongTreeSortModel::ItemOf(const QModelIndex& index) const {
    return SongTreeModel::ItemOf(mapToSource(index));
}

std::vector<HTREEITEM> SongTreeSortModel::ChildrenShown(HTREEITEM item) const {
    const QModelIndex parent = IndexOf(item);
    std::vector<HTREEITEM> children;
    const int count = rowCount(parent);
    children.reserve(count);
    for (int row = 0; row < count; ++row) {
        children.push_back(ItemOf(index(row, 0, parent)));
    }
    return children;
}

HTREEITEM SongTreeSortModel::NextShown(HTREEITEM item) const {
    QModelIndex at = IndexOf(item);
    if (rowCount(at) > 0) {
        return ItemOf(index(0, 0, at));
    }
    // Up until a group has an item after the one walked out of.
    for (; at.isValid(); at = at.parent()) {
        const QModelIndex next = at.siblingAtRow(at.row() + 1);
        if (next.isValid()) {
            return ItemOf(next);
        }
    }
    return nullptr;
}
