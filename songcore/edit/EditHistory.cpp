#include "songcore/edit/EditHistory.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

#include "songcore/util/ByteReader.h"
#include "songcore/util/ByteWriter.h"
#include "songcore/util/FdIo.h"
#include "songcore/util/Fnv1a.h"
#include "songcore/util/Paths.h"
#include "songcore/util/PrivateFiles.h"
#include "songcore/util/SafeFileReplace.h"
#include "songcore/util/WriteBatch.h"

namespace songcore {
namespace {

// The stacks, then appended records: u32 length, 'P' and an operation
// pushed onto the undo stack, and the FNV-1a checksum of length and body.
// Since version 3 each file of an operation ends with its restore plans and
// a flags byte. Since version 4 the file ends with a tail (kTailSize bytes:
// u32 number of records, "TMET", and the checksum of those and the tail's
// offset), so that an edit is added after reading the tail alone, not the
// whole history. Older versions are read, and rewritten as version 4 by the
// next change.
constexpr std::string_view kMagic = "TMEDITS4";
constexpr std::string_view kUntailedMagic = "TMEDITS3";  // no tail
constexpr std::string_view kPlainMagic = "TMEDITS2";     // no restore plans
constexpr std::string_view kFirstMagic = "TMEDITS1";     // the stacks alone
constexpr std::string_view kTailTag = "TMET";
constexpr size_t kTailSize = 16;
constexpr uint8_t kPushRecord = 'P';
constexpr uint8_t kKeptPiece = 'K';
constexpr uint8_t kSavedPiece = 'S';
constexpr uint8_t kChangesItems = 0x01;

// Held while the history is read, changed and written back, so that two
// programs editing at once do not lose each other's operations.
class HistoryLock {
public:
    explicit HistoryLock(const std::string& historyPath) {
        fd_ = OpenPrivateFile(historyPath + ".lock", O_RDWR | O_CREAT, error_);
        if (fd_ >= 0) {
            while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
        }
    }
    ~HistoryLock() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    HistoryLock(const HistoryLock&) = delete;
    HistoryLock& operator=(const HistoryLock&) = delete;
    bool ok() const { return fd_ >= 0; }
    const std::string& error() const { return error_; }

private:
    int fd_ = -1;
    std::string error_;
};

// The history's bytes; false with problem when it cannot be read as a file
// of ours (a link, a FIFO, another user's file) or is too large.
bool ReadHistoryFile(const std::string& path, size_t limit, std::string& bytes, bool& missing,
                     std::string& problem) {
    missing = false;
    int fd = OpenPrivateFile(path, O_RDONLY, problem);
    if (fd < 0) {
        missing = errno == ENOENT;
        return missing;
    }
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0 && static_cast<uint64_t>(st.st_size) <= limit;
    if (ok) {
        bytes.resize(static_cast<size_t>(st.st_size));
        long long got = PreadAll(fd, bytes.data(), bytes.size(), 0);
        ok = got >= 0;
        bytes.resize(ok ? static_cast<size_t>(got) : 0);
    }
    if (!ok) {
        problem = "it cannot be read, or is larger than " + std::to_string(limit >> 20) + " MB";
    }
    ::close(fd);
    return ok;
}

void PutText(ByteWriter& out, const std::string& text) {
    out.u32le(static_cast<uint32_t>(text.size()));
    out.text(text);
}

void PutValues(ByteWriter& out, const FieldValues& values) {
    out.u32le(static_cast<uint32_t>(values.size()));
    for (const auto& [field, text] : values) {
        PutText(out, std::string(InfoOf(field).key));
        PutText(out, text);
    }
}

void PutPlans(ByteWriter& out, const std::vector<RestorePlan>& plans) {
    out.u32le(static_cast<uint32_t>(plans.size()));
    for (const RestorePlan& plan : plans) {
        out.u64le(plan.currentLength);
        out.u32le(static_cast<uint32_t>(plan.pieces.size()));
        for (const RestorePiece& piece : plan.pieces) {
            if (piece.kept) {
                out.u8(kKeptPiece);
                out.u64le(piece.from);
                out.u64le(piece.length);
            } else {
                out.u8(kSavedPiece);
                out.u32le(static_cast<uint32_t>(piece.bytes.size()));
                out.bytes(piece.bytes);
            }
        }
    }
}

void PutOperation(ByteWriter& out, const EditOperation& operation) {
    PutText(out, operation.label);
    out.u64le(static_cast<uint64_t>(operation.time));
    out.u32le(static_cast<uint32_t>(operation.files.size()));
    for (const FileEdit& file : operation.files) {
        PutText(out, file.path);
        out.u32le(file.tagKind);
        PutValues(out, file.before);
        PutValues(out, file.after);
        out.u64le(file.stamp.device);
        out.u64le(file.stamp.inode);
        out.u64le(static_cast<uint64_t>(file.stamp.size));
        out.u64le(static_cast<uint64_t>(file.stamp.modifiedNs));
        PutPlans(out, file.restore);
        out.u8(file.changesItems ? kChangesItems : 0);
    }
}

// Every count is checked against the bytes left, so a damaged file cannot
// make the reader allocate more than the file holds.
bool GetText(ByteReader& in, std::string& text) {
    uint32_t size = in.u32le();
    if (!in.ok() || !in.has(size)) {
        return false;
    }
    text = in.string(size);
    return in.ok();
}

bool GetValues(ByteReader& in, FieldValues& values) {
    uint32_t count = in.u32le();
    if (!in.ok() || count > in.remaining() / 8) {
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        std::string key, text;
        if (!GetText(in, key) || !GetText(in, text)) {
            return false;
        }
        std::optional<SongField> field = FindField(key);
        if (!field) {
            return false;
        }
        values.emplace_back(*field, std::move(text));
    }
    return true;
}

bool GetPlans(ByteReader& in, std::vector<RestorePlan>& plans) {
    uint32_t count = in.u32le();
    if (!in.ok() || count > in.remaining() / 12) {
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        RestorePlan plan;
        plan.currentLength = in.u64le();
        uint32_t pieces = in.u32le();
        if (!in.ok() || pieces > in.remaining() / 5) {
            return false;
        }
        for (uint32_t p = 0; p < pieces; ++p) {
            RestorePiece piece;
            uint8_t kind = in.u8();
            if (kind == kKeptPiece) {
                piece.kept = true;
                piece.from = in.u64le();
                piece.length = in.u64le();
            } else if (kind == kSavedPiece) {
                uint32_t size = in.u32le();
                if (!in.ok() || !in.has(size)) {
                    return false;
                }
                std::span<const uint8_t> bytes = in.bytes(size);
                piece.bytes.assign(bytes.begin(), bytes.end());
            } else {
                return false;
            }
            if (!in.ok()) {
                return false;
            }
            plan.pieces.push_back(std::move(piece));
        }
        plans.push_back(std::move(plan));
    }
    return true;
}

bool GetOperation(ByteReader& in, EditOperation& operation, bool withPlans) {
    if (!GetText(in, operation.label)) {
        return false;
    }
    operation.time = static_cast<int64_t>(in.u64le());
    uint32_t files = in.u32le();
    if (!in.ok() || files > in.remaining() / 48) {
        return false;
    }
    for (uint32_t i = 0; i < files; ++i) {
        FileEdit file;
        if (!GetText(in, file.path)) {
            return false;
        }
        file.tagKind = in.u32le();
        if (!GetValues(in, file.before) || !GetValues(in, file.after)) {
            return false;
        }
        file.stamp.device = in.u64le();
        file.stamp.inode = in.u64le();
        file.stamp.size = static_cast<int64_t>(in.u64le());
        file.stamp.modifiedNs = static_cast<int64_t>(in.u64le());
        if (withPlans) {
            if (!GetPlans(in, file.restore)) {
                return false;
            }
            file.changesItems = (in.u8() & kChangesItems) != 0;
        }
        if (!in.ok()) {
            return false;
        }
        operation.files.push_back(std::move(file));
    }
    return true;
}

bool GetStack(ByteReader& in, std::vector<EditOperation>& stack, bool withPlans) {
    uint32_t count = in.u32le();
    if (!in.ok() || count > EditHistory::kMaxOperations) {
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        EditOperation operation;
        if (!GetOperation(in, operation, withPlans)) {
            return false;
        }
        stack.push_back(std::move(operation));
    }
    return true;
}

size_t EncodedSize(const EditOperation& operation) {
    ByteWriter out;
    PutOperation(out, operation);
    return out.size();
}

uint64_t TailChecksum(uint32_t records, uint64_t offset) {
    ByteWriter fields;
    fields.u32le(records);
    fields.text(kTailTag);
    fields.u64le(offset);
    Fnv1a checksum;
    checksum.add(fields.buffer());
    return checksum.value();
}

// The tail of a history file whose tail starts at offset.
void PutTail(ByteWriter& out, uint32_t records, uint64_t offset) {
    out.u32le(records);
    out.text(kTailTag);
    out.u64le(TailChecksum(records, offset));
}

// The number of records the tail at offset counts; nothing when the bytes
// there are no whole tail of that place (the end of an append cut short).
std::optional<uint32_t> TailRecords(std::span<const uint8_t> tail, uint64_t offset) {
    ByteReader reader(tail);
    uint32_t records = reader.u32le();
    bool tagged = reader.peekMatches(kTailTag) && reader.skip(kTailTag.size());
    uint64_t checksum = reader.u64le();
    if (!reader.ok() || !tagged || !reader.atEnd() || checksum != TailChecksum(records, offset)) {
        return std::nullopt;
    }
    return records;
}

}  // namespace

std::string EditHistory::DefaultPath() {
    std::string state = StateFolder();
    return state.empty() ? state : state + "/edit-history";
}

EditHistory::EditHistory(std::string path) : path_(std::move(path)) {}

bool EditHistory::Load(Stacks& stacks, std::string& error, bool* damaged) const {
    std::string bytes;
    std::string problem;
    bool missing = false;
    if (damaged != nullptr) {
        *damaged = false;
    }
    if (!ReadHistoryFile(path_, kMaxBytes + (1u << 20), bytes, missing, problem)) {
        error = "cannot read the edit history: " + problem;
        return false;
    }
    if (missing) {
        return true;  // no history yet
    }
    ByteReader reader(bytes.data(), bytes.size());
    const bool current = reader.peekMatches(kMagic);
    const bool withPlans = current || reader.peekMatches(kUntailedMagic);
    const bool plain = reader.peekMatches(kPlainMagic);
    const bool first = reader.peekMatches(kFirstMagic);
    if ((!withPlans && !plain && !first) || !reader.skip(kMagic.size()) ||
        !GetStack(reader, stacks.undo, withPlans) || !GetStack(reader, stacks.redo, withPlans) ||
        (first && !reader.atEnd())) {
        error = "the edit history " + path_ + " is damaged";
        stacks = {};
        if (damaged != nullptr) {
            *damaged = true;
        }
        return false;
    }
    // A record cut short by a crash ends the list; the file is then
    // rewritten before anything is added (see AppendAtTail).
    bool whole = true;
    while (!reader.atEnd() && whole) {
        size_t start = reader.pos();
        // No record is as short as the tail, which only AppendAtTail reads.
        if (current && reader.remaining() == kTailSize) {
            break;
        }
        uint32_t length = reader.u32le();
        whole = reader.ok() && length > 0 && reader.has(uint64_t{length} + 8);
        if (!whole) {
            break;
        }
        Fnv1a checksum;
        checksum.add(
            std::span(reinterpret_cast<const uint8_t*>(bytes.data()) + start, 4 + size_t{length}));
        ByteReader body(reader.bytes(length));
        EditOperation operation;
        whole = reader.u64le() == checksum.value() && body.u8() == kPushRecord &&
                GetOperation(body, operation, withPlans) && body.atEnd();
        if (whole) {
            stacks.redo.clear();
            stacks.undo.push_back(std::move(operation));
        }
    }
    // Edits are added to the file until it holds twice what is kept (see
    // AppendAtTail); the oldest beyond what is kept are forgotten here.
    if (stacks.undo.size() > kMaxOperations) {
        stacks.undo.erase(stacks.undo.begin(),
                          stacks.undo.end() - static_cast<long>(kMaxOperations));
    }
    return true;
}

bool EditHistory::AppendAtTail(const EditOperation& operation, std::string& error) const {
    int fd = OpenPrivateFile(path_, O_RDWR, error);
    if (fd < 0) {
        error.clear();  // no history yet, or one to look at whole
        return false;
    }
    struct FdCloser {
        int fd;
        ~FdCloser() { ::close(fd); }
    } closer{fd};
    struct stat st;
    if (::fstat(fd, &st) != 0 || st.st_size < static_cast<off_t>(kMagic.size() + kTailSize)) {
        return false;
    }
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    const uint64_t tailAt = size - kTailSize;
    std::array<uint8_t, kMagic.size()> magic{};
    std::array<uint8_t, kTailSize> tail{};
    if (PreadAll(fd, magic.data(), magic.size(), 0) != static_cast<long long>(magic.size()) ||
        !std::equal(magic.begin(), magic.end(), kMagic.begin()) ||
        PreadAll(fd, tail.data(), tail.size(), tailAt) != static_cast<long long>(tail.size())) {
        return false;
    }
    std::optional<uint32_t> records = TailRecords(tail, tailAt);
    const size_t length = EncodedSize(operation) + 1;
    // A full history is rewritten (the oldest edit dropped, two flushes) only
    // once per kMaxOperations edits: until then each edit is added to the
    // file, and the oldest beyond the kept ones are passed over when read.
    if (!records || *records + 1 >= kMaxOperations || size + length + 12 > kMaxBytes) {
        return false;
    }
    ByteWriter record;
    record.u32le(static_cast<uint32_t>(length));
    record.u8(kPushRecord);
    PutOperation(record, operation);
    Fnv1a checksum;
    checksum.add(record.buffer());
    record.u64le(checksum.value());
    PutTail(record, *records + 1, tailAt + record.size());
    // The record takes the old tail's place and ends with the new one.
    if (PwriteAll(fd, record.buffer().data(), record.size(), tailAt) && ::fdatasync(fd) == 0) {
        return true;
    }
    error = std::string("cannot add to the edit history: ") + std::strerror(errno);
    // The old tail goes back and what was written past it goes: the file
    // stays as it was. Should that fail too, the next read finds no tail at
    // the end and the next edit rewrites the file.
    bool restored = PwriteAll(fd, tail.data(), tail.size(), tailAt) &&
                    ::ftruncate(fd, static_cast<off_t>(size)) == 0;
    if (!restored) {
        error += " (the history will be rewritten by the next edit)";
    }
    return false;
}

bool EditHistory::Save(Stacks& stacks, std::string& error) const {
    // The oldest operations go first, undo before redo, until both bounds hold.
    while (stacks.undo.size() > kMaxOperations) {
        stacks.undo.erase(stacks.undo.begin());
    }
    while (stacks.redo.size() > kMaxOperations) {
        stacks.redo.erase(stacks.redo.begin());
    }
    // Each operation is measured once; the oldest go until the rest fit.
    size_t total = kMagic.size() + 8 + kTailSize;
    std::vector<size_t> undoSizes, redoSizes;
    for (auto [stack, sizes] : {std::pair{&stacks.undo, &undoSizes}, {&stacks.redo, &redoSizes}}) {
        for (const EditOperation& operation : *stack) {
            sizes->push_back(EncodedSize(operation));
            total += sizes->back();
        }
    }
    size_t undoGone = 0, redoGone = 0;
    while (total > kMaxBytes && (undoGone < undoSizes.size() || redoGone < redoSizes.size())) {
        total -= undoGone < undoSizes.size() ? undoSizes[undoGone++] : redoSizes[redoGone++];
    }
    stacks.undo.erase(stacks.undo.begin(), stacks.undo.begin() + static_cast<long>(undoGone));
    stacks.redo.erase(stacks.redo.begin(), stacks.redo.begin() + static_cast<long>(redoGone));
    ByteWriter out;
    out.text(kMagic);
    for (const auto* stack : {&stacks.undo, &stacks.redo}) {
        out.u32le(static_cast<uint32_t>(stack->size()));
        for (const EditOperation& operation : *stack) {
            PutOperation(out, operation);
        }
    }
    PutTail(out, 0, out.size());
    SafeFileReplace file(path_);
    if (!file.begin() || !file.append(out.buffer()) || !file.commit()) {
        error = "cannot save the edit history " + path_ + ": " + file.error();
        return false;
    }
    return true;
}

bool EditHistory::Record(EditOperation operation, std::string& error) {
    std::erase_if(operation.files,
                  [](const FileEdit& file) { return file.before.empty() && file.restore.empty(); });
    if (operation.files.empty()) {
        return true;
    }
    if (path_.empty()) {
        error = "no folder for the edit history (HOME is not set)";
        return false;
    }
    // Old bytes that do not fit leave the undo to the old values.
    if (EncodedSize(operation) > kMaxBytes / 2) {
        for (FileEdit& file : operation.files) {
            file.restore.clear();
        }
        std::erase_if(operation.files, [](const FileEdit& file) { return file.before.empty(); });
        if (operation.files.empty()) {
            error = "the edit is too large to be kept for undo";
            return false;
        }
    }
    if (EncodedSize(operation) > kMaxBytes) {
        error = "the edit is too large to be kept for undo";
        return false;
    }
    if (!PreparePrivateFolder(std::filesystem::path(path_).parent_path().string(), error)) {
        return false;
    }
    HistoryLock lock(path_);
    if (!lock.ok()) {
        error = "cannot lock the edit history: " + lock.error();
        return false;
    }
    // Most edits are added after a look at the file's tail alone.
    std::string appendError;
    if (AppendAtTail(operation, appendError)) {
        return true;
    }
    if (!appendError.empty()) {
        error = appendError;
        return false;
    }
    Stacks stacks;
    std::string loadError;
    bool damaged = false;
    if (!Load(stacks, loadError, &damaged)) {
        if (!damaged) {
            error = loadError;
            return false;
        }
        // A damaged history is kept aside; the new one starts with this edit.
        std::error_code ec;
        std::filesystem::rename(path_, path_ + ".damaged", ec);
        stacks = {};
    }
    stacks.redo.clear();
    stacks.undo.push_back(std::move(operation));
    if (!Save(stacks, error)) {
        return false;
    }
    if (!loadError.empty()) {
        error = loadError + "; it was moved aside";
        return false;
    }
    return true;
}

bool EditHistory::WithStacks(const std::function<bool(Stacks&)>& work, std::string& error) const {
    if (!PreparePrivateFolder(std::filesystem::path(path_).parent_path().string(), error)) {
        return false;
    }
    HistoryLock lock(path_);
    if (!lock.ok()) {
        error = "cannot lock the edit history: " + lock.error();
        return false;
    }
    Stacks stacks;
    return Load(stacks, error) && work(stacks);
}

bool EditHistory::List(std::vector<EditOperation>& undo, std::vector<EditOperation>& redo,
                       std::string& error) const {
    if (path_.empty()) {
        return true;
    }
    return WithStacks(
        [&](Stacks& stacks) {
            undo.assign(stacks.undo.rbegin(), stacks.undo.rend());
            redo.assign(stacks.redo.rbegin(), stacks.redo.rend());
            return true;
        },
        error);
}

HistoryOutcome EditHistory::Undo() {
    return Step(true, 0);
}
HistoryOutcome EditHistory::Redo() {
    return Step(false, 0);
}
HistoryOutcome EditHistory::UndoAt(size_t index) {
    return Step(true, index);
}

bool EditHistory::FollowRenames(const std::vector<std::pair<std::string, std::string>>& renames,
                                std::string& error) {
    if (path_.empty() || renames.empty()) {
        return true;
    }
    return WithStacks(
        [&](Stacks& stacks) {
            bool changed = false;
            for (auto* stack : {&stacks.undo, &stacks.redo}) {
                for (EditOperation& operation : *stack) {
                    for (FileEdit& file : operation.files) {
                        for (const auto& [from, to] : renames) {
                            if (file.path == from) {
                                file.path = to;
                                changed = true;
                                break;
                            }
                        }
                    }
                }
            }
            return !changed || Save(stacks, error);
        },
        error);
}

std::vector<std::string> EditOperation::Paths() const {
    std::vector<std::string> paths;
    for (const FileEdit& file : files) {
        if (std::find(paths.begin(), paths.end(), file.path) == paths.end()) {
            paths.push_back(file.path);
        }
    }
    return paths;
}

std::string EditOperation::Describe() const {
    const std::vector<std::string> paths = Paths();
    if (paths.size() == 1) {
        return label + " of " + std::filesystem::path(paths[0]).filename().string();
    }
    return label + " of " + std::to_string(paths.size()) + " songs";
}

HistoryOutcome EditHistory::Step(bool undo, size_t index) {
    HistoryOutcome outcome;
    if (path_.empty()) {
        outcome.error = undo ? "nothing to undo" : "nothing to redo";
        return outcome;
    }
    if (!PreparePrivateFolder(std::filesystem::path(path_).parent_path().string(), outcome.error)) {
        return outcome;
    }
    HistoryLock lock(path_);
    if (!lock.ok()) {
        outcome.error = "cannot lock the edit history: " + lock.error();
        return outcome;
    }
    Stacks stacks;
    if (!Load(stacks, outcome.error)) {
        return outcome;
    }
    auto& from = undo ? stacks.undo : stacks.redo;
    auto& to = undo ? stacks.redo : stacks.undo;
    if (from.size() <= index) {
        outcome.error = undo ? "nothing to undo" : "nothing to redo";
        return outcome;
    }
    const auto taken = from.end() - 1 - static_cast<long>(index);
    EditOperation operation = std::move(*taken);
    from.erase(taken);
    // Only the operations before the one taken wait for its files next.
    const size_t olderCount = from.size() - index;
    outcome.label = operation.label;

    // Undo goes backwards and redo forwards, so a file edited twice in one
    // operation (two of its tags, say) ends as it should.
    std::vector<size_t> order(operation.files.size());
    for (size_t i = 0; i < order.size(); ++i) {
        order[i] = undo ? order.size() - 1 - i : i;
    }
    std::vector<bool> restored(operation.files.size(), false);
    WriteBatch batch;
    for (size_t step = 0; step < order.size(); ++step) {
        FileEdit& file = operation.files[order[step]];
        if (StampOf(file.path) != file.stamp) {
            outcome.refused.emplace_back(file.path, "changed since the edit; left as it is");
            continue;
        }
        SongEditResult result;
        if (!file.restore.empty()) {
            result = RestoreSong(file.path, file.restore, file.stamp);
        } else {
            SongEditOptions options;
            options.tagKind = file.tagKind;
            options.writeUnchanged = true;
            result = EditSong(file.path, undo ? file.before : file.after, options);
        }
        if (!result.ok) {
            outcome.refused.emplace_back(file.path, result.error);
            continue;
        }
        file.restore = std::move(result.restore);
        // What comes next for this file, in this step and in the next
        // operation of the same stack, expects it as this write left it.
        for (size_t later = step + 1; later < order.size(); ++later) {
            FileEdit& next = operation.files[order[later]];
            if (next.path == file.path) {
                next.stamp = result.stamp;
            }
        }
        auto samePath = [&](const FileEdit& other) { return other.path == file.path; };
        for (auto older = from.rend() - static_cast<long>(olderCount); older != from.rend();
             ++older) {
            // The entry of the file that the next step takes first.
            FileEdit* first = nullptr;
            if (undo) {
                auto match = std::find_if(older->files.rbegin(), older->files.rend(), samePath);
                first = match == older->files.rend() ? nullptr : &*match;
            } else {
                auto match = std::find_if(older->files.begin(), older->files.end(), samePath);
                first = match == older->files.end() ? nullptr : &*match;
            }
            if (first != nullptr) {
                first->stamp = result.stamp;
                break;
            }
        }
        file.stamp = result.stamp;
        restored[order[step]] = true;
        if (std::find(outcome.restored.begin(), outcome.restored.end(), file.path) ==
            outcome.restored.end()) {
            outcome.restored.push_back(file.path);
        }
    }
    if (std::string error; !batch.Finish(error)) {
        outcome.error = error;
    }
    std::vector<FileEdit> done;
    for (size_t i = 0; i < operation.files.size(); ++i) {
        if (restored[i]) {
            done.push_back(std::move(operation.files[i]));
        }
    }
    if (!done.empty()) {
        operation.files = std::move(done);
        to.push_back(std::move(operation));
    }
    outcome.ok = Save(stacks, outcome.error);
    return outcome;
}

}  // namespace songcore
