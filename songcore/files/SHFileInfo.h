#pragma once
// CSHFileInfo: what the desktop tells about one path (its parts, existence,
// size, time, type name) and the folder chooser. The chooser itself belongs
// to the application: it installs one with SetFolderChooser.

#include <filesystem>
#include <functional>
#include <string>

class CSHFileInfo {
public:
    // Shows a folder chooser for info (honouring its title, root and initial
    // path), sets info.selectedPath and returns 1 when a folder was chosen.
    using FolderChooser = std::function<int(CSHFileInfo& info, void* owner)>;

    explicit CSHFileInfo(const char* path = nullptr);
    // From a folder walk's entry.
    explicit CSHFileInfo(const std::filesystem::directory_entry& found);
    CSHFileInfo(const CSHFileInfo&) = default;
    CSHFileInfo& operator=(const CSHFileInfo&) = default;
    virtual ~CSHFileInfo() = default;

    std::string GetPath() const { return path_; }
    // Name and extension.
    std::string GetFileName() const { return name_ + ext_; }
    // Drive (none on this system) and folder, with its trailing "/".
    std::string GetRoot() const { return drive_ + dir_; }
    std::string GetFileTitle() const { return name_; }
    // A type name from the extension ("MP3 audio", "Folder", "XYZ File").
    std::string GetDescription() const;
    std::string GetDisplayName() const;
    // No system icon list here; the application picks icons by type.
    int GetIconIndex() const { return -1; }
    int Exist() const;
    // Local time as "MM/DD/YYYY hh:mm"; empty when the path is missing.
    std::string GetLastWriteTime() const;
    // The length with a "," between groups of three digits ("1,000,005").
    std::string GetFileSize() const;

    int BrowseForFolder(void* owner);
    static void SetFolderChooser(FolderChooser chooser);

    // Chooser settings and result.
    int imageIndex = 0;
    std::string selectedPath;
    std::string rootPath;     // when set, only this folder and below
    std::string initialPath;  // when set, the folder selected at first
    std::string title;        // "Open" when empty

    static std::string GroupThousands(uint64_t value);

private:
    void Split();

    std::string path_;
    std::string drive_, dir_, name_, ext_;
};
