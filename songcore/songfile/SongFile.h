#pragma once
// CSongFile: the one door through which the tag engine touches a song, a
// local file or an internet location. Every failure becomes a plain return
// value; nothing throws.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "songcore/songfile/SongType.h"

namespace songcore {
class SongFileStream;
class ContentWriter;
class ContentPlan;
}  // namespace songcore

class CSongFile {
public:
    // Open flags, as the rest of the library passes them.
    static constexpr unsigned modeRead = 0x0000;
    static constexpr unsigned modeWrite = 0x0001;
    static constexpr unsigned modeReadWrite = 0x0002;
    static constexpr unsigned shareDenyNone = 0x0040;
    static constexpr unsigned modeCreate = 0x1000;
    static constexpr unsigned typeBinary = 0x8000;
    // GetLength's failure value.
    static constexpr uint64_t kBadLength = 0xFFFFFFFF;

    CSongFile();
    virtual ~CSongFile();
    CSongFile(const CSongFile&) = delete;
    CSongFile& operator=(const CSongFile&) = delete;

    int Open(std::string path, unsigned flags);
    void Close();
    bool IsOpen() const { return stream_ != nullptr; }

    unsigned Read(void* buffer, unsigned count);
    uint32_t ReadHuge(void* buffer, uint32_t count) { return Read(buffer, count); }
    int Write(const void* buffer, unsigned count);
    int WriteHuge(const void* buffer, uint32_t count) { return Write(buffer, count); }
    // origin: 0 begin, 1 current position, 2 end.
    int Seek(int64_t offset, int origin);
    void SeekToBegin();
    uint64_t SeekToEnd();
    uint64_t GetPosition() const;
    uint64_t GetLength();
    int SetLength(uint64_t length);

    std::string GetFileName() const { return fileName_; }
    // The descriptor of a local file, for a reader that reads it in its own
    // way (pread, never moving it); -1 for an internet location or none.
    int LocalDescriptor() const;
    uint32_t GetSongType() const { return songType_; }
    int SetTimeOut(int seconds, int selector);
    int GetTimeOut() const { return timeOut_; }

    // What the last failed operation said, for messages ("No such file or
    // directory", "the server answered HTTP 404").
    std::string GetErrorMessage() const;

    // Reads count bytes at offset, without moving the file position. Fails
    // (false) when fewer are there; the length is checked against the file
    // before anything is allocated.
    bool ReadExact(uint64_t offset, size_t count, std::vector<uint8_t>& out);
    // The same, reading no more than the bytes asked for when they are not
    // buffered (SongFileStream::readAtWithoutReadAhead).
    bool ReadExactWithoutReadAhead(uint64_t offset, size_t count, std::vector<uint8_t>& out);
    // Bytes read at offset without moving the position; -1 on failure.
    long long ReadAt(uint64_t offset, void* buffer, size_t count);

    // Gives the file new content: fill() describes it (new bytes, and ranges
    // of the current file with CopyRange). When the ranges it keeps stay at
    // their offsets, only the bytes that differ are written, in place, under
    // the undo journal; otherwise a new file replaces the old one, and is then
    // the one open for reading and writing. On any failure the old file is
    // left as it was and 0 is returned.
    int ReplaceContents(const std::function<bool(songcore::ContentWriter&)>& fill);
    // Appends length bytes of this file, from offset, to a replacement.
    bool CopyRange(songcore::ContentWriter& target, uint64_t offset, uint64_t length);

protected:
    // Records why an operation was refused (GetErrorMessage tells it) and
    // returns 0, so a writer can say "return Refuse(...)".
    int Refuse(std::string reason) {
        error_ = std::move(reason);
        return 0;
    }
    // Cancels the file under a reader's feet, from another thread; also a
    // download that is still being opened, or the next one.
    void AbortStream();
    bool IsStreamAborted() const;

private:
    // What the file was when this record opened it for writing; a write is
    // refused when the file has changed since (another program wrote it).
    struct Identity {
        uint64_t device = 0;
        uint64_t inode = 0;
        uint64_t size = 0;
        int64_t modifiedSeconds = 0;
        int64_t modifiedNanoseconds = 0;
        bool known = false;
    };
    // Takes the exclusive lock of a file opened for writing, on the file the
    // path names now (device and inode: the file open), and undoes a write
    // left interrupted.
    bool LockForWriting(int access, uint64_t device, uint64_t inode);
    // Takes the file's identity from the open descriptor, and tells the
    // stream its length.
    bool RememberIdentity();
    // Also gives the file's link count when asked.
    bool StillAsOpened(uint64_t* links = nullptr);
    int WriteInPlace(songcore::ContentPlan& plan, uint64_t oldLength);
    int WriteOverHardLinks(songcore::ContentPlan& plan, uint64_t oldLength);
    int CommitReplacement(songcore::ContentPlan& plan);
    using StreamRead = long long (songcore::SongFileStream::*)(uint64_t, void*, size_t);
    bool ReadExactThrough(StreamRead streamRead, uint64_t offset, size_t count,
                          std::vector<uint8_t>& out);

    // This process's claim on the file's lock (see SongFileWrite.cpp).
    void HoldLock(uint64_t device, uint64_t inode);
    void ReleaseLock();

    Identity identity_;
    uint64_t heldDevice_ = 0;
    uint64_t heldInode_ = 0;
    bool holdsLock_ = false;
    std::unique_ptr<songcore::SongFileStream> stream_;
    // Guards replacing stream_ against AbortStream from another thread, and
    // the two below.
    mutable std::mutex streamMutex_;
    // The internet location being opened: its first request can take long.
    songcore::SongFileStream* opening_ = nullptr;
    // An abort that came with no stream to abort: the next internet location
    // is not opened (a local file opens at once and is read as before).
    bool abortPending_ = false;
    std::string fileName_;
    uint32_t songType_ = 0;
    bool writable_ = false;  // opened for writing
    int timeOut_ = 5;
    uint64_t position_ = 0;
    std::string error_;
};
