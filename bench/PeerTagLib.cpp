// The peer reader: TagLib's generic interface, without audio properties,
// fetching the same fields as the songcore loop.
#include <taglib/fileref.h>
#include <taglib/tag.h>

#include "bench/ReadBench.h"

namespace bench {

bool PeerAvailable() {
    return true;
}

bool ReadPeer(const BenchFile& file) {
    TagLib::FileRef ref(file.path.c_str(), false);
    if (ref.isNull() || ref.tag() == nullptr) {
        return false;
    }
    TagLib::Tag* tag = ref.tag();
    Consume(tag->title().to8Bit(true));
    Consume(tag->artist().to8Bit(true));
    Consume(tag->album().to8Bit(true));
    Consume(tag->comment().to8Bit(true));
    Consume(tag->genre().to8Bit(true));
    Consume(uint64_t{tag->year()} + tag->track());
    return true;
}

}  // namespace bench
