#pragma once
// ItemsBox: the items of the song's tag that no box of the dialog shows
// (TXXX and freeform items, ReplayGain, MusicBrainz ids, ratings, ...), as a
// table of keys and values under the keys the tag keeps them by. A value
// can be edited, a row removed, and new rows added with a key of the user's
// own; the dialog's Update writes the difference. Items that are not text
// (binary data, counters) are greyed: they can only be removed.
//
// An item with several values takes a row per value; the values of one key
// are written back in the order of its rows. A value cleared is a value
// removed, so clearing every row of a key removes the key.

#include <QWidget>
#include <vector>

#include "songcore/tags/TagItem.h"

class QLabel;
class QPushButton;
class QTableWidget;

class ItemsBox : public QWidget {
    Q_OBJECT
public:
    explicit ItemsBox(QWidget* parent = nullptr);

    // The tag's items as read; nothing changed yet. problem, when not
    // empty, says why they could not be read, and the box is disabled.
    void SetItems(std::vector<songcore::TagItem> items, const QString& problem = {});
    const std::vector<songcore::TagItem>& Items() const { return items_; }

    // What the table changes in the tag: a key whose values differ from
    // those read, or one the user added, with its values now (none for a
    // key removed).
    songcore::TagItemEdits Edits() const;
    bool IsChanged() const { return !Edits().empty(); }

    // A new row; the user's own key and value.
    void AddRow(const QString& key, const QString& value);
    void RemoveRow(int row);
    QTableWidget* Table() const { return table_; }
    QPushButton* AddButton() const { return add_; }
    QPushButton* RemoveButton() const { return remove_; }

Q_SIGNALS:
    void changed();

private:
    void AppendRow(const QString& key, const QString& value, bool known, bool editable);
    void UpdateButtons();

    std::vector<songcore::TagItem> items_;
    QLabel* problem_ = nullptr;
    QTableWidget* table_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* remove_ = nullptr;
};
