// tunemoss search: finds song files below folders, or song links on the
// result pages of a web search service.
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "cli/Command.h"
#include "cli/Options.h"
#include "cli/SongExtensions.h"
#include "songcore/search/InternetSongSearch.h"
#include "songcore/search/LocalSongSearch.h"
#include "songcore/util/NetworkDeadline.h"

namespace tunemoss {
namespace {

const std::vector<OptionSpec> kOptions = {
    {"ext", ValueKind::Text},
    {"web", ValueKind::Text},
    {"query", ValueKind::Text},
    {"first", ValueKind::Text},
    {"step", ValueKind::Text},
    {"deadline", ValueKind::Text},
    {"print0"},
};

// Prints each result as the search thread reports it.
class Printer {
public:
    explicit Printer(char separator) : separator_(separator) {}
    void Print(const std::string& text) {
        std::lock_guard lock(mutex_);
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fputc(separator_, stdout);
        ++count_;
    }
    size_t count() {
        std::lock_guard lock(mutex_);
        return count_;
    }

private:
    std::mutex mutex_;
    char separator_;
    size_t count_ = 0;
};

class PrintingLocalSearch : public CLocalSongSearch {
public:
    explicit PrintingLocalSearch(Printer& printer) : printer_(printer) {}
    ~PrintingLocalSearch() override {
        Stop();
        Wait();
    }

protected:
    void MusicFile(const std::string& path) override { printer_.Print(path); }

private:
    Printer& printer_;
};

class PrintingInternetSearch : public CInternetSongSearch {
public:
    explicit PrintingInternetSearch(Printer& printer) : printer_(printer) {}
    ~PrintingInternetSearch() override {
        Stop();
        Wait();
    }

protected:
    void MusicFile(const std::string& link) override { printer_.Print(link); }

private:
    Printer& printer_;
};

int SearchFolders(const Options& options, const std::string& extensions, Printer& printer) {
    if (options.positional().empty()) {
        return UsageError("search", "no folder given");
    }
    int status = kExitOk;
    PrintingLocalSearch search(printer);
    for (const std::string& path : options.positional()) {
        struct stat info;
        if (::stat(path.c_str(), &info) != 0) {
            ReportFileError(path, std::strerror(errno));
            status = kExitFailure;
            continue;
        }
        search.Search(extensions, path);
        search.Wait();
    }
    return status;
}

bool ParseOffset(const Options& options, const std::string& name, uint32_t& value) {
    std::optional<std::string> text = options.value(name);
    if (!text) {
        return true;
    }
    std::optional<unsigned long> number = ParseUnsigned(*text);
    if (!number || *number > UINT32_MAX) {
        return false;
    }
    value = static_cast<uint32_t>(*number);
    return true;
}

int SearchWeb(const Options& options, const std::string& extensions, Printer& printer) {
    if (!options.positional().empty()) {
        return UsageError("search", "--web takes no folders");
    }
    std::optional<std::string> query = options.value("query");
    if (!query) {
        return UsageError("search", "--web needs --query");
    }
    uint32_t first = 1, step = 30;
    if (!ParseOffset(options, "first", first) || !ParseOffset(options, "step", step)) {
        return UsageError("search", "--first and --step take a whole number");
    }
    // "http://host:port/path?q=%s&b=%d": the service, then the page path.
    std::string url = *options.value("web");
    size_t scheme = url.find("://");
    if (scheme == std::string::npos) {
        return UsageError("search", "--web needs an http:// or https:// address");
    }
    size_t slash = url.find('/', scheme + 3);
    std::string service = url.substr(0, slash);
    std::string pathFormat = slash == std::string::npos ? "/" : url.substr(slash);

    PrintingInternetSearch search(printer);
    if (!search.Connect(service, 0)) {
        ReportFileError(service, "cannot connect: " + search.GetErrorMessage());
        return kExitFailure;
    }
    search.PostQuery(pathFormat, *query, first, step, extensions);
    search.Wait();
    // Paging normally ends at a page without links; a failed fetch before any
    // link was found means the search itself did not work.
    std::string error = search.GetErrorMessage();
    if (printer.count() == 0 && !error.empty()) {
        ReportError(error);
        return kExitFailure;
    }
    return kExitOk;
}

int RunSearch(const std::vector<std::string>& args) {
    Options options(kOptions);
    if (!options.parse(args)) {
        return UsageError("search", options.error());
    }
    std::optional<int> deadline;
    if (!ParseDeadline(options, deadline)) {
        return UsageError("search", "--deadline takes whole seconds, 1 to 86400");
    }
    if (deadline) {
        songcore::SetTransferDeadlineMs(*deadline);
    }
    std::string extensions = options.value("ext").value_or(kAllSongExtensions);
    Printer printer(options.has("print0") ? '\0' : '\n');
    int status = options.has("web") ? SearchWeb(options, extensions, printer)
                                    : SearchFolders(options, extensions, printer);
    std::fflush(stdout);
    return status;
}

const CommandRegistrar registrar({
    "search",
    "find song files in folders, or song links with a web search service",
    "Usage: tunemoss search [--ext LIST] [--print0] PATH...\n"
    "       tunemoss search --web URL-TEMPLATE --query TEXT [--ext LIST]\n"
    "                       [--first N] [--step N] [--deadline SECONDS] [--print0]\n"
    "Walks each PATH (a folder and its subfolders, or one file) and prints every\n"
    "file whose name ends in one of the extensions. With --web, fetches the result\n"
    "pages of a web search service and prints every song link on them, paging on\n"
    "while pages hold links.\n\n"
    "  --ext LIST          extensions separated by \";\", any case\n"
    "                      (default: every song type)\n"
    "  --web URL-TEMPLATE  an http(s) address in which \"%s\" stands for the query\n"
    "                      and \"%d\" for the result offset, e.g.\n"
    "                      'http://host/find?q=%s&start=%d'\n"
    "  --query TEXT        the search text; blanks and other characters that\n"
    "                      cannot stand in an address are percent-encoded\n"
    "  --first N           offset of the first result page (default 1)\n"
    "  --step N            offset from one page to the next (default 30)\n"
    "  --deadline SECONDS  give up a result page that takes longer than this in\n"
    "                      all (default 120)\n"
    "  --print0            end each result with a NUL instead of a line break\n",
    &RunSearch,
    kOptions,
    ValueKind::Folder,
    {},
    "tunemoss search --ext \"mp3;flac\" ~/Music\n"
    "tunemoss search --print0 ~/Music | xargs -0 tunemoss show --json\n"
    "tunemoss search --web 'http://host/find?q=%s&start=%d' --query \"blue in green\"\n",
});

}  // namespace
}  // namespace tunemoss
