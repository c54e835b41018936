#pragma once

// The file a download writes into: opened for writing without losing what it holds (or
// created), written at a position, closed by its destructor on every path.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace sw {

class LocalFile {
public:
    // Opens `path` for writing, creating it when it does not exist. Throws IoError.
    explicit LocalFile(const std::string& path);
    ~LocalFile();
    LocalFile(const LocalFile&) = delete;
    LocalFile& operator=(const LocalFile&) = delete;

    // Makes the file end at `position` when it is longer, and moves the write position there.
    void startAt(std::int64_t position);
    void write(const char* data, std::size_t size);
    void close();

    // The size of the file at `path`, or nullopt when there is no such file.
    static std::optional<std::int64_t> sizeOf(const std::string& path);

private:
    std::string m_path;
    int m_fd = -1;
};

// A file name as the program gives it, as a native path: "\" separators turned into "/",
// and the part that exists found case-insensitively, as the program's other file calls do.
std::string downloadFilePath(const std::string& path);

} // namespace sw
