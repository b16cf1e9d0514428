#include "qarv/tagedit/TagFromNameDialog.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "qarv/tagedit/BatchRunner.h"

namespace {

const char* const kDefaultPattern = "%TRACK - %ARTIST - %TITLE";

}  // namespace

TagFromNameDialog::TagFromNameDialog(std::vector<std::string> paths, QWidget* parent)
    : QDialog(parent), paths_(std::move(paths)) {
    setWindowTitle(tr("Tag from File Names"));
    auto* layout = new QVBoxLayout(this);
    auto* hint = new QLabel(tr("Pattern (%TITLE %ARTIST %ALBUM %GENRE %YEAR, %TRACK: digits, "
                               "%IGNORE: anything; \"/\" reads the folders):"),
                            this);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    pattern_ = new QLineEdit(tr(kDefaultPattern), this);
    hint->setBuddy(pattern_);
    layout->addWidget(pattern_);
    problem_ = new QLabel(this);
    problem_->setStyleSheet("color: #b00020;");
    problem_->hide();
    layout->addWidget(problem_);
    preview_ = new QTableWidget(this);
    preview_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    preview_->verticalHeader()->hide();
    preview_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(preview_, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    apply_ = buttons->addButton(tr("&Apply"), QDialogButtonBox::AcceptRole);
    layout->addWidget(buttons);
    resize(760, 480);

    connect(pattern_, &QLineEdit::textChanged, this, &TagFromNameDialog::UpdatePreview);
    connect(apply_, &QPushButton::clicked, this, &TagFromNameDialog::Apply);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    UpdatePreview();
}

void TagFromNameDialog::UpdatePreview() {
    items_.clear();
    preview_->clear();
    std::string problem;
    std::optional<songcore::NamePattern> pattern =
        songcore::NamePattern::Parse(pattern_->text().toStdString(), problem);
    problem_->setText(QString::fromStdString(problem));
    problem_->setVisible(!pattern);
    std::vector<songcore::SongField> fields =
        pattern ? pattern->Fields() : std::vector<songcore::SongField>{};
    QStringList headers{tr("File")};
    for (songcore::SongField field : fields) {
        headers << tr(songcore::InfoOf(field).label);
    }
    preview_->setColumnCount(static_cast<int>(headers.size()));
    preview_->setHorizontalHeaderLabels(headers);
    preview_->setRowCount(pattern ? static_cast<int>(paths_.size()) : 0);
    int row = 0;
    for (const std::string& path : paths_) {
        if (!pattern) {
            break;
        }
        const QString name = QFileInfo(QString::fromStdString(path)).fileName();
        preview_->setItem(row, 0, new QTableWidgetItem(name));
        std::optional<songcore::FieldValues> values = pattern->Match(path);
        if (!values) {
            auto* skipped = new QTableWidgetItem(tr("does not fit the pattern; skipped"));
            skipped->setForeground(palette().brush(QPalette::Disabled, QPalette::Text));
            preview_->setItem(row, 1, skipped);
            if (fields.size() > 1) {
                preview_->setSpan(row, 1, 1, static_cast<int>(fields.size()));
            }
        } else {
            for (size_t column = 0; column < fields.size(); ++column) {
                const std::string* value = songcore::FindFieldValue(*values, fields[column]);
                preview_->setItem(
                    row, static_cast<int>(column) + 1,
                    new QTableWidgetItem(value ? QString::fromStdString(*value) : QString()));
            }
            items_.push_back({path, std::move(*values)});
        }
        ++row;
    }
    preview_->resizeColumnsToContents();
    apply_->setEnabled(!items_.empty());
}

void TagFromNameDialog::Apply() {
    if (items_.empty()) {
        return;
    }
    outcome_ = RunBatchWithProgress(this, windowTitle(), items_, "Tag from File Names");
    accept();
}
