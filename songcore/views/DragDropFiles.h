#pragma once
// CDragDropFiles: files leaving a song view by drag and drop, and files
// arriving by a drop. A view collects the paths being dragged and runs the
// drag through the drag hook that the application sets (the toolkit runs the
// drag loop); the paths travel as a freedesktop uri-list. A drop is read back
// path by path between StartDropFiles and EndDropFiles.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "songcore/views/DropPayload.h"

class CDragDropFiles {
public:
    // Runs the drag of payload (offered for copying only) and returns when it
    // has ended. files are the same paths as the payload holds.
    using DragHook = std::function<void(const songcore::DropPayload& payload,
                                        const std::vector<std::string>& files)>;

    CDragDropFiles();
    // Ends a drop still being read, then forgets the collected paths.
    virtual ~CDragDropFiles();
    CDragDropFiles(const CDragDropFiles&) = default;
    CDragDropFiles& operator=(const CDragDropFiles&) = default;

    // --- drag source ---
    // Appends; returns the new entry's index.
    int AddDragFile(const char* path);
    // Out-of-range indices are ignored.
    void RemoveDragFile(int index);
    // Removes the first entry equal to path (exactly, as the file system
    // compares names); nothing when none.
    void RemoveDragFile(const char* path);
    void RemoveAllDragFiles();
    int GetDragFileCount() const { return static_cast<int>(dragFiles_.size()); }
    std::string GetDragFile(int index) const;
    const std::vector<std::string>& GetDragFiles() const { return dragFiles_; }

    // Runs a drag of the collected paths through the drag hook (this
    // object's, else the process-wide one); nothing without a hook or with
    // an empty list. The list is left as it is.
    void DragFiles();
    void SetDragHook(DragHook hook) { dragHook_ = std::move(hook); }
    static void SetDefaultDragHook(DragHook hook);

    // --- drop side ---
    // Reads the dropped list and returns the number of files in it.
    uint32_t StartDropFiles(HDROP drop);
    uint32_t StartDropFiles(std::string_view mimeType, std::string_view data);
    // The path of file index of the drop being read; empty when out of range.
    std::string GetDropFile(uint32_t index) const;
    uint32_t GetDropFileCount() const { return static_cast<uint32_t>(dropFiles_.size()); }
    // Forgets the drop; nothing when there is none.
    void EndDropFiles();

    // --- the payload ---
    // The uri-list of the collected paths, kept as the drag buffer; returns
    // its size in bytes, 0 for an empty list.
    int CreateDragBuffer();
    const songcore::DropPayload& GetDragBuffer() const { return dragBuffer_; }

private:
    std::vector<std::string> dragFiles_;
    std::vector<std::string> dropFiles_;
    songcore::DropPayload dragBuffer_;
    DragHook dragHook_;
};

namespace songcore {

// One file URI ("file:///a%20b.mp3") for a path; a location that already is
// a URL is returned as it stands; a relative path is made absolute first.
std::string PathToFileUri(const std::string& path);
// The uri-list of paths: one URI per line, each line ending in CR LF.
std::string MakeUriList(const std::vector<std::string>& paths);
// The files of a dropped payload. A uri-list gives its local file URIs as
// paths and other URLs as they stand, skipping comments, files on other
// hosts and entries that cannot be decoded; plain text gives one entry per
// non-empty line, file URIs decoded.
std::vector<std::string> ParseDropPayload(std::string_view mimeType, std::string_view data);

}  // namespace songcore
