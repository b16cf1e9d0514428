#pragma once
// The profile-string operations on INI files by path. Nothing is held open
// between calls: every call sees the file as it is now, and every change
// replaces the file safely at once, so a crash never leaves half a file.
// Parsed files are cached by their identity on disk (device, inode, size,
// modification time), so a run of reads parses a file once.
//
// A ProfileWriteBatch holds back the writing of one file until it ends, for
// writers that set thousands of keys in a row (play list exports). Everything
// in this process still sees the changes at once.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace songcore {

// An INI file larger than this is not read (it is taken as empty and never
// written over).
inline constexpr long long kMaxProfileFileSize = 64 * 1024 * 1024;

// The value of a key, or nothing when the file, section or key is missing.
std::optional<std::string> ProfileGetString(const std::string& path, const std::string& section,
                                            const std::string& key);
// Every "key=value" line of a section; nothing when it is missing.
std::optional<std::vector<std::string>> ProfileGetSection(const std::string& path,
                                                          const std::string& section);
std::vector<std::string> ProfileGetSectionNames(const std::string& path);

// Sets a key (creating the file and the section as needed); a null value
// deletes the key. False when the file cannot be written or a name cannot be
// stored in an INI line.
bool ProfileWriteString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string* value);
bool ProfileDeleteSection(const std::string& path, const std::string& section);
// Replaces the contents of a section with the given "key=value" lines.
bool ProfileWriteSection(const std::string& path, const std::string& section,
                         const std::vector<std::string>& lines);

// What went wrong in the last failed write on this thread.
std::string ProfileLastError();

class ProfileWriteBatch {
public:
    explicit ProfileWriteBatch(std::string path);
    // Writes what is still held back; a failure then is lost, so call
    // Commit() when the result matters.
    ~ProfileWriteBatch();
    ProfileWriteBatch(const ProfileWriteBatch&) = delete;
    ProfileWriteBatch& operator=(const ProfileWriteBatch&) = delete;
    // Ends the batch and writes the file; true when it was written (or
    // nothing had changed).
    bool Commit();

private:
    std::string path_;
    bool active_ = true;
};

// The same operations in the classic form, on NUL-terminated buffers.
// Lists are double-NUL lists. Results count bytes copied, without the final
// NUL; a result cut to fit the buffer is size - 1 (strings) or size - 2
// (lists).
uint32_t GetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                                 char* buffer, uint32_t size, const char* path);
// A null value deletes the key; a null key deletes the section.
int WritePrivateProfileString(const char* section, const char* key, const char* value,
                              const char* path);
uint32_t GetPrivateProfileSection(const char* section, char* buffer, uint32_t size,
                                  const char* path);
uint32_t GetPrivateProfileSectionNames(char* buffer, uint32_t size, const char* path);
int WritePrivateProfileSection(const char* section, const char* lines, const char* path);

// Copies items into a double-NUL list buffer, cutting the last item that
// does not fit; returns the bytes stored, as the list operations count them.
uint32_t FillDoubleNulList(const std::vector<std::string>& items, char* buffer, uint32_t size);

}  // namespace songcore
