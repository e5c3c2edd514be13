#pragma once

#include <curl/curl.h>

namespace kalvuno {

// libcurl's entry points, loaded by the first transfer rather than when the
// program starts: libcurl with the TLS, Kerberos and LDAP libraries it brings
// costs the start more linking than the whole user interface does, and a
// session that plays local files never needs it. When it cannot be loaded,
// every entry fails as libcurl fails when it has no memory: no handle,
// CURLE_FAILED_INIT, CURLM_INTERNAL_ERROR.
struct CurlLibrary
{
    decltype(&::curl_easy_init) easy_init;
    decltype(&::curl_easy_cleanup) easy_cleanup;
    decltype(&::curl_easy_setopt) easy_setopt;
    decltype(&::curl_easy_getinfo) easy_getinfo;
    decltype(&::curl_slist_append) slist_append;
    decltype(&::curl_slist_free_all) slist_free_all;
    decltype(&::curl_multi_init) multi_init;
    decltype(&::curl_multi_add_handle) multi_add_handle;
    decltype(&::curl_multi_remove_handle) multi_remove_handle;
    decltype(&::curl_multi_perform) multi_perform;
    decltype(&::curl_multi_poll) multi_poll;
    decltype(&::curl_multi_info_read) multi_info_read;
    decltype(&::curl_multi_cleanup) multi_cleanup;
    bool loaded = false;
};

// Loads libcurl and runs its global set-up on the first call, from any thread.
const CurlLibrary &curl();

} // namespace kalvuno
