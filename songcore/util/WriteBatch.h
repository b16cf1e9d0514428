#pragma once
// Many songs written as one operation (a batch edit, tags from names, an
// undo, `tunemoss write` of many files). Each in-place write still saves its
// journal entry durably before it touches its song, but the songs are
// flushed together when the batch ends (one sync of each file system they
// are on) and their entries dropped then: N songs cost N + 1 flushes instead
// of 2N. A crash before the end finds every entry of the batch, so each song
// still holds its old tag or its new one.
//
// A batch belongs to the thread that made it; writes of other threads are
// not part of it. Batches do not nest: an inner one adds to the outer.

#include <string>

namespace songcore {

class WriteBatch {
public:
    WriteBatch();
    ~WriteBatch();  // ends the batch as Finish does, if it was not finished
    WriteBatch(const WriteBatch&) = delete;
    WriteBatch& operator=(const WriteBatch&) = delete;

    // Flushes the songs written in the batch and drops their entries. False,
    // with error, when a file system could not be flushed; the entries then
    // stay, so the old content comes back should the new never reach the
    // disk.
    bool Finish(std::string& error);

private:
    bool outer_ = false;
};

}  // namespace songcore
