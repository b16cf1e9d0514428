#include "qarv/RenamePreviewDialog.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString NameOf(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).fileName();
}

}  // namespace

RenamePreviewDialog::RenamePreviewDialog(const std::vector<songcore::PatternJobResult>& planned,
                                         QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(tr("Rename As"));
    auto* layout = new QVBoxLayout(this);
    table_ = new QTableWidget(static_cast<int>(planned.size()), 2, this);
    table_->setHorizontalHeaderLabels({tr("Name now"), tr("New name")});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    const QBrush kept = palette().brush(QPalette::Disabled, QPalette::Text);
    int row = 0;
    for (const songcore::PatternJobResult& result : planned) {
        table_->setItem(row, 0, new QTableWidgetItem(NameOf(result.source)));
        auto* next = new QTableWidgetItem;
        switch (result.status) {
            case songcore::PatternJobStatus::Done:
                next->setText(NameOf(result.destination));
                renamed_.push_back(result.source);
                break;
            case songcore::PatternJobStatus::Unchanged:
                next->setText(tr("(already so named)"));
                next->setForeground(kept);
                break;
            default:
                next->setText(tr("(kept: %1)").arg(QString::fromStdString(result.message)));
                next->setForeground(kept);
                break;
        }
        table_->setItem(row++, 1, next);
    }
    table_->resizeColumnsToContents();
    layout->addWidget(new QLabel(
        tr("%1 of %2 songs get a new name:").arg(renamed_.size()).arg(planned.size()), this));
    layout->addWidget(table_, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    rename_ = buttons->addButton(tr("&Rename"), QDialogButtonBox::AcceptRole);
    rename_->setEnabled(!renamed_.empty());
    rename_->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(640, 400);
}
