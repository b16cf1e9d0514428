#include "songcore/lists/SDFFile.h"

#include "songcore/lists/M3UFile.h"
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
        std::string text;
        if (!songcore::ReadSmallFile(path_, kMaxDatabaseSize, text, error_)) {
            return 0;
        }
        return OpenBytes(std::vector<uint8_t>(text.begin(), text.end()));
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
    bytes_ = std::move(bytes);
    in_ = songcore::ByteReader(bytes_.data(), bytes_.size());
    reading_ = true;
    return 1;
}

void CSDFFile::Close() {
    Commit();
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
    return ReadString(title) && ReadDWord(type) && ReadString(artist) && ReadString(album) &&
                   ReadString(file)
               ? 1
               : 0;
}
