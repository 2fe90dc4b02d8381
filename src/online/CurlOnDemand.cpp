// libcurl is loaded on the first request, not when a process starts: with the TLS, Kerberos and
// LDAP libraries it pulls in, it cost half of the command line's start, and most runs never go
// online. These definitions stand in for the library's exports and forward to it. Without the
// library, a handle cannot be made and every request fails as curl's own failures do.
#define CURL_DISABLE_TYPECHECK
#include <curl/curl.h>
#include <dlfcn.h>

#include <cstdarg>

// curl declares its option and information names as enums ahead of the variable argument;
// clang warns that such a parameter may be promoted, which an enum of small non-negative
// values is not. curl's own definitions read their argument the same way.
#if defined(__clang__)
#pragma clang diagnostic ignored "-Wvarargs"
#endif

namespace {

constexpr const char* kLibrary = "libcurl.so.4";

void* Library() {
    static void* const handle = ::dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
    return handle;
}

// Null when the library or the function is missing.
template <typename Function>
Function Resolve(const char* name) {
    void* library = Library();
    return library != nullptr ? reinterpret_cast<Function>(::dlsym(library, name)) : nullptr;
}

#define CURL_REAL(name) static const auto real = Resolve<decltype(&::name)>(#name)

}  // namespace

extern "C" {

CURLcode curl_global_init(long flags) {
    CURL_REAL(curl_global_init);
    return real != nullptr ? real(flags) : CURLE_FAILED_INIT;
}

CURL* curl_easy_init() {
    CURL_REAL(curl_easy_init);
    return real != nullptr ? real() : nullptr;
}

// Every handle came from curl_easy_init, so the library is there whenever these are called
// with one.
void curl_easy_cleanup(CURL* handle) {
    CURL_REAL(curl_easy_cleanup);
    if (real != nullptr)
        real(handle);
}

CURLcode curl_easy_perform(CURL* handle) {
    CURL_REAL(curl_easy_perform);
    return real != nullptr ? real(handle) : CURLE_FAILED_INIT;
}

// The one variable argument is read by its kind, which the option's number range tells, as
// curl itself reads it.
CURLcode curl_easy_setopt(CURL* handle, CURLoption option, ...) {
    CURL_REAL(curl_easy_setopt);
    if (real == nullptr)
        return CURLE_FAILED_INIT;
    va_list arguments;
    va_start(arguments, option);
    CURLcode code = CURLE_OK;
    if (option < CURLOPTTYPE_OBJECTPOINT)
        code = real(handle, option, va_arg(arguments, long));
    else if (option >= CURLOPTTYPE_OFF_T && option < CURLOPTTYPE_BLOB)
        code = real(handle, option, va_arg(arguments, curl_off_t));
    else
        code = real(handle, option, va_arg(arguments, void*));
    va_end(arguments);
    return code;
}

CURLcode curl_easy_getinfo(CURL* handle, CURLINFO info, ...) {
    CURL_REAL(curl_easy_getinfo);
    if (real == nullptr)
        return CURLE_FAILED_INIT;
    va_list arguments;
    va_start(arguments, info);
    const CURLcode code = real(handle, info, va_arg(arguments, void*));
    va_end(arguments);
    return code;
}

curl_slist* curl_slist_append(curl_slist* list, const char* text) {
    CURL_REAL(curl_slist_append);
    return real != nullptr ? real(list, text) : nullptr;
}

void curl_slist_free_all(curl_slist* list) {
    CURL_REAL(curl_slist_free_all);
    if (real != nullptr)
        real(list);
}

}  // extern "C"
