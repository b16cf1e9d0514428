#include "songcore/util/JournalEntry.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <span>

#include "songcore/util/ByteReader.h"
#include "songcore/util/ByteWriter.h"
#include "songcore/util/FdIo.h"
#include "songcore/util/Fnv1a.h"

namespace songcore {
namespace {

constexpr char kMagic[] = "TMJ2";
constexpr char kDroppedMagic[] = "TMJd";
constexpr char kOlderMagic[] = "TMJ1";
// Written after every entry, in the same write: a journal file is reused from
// its start once nothing in it is live, so what lies past the newest entry
// is what older, longer entries left there, and must never be read as one.
constexpr char kEndMagic[] = "TMJe";
constexpr size_t kFixedHead = 4 + 4 * 8 + 4;
constexpr size_t kBlock = 1024 * 1024;
constexpr uint32_t kMaxPath = 4096;
constexpr uint32_t kMaxRanges = 65536;

uint64_t OldPart(const JournalRange& range, uint64_t oldLength) {
    return range.offset >= oldLength ? 0 : std::min(range.length, oldLength - range.offset);
}

uint64_t NewPart(const JournalRange& range, uint64_t newLength) {
    return range.offset >= newLength ? 0 : std::min(range.length, newLength - range.offset);
}

// Where the old and the new bytes of each range lie in the entry file.
struct RangeData {
    uint64_t oldAt = 0;
    uint64_t newAt = 0;
};

uint64_t HeadSize(const JournalEntry& entry) {
    return kFixedHead + entry.path.size() + 4 + entry.ranges.size() * 16;
}

// Offsets in the journal file.
std::vector<RangeData> DataLayout(const JournalEntry& entry) {
    std::vector<RangeData> layout;
    uint64_t at = entry.at + HeadSize(entry);
    for (const JournalRange& range : entry.ranges) {
        RangeData data{at, at + OldPart(range, entry.oldLength)};
        at = data.newAt + NewPart(range, entry.newLength);
        layout.push_back(data);
    }
    return layout;
}

// Appends to a new entry, keeping the checksum of all it wrote.
class EntryWriter {
public:
    EntryWriter(int fd, uint64_t at) : fd_(fd), at_(at) {}
    uint64_t written() const { return written_ + pending_.size(); }
    bool put(std::span<const uint8_t> data) {
        checksum_.add(data);
        pending_.insert(pending_.end(), data.begin(), data.end());
        return pending_.size() < kBlock || flush();
    }
    bool finish() {
        ByteWriter tail;
        tail.u64le(checksum_.value());
        tail.text(std::string_view(kEndMagic, 4));
        pending_.insert(pending_.end(), tail.buffer().begin(), tail.buffer().end());
        return flush();
    }

private:
    bool flush() {
        bool ok = PwriteAll(fd_, pending_.data(), pending_.size(), at_ + written_);
        written_ += pending_.size();
        pending_.clear();
        return ok;
    }
    int fd_;
    uint64_t at_;
    uint64_t written_ = 0;
    Fnv1a checksum_;
    std::vector<uint8_t> pending_;
};

// Calls each(offset, length) over [from, to) in blocks.
template <class Each>
bool InBlocks(uint64_t from, uint64_t to, Each each) {
    for (uint64_t at = from; at < to;) {
        size_t want = static_cast<size_t>(std::min<uint64_t>(kBlock, to - at));
        if (!each(at, want)) {
            return false;
        }
        at += want;
    }
    return true;
}

}  // namespace

EntryRead ReadJournalEntry(int fd, uint64_t at, uint64_t fileSize, JournalEntry& entry) {
    if (at > fileSize || fileSize - at < kFixedHead + 8) {
        return EntryRead::kDamaged;
    }
    const uint64_t room = fileSize - at;
    std::vector<uint8_t> head(kFixedHead);
    if (!PreadExact(fd, head.data(), head.size(), at)) {
        return EntryRead::kDamaged;
    }
    ByteReader fixed(head);
    std::string magic = fixed.string(4);
    if (magic == std::string_view(kOlderMagic, 4) && at == 0) {
        return EntryRead::kOlderFormat;
    }
    const bool live = magic == std::string_view(kMagic, 4);
    if (!live && magic != std::string_view(kDroppedMagic, 4)) {
        return EntryRead::kDamaged;
    }
    entry = JournalEntry{};
    entry.at = at;
    entry.live = live;
    entry.device = fixed.u64le();
    entry.inode = fixed.u64le();
    entry.oldLength = fixed.u64le();
    entry.newLength = fixed.u64le();
    uint32_t pathLength = fixed.u32le();
    if (!fixed.ok() || pathLength == 0 || pathLength > kMaxPath ||
        kFixedHead + pathLength + 4 + 8 > room) {
        return EntryRead::kDamaged;
    }
    std::vector<uint8_t> rest(pathLength + 4);
    if (!PreadExact(fd, rest.data(), rest.size(), at + kFixedHead)) {
        return EntryRead::kDamaged;
    }
    ByteReader names(rest);
    entry.path = names.string(pathLength);
    uint32_t count = names.u32le();
    uint64_t tableAt = kFixedHead + rest.size();
    if (!names.ok() || count > kMaxRanges || tableAt + uint64_t{count} * 16 + 8 > room) {
        return EntryRead::kDamaged;
    }
    std::vector<uint8_t> table(size_t{count} * 16);
    if (!PreadExact(fd, table.data(), table.size(), at + tableAt)) {
        return EntryRead::kDamaged;
    }
    ByteReader ranges(table);
    const uint64_t limit = std::max(entry.oldLength, entry.newLength);
    uint64_t data = 0;
    uint64_t previousEnd = 0;
    for (uint32_t i = 0; i < count; ++i) {
        JournalRange range{ranges.u64le(), ranges.u64le()};
        if (range.length == 0 || range.offset < previousEnd || range.offset > limit ||
            range.length > limit - range.offset) {
            return EntryRead::kDamaged;
        }
        previousEnd = range.offset + range.length;
        data += OldPart(range, entry.oldLength) + NewPart(range, entry.newLength);
        if (data > room) {
            return EntryRead::kDamaged;
        }
        entry.ranges.push_back(range);
    }
    entry.size = HeadSize(entry) + data + 8;
    if (entry.size > room) {
        return EntryRead::kDamaged;
    }
    // The checksum was taken over the live magic.
    Fnv1a checksum;
    checksum.add(std::span(reinterpret_cast<const uint8_t*>(kMagic), 4));
    std::vector<uint8_t> block;
    bool read = InBlocks(at + 4, at + entry.size - 8, [&](uint64_t from, size_t want) {
        block.resize(want);
        if (!PreadExact(fd, block.data(), want, from)) {
            return false;
        }
        checksum.add(block);
        return true;
    });
    uint8_t stored[8];
    if (!read || !PreadExact(fd, stored, 8, at + entry.size - 8) ||
        ByteReader(stored, 8).u64le() != checksum.value()) {
        return EntryRead::kDamaged;
    }
    return EntryRead::kOk;
}

bool MarkJournalEntryDropped(int fd, const JournalEntry& entry) {
    return PwriteAll(fd, kDroppedMagic, 4, entry.at);
}

bool MarkJournalEmpty(int fd) {
    return PwriteAll(fd, kEndMagic, 4, 0);
}

bool WriteJournalEntry(int out, JournalEntry& entry, int fileFd, const NewContentFn& newContent) {
    const uint64_t limit = std::max(entry.oldLength, entry.newLength);
    std::vector<JournalRange> kept;
    for (JournalRange range : entry.ranges) {
        if (range.offset < limit && range.length > 0) {
            range.length = std::min(range.length, limit - range.offset);
            kept.push_back(range);
        }
    }
    entry.ranges = std::move(kept);
    if (entry.ranges.size() > kMaxRanges || entry.path.empty() || entry.path.size() > kMaxPath) {
        errno = EINVAL;
        return false;
    }
    ByteWriter head;
    head.text(std::string_view(kMagic, 4));
    head.u64le(entry.device);
    head.u64le(entry.inode);
    head.u64le(entry.oldLength);
    head.u64le(entry.newLength);
    head.u32le(static_cast<uint32_t>(entry.path.size()));
    head.text(entry.path);
    head.u32le(static_cast<uint32_t>(entry.ranges.size()));
    for (const JournalRange& range : entry.ranges) {
        head.u64le(range.offset);
        head.u64le(range.length);
    }
    EntryWriter writer(out, entry.at);
    if (!writer.put(head.buffer())) {
        return false;
    }
    std::vector<uint8_t> block;
    for (const JournalRange& range : entry.ranges) {
        uint64_t start = range.offset;
        bool ok =
            InBlocks(start, start + OldPart(range, entry.oldLength),
                     [&](uint64_t at, size_t want) {
                         block.resize(want);
                         return PreadExact(fileFd, block.data(), want, at) && writer.put(block);
                     }) &&
            InBlocks(start, start + NewPart(range, entry.newLength), [&](uint64_t at, size_t want) {
                block.resize(want);
                if (!newContent(at, block.data(), want)) {
                    errno = errno != 0 ? errno : EIO;
                    return false;
                }
                return writer.put(block);
            });
        if (!ok) {
            return false;
        }
    }
    entry.size = writer.written() + 8;
    entry.live = true;
    return writer.finish();
}

std::string JournalEntryMismatch(int entryFd, const JournalEntry& entry, int fileFd) {
    struct stat st;
    if (::fstat(fileFd, &st) != 0) {
        return std::string("cannot examine the file: ") + std::strerror(errno);
    }
    const uint64_t length = static_cast<uint64_t>(st.st_size);
    if (length < std::min(entry.oldLength, entry.newLength) ||
        length > std::max(entry.oldLength, entry.newLength)) {
        return "the file is " + std::to_string(length) + " bytes long, where the write left " +
               std::to_string(entry.oldLength) + " or " + std::to_string(entry.newLength);
    }
    std::vector<RangeData> layout = DataLayout(entry);
    std::vector<uint8_t> now, before, after;
    for (size_t r = 0; r < entry.ranges.size(); ++r) {
        const JournalRange& range = entry.ranges[r];
        const uint64_t end = std::min(range.offset + range.length, length);
        bool same = InBlocks(range.offset, end, [&](uint64_t at, size_t want) {
            uint64_t into = at - range.offset;
            size_t oldCount = static_cast<size_t>(
                std::min<uint64_t>(want, entry.oldLength > at ? entry.oldLength - at : 0));
            size_t newCount = static_cast<size_t>(
                std::min<uint64_t>(want, entry.newLength > at ? entry.newLength - at : 0));
            now.resize(want);
            before.resize(oldCount);
            after.resize(newCount);
            if (!PreadExact(fileFd, now.data(), want, at) ||
                !PreadExact(entryFd, before.data(), oldCount, layout[r].oldAt + into) ||
                !PreadExact(entryFd, after.data(), newCount, layout[r].newAt + into)) {
                return false;
            }
            for (size_t i = 0; i < want; ++i) {
                bool old = i < oldCount && now[i] == before[i];
                bool fresh = i < newCount && now[i] == after[i];
                if (!old && !fresh) {
                    return false;
                }
            }
            return true;
        });
        if (!same) {
            return "bytes at " + std::to_string(range.offset) +
                   " are neither the old nor the new ones";
        }
    }
    return {};
}

bool ApplyJournalEntry(int entryFd, const JournalEntry& entry, int fileFd, std::string& error) {
    std::vector<RangeData> layout = DataLayout(entry);
    std::vector<uint8_t> block;
    for (size_t r = 0; r < entry.ranges.size(); ++r) {
        const JournalRange& range = entry.ranges[r];
        bool ok = InBlocks(
            range.offset, range.offset + OldPart(range, entry.oldLength),
            [&](uint64_t at, size_t want) {
                block.resize(want);
                if (!PreadExact(entryFd, block.data(), want,
                                layout[r].oldAt + (at - range.offset))) {
                    error = std::string("cannot read the write journal: ") + std::strerror(errno);
                    return false;
                }
                if (!PwriteAll(fileFd, block.data(), want, at)) {
                    error = std::string("cannot put the old bytes back: ") + std::strerror(errno);
                    return false;
                }
                return true;
            });
        if (!ok) {
            return false;
        }
    }
    if (::ftruncate(fileFd, static_cast<off_t>(entry.oldLength)) != 0) {
        error = std::string("cannot restore the old length: ") + std::strerror(errno);
        return false;
    }
    if (::fsync(fileFd) != 0) {
        error = std::string("cannot flush the restored file: ") + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace songcore
