#pragma once

#include <functional>
#include <string>
#include <vector>

namespace sw {

// The request fields, in the order they are indexed (0 to 37) and sent: the property
// name and the field name on the wire.
#define SW_AL_HTTP_REQUEST_FIELDS(X)                                                                         \
    X(Accept, "Accept")                                                                                      \
    X(AcceptCharset, "Accept-Charset")                                                                       \
    X(AcceptEncoding, "Accept-Encoding")                                                                     \
    X(AcceptLanguage, "Accept-Language")                                                                     \
    X(Allow, "Allow")                                                                                        \
    X(Authorization, "Authorization")                                                                        \
    X(CacheControl, "Cache-Control")                                                                         \
    X(Connection, "Connection")                                                                              \
    X(ContentEncoding, "Content-Encoding")                                                                   \
    X(ContentLanguage, "Content-Language")                                                                   \
    X(ContentLength, "Content-Length")                                                                       \
    X(ContentLocation, "Content-Location")                                                                   \
    X(ContentMD5, "Content-MD5")                                                                             \
    X(ContentRange, "Content-Range")                                                                         \
    X(ContentType, "Content-Type")                                                                           \
    X(Date, "Date")                                                                                          \
    X(Expect, "Expect")                                                                                      \
    X(Expires, "Expires")                                                                                    \
    X(From, "From")                                                                                          \
    X(Host, "Host")                                                                                          \
    X(IfMatch, "If-Match")                                                                                   \
    X(IfModifiedSince, "If-Modified-Since")                                                                  \
    X(IfNoneMatch, "If-None-Match")                                                                          \
    X(IfRange, "If-Range")                                                                                   \
    X(IfUnmodifiedSince, "If-Unmodified-Since")                                                              \
    X(LastModified, "Last-Modified")                                                                         \
    X(MaxForwards, "Max-Forwards")                                                                           \
    X(Pragma, "Pragma")                                                                                      \
    X(ProxyAuthorization, "Proxy-Authorization")                                                             \
    X(Range, "Range")                                                                                        \
    X(Referer, "Referer")                                                                                    \
    X(TE, "TE")                                                                                              \
    X(Trailer, "Trailer")                                                                                    \
    X(TransferEncoding, "Transfer-Encoding")                                                                 \
    X(Upgrade, "Upgrade")                                                                                    \
    X(UserAgent, "User-Agent")                                                                               \
    X(Via, "Via")                                                                                            \
    X(Warning, "Warning")

// The header set a client sends with each request: one string per standard field,
// free "name:value" lines (CustomHeaders) and cookie lines (Cookies). OnChange reports the
// index of a field whose value really changed, kCustomHeadersIndex / kCookiesIndex for
// the two lists, and -1 when the whole set was cleared.
class TALHTTPRequestHeader {
public:
    enum FieldIndex : int {
#define SW_AL_FIELD_ENUM(name, text) k##name,
        SW_AL_HTTP_REQUEST_FIELDS(SW_AL_FIELD_ENUM)
#undef SW_AL_FIELD_ENUM
            kFieldCount
    };
    static constexpr int kCustomHeadersIndex = kFieldCount;
    static constexpr int kCookiesIndex = kFieldCount + 1;

    static constexpr const char* kDefaultAccept = "text/html, */*";
    static constexpr const char* kDefaultUserAgent = "Mozilla/3.0 (compatible; TALHTTPClient)";

    TALHTTPRequestHeader();

    // The wire name of field `index` ("Accept-Charset" for 1).
    static const char* fieldName(int index);

    const std::string& field(int index) const;
    void setField(int index, const std::string& value);

#define SW_AL_FIELD_ACCESSORS(name, text)                                                                    \
    const std::string& name() const {                                                                        \
        return m_fields[k##name];                                                                            \
    }                                                                                                        \
    void set##name(const std::string& value) {                                                               \
        setField(k##name, value);                                                                            \
    }
    SW_AL_HTTP_REQUEST_FIELDS(SW_AL_FIELD_ACCESSORS)
#undef SW_AL_FIELD_ACCESSORS

    const std::vector<std::string>& CustomHeaders() const {
        return m_customHeaders;
    }
    void setCustomHeaders(const std::vector<std::string>& lines);
    const std::vector<std::string>& Cookies() const {
        return m_cookies;
    }
    void setCookies(const std::vector<std::string>& lines);

    // Empties every field and both lists, then raises OnChange(-1).
    void clear();

    // "Name: value" lines in sending order: the non-empty standard fields, the custom
    // headers with both a name and a value, then one Cookie line joining the cookies.
    std::vector<std::string> rawHeaderLines() const;
    // The same lines, each followed by CR LF.
    std::string rawHeaderText() const;

    std::function<void(TALHTTPRequestHeader& sender, int index)> OnChange;

private:
    void changed(int index);

    std::string m_fields[kFieldCount];
    std::vector<std::string> m_customHeaders;
    std::vector<std::string> m_cookies;
};

} // namespace sw
