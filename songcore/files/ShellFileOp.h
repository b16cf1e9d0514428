#pragma once
// CShellFileOp: copy, move, rename or delete lists of files and folders, as
// the desktop's file manager would. There is nobody to ask for confirmation:
// an existing target is replaced only with FOF_NOCONFIRMATION, renamed around
// with FOF_RENAMEONCOLLISION, and otherwise left alone (the item counts as
// aborted). A delete with FOF_ALLOWUNDO moves to the desktop trash.

#include <cstdint>
#include <string>
#include <vector>

class CShellFileOp {
public:
    static constexpr unsigned FO_MOVE = 1;
    static constexpr unsigned FO_COPY = 2;
    static constexpr unsigned FO_DELETE = 3;
    static constexpr unsigned FO_RENAME = 4;
    static constexpr uint16_t FOF_MULTIDESTFILES = 0x0001;
    static constexpr uint16_t FOF_SILENT = 0x0004;
    static constexpr uint16_t FOF_RENAMEONCOLLISION = 0x0008;
    static constexpr uint16_t FOF_NOCONFIRMATION = 0x0010;
    static constexpr uint16_t FOF_ALLOWUNDO = 0x0040;
    static constexpr uint16_t FOF_FILESONLY = 0x0080;
    static constexpr uint16_t FOF_SIMPLEPROGRESS = 0x0100;
    static constexpr uint16_t FOF_NOCONFIRMMKDIR = 0x0200;

    CShellFileOp() = default;
    virtual ~CShellFileOp() = default;

    int AddSourceFile(const char* path);
    int AddDestFile(const char* path);
    const std::vector<std::string>& GetSourceFileList() const { return sources_; }
    const std::vector<std::string>& GetDestFileList() const { return dests_; }

    void SetOperationFlags(unsigned operation, void* owner, int silent, int allowUndo,
                           int filesOnly, int noConfirmation, int noConfirmMkDir,
                           int renameOnCollision, int simpleProgress);
    void SetOperationFlags(unsigned operation, void* owner, uint16_t flags);
    void SetProgressDlgTitle(const char* title) { title_ = title ? title : ""; }

    // Runs the operation; 1 when it ran and every item succeeded (aborted
    // items included). result gets 0 or the error number of the first item
    // that failed, which ends the run.
    int Go(int* started = nullptr, int* result = nullptr, int* aborted = nullptr);
    int AnyOperationsAborted() const { return aborted_ ? 1 : 0; }
    void Reset();
    std::string GetErrorMessage() const { return error_; }

    // The freedesktop trash of this user ($XDG_DATA_HOME/Trash).
    static std::string TrashFolder();

private:
    int RunItem(const std::string& source, const std::string& target);
    int Delete(const std::string& path);
    int Fail(int error, const std::string& what);

    std::vector<std::string> sources_, dests_;
    unsigned operation_ = 0;
    void* owner_ = nullptr;
    uint16_t flags_ = 0;
    bool flagsSet_ = false;
    bool started_ = false;
    bool aborted_ = false;
    std::string title_;
    std::string error_;
};
