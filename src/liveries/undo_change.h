#pragma once

#include "liveries/change_backups.h"

#include <functional>
#include <optional>
#include <string>

namespace sw::liveries {

// The messages of an undo. Those of a refusal and a failure are followed by lines that name
// what they are about.
inline constexpr const char* kMsgUndone = "Undo completed";
inline constexpr const char* kMsgNothingToUndo = "There is no change to undo";
inline constexpr const char* kMsgConfigChanged =
    "aircraft.cfg has changed since this change was made (edited by hand or by another program): "
    "undo refused, nothing was changed";
inline constexpr const char* kMsgBackupDamaged =
    "The backup of this change is damaged: undo refused, nothing was changed";
inline constexpr const char* kMsgFolderBack =
    "The texture folder is in its place again: undo refused, nothing was changed";
inline constexpr const char* kMsgUndoFailed = "Undo failed, please run it again";

// Called before each step of an undo that changes something, with the step's name
// ("folder", "aircraft.cfg", "file <path>", "remove folder", "verify", "drop"); tests throw
// from it to make the undo fail there.
using UndoCheckpoint = std::function<void(const std::string& step)>;

struct UndoOutcome {
    enum class Result {
        Done,    // undone, verified, backup dropped
        Refused, // nothing was changed
        Failed,  // stopped part-way; the backup is kept and the undo can be run again
    };
    Result result = Result::Refused;
    std::string message;                // for the user; more lines name paths
    std::optional<ChangeRecord> change; // the change concerned, when there is one
};

// The newest kept change of a product of a simulator folder, if any.
std::optional<ChangeRecord> latestChange(const BackupStore& store, Simulator simulator,
                                         const std::string& simulatorFolder, const std::string& product);

// "Undo: removal of <variation> from <product>, <time>?" (an install: "installation of
// <variation> into <product>"), `time` as the caller shows it.
std::string undoQuestion(const ChangeRecord& change, const std::string& time);

// Undoes the newest change of `product`, or the change `id` when it is that newest one:
//  - refused, changing nothing, when there is none, when `id` is not the newest, when
//    aircraft.cfg is no longer the file the change left (its SHA-256 differs), when the
//    backup's own copy is damaged, or when a removed texture folder is back in its place;
//  - otherwise it puts back the old aircraft.cfg bytes (atomically), restores the texture
//    folder a removal took, deletes the files and folder an install created, checks the
//    result and only then drops the backup. A failure keeps the backup and names the step;
//    running the undo again takes it from there.
UndoOutcome undoChange(const BackupStore& store, Simulator simulator, const std::string& simulatorFolder,
                       const std::string& product, const std::string& id = std::string(),
                       const UndoCheckpoint& checkpoint = {});

// "Undo last change" of the installed-liveries panel (`BitBtn13Click`, Ctrl+Z): names the
// newest change of the product chosen in `cb3` and asks before undoing it; No changes
// nothing. Then `cb4` is filled afresh and the outcome is shown.
void UndoLastChange(const LiveryContext& context);

} // namespace sw::liveries
