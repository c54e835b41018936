#pragma once

#include <string>

namespace sw {

// Moves whole folders between the simulator and the workspace, which may lie on different
// file systems. Paths are native paths used as given (resolve them first).
//
// Errors throw IoError naming the step and the path that failed.
class FolderMover {
public:
    virtual ~FolderMover() = default;

    // Moves the folder `from` to `to`, which must not exist yet; `to`'s parent must exist.
    // On one file system this is a single rename. Across file systems the tree is copied
    // (files with their bytes, permission bits and modification times; folders; symbolic
    // links as links, never followed), then the original is removed, read-only entries
    // included. All or nothing: a copy that fails is removed and the original stays as it
    // was; a removal that fails part-way puts back what it had removed and removes the copy.
    // Returns true when the tree was copied, false when it was renamed.
    bool move(const std::string& from, const std::string& to);

protected:
    // The system calls that can fail, so tests can make any of them fail.
    virtual int renameFolder(const char* from, const char* to);
    virtual int removeFile(const char* path);
    // Called before each entry is copied (its source path); throws to fail the copy there.
    virtual void beforeCopy(const std::string& source);

private:
    void copyTree(const std::string& from, const std::string& to);
    void copyEntry(const std::string& from, const std::string& to);
    void removeTree(const std::string& path);
    void putBack(const std::string& copy, const std::string& original);
};

// Removes `path` and everything in it whatever the permission bits say; links are removed,
// never followed. Missing is fine. Throws IoError at the first entry that cannot go.
void removeFolderTree(const std::string& path);

} // namespace sw
