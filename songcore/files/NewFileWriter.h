#pragma once
// Writes a file that must not exist yet: the content goes to a hidden
// temporary file in the target's folder and is linked into place only when
// it is complete, and only if the name is still free. An existing file, a
// symbolic link or anything else already holding the name is never replaced
// or followed; the commit then fails and says so. Copies use this, so that a
// copy can neither overwrite a song nor write through a link planted in the
// destination.

#include <cstddef>
#include <cstdint>
#include <string>

namespace songcore {

class NewFileWriter {
public:
    explicit NewFileWriter(std::string targetPath);
    ~NewFileWriter();
    NewFileWriter(const NewFileWriter&) = delete;
    NewFileWriter& operator=(const NewFileWriter&) = delete;

    // Creates the temporary file; fails at once when the name is taken.
    bool begin();
    bool append(const void* data, size_t size);
    // Flushes the content and gives it the target name, unless that name
    // has been taken in the meantime.
    bool commit();

    // The last failure was that the target name is taken.
    bool targetExists() const { return exists_; }
    const std::string& error() const { return error_; }
    const std::string& targetPath() const { return target_; }

private:
    bool fail(const std::string& what, int err);
    bool failExists();
    bool linkIntoPlace();

    std::string target_;
    std::string temp_;
    int fd_ = -1;
    bool failed_ = false;
    bool committed_ = false;
    bool exists_ = false;
    std::string error_;
};

}  // namespace songcore
