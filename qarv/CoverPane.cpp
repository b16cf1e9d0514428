#include "qarv/CoverPane.h"

#include <QPixmap>

#include "songcore/songfile/SongType.h"
#include "songcore/tags/SongPictures.h"

CoverPane::CoverPane(QWidget* parent) : QLabel(parent) {
    setFixedSize(kSide, kSide);
    setAlignment(Qt::AlignCenter);
    hide();
}

void CoverPane::ShowSong(const std::string& path, bool reread) {
    if (path == song_ && !reread) {
        return;
    }
    song_ = path;
    std::vector<songcore::Picture> pictures;
    std::string error;
    QPixmap cover;
    if (!path.empty() && !IsInternetLocation(path) &&
        songcore::ReadSongPictures(path, pictures, error)) {
        const songcore::Picture* chosen = pictures.empty() ? nullptr : &pictures.front();
        for (const songcore::Picture& picture : pictures) {
            if (picture.type == songcore::kPictureFrontCover) {
                chosen = &picture;
                break;
            }
        }
        if (chosen != nullptr) {
            cover.loadFromData(chosen->data.data(), uint(chosen->data.size()));
        }
    }
    if (cover.isNull()) {
        clear();
        setToolTip({});
        hide();
        return;
    }
    setPixmap(cover.scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    setToolTip(tr("The cover of the playing song"));
    show();
}
