#include "qarv/tagedit/TagDialog.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextDocument>
#include <QVBoxLayout>
#include <ctime>
#include <filesystem>

#include "qarv/tagedit/CoverBox.h"
#include "qarv/tagedit/ItemsBox.h"
#include "qarv/tagedit/LyricsDialog.h"
#include "qarv/tagedit/TagFailure.h"
#include "songcore/edit/EditHistory.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/SongPictures.h"
#include "songcore/tags/StreamText.h"

TagDialog::TagDialog(const QString& title, std::string path, QWidget* parent)
    : QDialog(parent), path_(std::move(path)) {
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    auto* name = new QLabel(QString::fromStdString(path_), this);
    name->setTextInteractionFlags(Qt::TextSelectableByMouse);
    name->setWordWrap(true);
    layout->addWidget(name);
    problem_ = new QLabel(this);
    problem_->setStyleSheet("color: #b00020;");
    problem_->setWordWrap(true);
    problem_->hide();
    layout->addWidget(problem_);
    sectionRow_ = new QHBoxLayout;
    layout->addLayout(sectionRow_, 1);
    streamSlot_ = new QHBoxLayout;
    layout->addLayout(streamSlot_);
    copyRow_ = new QHBoxLayout;
    layout->addLayout(copyRow_);

    auto* buttons = new QDialogButtonBox(this);
    update_ = buttons->addButton(tr("&Update"), QDialogButtonBox::AcceptRole);
    QPushButton* undo = buttons->addButton(tr("Undo Chan&ges"), QDialogButtonBox::ResetRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    update_->setDefault(true);
    layout->addWidget(buttons);
    connect(update_, &QPushButton::clicked, this, &TagDialog::Update);
    connect(undo, &QPushButton::clicked, this, &TagDialog::Load);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

TagSection* TagDialog::AddSection(const songcore::TagKind& kind, const TagSection::Shape& shape,
                                  const std::vector<TagSection::Row>& rows) {
    auto* section = new TagSection(kind, shape, rows, this);
    sectionRow_->addWidget(section, 1, Qt::AlignTop);
    sections_.push_back(section);
    connect(section, &QGroupBox::toggled, this, &TagDialog::UpdateEnabling);
    return section;
}

void TagDialog::SetWriteOrder(std::vector<std::pair<TagSection*, QString>> order) {
    writeOrder_ = std::move(order);
}

QPushButton* TagDialog::AddCopyButton(const QString& text, TagSection* section) {
    auto* button = new QPushButton(text, this);
    button->setAutoDefault(false);
    copyRow_->addWidget(button);
    tiedButtons_.emplace_back(button, section);
    return button;
}

void TagDialog::SetLyricsSection(TagSection* section) {
    lyricsSection_ = section;
    lyricsButton_ = AddCopyButton(tr("&Lyrics ..."), section);
    connect(lyricsButton_, &QPushButton::clicked, this, [this] {
        LyricsDialog dialog(lyrics_, this);
        if (dialog.exec() == QDialog::Accepted) {
            lyrics_ = dialog.Lyrics();
        }
    });
}

void TagDialog::ShowStreamText(const songcore::TagKind& kind) {
    streamKind_ = &kind;
    stream_ = new QPlainTextEdit(this);
    stream_->setReadOnly(true);
    stream_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Room for the longest of the texts (twelve lines, for Opus) without a scroll bar.
    const int lines = 12;
    stream_->setFixedHeight(
        stream_->fontMetrics().lineSpacing() * lines +
        2 * (stream_->frameWidth() + int(stream_->document()->documentMargin())));
    stream_->setTabChangesFocus(true);
    Details()->insertTab(0, stream_, tr("Stream"));
    details_->setCurrentIndex(0);
}

QTabWidget* TagDialog::Details() {
    if (details_ == nullptr) {
        details_ = new QTabWidget(this);
        streamSlot_->insertWidget(0, details_, 1);
    }
    return details_;
}

void TagDialog::ShowItems() {
    items_ = new ItemsBox(this);
    Details()->addTab(items_, tr("All It&ems"));
}

void TagDialog::ShowCover() {
    cover_ = new CoverBox(this);
    streamSlot_->addWidget(cover_, 0, Qt::AlignTop);
}

QString TagDialog::StreamText() const {
    return stream_ ? stream_->toPlainText() : QString();
}

QString TagDialog::ReadProblem() const {
    return problem_->text();
}

void TagDialog::Load() {
    const QString name = FileName();
    problem_->clear();
    problem_->hide();
    lyrics_.clear();
    // One open file serves every reader: each starts from empty fields.
    CSongFileInfo song;
    const bool opened = song.Open(path_, 1, 0) != 0;
    if (!opened) {
        problem_->setText(tr("Cannot read the tags of %1: %2")
                              .arg(name, QString::fromStdString(song.GetErrorMessage())));
        problem_->show();
    }
    for (TagSection* section : opened ? sections_ : std::vector<TagSection*>{}) {
        const bool found = (song.*section->Kind().read)() != 0;
        section->Fill(song, found);
        if (section == lyricsSection_) {
            lyrics_ = QString::fromStdString(song.GetLyrics());
        }
    }
    if (stream_ && streamKind_) {
        std::string text;
        if (opened) {
            (song.*streamKind_->read)();
            std::error_code ec;
            uint64_t size = std::filesystem::file_size(path_, ec);
            text = songcore::StreamText(song, ec ? 0 : size);
        }
        stream_->setPlainText(QString::fromStdString(text));
    }
    if (cover_) {
        std::vector<songcore::Picture> pictures;
        std::string error;
        if (opened && songcore::ReadSongPictures(path_, pictures, error)) {
            cover_->SetPictures(std::move(pictures));
        } else {
            cover_->SetPictures({}, tr("Cannot read the pictures"));
        }
    }
    if (items_) {
        LoadItems();
    }
    // A song that cannot be read is not written over with empty boxes.
    update_->setEnabled(problem_->text().isEmpty());
    UpdateEnabling();
}

void TagDialog::LoadItems() {
    CSongFileInfo song;
    std::vector<songcore::TagItem> items;
    const bool read = song.Open(path_, 1, 0) && song.ReadItems(items);
    // A format that keeps nothing beside its fields has no table to show.
    const int tab = details_->indexOf(items_);
    itemsKind_ = read ? song.GetExtrasTagKind() : 0;
    details_->setTabVisible(tab, !read || itemsKind_ != 0);
    if (read) {
        details_->setTabText(
            tab, items.empty() ? tr("All It&ems") : tr("All It&ems (%1)").arg(items.size()));
        items_->SetItems(std::move(items));
    } else {
        items_->SetItems(
            {},
            tr("Cannot read the items: %1").arg(QString::fromStdString(song.GetErrorMessage())));
    }
}

void TagDialog::FocusFirstField() {
    for (TagSection* section : sections_) {
        if (section->Present() && section->FirstBox() != nullptr) {
            section->FirstBox()->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    if (!sections_.empty() && sections_.front()->isCheckable()) {
        sections_.front()->setFocus(Qt::OtherFocusReason);
    }
}

void TagDialog::UpdateEnabling() {
    for (auto [button, section] : tiedButtons_) {
        button->setEnabled(section->Present());
    }
}

bool TagDialog::Update() {
    songcore::EditOperation operation{"Edit Tags", std::time(nullptr), {}};
    // The items go first, so that a key the format refuses leaves the file
    // untouched; the pictures last. Each write stops the ones after it.
    const bool ok = WriteItems(operation) && WriteSections(operation) && WritePictures(operation);
    // What was written stays written after a failure, and can be undone.
    std::string error;
    if (!songcore::EditHistory().Record(std::move(operation), error)) {
        ReportTagFailure(this, tr("The edit cannot be undone"),
                         tr("%1: %2").arg(FileName(), QString::fromStdString(error)));
    }
    if (ok) {
        accept();
    } else if (closeOnFailure_) {
        reject();
    }
    return ok;
}

QString TagDialog::FileName() const {
    return QFileInfo(QString::fromStdString(path_)).fileName();
}

bool TagDialog::WriteSections(songcore::EditOperation& operation) {
    const std::string lyrics = lyrics_.toStdString();
    for (const auto& [section, failureText] : writeOrder_) {
        songcore::SongEditResult result =
            section->WriteTo(path_, section == lyricsSection_ ? &lyrics : nullptr);
        if (!result.ok) {
            ReportTagFailure(this, failureText,
                             tr("%1: %2").arg(FileName(), QString::fromStdString(result.error)));
            return false;
        }
        // A box whose value the tag did not keep is told; the others are
        // written and can be undone.
        std::string notKept = songcore::NotKeptText(result);
        operation.Add(path_, std::move(result));
        if (!notKept.empty()) {
            ReportTagFailure(this, failureText,
                             tr("%1: %2").arg(FileName(), QString::fromStdString(notKept)));
            return false;
        }
    }
    return true;
}

// The pictures are part of the edit, and of its undo.
bool TagDialog::WritePictures(songcore::EditOperation& operation) {
    if (!cover_ || !cover_->IsChanged()) {
        return true;
    }
    songcore::SongEditResult result = songcore::EditSongPictures(path_, cover_->Pictures());
    if (!result.ok) {
        ReportTagFailure(this, tr("Update pictures failed!"),
                         tr("%1: %2").arg(FileName(), QString::fromStdString(result.error)));
        return false;
    }
    operation.Add(path_, std::move(result), true);
    return true;
}

bool TagDialog::WriteItems(songcore::EditOperation& operation) {
    songcore::TagItemEdits edits = items_ ? items_->Edits() : songcore::TagItemEdits{};
    if (edits.empty()) {
        return true;
    }
    // Items written into a tag that the same Update then removes would be
    // lost without a word.
    for (TagSection* section : sections_) {
        if (section->Kind().mask == itemsKind_ && !section->Present()) {
            ReportTagFailure(this, tr("Update items failed!"),
                             tr("%1: the items belong to the %2, which is not ticked")
                                 .arg(FileName(), section->title().remove('&')));
            return false;
        }
    }
    songcore::SongEditResult result = songcore::EditSongItems(path_, edits);
    if (!result.ok) {
        ReportTagFailure(this, tr("Update items failed!"),
                         tr("%1: %2").arg(FileName(), QString::fromStdString(result.error)));
        return false;
    }
    operation.Add(path_, std::move(result), true);
    // What the tag holds now is what a second Update compares with, when a
    // later write fails and the dialog stays open.
    LoadItems();
    return true;
}
