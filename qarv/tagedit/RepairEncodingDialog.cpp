#include "qarv/tagedit/RepairEncodingDialog.h"

#include <algorithm>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QTableWidget>
#include <QVBoxLayout>

#include "qarv/tagedit/BatchRunner.h"

namespace {

enum Column { kFile, kField, kBefore, kAfter, kColumns };

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

RepairEncodingDialog::RepairEncodingDialog(const std::vector<std::string>& paths, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(tr("Repair Text Encoding"));
    std::vector<std::pair<std::string, std::string>> unread;
    for (songcore::RepairFolder& folder : songcore::JudgeFolders(paths, unread)) {
        if (!folder.candidates.empty()) {
            folders_.push_back(std::move(folder));
        }
    }
    auto* layout = new QVBoxLayout(this);
    auto* hint = new QLabel(tr("Tag text written in a legacy code page, or UTF-8 read as "
                               "ISO-8859-1, is written again as Unicode. The songs of each "
                               "folder are judged together; choose the encoding per folder:"),
                            this);
    hint->setWordWrap(true);
    layout->addWidget(hint);

    auto* choices = new QWidget(this);
    auto* form = new QFormLayout(choices);
    for (const songcore::RepairFolder& folder : folders_) {
        auto* box = new QComboBox(choices);
        for (const songcore::EncodingCandidate& candidate : folder.candidates) {
            box->addItem(
                candidate.ChangesNothing()
                    ? tr("%1 (as shown now)").arg(Text(candidate.encoding))
                    : tr("%1 (%2%)").arg(Text(candidate.encoding)).arg(candidate.confidence),
                Text(candidate.encoding));
        }
        const QString name = QDir::toNativeSeparators(Text(folder.folder));
        form->addRow(
            tr("%1 (%n songs):", nullptr, static_cast<int>(folder.songs.size()))
                .arg(QFileInfo(name).fileName().isEmpty() ? name : QFileInfo(name).fileName()),
            box);
        box->setToolTip(name);
        boxes_.push_back(box);
        connect(box, &QComboBox::currentIndexChanged, this, &RepairEncodingDialog::UpdatePreview);
    }
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(choices);
    scroll->setWidgetResizable(true);
    scroll->setMaximumHeight(160);
    scroll->setVisible(!folders_.empty());
    layout->addWidget(scroll);

    preview_ = new QTableWidget(0, kColumns, this);
    preview_->setHorizontalHeaderLabels({tr("File"), tr("Field"), tr("Before"), tr("After")});
    preview_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    preview_->verticalHeader()->hide();
    preview_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(preview_, 1);
    summary_ = new QLabel(this);
    summary_->setWordWrap(true);
    layout->addWidget(summary_);
    QStringList problems;
    for (const auto& [path, reason] : unread) {
        problems << QStringLiteral("%1: %2").arg(Text(path), Text(reason));
    }
    if (!problems.isEmpty()) {
        auto* failed = new QLabel(problems.join('\n'), this);
        failed->setStyleSheet("color: #b00020;");
        layout->addWidget(failed);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    apply_ = buttons->addButton(tr("&Repair"), QDialogButtonBox::AcceptRole);
    layout->addWidget(buttons);
    resize(820, 520);
    connect(apply_, &QPushButton::clicked, this, &RepairEncodingDialog::Apply);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    UpdatePreview();
}

void RepairEncodingDialog::UpdatePreview() {
    items_.clear();
    preview_->setRowCount(0);
    for (size_t i = 0; i < folders_.size(); ++i) {
        const songcore::RepairFolder& folder = folders_[i];
        const int chosen = std::max(boxes_[i]->currentIndex(), 0);
        const songcore::EncodingCandidate& candidate = folder.candidates[chosen];
        for (size_t song = 0; song < folder.songs.size(); ++song) {
            const QString name = QFileInfo(Text(folder.songs[song].path)).fileName();
            for (const auto& [field, after] : candidate.changes[song]) {
                const int row = preview_->rowCount();
                preview_->insertRow(row);
                preview_->setItem(row, kFile, new QTableWidgetItem(name));
                preview_->setItem(row, kField,
                                  new QTableWidgetItem(tr(songcore::InfoOf(field).label)));
                preview_->setItem(row, kBefore,
                                  new QTableWidgetItem(Text(folder.Shown(song, field))));
                preview_->setItem(row, kAfter, new QTableWidgetItem(Text(after)));
            }
        }
        for (songcore::BatchItem& item : songcore::RepairItems(folder, candidate)) {
            items_.push_back(std::move(item));
        }
    }
    preview_->resizeColumnsToContents();
    summary_->setText(
        items_.empty() ? tr("Nothing to repair: the selected songs' texts read as "
                            "they are.")
                       : tr("%n songs will be written.", nullptr, static_cast<int>(items_.size())));
    apply_->setEnabled(!items_.empty());
}

void RepairEncodingDialog::Apply() {
    if (items_.empty()) {
        return;
    }
    outcome_ = RunBatchWithProgress(this, windowTitle(), items_, "Repair Text Encoding");
    accept();
}
