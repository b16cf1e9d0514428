#include "songcore/files/SHFileInfo.h"

#include <sys/stat.h>

#include <cstdio>
#include <ctime>
#include <mutex>

#include "songcore/util/Text.h"

namespace {

std::mutex gChooserMutex;
CSHFileInfo::FolderChooser gChooser;

struct TypeName {
    const char* ext;
    const char* name;
};

const TypeName kTypeNames[] = {
    {"mp3", "MP3 audio"},           {"mp2", "MP2 audio"},
    {"mp1", "MP1 audio"},           {"wav", "WAV audio"},
    {"wave", "WAV audio"},          {"wma", "Windows Media audio"},
    {"wmv", "Windows Media video"}, {"asf", "Windows Media file"},
    {"ra", "RealAudio file"},       {"rm", "RealMedia file"},
    {"ogg", "Ogg Vorbis audio"},    {"oga", "Ogg audio"},
    {"opus", "Ogg Opus audio"},     {"flac", "FLAC audio"},
    {"aac", "AAC audio"},           {"ape", "Monkey's Audio"},
    {"apl", "Monkey's Audio link"}, {"mpc", "Musepack audio"},
    {"mp+", "Musepack audio"},      {"m4a", "MPEG-4 audio"},
    {"mp4", "MPEG-4 video"},        {"m4p", "MPEG-4 protected audio"},
    {"3gp", "3GP video"},           {"m3u", "M3U play list"},
    {"m3u8", "M3U play list"},      {"pls", "PLS play list"},
    {"sdf", "Song database"},       {"ini", "Configuration settings"},
    {"txt", "Text document"},       {"aif", "AIFF audio"},
    {"aiff", "AIFF audio"},         {"aifc", "AIFF-C audio"},
    {"dsf", "DSD audio"},           {"wv", "WavPack audio"},
    {"mka", "Matroska audio"},      {"mkv", "Matroska video"},
    {"webm", "WebM media"},
};

}  // namespace

CSHFileInfo::CSHFileInfo(const char* path) : path_(path ? path : "") {
    Split();
}

CSHFileInfo::CSHFileInfo(const std::filesystem::directory_entry& found)
    : path_(found.path().string()) {
    Split();
}

void CSHFileInfo::Split() {
    size_t slash = path_.rfind('/');
    dir_ = slash == std::string::npos ? std::string() : path_.substr(0, slash + 1);
    std::string file = slash == std::string::npos ? path_ : path_.substr(slash + 1);
    size_t dot = file.rfind('.');
    name_ = dot == std::string::npos ? file : file.substr(0, dot);
    ext_ = dot == std::string::npos ? std::string() : file.substr(dot);
}

std::string CSHFileInfo::GetDescription() const {
    struct stat st;
    if (::stat(path_.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        return "Folder";
    }
    if (ext_.size() <= 1) {
        return "File";
    }
    std::string ext = ext_.substr(1);
    for (const TypeName& type : kTypeNames) {
        if (songcore::EqualsIgnoreCaseAscii(ext, type.ext)) {
            return type.name;
        }
    }
    return songcore::ToUpperAscii(ext) + " File";
}

std::string CSHFileInfo::GetDisplayName() const {
    std::string name = GetFileName();
    return name.empty() ? path_ : name;
}

int CSHFileInfo::Exist() const {
    if (path_ == "/") {
        return 1;  // the root always exists
    }
    std::string lookup = path_;
    while (lookup.size() > 1 && lookup.back() == '/') {
        lookup.pop_back();
    }
    struct stat st;
    return !lookup.empty() && ::lstat(lookup.c_str(), &st) == 0 ? 1 : 0;
}

std::string CSHFileInfo::GetLastWriteTime() const {
    struct stat st;
    if (::stat(path_.c_str(), &st) != 0) {
        return {};
    }
    std::tm local{};
    time_t when = st.st_mtime;
    if (::localtime_r(&when, &local) == nullptr) {
        return {};
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.2d/%.2d/%d %.2d:%.2d", local.tm_mon + 1, local.tm_mday,
                  local.tm_year + 1900, local.tm_hour, local.tm_min);
    return text;
}

std::string CSHFileInfo::GroupThousands(uint64_t value) {
    std::string digits = std::to_string(value);
    std::string grouped;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            grouped += ',';
        }
        grouped += digits[i];
    }
    return grouped;
}

std::string CSHFileInfo::GetFileSize() const {
    struct stat st;
    if (::stat(path_.c_str(), &st) != 0) {
        return {};
    }
    return GroupThousands(static_cast<uint64_t>(st.st_size));
}

void CSHFileInfo::SetFolderChooser(FolderChooser chooser) {
    std::lock_guard lock(gChooserMutex);
    gChooser = std::move(chooser);
}

int CSHFileInfo::BrowseForFolder(void* owner) {
    FolderChooser chooser;
    {
        std::lock_guard lock(gChooserMutex);
        chooser = gChooser;
    }
    if (!chooser) {
        return 0;
    }
    if (title.empty()) {
        title = "Open";
    }
    return chooser(*this, owner) && !selectedPath.empty() ? 1 : 0;
}
