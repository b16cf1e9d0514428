#include "support/WriteEngineSupport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "songcore/songfile/ContentWriter.h"
#include "songcore/songfile/SongFile.h"
#include "songcore/util/JournalEntry.h"
#include "songcore/util/WriteJournal.h"

namespace testsupport {
namespace {

const char* g_stopAt = nullptr;

void StopAtStep(const char* step) {
    if (g_stopAt != nullptr && std::string(step) == g_stopAt) {
        ::_exit(7);
    }
}

}  // namespace

std::vector<uint8_t> Pattern(size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(seed + i * 7 + i / 251);
    }
    return bytes;
}

size_t FilesIn(const std::string& folder) {
    std::error_code ec;
    size_t count = 0;
    for (auto it = std::filesystem::directory_iterator(folder, ec);
         !ec && it != std::filesystem::directory_iterator(); ++it) {
        ++count;
    }
    return count;
}

size_t JournalsWithEntries() {
    std::error_code ec;
    size_t count = 0;
    for (const auto& item : std::filesystem::directory_iterator(songcore::JournalFolder(), ec)) {
        if (!item.is_regular_file()) {
            continue;
        }
        int fd = ::open(item.path().c_str(), O_RDONLY | O_CLOEXEC);
        struct stat st;
        if (fd < 0 || ::fstat(fd, &st) != 0) {
            count += fd >= 0 ? 1 : 0;
        } else {
            // Read as a recovery reads it: entries up to the first that is
            // not whole; a journal is waiting when one of them is live.
            const auto size = static_cast<uint64_t>(st.st_size);
            bool live = false;
            songcore::JournalEntry entry;
            for (uint64_t at = 0; at < size && !live;) {
                songcore::EntryRead read = songcore::ReadJournalEntry(fd, at, size, entry);
                if (read == songcore::EntryRead::kOlderFormat) {
                    live = true;
                }
                if (read != songcore::EntryRead::kOk) {
                    break;
                }
                live = entry.live;
                at += entry.size;
            }
            count += live ? 1 : 0;
        }
        if (fd >= 0) {
            ::close(fd);
        }
    }
    return count;
}

int Overwrite(CSongFile& file, uint64_t at, const std::vector<uint8_t>& with, uint64_t cut) {
    uint64_t length = file.GetLength();
    return file.ReplaceContents([&](songcore::ContentWriter& out) {
        uint64_t resume = std::min(length, at + (cut != 0 ? cut : with.size()));
        return file.CopyRange(out, 0, std::min(at, length)) && out.append(with) &&
               file.CopyRange(out, resume, length - resume);
    });
}

bool WriteStoppedAt(const std::string& path, const char* step, uint64_t at,
                    const std::vector<uint8_t>& with, uint64_t cut) {
    pid_t child = ::fork();
    if (child < 0) {
        return false;
    }
    if (child == 0) {
        g_stopAt = step;
        songcore::SetWriteStepHook(StopAtStep);
        CSongFile file;
        bool ok = file.Open(path, CSongFile::modeReadWrite) && Overwrite(file, at, with, cut);
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    return ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 7;
}

}  // namespace testsupport
