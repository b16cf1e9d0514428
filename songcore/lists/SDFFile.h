#pragma once
// CSDFFile: the song database file (".sdf"): the signature "SDF", a 32-bit
// version (1), then song records back to back up to the end of the file.
// A record is title (string), type (32-bit), artist, album and file
// (strings); a string is a signed 32-bit byte count and that many bytes.
// All numbers are little-endian.
//
// A list being read is loaded whole (it is the file's bytes, no more); a
// list being written goes to a temporary file that replaces the old one when
// the object is closed.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "songcore/util/ByteReader.h"

namespace songcore {
class SafeFileReplace;
}

class CSDFFile {
public:
    static constexpr uint32_t kVersion = 1;

    CSDFFile();
    virtual ~CSDFFile();
    CSDFFile(const CSDFFile&) = delete;
    CSDFFile& operator=(const CSDFFile&) = delete;

    int Open(const char* path, int read);
    // Reads from bytes in memory instead of a file.
    int OpenBytes(std::vector<uint8_t> bytes);
    virtual void Close();
    // Close, telling whether a file being written reached the disk.
    int Commit();
    // Drops a list being written: the file stays as it was.
    void Abandon();
    std::string GetErrorMessage() const { return error_; }

    int WriteVersion(uint32_t version);
    int ReadVersion(uint32_t& version);
    int WriteItem(std::string artist, std::string album, std::string title, std::string file,
                  uint32_t type);
    // 0 at the end of the records, and at a record cut short (IsDamaged()
    // then tells the two apart).
    int ReadItem(std::string& artist, std::string& album, std::string& title, std::string& file,
                 uint32_t& type);
    bool IsDamaged() const { return damaged_; }
    // Walks the records still to be read without taking them: false (with
    // the error message set) when they do not end exactly at the end of the
    // file. Loading a whole tree checks first, so that it is all or nothing.
    bool CheckItems();

    int WriteString(const std::string& text);
    int ReadString(std::string& text);
    int WriteDWord(uint32_t value);
    int ReadDWord(uint32_t& value);
    int WriteInt(int value);
    int ReadInt(int& value);

private:
    int WriteBytes(const void* data, size_t size);
    void StartReading();
    static std::string DamageMessage(size_t songs);

    std::string path_;
    std::string error_;
    std::string bytes_;
    songcore::ByteReader in_;
    bool reading_ = false;
    bool damaged_ = false;
    size_t itemsRead_ = 0;
    std::unique_ptr<songcore::SafeFileReplace> out_;
};

namespace songcore {
// Why the records of a song database file cannot all be read (it was cut
// short or damaged); empty when they can, or when the file cannot be opened
// as a song database at all (its header tells that).
std::string SongDatabaseDamage(const std::string& path);
}  // namespace songcore
