#pragma once
// ListColumns: which of the play list's columns show, and how wide. The
// header's context menu shows or hides each column (the optional ones,
// Track, Length, File and the other fields, start hidden); a list seen for
// the first time gets columns as wide as their contents.

#include <QObject>

class QHeaderView;
class QMenu;
class QTableView;

class ListColumns : public QObject {
    Q_OBJECT
public:
    // Opens the menu on a right click on the view's header.
    explicit ListColumns(QTableView& view);

    // The columns as a saved header state has them. A state kept before
    // the field columns existed (beforeFields) gives the others, the field
    // columns hidden; one kept before any optional column (older) the
    // widths of the first three, the optional ones hidden; with none, the
    // first start's columns. False when the saved state was not taken.
    bool Restore(const QByteArray& state, const QByteArray& beforeFields = {},
                 const QByteArray& older = {});
    // The first start's columns: the optional ones hidden, the others sized
    // to their contents (an empty list's when its first songs arrive).
    void SetDefaults();
    void SizeToContents();
    // The entries of the header menu: one checkable entry a column (the
    // last column shown cannot be hidden), then "Size Columns to Contents".
    void FillMenu(QMenu& menu);

private:
    void FitColumn(int column);

    QTableView& view_;
};
