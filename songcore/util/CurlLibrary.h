#pragma once
// libcurl, loaded and set up on the first internet transfer (SharedLibrary.h
// says why), for every part of the library that talks HTTP.

#include <curl/curl.h>

#include <string>

namespace songcore {

struct CurlLibrary {
    decltype(&::curl_easy_init) easy_init = nullptr;
    decltype(&::curl_easy_cleanup) easy_cleanup = nullptr;
    decltype(&::curl_easy_setopt) easy_setopt = nullptr;
    decltype(&::curl_easy_perform) easy_perform = nullptr;
    decltype(&::curl_easy_getinfo) easy_getinfo = nullptr;
    decltype(&::curl_easy_strerror) easy_strerror = nullptr;
    decltype(&::curl_multi_init) multi_init = nullptr;
    decltype(&::curl_multi_cleanup) multi_cleanup = nullptr;
    decltype(&::curl_multi_add_handle) multi_add_handle = nullptr;
    decltype(&::curl_multi_remove_handle) multi_remove_handle = nullptr;
    decltype(&::curl_multi_perform) multi_perform = nullptr;
    decltype(&::curl_multi_poll) multi_poll = nullptr;
    decltype(&::curl_multi_info_read) multi_info_read = nullptr;
    decltype(&::curl_url) url = nullptr;
    decltype(&::curl_url_cleanup) url_cleanup = nullptr;
    decltype(&::curl_url_get) url_get = nullptr;
    decltype(&::curl_url_set) url_set = nullptr;
    decltype(&::curl_free) free = nullptr;

    // Loads the library and runs its process-wide set-up once; null when
    // it cannot be loaded, with the reason in error.
    static const CurlLibrary* Get(std::string* error = nullptr);
};

// The library, for code that only runs once Get has returned it (a
// transfer's handles and what frees them).
const CurlLibrary& Curl();

}  // namespace songcore
