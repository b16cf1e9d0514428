#pragma once
// Byte buffers handed from one song read to the next on the same thread.
// A folder's songs are read one after another, each with a read buffer of
// 8 KB or a tag block of up to 64 KB; allocating and freeing blocks that
// size takes glibc's slow path both ways, a sixth of what reading a small
// tag costs, and a fresh buffer is zero-filled before it is read into.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace songcore {

// Gives bytes, when it holds nothing, a buffer another reader of this thread
// let go: the smallest that holds `wanted` bytes, else the largest. The
// buffer keeps its old size and bytes: the caller reads over them before it
// hands any out, and a read as long as the last one then needs no
// zero-filling first.
void TakeSpareBuffer(std::vector<uint8_t>& bytes, size_t wanted);

// Keeps bytes' buffer for the next reader of this thread when it is larger
// than one kept already (up to 256 KiB); bytes may be left holding another.
void LeaveSpareBuffer(std::vector<uint8_t>& bytes);

}  // namespace songcore
