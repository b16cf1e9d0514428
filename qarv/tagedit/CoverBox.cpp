#include "qarv/tagedit/CoverBox.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "qarv/tagedit/TagFailure.h"
#include "songcore/settings/AppRegKey.h"
#include "songcore/util/Paths.h"
#include "songcore/util/UserFile.h"

namespace {

constexpr int kImageSide = 150;

QString Extension(const std::string& mime) {
    if (mime == "image/png") {
        return "png";
    }
    if (mime == "image/gif") {
        return "gif";
    }
    if (mime == "image/bmp") {
        return "bmp";
    }
    if (mime == "image/webp") {
        return "webp";
    }
    return "jpg";
}

// The folder the file choosers of the program share.
QString StartFolder() {
    QString folder = QString::fromStdString(CAppRegKey().GetDefaultFolder());
    return folder.isEmpty() ? QDir::homePath() : folder;
}

QString RoleText(uint8_t type) {
    QString name = QString::fromLatin1(songcore::PictureTypeName(type).data());
    name.replace('-', ' ');
    name[0] = name[0].toUpper();
    return type == songcore::kPictureFrontCover || type == songcore::kPictureBackCover
               ? name + " cover"
               : name;
}

}  // namespace

CoverBox::CoverBox(QWidget* parent) : QGroupBox(tr("Cover"), parent) {
    setAcceptDrops(true);
    auto* layout = new QVBoxLayout(this);
    image_ = new QLabel(this);
    image_->setFixedSize(kImageSide, kImageSide);
    image_->setAlignment(Qt::AlignCenter);
    image_->setFrameShape(QFrame::StyledPanel);
    image_->setToolTip(tr("Drop an image file here to use it"));
    layout->addWidget(image_, 0, Qt::AlignHCenter);
    caption_ = new QLabel(this);
    caption_->setAlignment(Qt::AlignHCenter);
    caption_->setWordWrap(true);
    layout->addWidget(caption_);
    list_ = new QListWidget(this);
    list_->setMaximumHeight(80);
    list_->setToolTip(tr("The song's pictures; choose one to show, replace, remove or save it"));
    layout->addWidget(list_);
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        chosen_ = row;
        Show();
    });
    auto* buttons = new QHBoxLayout;
    put_ = new QPushButton(this);
    remove_ = new QPushButton(tr("Remo&ve"), this);
    save_ = new QPushButton(tr("Sa&ve As ..."), this);
    for (QPushButton* button : {put_, remove_, save_}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);

    askImageFile = [this] {
        return QFileDialog::getOpenFileName(
            this, tr("Choose a picture"), StartFolder(),
            tr("Images (*.jpg *.jpeg *.png *.gif *.bmp *.webp);;All files (*)"));
    };
    askSavePath = [this](const QString& suggestion) {
        return QFileDialog::getSaveFileName(this, tr("Save the picture as"), suggestion);
    };
    connect(put_, &QPushButton::clicked, this, [this] {
        QString path = askImageFile();
        if (!path.isEmpty()) {
            PutImageFile(path);
        }
    });
    connect(remove_, &QPushButton::clicked, this, &CoverBox::RemoveShown);
    connect(save_, &QPushButton::clicked, this, [this] {
        int shown = ShownIndex();
        if (shown < 0) {
            return;
        }
        QString suggestion = StartFolder() + "/cover." + Extension(pictures_[size_t(shown)].mime);
        QString path = askSavePath(suggestion);
        if (!path.isEmpty()) {
            SaveShownAs(path);
        }
    });
    Show();
}

void CoverBox::SetPictures(std::vector<songcore::Picture> pictures, const QString& problem) {
    pictures_ = std::move(pictures);
    changed_ = false;
    chosen_ = -1;
    setEnabled(problem.isEmpty());
    Show();
    if (!problem.isEmpty()) {
        caption_->setText(problem);
    }
}

int CoverBox::ShownIndex() const {
    if (chosen_ >= 0 && size_t(chosen_) < pictures_.size()) {
        return chosen_;
    }
    for (size_t i = 0; i < pictures_.size(); ++i) {
        if (pictures_[i].type == songcore::kPictureFrontCover) {
            return int(i);
        }
    }
    return pictures_.empty() ? -1 : 0;
}

QString CoverBox::Caption() const {
    return caption_->text();
}

void CoverBox::Show() {
    const int shown = ShownIndex();
    {
        const QSignalBlocker quiet(list_);
        list_->clear();
        for (const songcore::Picture& picture : pictures_) {
            QString text = RoleText(picture.type);
            if (!picture.description.empty()) {
                text += QStringLiteral(" — ") + QString::fromStdString(picture.description);
            }
            list_->addItem(text);
        }
        list_->setCurrentRow(shown);
    }
    put_->setText(shown < 0 ? tr("&Add ...") : tr("&Replace ..."));
    remove_->setEnabled(shown >= 0);
    save_->setEnabled(shown >= 0);
    if (shown < 0) {
        image_->setPixmap({});
        image_->setText(tr("No picture"));
        caption_->setText(changed_ ? tr("Removed: Update writes the song without it") : QString());
        return;
    }
    const songcore::Picture& picture = pictures_[size_t(shown)];
    QPixmap pixmap;
    pixmap.loadFromData(picture.data.data(), uint(picture.data.size()));
    if (pixmap.isNull()) {
        image_->setPixmap({});
        image_->setText(tr("Cannot show\nthis picture"));
    } else {
        image_->setPixmap(
            pixmap.scaled(image_->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
    QString size;
    if (auto dimensions = songcore::ImageSize(picture.data)) {
        size = QStringLiteral("%1×%2 ").arg(dimensions->width).arg(dimensions->height);
    }
    QString kind = Extension(picture.mime).toUpper();
    QString caption = tr("%1, %2%3").arg(RoleText(picture.type), size, kind);
    if (pictures_.size() > 1) {
        caption += tr(" (%1 pictures)").arg(pictures_.size());
    }
    caption_->setText(caption);
}

bool CoverBox::PutImageFile(const QString& path, QString* why) {
    std::string bytes, error;
    const QString name = QFileInfo(path).fileName();
    if (!songcore::ReadSmallFile(path.toStdString(), songcore::kMaxPictureSize, bytes, error)) {
        Report(tr("Cannot use the picture"), tr("%1: %2").arg(name, QString::fromStdString(error)));
        if (why) {
            *why = QString::fromStdString(error);
        }
        return false;
    }
    const int shown = ShownIndex();
    const uint8_t type = shown < 0 ? songcore::kPictureFrontCover : pictures_[size_t(shown)].type;
    auto picture =
        songcore::PictureFromImage(std::vector<uint8_t>(bytes.begin(), bytes.end()), type, &error);
    if (!picture) {
        Report(tr("Cannot use the picture"), tr("%1: %2").arg(name, QString::fromStdString(error)));
        if (why) {
            *why = QString::fromStdString(error);
        }
        return false;
    }
    if (shown < 0) {
        pictures_.insert(pictures_.begin(), std::move(*picture));
    } else {
        pictures_[size_t(shown)] = std::move(*picture);
    }
    changed_ = true;
    Show();
    emit changed();
    return true;
}

void CoverBox::RemoveShown() {
    const int shown = ShownIndex();
    if (shown < 0) {
        return;
    }
    pictures_.erase(pictures_.begin() + shown);
    chosen_ = -1;
    changed_ = true;
    Show();
    emit changed();
}

bool CoverBox::SaveShownAs(const QString& path, QString* why) {
    const int shown = ShownIndex();
    std::string error = shown < 0 ? "there is no picture" : "";
    if (shown >= 0 &&
        songcore::WriteUserFile(path.toStdString(), pictures_[size_t(shown)].data, {}, error)) {
        return true;
    }
    Report(tr("Cannot save the picture"),
           tr("%1: %2").arg(QFileInfo(path).fileName(), QString::fromStdString(error)));
    if (why) {
        *why = QString::fromStdString(error);
    }
    return false;
}

void CoverBox::Report(const QString& text, const QString& why) {
    ReportTagFailure(this, text, why);
}

void CoverBox::dragEnterEvent(QDragEnterEvent* event) {
    const QMimeData* data = event->mimeData();
    if (isEnabled() && data->hasUrls() && data->urls().size() == 1 &&
        data->urls().front().isLocalFile()) {
        event->acceptProposedAction();
    }
}

void CoverBox::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls.front().isLocalFile()) {
        PutImageFile(urls.front().toLocalFile());
        event->acceptProposedAction();
    }
}
