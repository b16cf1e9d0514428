#include "songcore/util/CurlLibrary.h"

#include "songcore/util/SharedLibrary.h"

namespace songcore {
namespace {

bool Load(CurlLibrary& f, std::string& e) {
    void* library = OpenSharedLibrary({"libcurl.so.4", "libcurl-gnutls.so.4"}, e);
    if (!library) {
        return false;
    }
    decltype(&::curl_global_init) globalInit = nullptr;
    BindFunction(library, "curl_global_init", globalInit, e);
    BindFunction(library, "curl_easy_init", f.easy_init, e);
    BindFunction(library, "curl_easy_cleanup", f.easy_cleanup, e);
    BindFunction(library, "curl_easy_setopt", f.easy_setopt, e);
    BindFunction(library, "curl_easy_perform", f.easy_perform, e);
    BindFunction(library, "curl_easy_getinfo", f.easy_getinfo, e);
    BindFunction(library, "curl_easy_strerror", f.easy_strerror, e);
    BindFunction(library, "curl_multi_init", f.multi_init, e);
    BindFunction(library, "curl_multi_cleanup", f.multi_cleanup, e);
    BindFunction(library, "curl_multi_add_handle", f.multi_add_handle, e);
    BindFunction(library, "curl_multi_remove_handle", f.multi_remove_handle, e);
    BindFunction(library, "curl_multi_perform", f.multi_perform, e);
    BindFunction(library, "curl_multi_poll", f.multi_poll, e);
    BindFunction(library, "curl_multi_info_read", f.multi_info_read, e);
    BindFunction(library, "curl_url", f.url, e);
    BindFunction(library, "curl_url_cleanup", f.url_cleanup, e);
    BindFunction(library, "curl_url_get", f.url_get, e);
    BindFunction(library, "curl_url_set", f.url_set, e);
    BindFunction(library, "curl_free", f.free, e);
    if (!e.empty()) {
        return false;
    }
    // Runs before any other thread of ours can use the library: Get's
    // static makes every caller wait for it.
    if (CURLcode result = globalInit(CURL_GLOBAL_DEFAULT); result != CURLE_OK) {
        e = std::string("cannot set up libcurl: ") + f.easy_strerror(result);
        return false;
    }
    return true;
}

}  // namespace

const CurlLibrary* CurlLibrary::Get(std::string* error) {
    return LoadLibraryOnce<CurlLibrary>(&Load, error);
}

const CurlLibrary& Curl() {
    return *CurlLibrary::Get();
}

}  // namespace songcore
