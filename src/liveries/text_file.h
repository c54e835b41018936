#pragma once

#include <functional>
#include <string>

namespace sw::liveries {

// Reads a text file the way the program keeps text in memory: line by line (a line ends at
// LF or at CR LF; a lone CR stays inside the line), each line followed by CR LF, the last
// one included. `onOpened` runs once the file is open, before anything is read. Throws
// IoError when the file cannot be opened or read.
std::string readLinesCrLf(const std::string& path, const std::function<void()>& onOpened = {});

// The file's bytes as they are, read the same way (`onOpened` as above).
std::string readBytes(const std::string& path, const std::function<void()>& onOpened = {});

// The same conversion on text already in memory.
std::string toCrLfLines(const std::string& bytes);

// `ReadDescriptor(path)`: the DescriptorText of the descriptor file at `path`, without the
// UTF-8 byte-order mark the file may start with.
std::string ReadDescriptor(const std::string& path);

} // namespace sw::liveries
