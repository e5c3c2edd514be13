#include "CurlLibrary.h"

#include <QtGlobal>
#include <dlfcn.h>

namespace kalvuno {

namespace {

// libcurl's soname has been the same since 2006.
constexpr const char *kCurlSoname = "libcurl.so.4";

CURL *noEasy() { return nullptr; }
void noEasyCleanup(CURL *) {}
CURLcode failEasy(CURL *, CURLoption, ...) { return CURLE_FAILED_INIT; }
CURLcode failInfo(CURL *, CURLINFO, ...) { return CURLE_FAILED_INIT; }
curl_slist *noList(curl_slist *, const char *) { return nullptr; }
void noListFree(curl_slist *) {}
CURLM *noMulti() { return nullptr; }
CURLMcode failMulti(CURLM *, CURL *) { return CURLM_INTERNAL_ERROR; }
CURLMcode failPerform(CURLM *, int *) { return CURLM_INTERNAL_ERROR; }
CURLMcode failPoll(CURLM *, curl_waitfd[], unsigned int, int, int *) { return CURLM_INTERNAL_ERROR; }
CURLMsg *noMessage(CURLM *, int *) { return nullptr; }
CURLMcode failCleanup(CURLM *) { return CURLM_INTERNAL_ERROR; }

constexpr CurlLibrary kMissing{noEasy,  noEasyCleanup, failEasy,    failInfo,  noList,    noListFree,  noMulti,
                               failMulti, failMulti,   failPerform, failPoll, noMessage, failCleanup, false};

template <class F> bool resolve(void *library, const char *name, F &entry)
{
    entry = reinterpret_cast<F>(dlsym(library, name));
    return entry != nullptr;
}

CurlLibrary load()
{
    // Never unloaded: its global state lives as long as the program.
    void *library = dlopen(kCurlSoname, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        qWarning("kalvuno: cannot load %s: %s", kCurlSoname, dlerror());
        return kMissing;
    }
    CurlLibrary c = kMissing;
    decltype(&::curl_global_init) globalInit = nullptr;
    const bool complete =
        resolve(library, "curl_global_init", globalInit) && resolve(library, "curl_easy_init", c.easy_init) &&
        resolve(library, "curl_easy_cleanup", c.easy_cleanup) && resolve(library, "curl_easy_setopt", c.easy_setopt) &&
        resolve(library, "curl_easy_getinfo", c.easy_getinfo) && resolve(library, "curl_slist_append", c.slist_append) &&
        resolve(library, "curl_slist_free_all", c.slist_free_all) && resolve(library, "curl_multi_init", c.multi_init) &&
        resolve(library, "curl_multi_add_handle", c.multi_add_handle) &&
        resolve(library, "curl_multi_remove_handle", c.multi_remove_handle) &&
        resolve(library, "curl_multi_perform", c.multi_perform) && resolve(library, "curl_multi_poll", c.multi_poll) &&
        resolve(library, "curl_multi_info_read", c.multi_info_read) &&
        resolve(library, "curl_multi_cleanup", c.multi_cleanup);
    if (!complete || globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        qWarning("kalvuno: %s is not a usable libcurl", kCurlSoname);
        return kMissing;
    }
    c.loaded = true;
    return c;
}

} // namespace

const CurlLibrary &curl()
{
    static const CurlLibrary library = load();
    return library;
}

} // namespace kalvuno
