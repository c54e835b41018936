// Fuzz target: any bytes as the URL of the catalogue's HTTP client and of the downloader.
// What each gives the transport carries no CR, LF, space or other control byte in the
// request line or the host; the client connects to the host and port it cracked; both take
// the same URLs and ask for the same host, port, path and query.
#include "download/mhttp_get_resume.h"
#include "http/http_client_exception.h"
#include "http/winhttp_client.h"
#include "platform/http_url.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "broken invariant: %s\n", what);
        std::abort();
    }
}

bool clean(const std::string& text) {
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c <= 0x20 || c == 0x7F)
            return false;
    }
    return true;
}

std::optional<sw::HttpRequestTarget> viaClient(const std::string& url) {
    sw::TALWinHttpClient client;
    try {
        client.setURL(url);
    } catch (const sw::EALHTTPClientException&) {
        return std::nullopt;
    }
    auto target = sw::httpRequestTarget(client.requestUrl());
    if (target) {
        // The transport writes some hosts its own way ("12.1" is 12.0.0.1): compare the host
        // the client cracked as the transport reads it alone.
        const auto cracked = sw::httpRequestTarget("http://" + client.CrackedUrl().host + "/");
        check(cracked && target->host == cracked->host, "the client connects to the host it cracked");
        check(target->port == client.CrackedUrl().port, "the client connects to the port it cracked");
    }
    return target;
}

std::optional<sw::HttpRequestTarget> viaDownloader(const std::string& url) {
    static sw::TMHttpGetResume downloader;
    downloader.MURL = url;
    return sw::httpRequestTarget(downloader.requestUrl());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string url(reinterpret_cast<const char*>(data), size);
    const auto client = viaClient(url);
    const auto downloader = viaDownloader(url);
    for (const auto* target : {&client, &downloader}) {
        if (*target) {
            check(clean((*target)->target), "no CR, LF, space or control byte in the request line");
            check(clean((*target)->host), "no CR, LF, space or control byte in the host");
            check(!(*target)->target.empty() && (*target)->target.front() == '/',
                  "the request target is an absolute path");
        }
    }
    check(client.has_value() == downloader.has_value(), "client and downloader take the same URLs");
    if (client && downloader) {
        check(client->host == downloader->host, "client and downloader ask the same host");
        check(client->port == downloader->port, "client and downloader ask the same port");
        check(client->target == downloader->target, "client and downloader ask the same path and query");
    }
    return 0;
}
