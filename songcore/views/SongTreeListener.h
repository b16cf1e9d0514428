#pragma once
// What a song tree tells the views and the window that own it. Every call is
// made on the thread that changed the tree: the owner's thread when the tree
// has a dispatcher, otherwise whichever thread made the change. Calls are
// made while the tree's lock is held, so a listener may read the tree but
// must not wait for another thread that uses it.
//
// Every operation has an empty default, so a listener overrides only what it
// acts on.

#include <cstdint>
#include <string>

#include "songcore/views/TreeItem.h"

class CSongTreeCtrl;

class ISongTreeListener {
public:
    virtual ~ISongTreeListener() = default;

    // --- the song notices (WM_SONG_ITEM_DELETED, _INSERTED, _RETITLED) ---
    // Only for songs, only while the tree's notify flag is set.
    virtual void OnSongTreeMessage(uint32_t message, CSongTreeCtrl* tree, HTREEITEM item) {
        (void)message, (void)tree, (void)item;
    }

    // A song file got a new name (WM_SONG_FILE_RENAMED, Rename As); the
    // texts are valid during the call. Sent whatever the notify flag says.
    virtual void OnSongFileRenamed(CSongTreeCtrl* tree, const std::string& oldPath,
                                   const std::string& newPath) {
        (void)tree, (void)oldPath, (void)newPath;
    }

    // --- structure, for item-model adapters ---
    // A new item is about to become child number row of parent (null: the
    // top level). The item exists after OnEndInsertItem.
    virtual void OnBeginInsertItem(HTREEITEM parent, int row) { (void)parent, (void)row; }
    virtual void OnEndInsertItem(HTREEITEM item) { (void)item; }
    // item (child number row of parent) and its subtree are about to be
    // removed; they are valid until OnEndRemoveItem.
    virtual void OnBeginRemoveItem(HTREEITEM parent, int row, HTREEITEM item) {
        (void)parent, (void)row, (void)item;
    }
    virtual void OnEndRemoveItem(HTREEITEM parent, int row) { (void)parent, (void)row; }
    // Every item is about to go / is gone (DeleteAllItems).
    virtual void OnBeginResetItems() {}
    virtual void OnEndResetItems() {}
    // The item's text, image or record changed.
    virtual void OnItemChanged(HTREEITEM item) { (void)item; }

    // --- view state the model keeps for its view ---
    virtual void OnItemExpanded(HTREEITEM item, bool expanded) { (void)item, (void)expanded; }
    virtual void OnSelectionChanged(HTREEITEM item) { (void)item; }
    virtual void OnDropHighlightChanged(HTREEITEM item) { (void)item; }
    virtual void OnEnsureVisible(HTREEITEM item) { (void)item; }
    // Redrawing switched off (false) around a bulk change, and on again.
    virtual void OnSetRedraw(bool redraw) { (void)redraw; }
    // The whole view should be painted again.
    virtual void OnRepaint() {}
};
