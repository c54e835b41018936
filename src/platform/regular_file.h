#pragma once

#include <optional>
#include <string>

namespace sw {

// The whole content of the regular file at the native path `path`, or nothing when there is
// no such file, it cannot be opened or read, or it is something else: a folder, a FIFO, a
// device or a socket. Opening never waits: a FIFO without a writer is refused at once.
// A symbolic link is followed to what it names.
std::optional<std::string> readRegularFile(const std::string& path);

} // namespace sw
