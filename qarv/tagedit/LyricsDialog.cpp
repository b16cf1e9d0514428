#include "qarv/tagedit/LyricsDialog.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "qarv/tagedit/TagFailure.h"

namespace {

const char* const kTextFilter = "Text File (*.txt);;All Files(*.*) (*)";
// Lyrics are text; a file larger than this is not a lyrics file.
constexpr qint64 kMaxLyricsBytes = 4 << 20;

// A plain text edit that takes a dropped text file as its new text.
class DropTextEdit : public QPlainTextEdit {
public:
    DropTextEdit(LyricsDialog* dialog) : QPlainTextEdit(dialog), dialog_(dialog) {}

protected:
    bool canInsertFromMimeData(const QMimeData* source) const override {
        return source->hasUrls() || QPlainTextEdit::canInsertFromMimeData(source);
    }
    void insertFromMimeData(const QMimeData* source) override {
        const QList<QUrl> urls = source->urls();
        if (!urls.isEmpty() && urls.front().isLocalFile()) {
            dialog_->Load(urls.front().toLocalFile());
            return;
        }
        QPlainTextEdit::insertFromMimeData(source);
    }

private:
    LyricsDialog* dialog_;
};

}  // namespace

LyricsDialog::LyricsDialog(const QString& lyrics, QWidget* parent)
    : QDialog(parent), original_(lyrics) {
    setWindowTitle(tr("Lyrics"));
    auto* layout = new QVBoxLayout(this);
    edit_ = new DropTextEdit(this);
    edit_->setPlainText(lyrics);
    layout->addWidget(edit_);

    auto* row = new QHBoxLayout;
    auto* open = new QPushButton(tr("&Open ..."), this);
    save_ = new QPushButton(tr("&Save ..."), this);
    clear_ = new QPushButton(tr("&Clear"), this);
    auto* reload = new QPushButton(tr("&Reload"), this);
    for (QPushButton* button : {open, save_, clear_, reload}) {
        button->setAutoDefault(false);
        row->addWidget(button);
    }
    row->addStretch();
    layout->addLayout(row);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("&Update"));
    layout->addWidget(buttons);
    resize(520, 440);

    connect(open, &QPushButton::clicked, this, [this] {
        QString path = QFileDialog::getOpenFileName(this, tr("Open"), {}, tr(kTextFilter));
        if (!path.isEmpty()) {
            Load(path);
        }
    });
    connect(save_, &QPushButton::clicked, this, [this] {
        QString path = QFileDialog::getSaveFileName(this, tr("Save"), {}, tr(kTextFilter));
        if (!path.isEmpty()) {
            Save(path);
        }
    });
    connect(clear_, &QPushButton::clicked, edit_, &QPlainTextEdit::clear);
    connect(reload, &QPushButton::clicked, this, [this] { edit_->setPlainText(original_); });
    connect(edit_, &QPlainTextEdit::textChanged, this, &LyricsDialog::UpdateButtons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    UpdateButtons();
}

QString LyricsDialog::Lyrics() const {
    return edit_->toPlainText();
}

void LyricsDialog::UpdateButtons() {
    const bool hasText = !edit_->document()->isEmpty();
    save_->setEnabled(hasText);
    clear_->setEnabled(hasText);
}

bool LyricsDialog::Load(const QString& path) {
    QFile file(path);
    QString reason;
    if (!file.open(QIODevice::ReadOnly)) {
        reason = file.errorString();
    } else if (file.size() > kMaxLyricsBytes) {
        reason = tr("the file is larger than %1 MB").arg(kMaxLyricsBytes >> 20);
    }
    if (!reason.isEmpty()) {
        ReportTagFailure(this, tr("Open \"%1\" failed!").arg(path), reason);
        return false;
    }
    edit_->setPlainText(QString::fromUtf8(file.readAll()));
    return true;
}

bool LyricsDialog::Save(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(edit_->toPlainText().toUtf8()) < 0 || !file.flush()) {
        ReportTagFailure(this, tr("Save \"%1\" failed!").arg(path), file.errorString());
        return false;
    }
    return true;
}
