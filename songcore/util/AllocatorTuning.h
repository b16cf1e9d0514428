#pragma once
// How a program that reads and writes many songs asks the C library's
// allocator to treat the buffers it frees.

namespace songcore {

// Each song's tag is read and written through buffers of tens of kilobytes
// that are freed when the song is done. By default the allocator hands such
// memory back to the system as soon as more than 128 KiB lie free at the top
// of the heap, and the next song takes it back page by page, each page
// faulted in and zeroed again: a third of the work of a small write in place.
// Called once at start-up, this has it keep a few megabytes for the next song.
void KeepFreedBuffersForReuse();

}  // namespace songcore
