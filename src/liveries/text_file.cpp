#include "liveries/text_file.h"

#include "platform/file_system.h"
#include "platform/io_error.h"

#include <cerrno>
#include <cstdio>
#include <memory>

namespace sw::liveries {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

std::string toCrLfLines(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 16 + 2);
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t lf = bytes.find('\n', start);
        std::size_t end = lf == std::string::npos ? bytes.size() : lf;
        std::size_t lineEnd = end;
        if (lf != std::string::npos && lineEnd > start && bytes[lineEnd - 1] == '\r')
            --lineEnd;
        out.append(bytes, start, lineEnd - start);
        out += "\r\n";
        start = lf == std::string::npos ? bytes.size() : lf + 1;
    }
    return out;
}

std::string readLinesCrLf(const std::string& path, const std::function<void()>& onOpened) {
    return toCrLfLines(readBytes(path, onOpened));
}

std::string readBytes(const std::string& path, const std::function<void()>& onOpened) {
    const std::string resolved = fs::resolve(path);
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(resolved.c_str(), "rb"));
    if (!file)
        throw IoError::fromErrno(errno, "Cannot open file \"" + path + "\"");
    if (onOpened)
        onOpened();
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, file.get());
        bytes.append(buffer, n);
        if (n < sizeof buffer)
            break;
    }
    if (std::ferror(file.get()))
        throw IoError::fromErrno(errno, "Cannot read file \"" + path + "\"");
    return bytes;
}

std::string ReadDescriptor(const std::string& path) {
    // Notepad starts a UTF-8 file with a byte-order mark; it is no part of the text.
    std::string text = readLinesCrLf(path);
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text.erase(0, 3);
    return text;
}

} // namespace sw::liveries
