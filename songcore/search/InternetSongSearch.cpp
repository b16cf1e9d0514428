#include "songcore/search/InternetSongSearch.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <limits>
#include <vector>

#include "songcore/search/HttpSession.h"
#include "songcore/search/ResultPage.h"

namespace {

// A fresh, private temporary file, removed however the fetch ends.
class TempPage {
public:
    TempPage() {
        std::error_code ignored;
        std::filesystem::path dir = std::filesystem::temp_directory_path(ignored);
        std::string pattern =
            (dir.empty() ? std::string("/tmp") : dir.string()) + "/tunemoss-page-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        fd_ = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd_ >= 0) {
            name_ = name.data();
        }
    }
    ~TempPage() {
        if (fd_ >= 0) {
            ::close(fd_);
            ::unlink(name_.c_str());
        }
    }
    TempPage(const TempPage&) = delete;
    TempPage& operator=(const TempPage&) = delete;
    int fd() const { return fd_; }
    const std::string& name() const { return name_; }

private:
    int fd_ = -1;
    std::string name_;
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// A line longer than this is scanned in pieces, so that a page without line
// breaks cannot make one huge line in memory.
constexpr size_t kMaxLine = 1 << 20;

}  // namespace

CInternetSongSearch::CInternetSongSearch() = default;

CInternetSongSearch::~CInternetSongSearch() {
    Stop();
    Wait();
}

int CInternetSongSearch::Connect(const std::string& host, int port) {
    Stop();
    std::string error;
    std::shared_ptr<songcore::HttpSession> session =
        songcore::HttpSession::Open(host, port, connectTimeOut_, error);
    std::lock_guard guard(mutex_);
    session_ = session;
    error_ = error;
    return session ? 1 : 0;
}

void CInternetSongSearch::PostQuery(const std::string& pathFormat, const std::string& query,
                                    uint32_t firstOffset, uint32_t step,
                                    const std::string& extensions) {
    auto param = std::make_unique<THREAD_PARAM>();
    param->owner = this;
    param->text2 = extensions;
    param->text3 = pathFormat;
    param->text4 = query;
    param->number1 = firstOffset;
    param->number2 = step;
    threads_.CreateThread(&CInternetSongSearch::SearchThread, std::move(param));
}

void CInternetSongSearch::Stop() {
    std::shared_ptr<songcore::HttpSession> session;
    {
        std::lock_guard guard(mutex_);
        session.swap(session_);
    }
    // Threads still fetching hold the session themselves; closing it makes
    // their requests fail without pulling it from under them.
    if (session) {
        session->Close();
    }
    threads_.TerminateAll();
}

void CInternetSongSearch::Wait() {
    threads_.Wait();
}

std::string CInternetSongSearch::GetErrorMessage() const {
    std::lock_guard guard(mutex_);
    return error_;
}

void CInternetSongSearch::SetError(const std::string& message) {
    std::lock_guard guard(mutex_);
    error_ = message;
}

void CInternetSongSearch::MusicFile(const std::string&) {}

uint32_t CInternetSongSearch::SearchThread(THREAD_PARAM* param) {
    auto* search = static_cast<CInternetSongSearch*>(param->owner);
    CThread* thread = param->thread;
    uint32_t offset = param->number1;
    const uint32_t step = param->number2;
    while (thread->IsRunning()) {
        std::string path = songcore::FillRequestPath(param->text3, param->text4, offset);
        if (!search->AnalysePage(thread, path, param->text2)) {
            break;
        }
        // A step of 0 would fetch the same page for ever, and an offset past
        // the largest one would start over at the first page.
        if (step == 0 || offset > std::numeric_limits<uint32_t>::max() - step) {
            break;
        }
        offset += step;
    }
    return 0;
}

int CInternetSongSearch::AnalysePage(CThread* thread, const std::string& path,
                                     const std::string& extensions) {
    std::shared_ptr<songcore::HttpSession> session;
    {
        std::lock_guard guard(mutex_);
        session = session_;
    }
    if (!session) {
        if (thread->IsRunning()) {
            SetError("not connected");
        }
        return 0;
    }
    TempPage page;
    if (page.fd() < 0) {
        SetError("cannot create a temporary file");
        return 0;
    }
    std::string error;
    auto keepGoing = [thread] { return thread->IsRunning() != 0; };
    if (!session->Get(path, page.fd(), keepGoing, error)) {
        if (thread->IsRunning() && !session->closed()) {
            SetError(session->baseUrl() + path + ": " + error);
        }
        return 0;
    }
    return AnalyseFile(thread, page.name(), extensions);
}

int CInternetSongSearch::AnalyseFile(CThread* thread, const std::string& fileName,
                                     const std::string& extensions) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(fileName.c_str(), "rb"));
    if (!file) {
        return 0;
    }
    // Without a thread (a page scanned on its own) nothing can stop the scan.
    auto keepGoing = [thread] { return thread == nullptr || thread->IsRunning() != 0; };
    auto report = [this](std::string_view link) { MusicFile(std::string(link)); };
    size_t count = 0;
    std::string line;
    auto scan = [&] {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        count += songcore::FindSongLinks(line, extensions, keepGoing, report);
        line.clear();
    };
    std::vector<char> buffer(64 * 1024);
    size_t got;
    while (keepGoing() && (got = std::fread(buffer.data(), 1, buffer.size(), file.get())) > 0) {
        for (size_t i = 0; i < got && keepGoing(); ++i) {
            if (buffer[i] == '\n') {
                scan();
            } else {
                line += buffer[i];
                if (line.size() >= kMaxLine) {
                    scan();
                }
            }
        }
    }
    if (!line.empty() && keepGoing()) {
        scan();
    }
    return count > 0 ? 1 : 0;
}
