#pragma once
// The main window's commands, one QAction each. The menus, the context
// menus and the keys share them, so a command has one enabled state and one
// text wherever it shows; each is connected to its handler where it is made.

class QAction;
class QMenu;

struct MainActions {
    // File, Edit, View.
    QAction* show = nullptr;
    QAction* settings = nullptr;
    QAction* exit = nullptr;
    QAction* undo = nullptr;
    QAction* redo = nullptr;
    QAction* history = nullptr;
    QAction* editBatch = nullptr;
    QAction* editFromNames = nullptr;
    QAction* editRepairEncoding = nullptr;
    QAction* editLoudness = nullptr;
    QAction* editLookup = nullptr;
    QAction* viewSongTree = nullptr;
    QAction* viewPlayList = nullptr;
    QAction* alwaysOnTop = nullptr;

    // SongTree, and the tree's context menus.
    QAction* treeTag = nullptr;
    QAction* treeAddFiles = nullptr;
    QAction* treeAddFolder = nullptr;
    QAction* treeAddToPlayList = nullptr;
    QAction* treeExpand = nullptr;
    QAction* treeCollapse = nullptr;
    QAction* treeCopyPath = nullptr;
    QAction* treeCopyTo = nullptr;
    QMenu* treeRenameMenu = nullptr;
    QAction* treeRenameTitle = nullptr;
    QAction* treeRenameArtistTitle = nullptr;
    QAction* treeRenameAlbumTitle = nullptr;
    QAction* treeRenameArtistAlbumTitle = nullptr;
    QAction* treeRenameCustomize = nullptr;
    QAction* treeViewTypeArtist = nullptr;
    QAction* treeViewArtistType = nullptr;
    QAction* treeRemove = nullptr;
    QAction* treeImport = nullptr;
    QAction* treeExport = nullptr;

    // PlayList, and the list's context menu.
    QAction* play = nullptr;
    QAction* stop = nullptr;
    QAction* repeat = nullptr;
    QAction* listTag = nullptr;
    QAction* listAddFiles = nullptr;
    QAction* listAddFolder = nullptr;
    QAction* listCopyPath = nullptr;
    QAction* listCopyTo = nullptr;
    QAction* listMoveUp = nullptr;
    QAction* listMoveDown = nullptr;
    QAction* listRemove = nullptr;
    QAction* listClearAll = nullptr;
    QAction* listImport = nullptr;
    QAction* listExport = nullptr;

    // Help.
    QAction* support = nullptr;
    QAction* about = nullptr;
};
