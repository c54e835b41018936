#pragma once

#include <string>

namespace sw {

// Appends "Line <point>: <message>" and CR LF to "debug.log" in the current folder.
// The file is opened and closed on every call, so the trace survives a crash up to the
// last completed line. Failures are not swallowed: they throw TraceLogError.
void WriteTrace(const std::string& point, const std::string& message);

} // namespace sw
