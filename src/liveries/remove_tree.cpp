#include "liveries/remove_tree.h"

#include "platform/file_system.h"

#include <sys/stat.h>
#include <unistd.h>

namespace sw::liveries {

bool RemoveTree(const Trace& trace, std::string path, bool ClearReadOnly, bool StopOnFailure,
                bool RemoveRoot) {
    if (!fs::directoryExists(path))
        return false;
    bool result = true;
    path = fs::resolve(path);
    if (path.back() != '/')
        path += '/';
    for (const fs::DirEntry& entry : fs::enumerate(path, "*")) {
        // "." and ".." are never touched, whatever their attributes: clearing or deleting
        // them would act on this folder or its parent.
        if (entry.name == "." || entry.name == "..")
            continue;
        const std::string entryPath = path + entry.name;
        struct stat st {};
        if (::lstat(entryPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
            // Never follow a link out of the tree (nor change the attributes of its target).
            result = ::unlink(entryPath.c_str()) == 0;
        } else if (entry.attributes == fs::kAttrDirectory) {
            if (ClearReadOnly)
                fs::setAttributes(entryPath, fs::kAttrArchive);
            result = RemoveTree(trace, entryPath, ClearReadOnly, StopOnFailure, true);
            if (trace)
                trace("203", "Test log");
        } else {
            if (ClearReadOnly)
                fs::setAttributes(entryPath, fs::kAttrArchive);
            result = fs::deleteFile(entryPath);
        }
        if (!result && StopOnFailure)
            return false;
    }
    if (result && RemoveRoot && !fs::removeDirectory(path))
        result = false;
    return result;
}

} // namespace sw::liveries
