#include "qarv/tagedit/HistoryDialog.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// "title: Old → New; track: 3 → 4", or what else the edit changed.
QString ChangesText(const songcore::FileEdit& file) {
    QStringList parts;
    for (size_t i = 0; i < file.before.size() && i < file.after.size(); ++i) {
        const songcore::FieldInfo& info = songcore::InfoOf(file.before[i].first);
        parts << QStringLiteral("%1: %2 → %3")
                     .arg(QString::fromUtf8(info.key),
                          QString::fromStdString(file.before[i].second),
                          QString::fromStdString(file.after[i].second));
    }
    if (file.changesItems) {
        parts << QObject::tr("pictures");
    }
    if (parts.isEmpty()) {
        parts << QObject::tr("other items of the tag");
    }
    return parts.join(QStringLiteral("; "));
}

}  // namespace

HistoryDialog::HistoryDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Edit History"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(tr("&Tag edits that can be undone, the last one first:"), this);
    layout->addWidget(label);
    entries_ = new QTreeWidget(this);
    entries_->setColumnCount(2);
    entries_->setHeaderLabels({tr("Edit, and its files"), tr("When, and what changed")});
    entries_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    entries_->setSelectionMode(QAbstractItemView::SingleSelection);
    label->setBuddy(entries_);
    layout->addWidget(entries_, 1);
    problem_ = new QLabel(this);
    problem_->setWordWrap(true);
    problem_->hide();
    layout->addWidget(problem_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    undo_ = buttons->addButton(tr("&Undo This Edit"), QDialogButtonBox::ActionRole);
    layout->addWidget(buttons);
    connect(undo_, &QPushButton::clicked, this, &HistoryDialog::UndoSelected);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(entries_, &QTreeWidget::itemSelectionChanged, this,
            [this] { undo_->setEnabled(!entries_->selectedItems().isEmpty()); });
    resize(720, 420);
    Reload();
}

void HistoryDialog::Reload() {
    entries_->clear();
    problem_->hide();
    std::vector<songcore::EditOperation> undo, redo;
    std::string error;
    if (!songcore::EditHistory().List(undo, redo, error)) {
        problem_->setText(QString::fromStdString(error));
        problem_->show();
    }
    for (size_t index = 0; index < undo.size(); ++index) {
        const songcore::EditOperation& operation = undo[index];
        const QString when = QDateTime::fromSecsSinceEpoch(operation.time)
                                 .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        auto* item =
            new QTreeWidgetItem(entries_, {QString::fromStdString(operation.Describe()), when});
        item->setData(0, Qt::UserRole, static_cast<qulonglong>(index));
        for (const songcore::FileEdit& file : operation.files) {
            auto* child = new QTreeWidgetItem(
                item, {QFileInfo(QString::fromStdString(file.path)).fileName(), ChangesText(file)});
            child->setToolTip(0, QString::fromStdString(file.path));
            child->setData(0, Qt::UserRole, static_cast<qulonglong>(index));
        }
    }
    // The files and their changes are what tells one edit from another.
    entries_->expandAll();
    if (entries_->topLevelItemCount() > 0) {
        entries_->setCurrentItem(entries_->topLevelItem(0));
    }
    undo_->setEnabled(entries_->topLevelItemCount() > 0);
}

bool HistoryDialog::UndoSelected() {
    QTreeWidgetItem* item = entries_->currentItem();
    if (item == nullptr) {
        return false;
    }
    const size_t index = item->data(0, Qt::UserRole).toULongLong();
    songcore::HistoryOutcome outcome = songcore::EditHistory().UndoAt(index);
    QStringList problems;
    for (const auto& [path, reason] : outcome.refused) {
        problems << QStringLiteral("%1: %2").arg(QString::fromStdString(path),
                                                 QString::fromStdString(reason));
    }
    if (!outcome.ok && !outcome.error.empty()) {
        problems << QString::fromStdString(outcome.error);
    }
    Q_EMIT stepDone(outcome);
    Reload();
    if (!problems.isEmpty()) {
        problem_->setText(problems.join('\n'));
        problem_->show();
    }
    return !outcome.restored.empty();
}
