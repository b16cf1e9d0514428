#pragma once
// What a play list tells the view that shows it. Every call is made on the
// thread that changed the list (the play list is used on its owner's thread
// only). Every operation has an empty default.

class CPlayList;

class IPlayListListener {
public:
    virtual ~IPlayListListener() = default;

    // A row is about to be inserted at row; it exists after OnEndInsertRow.
    virtual void OnBeginInsertRow(int row) { (void)row; }
    virtual void OnEndInsertRow(int row) { (void)row; }
    // Rows first..last are about to go / are gone.
    virtual void OnBeginRemoveRows(int first, int last) { (void)first, (void)last; }
    virtual void OnEndRemoveRows(int first, int last) { (void)first, (void)last; }
    // A cell changed; column -1: the row's file.
    virtual void OnRowChanged(int row, int column) { (void)row, (void)column; }
    // The selection changed (SetSelected, and rows removed or inserted).
    virtual void OnSelectionChanged() {}
    virtual void OnEnsureVisible(int row) { (void)row; }
    virtual void OnSetRedraw(bool redraw) { (void)redraw; }
};
