#include "qarv/tagedit/ItemsBox.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

namespace {

// On the key cell: whether the row was read from the tag (a new row has
// the user's key), and whether its value can be edited as text.
constexpr int kReadRole = Qt::UserRole;
constexpr int kEditableRole = Qt::UserRole + 1;
// On the value cell of a row read: the value as read.
constexpr int kOldValueRole = Qt::UserRole;

enum Column { kKeyColumn, kValueColumn };

}  // namespace

ItemsBox::ItemsBox(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    problem_ = new QLabel(this);
    problem_->setWordWrap(true);
    problem_->hide();
    layout->addWidget(problem_);
    table_ = new QTableWidget(0, 2, this);
    table_->setHorizontalHeaderLabels({tr("Key"), tr("Value")});
    table_->horizontalHeader()->setSectionResizeMode(kKeyColumn, QHeaderView::Interactive);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    // Room for a key and most values beside it without scrolling.
    table_->setMinimumWidth(fontMetrics().averageCharWidth() * 60);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setTabKeyNavigation(false);
    table_->setToolTip(tr("The items of the tag that no box shows, under the tag's own keys"));
    layout->addWidget(table_, 1);

    auto* buttons = new QHBoxLayout;
    add_ = new QPushButton(tr("Ne&w Item"), this);
    // Its letters are taken by the dialog's boxes: Delete in the table does
    // the same.
    remove_ = new QPushButton(tr("Remove Item"), this);
    for (QPushButton* button : {add_, remove_}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    layout->addLayout(buttons);

    connect(add_, &QPushButton::clicked, this, [this] {
        AddRow({}, {});
        table_->setCurrentCell(table_->rowCount() - 1, kKeyColumn);
        table_->editItem(table_->item(table_->rowCount() - 1, kKeyColumn));
    });
    auto* removeKey =
        new QShortcut(QKeySequence::Delete, table_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(removeKey, &QShortcut::activated, remove_, &QPushButton::click);
    connect(remove_, &QPushButton::clicked, this, [this] {
        // From the bottom, so that the rows above keep their numbers.
        QList<int> rows;
        for (const QModelIndex& index : table_->selectionModel()->selectedRows()) {
            rows << index.row();
        }
        std::sort(rows.begin(), rows.end(), std::greater<>());
        for (int row : rows) {
            if (row < table_->rowCount()) {
                RemoveRow(row);
            }
        }
    });
    connect(table_, &QTableWidget::itemChanged, this, &ItemsBox::changed);
    connect(table_, &QTableWidget::itemSelectionChanged, this, &ItemsBox::UpdateButtons);
    UpdateButtons();
}

void ItemsBox::SetItems(std::vector<songcore::TagItem> items, const QString& problem) {
    items_ = std::move(items);
    const QSignalBlocker blocker(table_);
    table_->setRowCount(0);
    for (const songcore::TagItem& item : items_) {
        for (const std::string& value : item.values) {
            AppendRow(QString::fromStdString(item.key), QString::fromStdString(value), true,
                      item.editable);
        }
    }
    table_->resizeColumnToContents(kKeyColumn);
    problem_->setText(problem);
    problem_->setVisible(!problem.isEmpty());
    setEnabled(problem.isEmpty());
    UpdateButtons();
}

void ItemsBox::AppendRow(const QString& key, const QString& value, bool read, bool editable) {
    const int row = table_->rowCount();
    table_->insertRow(row);
    auto* keyCell = new QTableWidgetItem(key);
    keyCell->setData(kReadRole, read);
    keyCell->setData(kEditableRole, editable);
    auto* valueCell = new QTableWidgetItem(value);
    valueCell->setData(kOldValueRole, value);
    valueCell->setToolTip(value);
    // The keys read are the tag's; a key is changed by removing its row and
    // adding another.
    if (read) {
        keyCell->setFlags(keyCell->flags() & ~Qt::ItemIsEditable);
    }
    if (!editable) {
        valueCell->setFlags(valueCell->flags() & ~Qt::ItemIsEditable);
        const QBrush grey = palette().brush(QPalette::Disabled, QPalette::Text);
        keyCell->setForeground(grey);
        valueCell->setForeground(grey);
        valueCell->setToolTip(value + "\n" + tr("Not text: it can be removed, not edited"));
    }
    table_->setItem(row, kKeyColumn, keyCell);
    table_->setItem(row, kValueColumn, valueCell);
}

void ItemsBox::AddRow(const QString& key, const QString& value) {
    AppendRow(key, value, false, true);
    Q_EMIT changed();
}

void ItemsBox::RemoveRow(int row) {
    QTableWidgetItem* keyCell = table_->item(row, kKeyColumn);
    if (keyCell == nullptr) {
        return;
    }
    // The values of an item that is not text are written back whole or not
    // at all: one row removed removes them all.
    if (keyCell->data(kReadRole).toBool() && !keyCell->data(kEditableRole).toBool()) {
        const QString key = keyCell->text();
        for (int other = table_->rowCount() - 1; other >= 0; --other) {
            QTableWidgetItem* cell = table_->item(other, kKeyColumn);
            if (cell->text() == key && cell->data(kReadRole).toBool()) {
                table_->removeRow(other);
            }
        }
    } else {
        table_->removeRow(row);
    }
    UpdateButtons();
    Q_EMIT changed();
}

songcore::TagItemEdits ItemsBox::Edits() const {
    // The values of each key as the table stands, in the order of its rows.
    std::vector<songcore::TagItemEdit> now;
    auto valuesOf = [&now](const std::string& key) -> std::vector<std::string>* {
        for (songcore::TagItemEdit& entry : now) {
            if (entry.key == key) {
                return &entry.values;
            }
        }
        return nullptr;
    };
    std::set<std::string> untouchable;
    for (int row = 0; row < table_->rowCount(); ++row) {
        const QTableWidgetItem* keyCell = table_->item(row, kKeyColumn);
        const QTableWidgetItem* valueCell = table_->item(row, kValueColumn);
        const bool read = keyCell->data(kReadRole).toBool();
        const std::string key = (read ? keyCell->text() : keyCell->text().trimmed()).toStdString();
        if (read && !keyCell->data(kEditableRole).toBool()) {
            untouchable.insert(key);
            continue;
        }
        const QString value = valueCell->text();
        if (!read && key.empty() && value.isEmpty()) {
            continue;  // a row added and left empty
        }
        std::vector<std::string>* values = valuesOf(key);
        if (values == nullptr) {
            values = &now.emplace_back(songcore::TagItemEdit{key, {}}).values;
        }
        // A value cleared is removed; one that was empty in the tag stays.
        if (!value.isEmpty() || (read && valueCell->data(kOldValueRole).toString().isEmpty())) {
            values->push_back(value.toStdString());
        }
    }

    songcore::TagItemEdits edits;
    for (const songcore::TagItem& item : items_) {
        const std::vector<std::string>* values = valuesOf(item.key);
        if (!item.editable) {
            // Kept as it is unless its rows are gone or a new row gives
            // the key a text.
            if (values != nullptr && !values->empty()) {
                edits.push_back({item.key, *values});
            } else if (!untouchable.contains(item.key)) {
                edits.push_back({item.key, {}});
            }
        } else if (values == nullptr || *values != item.values) {
            edits.push_back({item.key, values ? *values : std::vector<std::string>{}});
        }
    }
    for (const songcore::TagItemEdit& entry : now) {
        const bool known = std::any_of(items_.begin(), items_.end(), [&entry](const auto& item) {
            return item.key == entry.key;
        });
        if (!known && !entry.values.empty()) {
            edits.push_back(entry);
        }
    }
    return edits;
}

void ItemsBox::UpdateButtons() {
    remove_->setEnabled(table_->selectionModel()->hasSelection());
}
