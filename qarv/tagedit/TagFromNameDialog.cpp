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
#include "songcore/tags/SongFileInfo.h"

namespace {

const char* const kDefaultPattern = "%TRACK - %ARTIST - %TITLE";

}  // namespace

TagFromNameDialog::TagFromNameDialog(std::vector<std::string> paths, QWidget* parent)
    : QDialog(parent), paths_(std::move(paths)), current_(paths_.size()) {
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
    // An old and a new value on one line, however long: cut in the middle,
    // so that the new value still shows.
    preview_->setWordWrap(false);
    preview_->setTextElideMode(Qt::ElideMiddle);
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

const std::string& TagFromNameDialog::Current(size_t song, songcore::SongField field) {
    std::map<songcore::SongField, std::string>& values = current_[song];
    if (values.empty()) {
        // Read once for every field a pattern can give.
        CSongFileInfo info;
        const bool read = info.Open(paths_[song], 1, 0) && info.GetSongInfo();
        for (songcore::SongField each :
             {songcore::SongField::Title, songcore::SongField::Artist, songcore::SongField::Album,
              songcore::SongField::Genre, songcore::SongField::Year, songcore::SongField::Track}) {
            values[each] = read ? info.GetText(each) : std::string();
        }
    }
    return values[field];
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
    const QBrush unchanged = palette().brush(QPalette::Disabled, QPalette::Text);
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
                auto* cell = new QTableWidgetItem;
                if (value != nullptr) {
                    const std::string& old = Current(static_cast<size_t>(row), fields[column]);
                    if (old == *value || old.empty()) {
                        cell->setText(QString::fromStdString(*value));
                        if (!old.empty()) {
                            cell->setForeground(unchanged);
                        }
                    } else {
                        cell->setText(tr("%1 → %2").arg(QString::fromStdString(old),
                                                        QString::fromStdString(*value)));
                        cell->setToolTip(cell->text());
                    }
                }
                preview_->setItem(row, static_cast<int>(column) + 1, cell);
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
