// libcurl is loaded when the transport first calls it, not when the program starts: the
// commands that never go online then start without it and the TLS, Kerberos and LDAP
// libraries it brings, whose loading and initialisation take about 20 ms of processor time,
// more than extracting a small package. The functions the transport calls are
// defined here under their own names and forward to the library's.
#include <curl/curl.h>
#include <dlfcn.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

// libcurl's variadic functions name an enum as their last fixed parameter. Its type here is
// int or unsigned int, which promotion leaves as it is, so va_start is sound; clang warns
// about every enum.
#if defined(__clang__)
#pragma clang diagnostic ignored "-Wvarargs"
#endif

namespace {

constexpr const char* kLibrary = "libcurl.so.4";

using AnyFunction = void (*)();

struct CurlLibrary {
    decltype(&::curl_global_init) global_init;
    decltype(&::curl_easy_init) easy_init;
    decltype(&::curl_easy_cleanup) easy_cleanup;
    decltype(&::curl_easy_setopt) easy_setopt;
    decltype(&::curl_easy_getinfo) easy_getinfo;
    decltype(&::curl_easy_pause) easy_pause;
    decltype(&::curl_easy_strerror) easy_strerror;
    decltype(&::curl_free) free;
    decltype(&::curl_multi_init) multi_init;
    decltype(&::curl_multi_cleanup) multi_cleanup;
    decltype(&::curl_multi_add_handle) multi_add_handle;
    decltype(&::curl_multi_remove_handle) multi_remove_handle;
    decltype(&::curl_multi_perform) multi_perform;
    decltype(&::curl_multi_poll) multi_poll;
    decltype(&::curl_multi_info_read) multi_info_read;
    decltype(&::curl_multi_strerror) multi_strerror;
    decltype(&::curl_share_init) share_init;
    decltype(&::curl_share_cleanup) share_cleanup;
    decltype(&::curl_share_setopt) share_setopt;
    decltype(&::curl_slist_append) slist_append;
    decltype(&::curl_slist_free_all) slist_free_all;
    decltype(&::curl_url) url;
    decltype(&::curl_url_cleanup) url_cleanup;
    decltype(&::curl_url_get) url_get;
    decltype(&::curl_url_set) url_set;
};

[[noreturn]] void cannotLoad(const char* what) {
    // The program cannot go online without it; before it was loaded on demand, it did not start.
    std::fprintf(stderr, "skinwright: cannot load %s: %s\n", kLibrary, what ? what : "unknown error");
    std::abort();
}

template <typename F> void resolve(void* library, const char* name, F& function) {
    void* symbol = ::dlsym(library, name);
    if (!symbol)
        cannotLoad(::dlerror());
    function = reinterpret_cast<F>(symbol);
}

CurlLibrary load() {
    void* library = ::dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
    if (!library)
        cannotLoad(::dlerror());
    CurlLibrary c{};
    resolve(library, "curl_global_init", c.global_init);
    resolve(library, "curl_easy_init", c.easy_init);
    resolve(library, "curl_easy_cleanup", c.easy_cleanup);
    resolve(library, "curl_easy_setopt", c.easy_setopt);
    resolve(library, "curl_easy_getinfo", c.easy_getinfo);
    resolve(library, "curl_easy_pause", c.easy_pause);
    resolve(library, "curl_easy_strerror", c.easy_strerror);
    resolve(library, "curl_free", c.free);
    resolve(library, "curl_multi_init", c.multi_init);
    resolve(library, "curl_multi_cleanup", c.multi_cleanup);
    resolve(library, "curl_multi_add_handle", c.multi_add_handle);
    resolve(library, "curl_multi_remove_handle", c.multi_remove_handle);
    resolve(library, "curl_multi_perform", c.multi_perform);
    resolve(library, "curl_multi_poll", c.multi_poll);
    resolve(library, "curl_multi_info_read", c.multi_info_read);
    resolve(library, "curl_multi_strerror", c.multi_strerror);
    resolve(library, "curl_share_init", c.share_init);
    resolve(library, "curl_share_cleanup", c.share_cleanup);
    resolve(library, "curl_share_setopt", c.share_setopt);
    resolve(library, "curl_slist_append", c.slist_append);
    resolve(library, "curl_slist_free_all", c.slist_free_all);
    resolve(library, "curl_url", c.url);
    resolve(library, "curl_url_cleanup", c.url_cleanup);
    resolve(library, "curl_url_get", c.url_get);
    resolve(library, "curl_url_set", c.url_set);
    return c;
}

const CurlLibrary& curlLibrary() {
    static const CurlLibrary library = load();
    return library;
}

} // namespace

extern "C" {

CURLcode curl_global_init(long flags) {
    return curlLibrary().global_init(flags);
}

CURL* curl_easy_init(void) {
    return curlLibrary().easy_init();
}

void curl_easy_cleanup(CURL* curl) {
    curlLibrary().easy_cleanup(curl);
}

// The argument's type follows from the option's number (curl.h, CURLOPTTYPE_*).
CURLcode curl_easy_setopt(CURL* curl, CURLoption option, ...) {
    va_list args;
    va_start(args, option);
    CURLcode result;
    const auto f = curlLibrary().easy_setopt;
    if (option < CURLOPTTYPE_OBJECTPOINT)
        result = f(curl, option, va_arg(args, long));
    else if (option < CURLOPTTYPE_FUNCTIONPOINT)
        result = f(curl, option, va_arg(args, void*));
    else if (option < CURLOPTTYPE_OFF_T)
        result = f(curl, option, va_arg(args, AnyFunction));
    else if (option < CURLOPTTYPE_BLOB)
        result = f(curl, option, va_arg(args, curl_off_t));
    else
        result = f(curl, option, va_arg(args, void*));
    va_end(args);
    return result;
}

// Every CURLINFO takes a pointer to where the answer goes.
CURLcode curl_easy_getinfo(CURL* curl, CURLINFO info, ...) {
    va_list args;
    va_start(args, info);
    void* where = va_arg(args, void*);
    va_end(args);
    return curlLibrary().easy_getinfo(curl, info, where);
}

CURLcode curl_easy_pause(CURL* handle, int bitmask) {
    return curlLibrary().easy_pause(handle, bitmask);
}

const char* curl_easy_strerror(CURLcode code) {
    return curlLibrary().easy_strerror(code);
}

void curl_free(void* p) {
    curlLibrary().free(p);
}

CURLM* curl_multi_init(void) {
    return curlLibrary().multi_init();
}

CURLMcode curl_multi_cleanup(CURLM* multi) {
    return curlLibrary().multi_cleanup(multi);
}

CURLMcode curl_multi_add_handle(CURLM* multi, CURL* easy) {
    return curlLibrary().multi_add_handle(multi, easy);
}

CURLMcode curl_multi_remove_handle(CURLM* multi, CURL* easy) {
    return curlLibrary().multi_remove_handle(multi, easy);
}

CURLMcode curl_multi_perform(CURLM* multi, int* running) {
    return curlLibrary().multi_perform(multi, running);
}

CURLMcode curl_multi_poll(CURLM* multi, struct curl_waitfd extra[], unsigned extraCount, int timeoutMs,
                          int* ready) {
    return curlLibrary().multi_poll(multi, extra, extraCount, timeoutMs, ready);
}

CURLMsg* curl_multi_info_read(CURLM* multi, int* queued) {
    return curlLibrary().multi_info_read(multi, queued);
}

const char* curl_multi_strerror(CURLMcode code) {
    return curlLibrary().multi_strerror(code);
}

CURLSH* curl_share_init(void) {
    return curlLibrary().share_init();
}

CURLSHcode curl_share_cleanup(CURLSH* share) {
    return curlLibrary().share_cleanup(share);
}

// CURLSHOPT_SHARE and _UNSHARE take an int (curl_lock_data), the lock functions a function,
// CURLSHOPT_USERDATA a pointer.
CURLSHcode curl_share_setopt(CURLSH* share, CURLSHoption option, ...) {
    va_list args;
    va_start(args, option);
    CURLSHcode result;
    const auto f = curlLibrary().share_setopt;
    if (option == CURLSHOPT_SHARE || option == CURLSHOPT_UNSHARE)
        result = f(share, option, va_arg(args, int));
    else if (option == CURLSHOPT_LOCKFUNC || option == CURLSHOPT_UNLOCKFUNC)
        result = f(share, option, va_arg(args, AnyFunction));
    else
        result = f(share, option, va_arg(args, void*));
    va_end(args);
    return result;
}

struct curl_slist* curl_slist_append(struct curl_slist* list, const char* text) {
    return curlLibrary().slist_append(list, text);
}

void curl_slist_free_all(struct curl_slist* list) {
    curlLibrary().slist_free_all(list);
}

CURLU* curl_url(void) {
    return curlLibrary().url();
}

void curl_url_cleanup(CURLU* handle) {
    curlLibrary().url_cleanup(handle);
}

CURLUcode curl_url_get(CURLU* handle, CURLUPart what, char** part, unsigned int flags) {
    return curlLibrary().url_get(handle, what, part, flags);
}

CURLUcode curl_url_set(CURLU* handle, CURLUPart what, const char* part, unsigned int flags) {
    return curlLibrary().url_set(handle, what, part, flags);
}

} // extern "C"
