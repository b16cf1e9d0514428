#pragma once
// A drop-down list of the 149 genre names; each entry carries its genre
// number, which is what the tags keep.

#include <QComboBox>

class GenreCombo : public QComboBox {
    Q_OBJECT
public:
    explicit GenreCombo(QWidget* parent = nullptr);
    // Selects the entry of the genre; a number outside the list selects "--".
    void SetGenre(int genre);
    int Genre() const;
};
