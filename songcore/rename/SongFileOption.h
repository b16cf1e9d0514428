#pragma once
// CSongFileOption: one song's source path and the name a pattern gives it.
// A pattern (NameTokens.h) names the file only, without folder and
// extension.

#include <string>

#include "songcore/files/FileOption.h"

class CSongFileOption : public CFileOption {
public:
    CSongFileOption() = default;
    ~CSongFileOption() override = default;
    CSongFileOption(const CSongFileOption&) = default;
    CSongFileOption& operator=(const CSongFileOption&) = default;

    void SetSourcePath(const char* path) { source_ = path ? path : ""; }
    std::string GetSourcePath() const { return source_; }
    // The destination becomes the pattern with its tokens replaced.
    void SetDestPath(const char* pattern, const char* artist, const char* album, const char* title,
                     const char* genre, const char* year);
    // The destination becomes name as it is (a name already expanded).
    void SetDestName(std::string name) { dest_ = std::move(name); }
    std::string GetDestPath() const { return dest_; }
    // Renames the source to the destination name in the source's folder,
    // keeping its extension; the destination then holds the full new path.
    // Refuses a name that is empty or holds "/" (it would make or need
    // folders nobody asked for); never replaces another file.
    int RenameTo();
    int MakeDirectoryFromFile(const char* file) { return MakeDirectory(GetFilePath(file).c_str()); }

    static std::string ExpandPattern(const std::string& pattern, const std::string& artist,
                                     const std::string& album, const std::string& title,
                                     const std::string& genre, const std::string& year);
    // Empty when name can be used as a file name; else why not.
    static std::string CheckFileName(const std::string& name);

private:
    std::string source_;
    std::string dest_;
};
