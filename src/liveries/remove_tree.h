#pragma once

#include "liveries/livery_view.h"

#include <string>

namespace sw::liveries {

// `RemoveTree(path, ClearReadOnly, StopOnFailure, RemoveRoot)`: empties the folder `path`
// recursively and, with RemoveRoot, removes it. An entry whose attributes are exactly
// "directory" is descended into (trace "203" after each); anything else, a read-only folder
// included, is deleted as a file, after its read-only bit is cleared when ClearReadOnly.
// A symbolic link is removed itself and never followed. The result is that of the last step
// taken (with StopOnFailure, false at the first failure); false when `path` is no folder.
bool RemoveTree(const Trace& trace, std::string path, bool ClearReadOnly, bool StopOnFailure,
                bool RemoveRoot);

} // namespace sw::liveries
