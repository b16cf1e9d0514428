#include "songcore/songfile/SongFile.h"

#include <fcntl.h>
#include <sys/stat.h>

#include "songcore/songfile/ContentWriter.h"
#include "songcore/songfile/HttpFileStream.h"
#include "songcore/songfile/LocalFileStream.h"

using songcore::SongFileStream;

CSongFile::CSongFile() = default;

CSongFile::~CSongFile() {
    Close();
}

int CSongFile::Open(std::string path, unsigned flags) {
    Close();
    // The path is taken exactly as given: " b.mp3" and "b.mp3" are two files.
    fileName_ = std::move(path);
    identity_ = {};
    songType_ = ::GetSongType(fileName_);
    error_.clear();
    position_ = 0;
    std::unique_ptr<SongFileStream> stream;
    int access = O_RDONLY;
    struct stat opened {};
    if (songType_ & SONG_TYPE_INTERNET) {
        {
            // A download asked to stop before it began does not begin.
            std::lock_guard lock(streamMutex_);
            if (abortPending_) {
                abortPending_ = false;
                error_ = "cancelled";
                return 0;
            }
        }
        stream = songcore::HttpFileStream::open(fileName_, timeOut_, error_,
                                                [this](songcore::SongFileStream* opening) {
                                                    std::lock_guard lock(streamMutex_);
                                                    opening_ = opening;
                                                    if (opening != nullptr && abortPending_) {
                                                        abortPending_ = false;
                                                        opening->abort();
                                                    }
                                                });
    } else {
        access = (flags & modeReadWrite) ? O_RDWR : (flags & modeWrite) ? O_WRONLY : O_RDONLY;
        if (flags & modeCreate) {
            access |= O_CREAT | O_TRUNC;
        }
        stream = songcore::LocalFileStream::open(fileName_, access, error_, &opened);
    }
    if (!stream) {
        return 0;
    }
    {
        std::lock_guard lock(streamMutex_);
        stream_ = std::move(stream);
    }
    writable_ = (flags & (modeWrite | modeReadWrite)) != 0 && !stream_->isRemote();
    // A writer holds the file's lock until it closes it, so that another
    // one cannot read the old tag and write over this one's change.
    if (writable_ &&
        !LockForWriting(access & ~(O_CREAT | O_TRUNC), static_cast<uint64_t>(opened.st_dev),
                        static_cast<uint64_t>(opened.st_ino))) {
        std::string why = error_;
        Close();
        error_ = why;
        return 0;
    }
    return 1;
}

void CSongFile::Close() {
    std::unique_ptr<SongFileStream> old;
    {
        std::lock_guard lock(streamMutex_);
        old = std::move(stream_);
    }
    ReleaseLock();
    position_ = 0;
    identity_ = {};
}

void CSongFile::AbortStream() {
    std::lock_guard lock(streamMutex_);
    if (stream_) {
        stream_->abort();
    } else if (opening_ != nullptr) {
        opening_->abort();  // a download that has not answered yet
    } else {
        abortPending_ = true;  // the next download is not started
    }
}

int CSongFile::LocalDescriptor() const {
    std::lock_guard lock(streamMutex_);
    return stream_ && !stream_->isRemote() ? stream_->descriptor() : -1;
}

bool CSongFile::IsStreamAborted() const {
    std::lock_guard lock(streamMutex_);
    return stream_ && stream_->aborted();
}

unsigned CSongFile::Read(void* buffer, unsigned count) {
    if (!stream_ || buffer == nullptr) {
        return 0;
    }
    long long got = stream_->readAt(position_, buffer, count);
    if (got < 0) {
        error_ = stream_->lastError();
        return 0;
    }
    position_ += static_cast<uint64_t>(got);
    return static_cast<unsigned>(got);
}

int CSongFile::Write(const void* buffer, unsigned count) {
    if (!stream_ || (buffer == nullptr && count > 0)) {
        return 0;
    }
    if (!stream_->writeAt(position_, buffer, count)) {
        error_ = stream_->lastError();
        return 0;
    }
    position_ += count;
    return 1;
}

int CSongFile::Seek(int64_t offset, int origin) {
    if (!stream_) {
        return 0;
    }
    int64_t base = 0;
    if (origin == 1) {
        base = static_cast<int64_t>(position_);
    } else if (origin == 2) {
        long long length = stream_->length();
        if (length < 0) {
            error_ = stream_->lastError();
            return 0;
        }
        base = length;
    } else if (origin != 0) {
        return 0;
    }
    int64_t target = base + offset;
    if (target < 0) {
        error_ = "seek before the start of the file";
        return 0;
    }
    // An internet location cannot be positioned past its end.
    if (stream_->isRemote() && target > stream_->length()) {
        error_ = "seek past the end of an internet location";
        return 0;
    }
    position_ = static_cast<uint64_t>(target);
    return 1;
}

void CSongFile::SeekToBegin() {
    Seek(0, 0);
}

uint64_t CSongFile::SeekToEnd() {
    return Seek(0, 2) ? position_ : 0;
}

uint64_t CSongFile::GetPosition() const {
    return stream_ ? position_ : 0;
}

uint64_t CSongFile::GetLength() {
    if (!stream_) {
        return kBadLength;
    }
    long long length = stream_->length();
    if (length < 0) {
        error_ = stream_->lastError();
        return kBadLength;
    }
    return static_cast<uint64_t>(length);
}

int CSongFile::SetLength(uint64_t length) {
    if (!stream_) {
        return 0;
    }
    if (!stream_->setLength(length)) {
        error_ = stream_->lastError();
        return 0;
    }
    return 1;
}

int CSongFile::SetTimeOut(int seconds, int selector) {
    if (!stream_ || !stream_->isRemote()) {
        return 0;
    }
    if (!stream_->setTimeOut(seconds, selector != 0)) {
        return 0;
    }
    timeOut_ = seconds;
    return 1;
}

std::string CSongFile::GetErrorMessage() const {
    return error_;
}

long long CSongFile::ReadAt(uint64_t offset, void* buffer, size_t count) {
    if (!stream_) {
        return -1;
    }
    long long got = stream_->readAt(offset, buffer, count);
    if (got < 0) {
        error_ = stream_->lastError();
    }
    return got;
}

bool CSongFile::ReadExact(uint64_t offset, size_t count, std::vector<uint8_t>& out) {
    return ReadExactThrough(&songcore::SongFileStream::readAt, offset, count, out);
}

bool CSongFile::ReadExactWithoutReadAhead(uint64_t offset, size_t count,
                                          std::vector<uint8_t>& out) {
    return ReadExactThrough(&songcore::SongFileStream::readAtWithoutReadAhead, offset, count, out);
}

bool CSongFile::ReadExactThrough(StreamRead streamRead, uint64_t offset, size_t count,
                                 std::vector<uint8_t>& out) {
    uint64_t length = GetLength();
    if (length == kBadLength || offset > length || count > length - offset) {
        return false;
    }
    out.resize(count);
    size_t done = 0;
    while (done < count) {
        long long got = ((*stream_).*streamRead)(offset + done, out.data() + done, count - done);
        if (got < 0) {
            error_ = stream_->lastError();
        }
        if (got <= 0) {
            out.clear();
            return false;
        }
        done += static_cast<size_t>(got);
    }
    return true;
}

bool CSongFile::CopyRange(songcore::ContentWriter& target, uint64_t offset, uint64_t length) {
    return target.appendOriginal(offset, length);
}
