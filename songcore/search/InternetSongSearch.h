#pragma once
// Finds songs with a web search service: a worker thread fetches the
// service's result pages one after another and reports every song link on
// them through MusicFile, which a user of the class overrides. Paging ends
// at the first page without links, or on Stop.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "songcore/threads/ThreadManager.h"

namespace songcore {
class HttpSession;
}

class CInternetSongSearch {
public:
    CInternetSongSearch();
    // Stops and waits for every search thread. A derived class whose
    // MusicFile uses its own members must call Stop and Wait in its own
    // destructor, before those members go away.
    virtual ~CInternetSongSearch();
    CInternetSongSearch(const CInternetSongSearch&) = delete;
    CInternetSongSearch& operator=(const CInternetSongSearch&) = delete;

    // Stops any search, then connects to the service: host is a host name or
    // an http(s) URL without a path; port (when above 0) applies when the host
    // gives none. 1 when the service answered, else 0.
    int Connect(const std::string& host, int port);
    // Starts one search thread; returns at once. pathFormat holds "%s" for
    // the query and "%d" for the result offset; the first page is at
    // firstOffset, each next one step further.
    void PostQuery(const std::string& pathFormat, const std::string& query, uint32_t firstOffset,
                   uint32_t step, const std::string& extensions);
    // Ends the connection, so that a request in flight fails at once, and
    // requests stop of every search thread; returns at once. Connect again
    // before the next PostQuery.
    void Stop();
    // Blocks until every search thread has ended.
    void Wait();
    int IsSearching() const { return threads_.GetCount() > 0 ? 1 : 0; }

    // Fetches one result page and reports its links; 1 when there was one.
    int AnalysePage(CThread* thread, const std::string& path, const std::string& extensions);

    // Why the last Connect or page fetch failed ("" when none did).
    std::string GetErrorMessage() const;
    // Seconds allowed to reach the service (Connect and every page).
    void SetConnectTimeOut(int seconds) { connectTimeOut_ = seconds > 0 ? seconds : 15; }

protected:
    // Called on the search thread for every link found, as it stands in the page.
    virtual void MusicFile(const std::string& link);

    static uint32_t SearchThread(THREAD_PARAM* param);
    // Scans a saved page line by line; 1 when at least one link was reported.
    int AnalyseFile(CThread* thread, const std::string& fileName, const std::string& extensions);

private:
    void SetError(const std::string& message);

    mutable std::mutex mutex_;  // guards session_ and error_
    std::shared_ptr<songcore::HttpSession> session_;
    std::string error_;
    int connectTimeOut_ = 15;
    // Last, so that it is destroyed (and the searches have ended) first.
    CThreadManager threads_;
};
