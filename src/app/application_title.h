#pragma once

namespace sw {

// The window's caption and the application title before start-up ("Skinwright"), and the
// task-bar title that start-up sets ("ZEV SW").
extern const char* const kApplicationTitle;
extern const char* const kTaskbarTitle;

} // namespace sw
