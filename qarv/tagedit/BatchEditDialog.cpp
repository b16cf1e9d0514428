#include "qarv/tagedit/BatchEditDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "qarv/UserCollator.h"
#include "qarv/tagedit/BatchRunner.h"
#include "qarv/tagedit/GenreCombo.h"
#include "songcore/tags/FieldText.h"
#include "songcore/tags/SongFileInfo.h"

using songcore::SongField;

namespace {

const char* const kKeep = "(keep)";

// Each box's label with its own key (Alt+letter); A is Apply's, N and O
// the numbering's, F, W, X, H, M and L the find and replace's.
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
        auto& values = current_.emplace_back();
        for (SongField field : Fields()) {
            std::string value = read ? song.GetText(field) : std::string();
            values[field] = value;
            if (first) {
                common[field] = value;
            } else if (common[field] && *common[field] != value) {
                common[field].reset();
            }
        }
        first = false;
        // Not a box of the form: for showing a numbering's old "3/12".
        values[SongField::TrackTotal] = read ? song.GetText(SongField::TrackTotal) : std::string();
        numbering_.push_back({path, values[SongField::AlbumArtist], values[SongField::Album],
                              read ? songcore::ParseTrackNumber(song.GetText(SongField::Disc)) : 0,
                              songcore::ParseTrackNumber(values[SongField::Track])});
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
        connect(box, &QLineEdit::textEdited, this, [this, field] {
            touched_[field] = true;
            UpdatePreview();
        });
        form->addRow(tr(LabelOf(field)), box);
    }
    layout->addLayout(form);

    BuildNumbering(layout);
    BuildTransform(layout);

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
    UpdatePreview();
}

void BatchEditDialog::BuildNumbering(QVBoxLayout* layout) {
    using songcore::NumberingOrder;
    auto* row = new QHBoxLayout;
    number_ = new QCheckBox(tr("&Number the songs"), this);
    numberOrder_ = new QComboBox(this);
    numberOrder_->addItem(tr("Order shown"), static_cast<int>(NumberingOrder::kGiven));
    numberOrder_->addItem(tr("File names"), static_cast<int>(NumberingOrder::kPaths));
    numberOrder_->addItem(tr("Album track order"), static_cast<int>(NumberingOrder::kAlbumTracks));
    auto* orderLabel = new QLabel(tr("in &order:"), this);
    orderLabel->setBuddy(numberOrder_);
    // By album, each disc's song count is its total; otherwise the one
    // chosen here, if any.
    auto* of = new QLabel(tr("of"), this);
    total_ = new QSpinBox(this);
    total_->setRange(0, 65535);
    total_->setSpecialValueText(tr("no total"));
    auto* albumTotal = new QLabel(tr("of its disc's song count"), this);
    albumTotal->hide();
    row->addWidget(number_);
    row->addWidget(orderLabel);
    row->addWidget(numberOrder_);
    row->addWidget(of);
    row->addWidget(total_);
    row->addWidget(albumTotal);
    row->addStretch();
    layout->addLayout(row);
    connect(number_, &QCheckBox::toggled, boxes_[SongField::Track], &QWidget::setDisabled);
    // The order and the total are the numbering's own.
    numberOrder_->setEnabled(false);
    total_->setEnabled(false);
    connect(number_, &QCheckBox::toggled, numberOrder_, &QWidget::setEnabled);
    connect(number_, &QCheckBox::toggled, total_, &QWidget::setEnabled);
    connect(number_, &QCheckBox::toggled, this, &BatchEditDialog::UpdatePreview);
    connect(total_, &QSpinBox::valueChanged, this, &BatchEditDialog::UpdatePreview);
    connect(numberOrder_, &QComboBox::currentIndexChanged, this, [this, of, albumTotal] {
        const bool byAlbum =
            numberOrder_->currentData().toInt() == static_cast<int>(NumberingOrder::kAlbumTracks);
        of->setVisible(!byAlbum);
        total_->setVisible(!byAlbum);
        albumTotal->setVisible(byAlbum);
        UpdatePreview();
    });
}

std::vector<std::string> BatchEditDialog::TrackTexts() const {
    const QCollator collator = UserCollator();
    auto nameLess = [&collator](const std::string& a, const std::string& b) {
        return collator.compare(QString::fromStdString(a), QString::fromStdString(b)) < 0;
    };
    const auto order = static_cast<songcore::NumberingOrder>(numberOrder_->currentData().toInt());
    std::vector<std::string> texts;
    for (const songcore::TrackNumber& number : songcore::NumberSongs(
             numbering_, order, static_cast<uint32_t>(total_->value()), nameLess)) {
        texts.push_back(songcore::TrackText(number));
    }
    return texts;
}

void BatchEditDialog::BuildTransform(QVBoxLayout* layout) {
    auto* group = new QGroupBox(tr("Find and replace, letter case"), this);
    auto* form = new QFormLayout(group);
    transformField_ = new QComboBox(group);
    for (SongField field : Fields()) {
        transformField_->addItem(QString(tr(LabelOf(field))).remove('&').remove(':'),
                                 static_cast<int>(field));
    }
    form->addRow(tr("In fie&ld:"), transformField_);
    find_ = new QLineEdit(group);
    form->addRow(tr("&Find:"), find_);
    replace_ = new QLineEdit(group);
    form->addRow(tr("Replace &with:"), replace_);
    regex_ =
        new QCheckBox(tr("Regular e&xpression (\\1 in the replacement is the first group)"), group);
    form->addRow(QString(), regex_);
    case_ = new QComboBox(group);
    case_->addItems(TextTransform::CaseNames());
    smallWords_ = new QCheckBox(tr("Keep s&mall words lower case"), group);
    smallWords_->setToolTip(
        tr("a, an, and, the, of, to, ... stay lower case in Title Case, "
           "but for the first and the last word and after a colon or "
           "a dash"));
    smallWords_->setEnabled(false);
    auto* caseRow = new QHBoxLayout;
    caseRow->addWidget(case_);
    caseRow->addWidget(smallWords_);
    caseRow->addStretch();
    // A row of two widgets: the label names its box itself.
    auto* caseLabel = new QLabel(tr("C&hange case:"), group);
    caseLabel->setBuddy(case_);
    form->addRow(caseLabel, caseRow);
    layout->addWidget(group);

    preview_ = new QTableWidget(0, 4, this);
    preview_->setHorizontalHeaderLabels({tr("Song"), tr("Field"), tr("Old"), tr("New")});
    preview_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    preview_->verticalHeader()->hide();
    preview_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    preview_->setWordWrap(false);
    // The old and the new text side by side, equally wide.
    QHeaderView* columns = preview_->horizontalHeader();
    columns->setSectionResizeMode(QHeaderView::ResizeToContents);
    columns->setSectionResizeMode(2, QHeaderView::Stretch);
    columns->setSectionResizeMode(3, QHeaderView::Stretch);
    preview_->setMinimumSize(fontMetrics().averageCharWidth() * 100,
                             preview_->verticalHeader()->defaultSectionSize() * 8);
    layout->addWidget(preview_, 1);

    connect(transformField_, &QComboBox::currentIndexChanged, this,
            &BatchEditDialog::UpdatePreview);
    connect(find_, &QLineEdit::textChanged, this, &BatchEditDialog::UpdatePreview);
    connect(replace_, &QLineEdit::textChanged, this, &BatchEditDialog::UpdatePreview);
    connect(regex_, &QCheckBox::toggled, this, &BatchEditDialog::UpdatePreview);
    connect(case_, &QComboBox::currentIndexChanged, this, [this] {
        smallWords_->setEnabled(case_->currentIndex() ==
                                static_cast<int>(TextTransform::Case::kTitle));
        UpdatePreview();
    });
    connect(smallWords_, &QCheckBox::toggled, this, &BatchEditDialog::UpdatePreview);
}

TextTransform BatchEditDialog::Transform() const {
    return TextTransform(find_->text(), replace_->text(), regex_->isChecked(),
                         static_cast<TextTransform::Case>(case_->currentIndex()),
                         smallWords_->isChecked());
}

SongField BatchEditDialog::TransformField() const {
    return static_cast<SongField>(transformField_->currentData().toInt());
}

const std::string& BatchEditDialog::Current(size_t song, SongField field) const {
    return current_.at(song).at(field);
}

void BatchEditDialog::UpdatePreview() {
    QString problem;
    const std::vector<songcore::BatchItem> items = Items(problem);
    problem_->setText(problem);
    problem_->setVisible(!problem.isEmpty());
    preview_->setRowCount(0);
    for (const songcore::BatchItem& item : items) {
        const size_t song = static_cast<size_t>(std::find(paths_.begin(), paths_.end(), item.path) -
                                                paths_.begin());
        for (const auto& [field, value] : item.changes) {
            std::string old = Current(song, field);
            // A number given with its total replaces both; one without
            // keeps the song's total.
            const std::string& total = Current(song, SongField::TrackTotal);
            if (field == SongField::Track && value.find('/') != std::string::npos &&
                !total.empty()) {
                old += "/" + total;
            }
            if (old == value) {
                continue;
            }
            const int row = preview_->rowCount();
            preview_->insertRow(row);
            preview_->setItem(
                row, 0,
                new QTableWidgetItem(QFileInfo(QString::fromStdString(item.path)).fileName()));
            preview_->setItem(row, 1, new QTableWidgetItem(tr(songcore::InfoOf(field).label)));
            preview_->setItem(row, 2, new QTableWidgetItem(QString::fromStdString(old)));
            preview_->setItem(row, 3, new QTableWidgetItem(QString::fromStdString(value)));
        }
    }
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
    const TextTransform transform = Transform();
    if (QString why = transform.Problem(); !why.isEmpty()) {
        problem = tr("Find: %1").arg(why);
        return {};
    }
    const SongField transformed = TransformField();
    const std::vector<std::string> tracks =
        number_->isChecked() ? TrackTexts() : std::vector<std::string>();
    std::vector<songcore::BatchItem> items;
    for (size_t i = 0; i < paths_.size(); ++i) {
        songcore::BatchItem item{paths_[i], shared};
        if (!tracks.empty()) {
            item.changes.emplace_back(SongField::Track, tracks[i]);
        }
        // Of the value typed, else of the song's own.
        if (!transform.IsNone()) {
            const std::string* typed = songcore::FindFieldValue(item.changes, transformed);
            const std::string& before = typed ? *typed : Current(i, transformed);
            std::string after = transform.Apply(QString::fromStdString(before)).toStdString();
            if (typed != nullptr || after != Current(i, transformed)) {
                std::string why = songcore::FieldTextProblem(transformed, after);
                if (!why.empty()) {
                    problem = tr("%1: %2: %3")
                                  .arg(QFileInfo(QString::fromStdString(paths_[i])).fileName(),
                                       tr(songcore::InfoOf(transformed).label),
                                       QString::fromStdString(why));
                    return {};
                }
                songcore::PutFieldValue(item.changes, transformed, std::move(after));
            }
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
