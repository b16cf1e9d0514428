#pragma once
// The genre box: any text, with the genres of the table offered in its list.
// Several genres are typed separated by "; ", as the tags keep them.

#include <QComboBox>
#include <QStringList>

class GenreCombo : public QComboBox {
    Q_OBJECT
public:
    explicit GenreCombo(QWidget* parent = nullptr);
    void SetGenre(const QString& genre);
    // The text typed or picked; empty for none.
    QString Genre() const;

    // The table's genres in its order, as both genre boxes offer them.
    static QStringList TableNames();
};
