#include "qarv/tagedit/GenreCombo.h"

#include "songcore/tags/SongFileInfo.h"

GenreCombo::GenreCombo(QWidget* parent) : QComboBox(parent) {
    for (int genre = 0; genre <= GENRE_NONE; ++genre) {
        addItem(QString::fromStdString(GetMP3Genre(genre)), genre);
    }
    // Typing a letter jumps to the genres that start with it.
    setMaxVisibleItems(20);
}

void GenreCombo::SetGenre(int genre) {
    int index = findData(genre);
    setCurrentIndex(index >= 0 ? index : findData(int{GENRE_NONE}));
}

int GenreCombo::Genre() const {
    return currentData().isValid() ? currentData().toInt() : GENRE_NONE;
}
