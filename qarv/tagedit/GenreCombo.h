#pragma once
// The genre box: any text, with the genres of the table offered in its list.
// Several genres are typed separated by "; ", as the tags keep them.

#include <QComboBox>

class GenreCombo : public QComboBox {
    Q_OBJECT
public:
    explicit GenreCombo(QWidget* parent = nullptr);
    void SetGenre(const QString& genre);
    // The text typed or picked; empty for none.
    QString Genre() const;
};
