#pragma once

#include "liveries/livery_view.h"
#include "platform/folder_move.h"

#include <cstddef>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

// Backups of the changes the program makes to a simulator: every install and every removal
// keeps, in the workspace's "backups" folder, one folder per change:
//
//   backups/<ID>/manifest.txt    what the change was (below)
//   backups/<ID>/aircraft.cfg    the product's aircraft.cfg as it was before the change
//   backups/<ID>/texture.<name>  a removal: the texture folder it took out of the product
//
// IDs are decimal numbers, a newer change having a higher one. A folder without a readable
// manifest is a change that never finished (or a damaged backup): it is not listed and cannot
// be undone, and it is dropped with the old ones.
namespace sw::liveries {

enum class ChangeAction { Install, Removal };

// "install" or "removal", as the manifest and the command line name them.
const char* actionName(ChangeAction action);

// What the manifest of one backup records.
struct ChangeRecord {
    std::string id;   // the backup folder's name
    std::string time; // when the change was made, UTC: "2026-12-08T03:12:45Z"
    Simulator simulator = Simulator::None;
    std::string simulatorFolder; // the simulator's folder, absolute
    std::string product;         // the product folder's name, as on disk
    ChangeAction action = ChangeAction::Install;
    std::string variation;          // ui_variation of the section added or removed
    std::string configBefore;       // SHA-256 of aircraft.cfg before the change (the copy kept)
    std::string configAfter;        // SHA-256 of aircraft.cfg as the change left it
    std::string textureFolder;      // "texture.<name>": filled by the install, or taken by the removal
    bool folderCreated = false;     // install: the texture folder did not exist before it
    bool folderKept = false;        // removal: the texture folder lies in the backup
    std::vector<std::string> files; // relative to the product folder: the files the install
                                    // created, or those of the folder the removal took
};

// The manifest's text, and back. Values are single lines: '%', control characters and DEL
// are written as %XX. parseManifest gives nothing for a text that is not a complete manifest.
std::string formatManifest(const ChangeRecord& record);
std::optional<ChangeRecord> parseManifest(const std::string& text);

// `t` as the manifest writes times ("2026-12-08T03:12:45Z", UTC).
std::string formatUtcTime(std::time_t t);

// A simulator folder as backups compare it: absolute, links and "." / ".." resolved, names
// spelled as on disk, no trailing '/'.
std::string canonicalFolder(const std::string& folder);

// The product folder and the aircraft.cfg a record is about (native paths, resolved).
std::string productPathOf(const ChangeRecord& record);
std::string configPathOf(const ChangeRecord& record);

// The bytes of a file, exactly (a native path, used as given). Throws IoError.
std::string readWholeFile(const std::string& path);

// `utcTime` as the manifest writes it, shown in local time: "2026-12-08 04:12". The text as
// it stands when it is not such a time.
std::string localTimeText(const std::string& utcTime);

// The "backups" folder of a workspace.
class BackupStore {
public:
    // How many changes are kept; older ones are dropped, oldest first.
    static constexpr std::size_t kKeep = 50;

    explicit BackupStore(const std::string& workspace, std::size_t keep = kKeep);
    virtual ~BackupStore() = default;

    const std::string& folder() const { return m_folder; }
    std::string folderOf(const std::string& id) const { return m_folder + "/" + id; }
    std::size_t keep() const { return m_keep; }

    // The complete backups, newest first; only those of one simulator folder (and of one
    // product, names compared without regard to case) in the second form.
    std::vector<ChangeRecord> list() const;
    std::vector<ChangeRecord> list(Simulator simulator, const std::string& simulatorFolder,
                                   const std::string& product = std::string()) const;

    // Creates a new, empty backup folder with the next ID. Throws IoError.
    std::string reserve() const;
    // Drops backups beyond the newest `keep()`, oldest first (finished or not).
    void prune() const;
    // Removes one backup: first taken out of the list by a rename, then deleted. Throws IoError.
    void drop(const std::string& id) const;

    // Moves texture folders in and out (tests make it fail).
    virtual FolderMover& mover() const { return m_mover; }
    // The clock of new records (tests fix it).
    virtual std::time_t now() const;

private:
    std::string m_folder;
    std::size_t m_keep;
    mutable FolderMover m_mover;
};

// One change being made: begun before the simulator is touched, committed after the change
// is complete. A backup neither committed nor kept is removed again when this object goes.
class PendingBackup {
public:
    // Reserves the backup folder and keeps `configBefore`, the product's aircraft.cfg bytes
    // before the change. `record` names the change (simulator, folder, product, action,
    // variation); the rest is filled in here. Throws IoError: nothing is to be changed then.
    PendingBackup(const BackupStore& store, ChangeRecord record, const std::string& configBefore);
    ~PendingBackup();
    PendingBackup(const PendingBackup&) = delete;
    PendingBackup& operator=(const PendingBackup&) = delete;

    // Install: the texture folder `name` (below the product) and whether the install created
    // it; then each file it created there (`name` + "/" + file).
    void setTextureFolder(const std::string& name, bool created);
    void fileCreated(const std::string& relativePath);

    // Removal: moves the product's texture folder `name` into the backup (a rename, or a copy
    // and delete across file systems) and records its files. All or nothing: false, with the
    // folder left in the product, when it cannot be moved (`error` says why).
    bool takeFolder(const std::string& name, std::string* error = nullptr);

    // Called right after aircraft.cfg was rewritten, with the bytes written:
    // from then on the backup is kept even when the commit does not come.
    void configChanged(const std::string& configAfter);

    // Writes the manifest, then drops backups beyond the limit. Throws IoError (the backup
    // then stays, without manifest). A backup whose aircraft.cfg was changed but which is
    // not committed when this object goes is committed then, as far as it got.
    void commit();

    const ChangeRecord& record() const { return m_record; }
    std::string folder() const { return m_store.folderOf(m_record.id); }

private:
    const BackupStore& m_store;
    ChangeRecord m_record;
    bool m_changed = false;
    bool m_committed = false;
};

} // namespace sw::liveries
