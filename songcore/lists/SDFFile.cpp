#include "songcore/lists/SDFFile.h"

#include "songcore/util/Paths.h"
#include "songcore/util/SafeFileReplace.h"

namespace {
// A song database larger than this is not one this library wrote.
constexpr size_t kMaxDatabaseSize = 1024u * 1024u * 1024u;
}  // namespace

CSDFFile::CSDFFile() = default;

CSDFFile::~CSDFFile() {
    Close();
}

int CSDFFile::Open(const char* path, int read) {
    Close();
    path_ = path ? path : "";
    error_.clear();
    if (read) {
        if (!songcore::ReadSmallFile(path_, kMaxDatabaseSize, bytes_, error_)) {
            return 0;
        }
        StartReading();
        return 1;
    }
    out_ = std::make_unique<songcore::SafeFileReplace>(path_);
    if (!out_->begin()) {
        error_ = out_->error();
        out_.reset();
        return 0;
    }
    return 1;
}

int CSDFFile::OpenBytes(std::vector<uint8_t> bytes) {
    Close();
    error_.clear();
    bytes_.assign(bytes.begin(), bytes.end());
    StartReading();
    return 1;
}

void CSDFFile::StartReading() {
    in_ = songcore::ByteReader(reinterpret_cast<const uint8_t*>(bytes_.data()), bytes_.size());
    reading_ = true;
    damaged_ = false;
    itemsRead_ = 0;
}

std::string CSDFFile::DamageMessage(size_t songs) {
    return "the song database is damaged or cut short after " + std::to_string(songs) +
           (songs == 1 ? " song" : " songs");
}

bool CSDFFile::CheckItems() {
    if (!reading_) {
        return false;
    }
    // A copy of the reader walks the records, so reading starts where it was.
    songcore::ByteReader walk = in_;
    size_t songs = itemsRead_;
    auto skipString = [&walk] {
        if (!walk.has(4)) {
            return false;
        }
        uint32_t length = walk.u32le();
        return length <= static_cast<uint32_t>(INT32_MAX) && walk.skip(length);
    };
    while (!walk.atEnd()) {
        bool whole = skipString() && walk.skip(4) && skipString() && skipString() && skipString();
        if (!whole) {
            error_ = DamageMessage(songs);
            return false;
        }
        ++songs;
    }
    return true;
}

void CSDFFile::Close() {
    Commit();
}

void CSDFFile::Abandon() {
    out_.reset();
    Close();
}

int CSDFFile::Commit() {
    int ok = songcore::CommitPending(out_, error_) ? 1 : 0;
    reading_ = false;
    bytes_.clear();
    bytes_.shrink_to_fit();
    in_ = songcore::ByteReader();
    return ok;
}

int CSDFFile::WriteBytes(const void* data, size_t size) {
    if (!out_) {
        return 0;
    }
    if (size > 0 && !out_->append(data, size)) {
        error_ = out_->error();
        return 0;
    }
    return 1;
}

int CSDFFile::WriteDWord(uint32_t value) {
    uint8_t raw[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                      static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    return WriteBytes(raw, sizeof raw);
}

int CSDFFile::ReadDWord(uint32_t& value) {
    if (!reading_ || !in_.has(4)) {
        return 0;
    }
    value = in_.u32le();
    return 1;
}

int CSDFFile::WriteInt(int value) {
    return WriteDWord(static_cast<uint32_t>(value));
}

int CSDFFile::ReadInt(int& value) {
    uint32_t raw = 0;
    if (!ReadDWord(raw)) {
        return 0;
    }
    value = static_cast<int>(raw);
    return 1;
}

int CSDFFile::WriteString(const std::string& text) {
    if (text.size() > static_cast<size_t>(INT32_MAX)) {
        return 0;
    }
    return WriteInt(static_cast<int>(text.size())) && WriteBytes(text.data(), text.size());
}

int CSDFFile::ReadString(std::string& text) {
    int length = 0;
    if (!ReadInt(length) || length < 0) {
        return 0;
    }
    // Checked against what the file still holds before anything is taken.
    if (!in_.has(static_cast<size_t>(length))) {
        return 0;
    }
    text = in_.string(static_cast<size_t>(length));
    return 1;
}

int CSDFFile::WriteVersion(uint32_t version) {
    return WriteBytes("SDF", 3) && WriteDWord(version);
}

int CSDFFile::ReadVersion(uint32_t& version) {
    if (!reading_ || !in_.has(3) || !in_.peekMatches("SDF")) {
        return 0;
    }
    in_.skip(3);
    return ReadDWord(version);
}

int CSDFFile::WriteItem(std::string artist, std::string album, std::string title, std::string file,
                        uint32_t type) {
    return WriteString(title) && WriteDWord(type) && WriteString(artist) && WriteString(album) &&
                   WriteString(file)
               ? 1
               : 0;
}

int CSDFFile::ReadItem(std::string& artist, std::string& album, std::string& title,
                       std::string& file, uint32_t& type) {
    if (!reading_ || damaged_ || in_.atEnd()) {
        return 0;
    }
    if (ReadString(title) && ReadDWord(type) && ReadString(artist) && ReadString(album) &&
        ReadString(file)) {
        ++itemsRead_;
        return 1;
    }
    // Bytes that do not make a whole record: the file lost its end or was
    // damaged, which a caller must not take for the end of the list.
    damaged_ = true;
    error_ = DamageMessage(itemsRead_);
    return 0;
}

namespace songcore {

std::string SongDatabaseDamage(const std::string& path) {
    CSDFFile file;
    uint32_t version = 0;
    if (!file.Open(path.c_str(), 1) || !file.ReadVersion(version) || file.CheckItems()) {
        return {};
    }
    return file.GetErrorMessage();
}

}  // namespace songcore
