#include "core/trace_log.h"

#include "platform/io_error.h"

#include <cerrno>
#include <cstdio>

namespace sw {

void WriteTrace(const std::string& point, const std::string& message) {
    const char* fileName = "debug.log";
    std::FILE* file = std::fopen(fileName, "ab");
    if (!file)
        throw IoError::fromErrno(errno, "Cannot open file \"debug.log\"");
    std::string line = "Line " + point + ": " + message + "\r\n";
    const bool written = std::fwrite(line.data(), 1, line.size(), file) == line.size();
    const int writeErrno = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written)
        throw IoError::fromErrno(writeErrno, "Cannot write to file \"debug.log\"");
    if (!closed)
        throw IoError::fromErrno(errno, "Cannot write to file \"debug.log\"");
}

} // namespace sw
