#include "qarv/tagedit/BatchEditDialog.h"

#include <QCheckBox>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "qarv/tagedit/BatchRunner.h"
#include "qarv/tagedit/GenreCombo.h"
#include "songcore/tags/SongFileInfo.h"

using songcore::SongField;

namespace {

const char* const kKeep = "(keep)";

// Each box's label with its own key (Alt+letter); A is Apply's, N the
// numbering's.
const char* LabelOf(SongField field) {
    switch (field) {
        case SongField::Title:
            return "&Title:";
        case SongField::Artist:
            return "A&rtist:";
        case SongField::AlbumArtist:
            return "Album arti&st:";
        case SongField::Album:
            return "Al&bum:";
        case SongField::Year:
            return "&Year:";
        case SongField::Track:
            return "Trac&k:";
        case SongField::Genre:
            return "&Genre:";
        case SongField::Comment:
            return "&Comment:";
        case SongField::Composer:
            return "Com&poser:";
        default:
            return "";
    }
}

}  // namespace

const std::vector<SongField>& BatchEditDialog::Fields() {
    static const std::vector<SongField> fields = {
        SongField::Title, SongField::Artist,  SongField::AlbumArtist,
        SongField::Album, SongField::Year,    SongField::Track,
        SongField::Genre, SongField::Comment, SongField::Composer};
    return fields;
}

BatchEditDialog::BatchEditDialog(std::vector<std::string> paths, QWidget* parent)
    : QDialog(parent), paths_(std::move(paths)) {
    setWindowTitle(tr("Edit Tags of %n Songs", nullptr, static_cast<int>(paths_.size())));
    auto* layout = new QVBoxLayout(this);
    auto* songs = new QListWidget(this);
    songs->setMaximumHeight(120);
    for (const std::string& path : paths_) {
        songs->addItem(QFileInfo(QString::fromStdString(path)).fileName());
    }
    layout->addWidget(songs);

    // The value each field has in every song, or none when they differ.
    std::map<SongField, std::optional<std::string>> common;
    bool first = true;
    for (const std::string& path : paths_) {
        CSongFileInfo song;
        const bool read = song.Open(path, 1, 0) && song.GetSongInfo();
        for (SongField field : Fields()) {
            std::string value = read ? song.GetText(field) : std::string();
            if (first) {
                common[field] = value;
            } else if (common[field] && *common[field] != value) {
                common[field].reset();
            }
        }
        first = false;
    }

    auto* form = new QFormLayout;
    for (SongField field : Fields()) {
        auto* box = new QLineEdit(this);
        box->setMinimumWidth(280);
        const std::optional<std::string>& value = common[field];
        if (value) {
            box->setText(QString::fromStdString(*value));
        } else {
            box->setPlaceholderText(tr(kKeep));
        }
        if (field == SongField::Genre) {
            auto* completer = new QCompleter(GenreCombo::TableNames(), box);
            completer->setCaseSensitivity(Qt::CaseInsensitive);
            box->setCompleter(completer);
        }
        boxes_[field] = box;
        touched_[field] = false;
        connect(box, &QLineEdit::textEdited, this, [this, field] { touched_[field] = true; });
        form->addRow(tr(LabelOf(field)), box);
    }
    layout->addLayout(form);

    auto* numbering = new QHBoxLayout;
    number_ = new QCheckBox(tr("&Number the songs 1 to %1 in this order").arg(paths_.size()), this);
    total_ = new QSpinBox(this);
    total_->setRange(0, 65535);
    total_->setSpecialValueText(tr("no total"));
    numbering->addWidget(number_);
    numbering->addWidget(new QLabel(tr("of"), this));
    numbering->addWidget(total_);
    numbering->addStretch();
    layout->addLayout(numbering);
    connect(number_, &QCheckBox::toggled, boxes_[SongField::Track], &QWidget::setDisabled);

    problem_ = new QLabel(this);
    problem_->setStyleSheet("color: #b00020;");
    problem_->hide();
    layout->addWidget(problem_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Apply | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    // Enter in a box writes what was typed, as the tag dialogs' Update does.
    QPushButton* apply = buttons->button(QDialogButtonBox::Apply);
    apply->setText(tr("&Apply"));
    apply->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setAutoDefault(false);
    connect(apply, &QPushButton::clicked, this, &BatchEditDialog::Apply);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

std::vector<songcore::BatchItem> BatchEditDialog::Items(QString& problem) const {
    songcore::FieldValues shared;
    for (SongField field : Fields()) {
        if (!touched_.at(field) || (field == SongField::Track && number_->isChecked())) {
            continue;
        }
        std::string text = boxes_.at(field)->text().toStdString();
        std::string why = songcore::FieldTextProblem(field, text);
        if (!why.empty()) {
            problem =
                tr("%1: %2").arg(tr(songcore::InfoOf(field).label), QString::fromStdString(why));
            return {};
        }
        shared.emplace_back(field, std::move(text));
    }
    std::vector<songcore::BatchItem> items;
    for (size_t i = 0; i < paths_.size(); ++i) {
        songcore::BatchItem item{paths_[i], shared};
        if (number_->isChecked()) {
            std::string track = std::to_string(i + 1);
            if (total_->value() > 0) {
                track += "/" + std::to_string(total_->value());
            }
            item.changes.emplace_back(SongField::Track, std::move(track));
        }
        if (!item.changes.empty()) {
            items.push_back(std::move(item));
        }
    }
    return items;
}

void BatchEditDialog::Apply() {
    QString problem;
    std::vector<songcore::BatchItem> items = Items(problem);
    problem_->setText(problem);
    problem_->setVisible(!problem.isEmpty());
    if (!problem.isEmpty()) {
        return;
    }
    if (items.empty()) {
        reject();
        return;
    }
    outcome_ = RunBatchWithProgress(this, windowTitle(), items, "Edit Tags of Selected Songs");
    accept();
}
