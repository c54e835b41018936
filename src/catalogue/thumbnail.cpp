#include "catalogue/thumbnail.h"

#include "platform/file_system.h"
#include "platform/http_request.h"
#include "platform/http_transport_error.h"
#include "platform/http_url.h"
#include "platform/io_error.h"

#include <cerrno>
#include <cstdio>
#include <memory>

namespace sw::catalogue {

namespace {

constexpr std::size_t kReadSize = 10240;
constexpr std::chrono::milliseconds kConnectTimeout{60000};
constexpr std::chrono::milliseconds kReceiveTimeout{30000};
constexpr std::chrono::milliseconds kWaitInterval{50};

struct FileCloser {
    void operator()(std::FILE* file) const {
        if (file)
            std::fclose(file);
    }
};

void log(const liveries::Trace& trace, const std::string& point, const std::string& message) {
    if (trace)
        trace(point, message);
}

} // namespace

std::string urlFileName(const std::string& url) {
    std::string name = url.substr(0, url.find_first_of("?#"));
    const std::size_t slash = name.rfind('/');
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    if (name == "." || name == "..")
        return {};
    return name;
}

liveries::RgbImage ShowThumbnail(const std::string& url, const std::string& startFolder, ThumbnailTrace mode,
                                 const liveries::Trace& trace, const std::function<bool()>& wait) {
    const bool detailed = mode == ThumbnailTrace::Detailed;
    const std::string images = startFolder + "/images/";
    std::string name;
    if (!url.empty()) {
        HttpSession session({HttpProxyMode::System});
        if (detailed) {
            log(trace, "1555", "Test log");
            log(trace, "1556", "Opening url: " + url);
        }
        // The URL is opened lazily: a URL the transport refuses reads as an empty body.
        std::unique_ptr<HttpRequest> request;
        try {
            request = std::make_unique<HttpRequest>(
                session, HttpRequestSettings{.url = escapeHttpUrl(url),
                                             .headers = {"User-Agent: skinwright", "Cache-Control: no-cache",
                                                         "Pragma: no-cache"},
                                             .connectTimeout = kConnectTimeout,
                                             .receiveTimeout = kReceiveTimeout});
            if (wait)
                request->setWaitCallback(wait, kWaitInterval);
        } catch (const HttpTransportError&) {
        }
        if (detailed) {
            log(trace, "1557", "We are in try block");
            // The name is what follows the last "/", cut one "/" at a time.
            log(trace, "1558", "s3 is " + url);
            std::string rest = url;
            for (std::size_t slash = rest.find('/'); slash != std::string::npos; slash = rest.find('/')) {
                rest.erase(0, slash + 1);
                log(trace, "1559", "s3 is " + rest);
            }
        }
        name = urlFileName(url);
        if (detailed) {
            log(trace, "1560", "final s3 is " + name);
            log(trace, "1561", "path is " + startFolder);
            log(trace, "1562", "path to image is " + images + name);
        }
        if (!name.empty()) {
            if (detailed)
                log(trace, "1564", "file assigned");
            std::unique_ptr<std::FILE, FileCloser> file(std::fopen((images + name).c_str(), "wb"));
            if (!file)
                throw IoError::fromErrno(errno, "Cannot create file \"" + images + name + "\"");
            if (detailed)
                log(trace, "1565", "rewrite mode");
            char buffer[kReadSize];
            while (request) {
                if (mode == ThumbnailTrace::BeforeEachRead)
                    log(trace, "1347", "Test log");
                std::size_t got = 0;
                try {
                    got = request->read(buffer, sizeof buffer);
                } catch (const HttpTransportError&) {
                    got = 0; // what arrived stays; the picture loader judges it
                }
                if (got == 0)
                    break;
                if (std::fwrite(buffer, 1, got, file.get()) != got) {
                    const int error = errno;
                    file.reset();
                    fs::deleteFile(images + name);
                    throw IoError::fromErrno(error, "Cannot write file \"" + images + name + "\"");
                }
            }
            if (detailed)
                log(trace, "1566", "closing file");
            if (mode == ThumbnailTrace::AfterLastRead)
                log(trace, "1425", "Test log");
            std::FILE* raw = file.release();
            if (std::fclose(raw) != 0)
                throw IoError::fromErrno(errno, "Cannot write file \"" + images + name + "\"");
            if (detailed)
                log(trace, "1567", "closed");
        }
    }

    const std::string path = images + name;
    const bool exists = !name.empty() && fs::fileExists(path);
    if (detailed) {
        log(trace, exists ? "1568" : "1569", exists ? "image exists" : "image doesnot exists");
        log(trace, "1570", "Checking image: " + path);
    }
    // The images folder holds a thumbnail only while it is shown, whatever happens next.
    struct DeleteOnExit {
        std::string path;
        ~DeleteOnExit() {
            if (!path.empty())
                fs::deleteFile(path);
        }
    } cleanup{exists ? path : std::string()};
    liveries::RgbImage picture;
    bool shown = false;
    if (exists) {
        try {
            picture = liveries::loadJpegFile(path);
            shown = true;
        } catch (const liveries::PictureError&) {
            // An error page or an empty body: the default picture stands in.
        }
    }
    if (!shown)
        picture = liveries::loadJpegFile(startFolder + "/thumbnail.jpg");
    if (detailed)
        log(trace, "1581", "Test log");
    return picture;
}

} // namespace sw::catalogue
