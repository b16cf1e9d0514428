#include "qarv/ListColumns.h"

#include <QHeaderView>
#include <QMenu>
#include <QTableView>
#include <algorithm>
#include <utility>

#include "qarv/PlayListModel.h"

namespace {

// A column sized to its contents stays within these, so one long title
// does not push the others out of sight.
constexpr int kMinimumWidth = 40;
constexpr int kMaximumWidth = 320;

}  // namespace

ListColumns::ListColumns(QTableView& view) : QObject(&view), view_(view) {
    QHeaderView* header = view_.horizontalHeader();
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QHeaderView::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(&view_);
        FillMenu(menu);
        menu.exec(view_.horizontalHeader()->mapToGlobal(at));
    });
}

bool ListColumns::Restore(const QByteArray& state, const QByteArray& beforeFields,
                          const QByteArray& older) {
    QHeaderView* header = view_.horizontalHeader();
    if (!state.isEmpty() && header->restoreState(state)) {
        return true;
    }
    // Qt takes a state of fewer sections and shows the sections it lacks.
    for (auto [saved, firstNew] : {std::pair{&beforeFields, +PlayListModel::kAlbumArtistColumn},
                                   {&older, +PlayListModel::kTrackColumn}}) {
        if (!saved->isEmpty() && header->restoreState(*saved)) {
            for (int column = firstNew; column < header->count(); ++column) {
                header->setSectionHidden(column, true);
            }
            return true;
        }
    }
    SetDefaults();
    return state.isEmpty() && beforeFields.isEmpty() && older.isEmpty();
}

void ListColumns::SetDefaults() {
    QHeaderView* header = view_.horizontalHeader();
    for (int column = 0; column < header->count(); ++column) {
        bool optional = PlayListModel::IsOptionalColumn(column);
        header->setSectionHidden(column, optional);
        if (!optional) {
            header->resizeSection(column, CPlayList::GetColumnWidth(column));
        }
    }
    QAbstractItemModel* model = view_.model();
    if (!model) {
        return;
    }
    if (model->rowCount() > 0) {
        SizeToContents();
        return;
    }
    // An empty list keeps the usual widths until its first songs arrive, and
    // the columns are then fitted to them, once: later widths are the user's.
    connect(model, &QAbstractItemModel::rowsInserted, this, &ListColumns::SizeToContents,
            Qt::SingleShotConnection);
}

void ListColumns::SizeToContents() {
    QHeaderView* header = view_.horizontalHeader();
    for (int column = 0; column < header->count(); ++column) {
        if (!header->isSectionHidden(column)) {
            FitColumn(column);
        }
    }
}

void ListColumns::FitColumn(int column) {
    // Measured, not taken from the section: the stretched last section
    // would report the width it was stretched to.
    QHeaderView* header = view_.horizontalHeader();
    const QAbstractItemView& view = view_;  // where the measure is public
    int width = std::max(view.sizeHintForColumn(column), header->sectionSizeHint(column));
    header->resizeSection(column, std::clamp(width, kMinimumWidth, kMaximumWidth));
}

void ListColumns::FillMenu(QMenu& menu) {
    QHeaderView* header = view_.horizontalHeader();
    QAbstractItemModel* model = view_.model();
    int shown = header->count() - header->hiddenSectionCount();
    for (int column = 0; model && column < header->count(); ++column) {
        QAction* action =
            menu.addAction(model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString());
        action->setCheckable(true);
        action->setChecked(!header->isSectionHidden(column));
        action->setEnabled(header->isSectionHidden(column) || shown > 1);
        connect(action, &QAction::toggled, this, [this, column](bool show) {
            QHeaderView* header = view_.horizontalHeader();
            header->setSectionHidden(column, !show);
            if (show) {
                FitColumn(column);
            }
        });
    }
    menu.addSeparator();
    connect(menu.addAction(tr("Size Columns to Contents")), &QAction::triggered, this,
            &ListColumns::SizeToContents);
}
