#pragma once
// CFileOption: the path and file operations that rename and copy by pattern
// need. Paths are POSIX paths; "/" is the only separator.

#include <cstdint>
#include <string>

class CFileOption {
public:
    CFileOption() = default;
    virtual ~CFileOption() = default;
    CFileOption(const CFileOption&) = default;
    CFileOption& operator=(const CFileOption&) = default;

    // The folder part with its trailing "/" ("/m/x.mp3" -> "/m/"); empty
    // when the path has no "/".
    std::string GetFilePath(const char* path) const;
    // The name between the last "/" and the last "."; empty when the name
    // has no ".".
    std::string GetFileName(const char* path) const;
    // The extension with its dot (".mp3"); empty when the name has no ".".
    std::string GetFileExt(const char* path) const;

    // Renames a file; never replaces an existing file. 1 on success.
    int Rename(const char* from, const char* to);
    // Copies a file safely: the copy appears whole or not at all. With
    // failIfExists an existing target (a link included, which is not
    // followed) is left alone and the copy fails.
    int Copy(const char* from, const char* to, int failIfExists);
    // Makes sure the folder that holds path exists, creating the chain.
    int MakeDirectory(const char* path);

    // Why the last operation failed.
    std::string GetErrorMessage() const { return error_; }

protected:
    std::string error_;

private:
    bool CopyToNewFile(int fd, uint64_t length, const char* to);
};
