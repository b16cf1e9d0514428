#pragma once
// CPLSFile: PLS play lists, an INI file with one section "PlayList" that
// holds "NumberOfEntries", "Version" and, per song n (from 1), "File" n,
// "Title" n and "Length" n. Everything goes through CIni, so nothing is held
// open. A writer of a whole list should hold a songcore::ProfileWriteBatch on
// the path, so that the file is written once rather than once per key.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "songcore/settings/Ini.h"

namespace songcore {
class SafeFileReplace;
}

class CPLSFile : public CIni {
public:
    CPLSFile() = default;
    explicit CPLSFile(const char* path) : CIni(path) {}
    ~CPLSFile() override = default;

    void Open(const char* path) { SetPathName(path); }

    uint32_t GetVersion() const;
    int WriteVersion(uint32_t version) const;
    int GetItemCount() const;
    int WriteItemCount(int count) const;
    int GetItem(int index, std::string& artist, std::string& title, std::string& file,
                int& length) const;
    int WriteItem(int index, std::string artist, std::string title, std::string file,
                  int length) const;
    std::string GetFileName(std::string path) const;

    struct Item {
        int index = 0;  // 0-based: the entry of the keys "File" index + 1...
        std::string artist;
        std::string title;
        std::string file;
        int length = 0;
    };
    // Visits the entries the list holds, in number order, reading the file
    // once: those with a "File" key up to NumberOfEntries, or every one when
    // the count is missing or not above 0. A count beyond the keys costs
    // nothing. visit returns false to stop.
    void ForEachItem(const std::function<bool(Item&)>& visit) const;
    // Empties the "PlayList" section, so that a list written over an older,
    // longer one leaves none of its entries behind.
    void RemoveAll() const;
};

namespace songcore {

// Writes a whole PLS list straight to the file, entry by entry, without
// holding it in memory; the count follows the entries. Sections of an older
// file other than its play list are kept; the list replaces the file only
// at Commit.
class PlsWriter {
public:
    PlsWriter();
    ~PlsWriter();
    PlsWriter(const PlsWriter&) = delete;
    PlsWriter& operator=(const PlsWriter&) = delete;

    bool Open(const std::string& path);
    bool Add(const std::string& artist, const std::string& title, const std::string& file,
             int length);
    bool Commit();
    int count() const { return count_; }
    const std::string& error() const { return error_; }

private:
    bool Put(const std::string& text);

    std::unique_ptr<SafeFileReplace> out_;
    int count_ = 0;
    std::string error_;
};

}  // namespace songcore
