#include "songcore/views/DragDropFiles.h"

#include <algorithm>
#include <filesystem>
#include <mutex>

#include "songcore/lists/M3UFile.h"
#include "songcore/songfile/SongType.h"
#include "songcore/util/Hex.h"
#include "songcore/util/Text.h"

namespace {

// The application sets it once at start-up; views may drag from any of
// their handlers, so reads and the write are guarded.
std::mutex& DefaultHookMutex() {
    static std::mutex mutex;
    return mutex;
}
CDragDropFiles::DragHook& DefaultHook() {
    static CDragDropFiles::DragHook hook;
    return hook;
}

bool IsUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '/';
}

bool StartsWithFileScheme(std::string_view text) {
    return text.size() >= 7 && songcore::EqualsIgnoreCaseAscii(text.substr(0, 7), "file://");
}

// One entry of a drop, or "" when it names nothing this machine can open.
std::string DropEntryToPath(std::string_view entry) {
    if (StartsWithFileScheme(entry)) {
        std::string path = songcore::FileUriToPath(std::string(entry));
        // Undecodable, or a file on another host: FileUriToPath leaves it as is.
        return StartsWithFileScheme(path) ? std::string() : path;
    }
    return std::string(entry);
}

}  // namespace

namespace songcore {

std::string PathToFileUri(const std::string& path) {
    if (IsInternetLocation(path)) {
        return path;
    }
    std::string absolute = path;
    if (!path.empty() && path[0] != '/') {
        std::error_code ec;
        std::filesystem::path full = std::filesystem::absolute(path, ec);
        if (!ec) {
            absolute = full.string();
        }
    }
    std::string uri = "file://";
    for (unsigned char c : absolute) {
        if (IsUnreserved(c)) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            AppendHexByte(uri, c);
        }
    }
    return uri;
}

std::string MakeUriList(const std::vector<std::string>& paths) {
    std::string list;
    for (const std::string& path : paths) {
        list += PathToFileUri(path);
        list += "\r\n";
    }
    return list;
}

std::vector<std::string> ParseDropPayload(std::string_view mimeType, std::string_view data) {
    // MIME parameters (";charset=...") do not change how the list reads.
    std::string_view type = mimeType.substr(0, mimeType.find(';'));
    bool uriList = EqualsIgnoreCaseAscii(Trim(type), kUriListMimeType);
    std::vector<std::string> files;
    size_t start = 0;
    while (start <= data.size()) {
        size_t end = data.find('\n', start);
        if (end == std::string_view::npos) {
            end = data.size();
        }
        std::string line = Trim(data.substr(start, end - start));
        start = end + 1;
        // A NUL cannot be part of a path; toolkits sometimes end the text with one.
        line.erase(std::find(line.begin(), line.end(), '\0'), line.end());
        if (line.empty() || (uriList && line[0] == '#')) {
            continue;
        }
        std::string path = DropEntryToPath(line);
        if (!path.empty()) {
            files.push_back(std::move(path));
        }
    }
    return files;
}

}  // namespace songcore

CDragDropFiles::CDragDropFiles() = default;

CDragDropFiles::~CDragDropFiles() {
    EndDropFiles();
    RemoveAllDragFiles();
}

int CDragDropFiles::AddDragFile(const char* path) {
    dragFiles_.emplace_back(path != nullptr ? path : "");
    return static_cast<int>(dragFiles_.size()) - 1;
}

void CDragDropFiles::RemoveDragFile(int index) {
    if (index >= 0 && index < GetDragFileCount()) {
        dragFiles_.erase(dragFiles_.begin() + index);
    }
}

void CDragDropFiles::RemoveDragFile(const char* path) {
    if (path == nullptr) {
        return;
    }
    auto it = std::find(dragFiles_.begin(), dragFiles_.end(), path);
    if (it != dragFiles_.end()) {
        dragFiles_.erase(it);
    }
}

void CDragDropFiles::RemoveAllDragFiles() {
    dragFiles_.clear();
}

std::string CDragDropFiles::GetDragFile(int index) const {
    return index >= 0 && index < GetDragFileCount() ? dragFiles_[index] : std::string();
}

void CDragDropFiles::SetDefaultDragHook(DragHook hook) {
    std::lock_guard<std::mutex> guard(DefaultHookMutex());
    DefaultHook() = std::move(hook);
}

void CDragDropFiles::DragFiles() {
    DragHook hook = dragHook_;
    if (!hook) {
        std::lock_guard<std::mutex> guard(DefaultHookMutex());
        hook = DefaultHook();
    }
    if (!hook || CreateDragBuffer() == 0) {
        return;
    }
    hook(dragBuffer_, dragFiles_);
}

int CDragDropFiles::CreateDragBuffer() {
    dragBuffer_.mimeType = songcore::kUriListMimeType;
    dragBuffer_.data = songcore::MakeUriList(dragFiles_);
    return static_cast<int>(dragBuffer_.data.size());
}

uint32_t CDragDropFiles::StartDropFiles(HDROP drop) {
    if (drop == nullptr) {
        dropFiles_.clear();
        return 0;
    }
    return StartDropFiles(drop->mimeType, drop->data);
}

uint32_t CDragDropFiles::StartDropFiles(std::string_view mimeType, std::string_view data) {
    dropFiles_ = songcore::ParseDropPayload(mimeType, data);
    return GetDropFileCount();
}

std::string CDragDropFiles::GetDropFile(uint32_t index) const {
    return index < dropFiles_.size() ? dropFiles_[index] : std::string();
}

void CDragDropFiles::EndDropFiles() {
    dropFiles_.clear();
}
