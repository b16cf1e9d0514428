#include "qarv/tagedit/GenreCombo.h"

#include <QCompleter>

#include "songcore/tags/Genre.h"

GenreCombo::GenreCombo(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    addItems(TableNames());
    completer()->setCaseSensitivity(Qt::CaseInsensitive);
    completer()->setCompletionMode(QCompleter::PopupCompletion);
    setMaxVisibleItems(20);
    SetGenre(QString());
}

void GenreCombo::SetGenre(const QString& genre) {
    setCurrentIndex(findText(genre));
    setEditText(genre);
}

QString GenreCombo::Genre() const {
    return currentText().trimmed();
}

QStringList GenreCombo::TableNames() {
    QStringList names;
    for (int genre = 0; genre < GENRE_NONE; ++genre) {
        names << QString::fromStdString(GetMP3Genre(genre));
    }
    return names;
}
