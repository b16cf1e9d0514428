#pragma once
// CPLSFile: PLS play lists, an INI file with one section "PlayList" that
// holds "NumberOfEntries", "Version" and, per song n (from 1), "File" n,
// "Title" n and "Length" n. Everything goes through CIni, so nothing is held
// open. A writer of a whole list should hold a songcore::ProfileWriteBatch on
// the path, so that the file is written once rather than once per key.

#include <cstdint>
#include <string>

#include "songcore/files/Ini.h"

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
    // Empties the "PlayList" section, so that a list written over an older,
    // longer one leaves none of its entries behind.
    void RemoveAll() const;
};
