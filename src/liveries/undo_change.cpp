#include "liveries/undo_change.h"

#include "liveries/config_sections.h"
#include "liveries/descriptor.h"
#include "liveries/text_file.h"
#include "platform/atomic_file.h"
#include "platform/file_system.h"
#include "platform/io_error.h"
#include "platform/message_sink.h"
#include "platform/sha256.h"
#include "platform/windows_1252.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace sw::liveries {

namespace {

using Result = UndoOutcome::Result;

bool present(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

UndoOutcome outcome(Result result, std::string message, const std::optional<ChangeRecord>& change = {}) {
    return {result, std::move(message), change};
}

// What the simulator must look like once the change is undone.
void verify(const ChangeRecord& change, const std::string& productPath, const std::string& configPath) {
    if (sha256OfFile(configPath) != change.configBefore)
        throw IoError("aircraft.cfg is not the old file after the undo: \"" + configPath + "\"", 0);
    const std::string folder = productPath + "/" + change.textureFolder;
    if (change.action == ChangeAction::Install) {
        for (const std::string& file : change.files) {
            if (present(productPath + "/" + file))
                throw IoError(
                    "A file the install created is still there: \"" + productPath + "/" + file + "\"", 0);
        }
        if (change.folderCreated && present(folder))
            throw IoError("The texture folder the install created is still there: \"" + folder + "\"", 0);
    } else if (change.folderKept) {
        for (const std::string& file : change.files) {
            if (!present(productPath + "/" + file))
                throw IoError("A file of the texture folder is missing: \"" + productPath + "/" + file + "\"",
                              0);
        }
    }
}

} // namespace

std::optional<ChangeRecord> latestChange(const BackupStore& store, Simulator simulator,
                                         const std::string& simulatorFolder, const std::string& product) {
    std::vector<ChangeRecord> changes = store.list(simulator, simulatorFolder, product);
    if (changes.empty())
        return std::nullopt;
    return changes.front();
}

std::string undoQuestion(const ChangeRecord& change, const std::string& time) {
    const bool install = change.action == ChangeAction::Install;
    return std::string("Undo: ") + (install ? "installation of " : "removal of ") + change.variation +
           (install ? " into " : " from ") + change.product + ", " + time + "?";
}

UndoOutcome undoChange(const BackupStore& store, Simulator simulator, const std::string& simulatorFolder,
                       const std::string& product, const std::string& id, const UndoCheckpoint& checkpoint) {
    const std::vector<ChangeRecord> changes = store.list(simulator, simulatorFolder, product);
    if (changes.empty())
        return outcome(Result::Refused, std::string(kMsgNothingToUndo) + "\n" + product);
    const ChangeRecord& change = changes.front();
    if (!id.empty() && id != change.id) {
        for (const ChangeRecord& older : changes) {
            if (older.id == id)
                return outcome(Result::Refused,
                               "Change " + id + " is not the newest change of " + product + ": undo change " +
                                   change.id + " first",
                               older);
        }
        return outcome(Result::Refused, "There is no kept change " + id + " of " + product);
    }

    const std::string backup = store.folderOf(change.id);
    const std::string productPath = productPathOf(change);
    const std::string configPath = configPathOf(change);
    std::string oldConfig;
    try {
        oldConfig = readWholeFile(backup + "/aircraft.cfg");
    } catch (const IoError& error) {
        return outcome(Result::Refused, std::string(kMsgBackupDamaged) + "\n" + error.what(), change);
    }
    if (sha256Hex(oldConfig) != change.configBefore)
        return outcome(Result::Refused, std::string(kMsgBackupDamaged) + "\n" + backup + "/aircraft.cfg",
                       change);
    if (!fs::fileExists(configPath))
        return outcome(Result::Refused, std::string(kMsgNoAircraftCfg) + "\n" + configPath, change);
    std::string current;
    try {
        current = sha256OfFile(configPath);
    } catch (const IoError& error) {
        return outcome(Result::Refused, error.what(), change);
    }
    // An earlier undo that failed later on may already have put the old file back.
    const bool configDone = current == change.configBefore;
    if (current != change.configAfter && !configDone)
        return outcome(Result::Refused, std::string(kMsgConfigChanged) + "\n" + configPath, change);

    const std::string kept = backup + "/" + change.textureFolder;
    const std::string folder = fs::resolve(productPath + "/" + change.textureFolder);
    bool folderDone = true;
    if (change.action == ChangeAction::Removal && change.folderKept) {
        const bool inBackup = present(kept);
        const bool inProduct = present(folder);
        if (inBackup && inProduct)
            return outcome(Result::Refused, std::string(kMsgFolderBack) + "\n" + folder, change);
        if (!inBackup && !inProduct)
            return outcome(Result::Refused, std::string(kMsgBackupDamaged) + "\n" + kept, change);
        folderDone = !inBackup;
    }

    auto step = [&](const std::string& name) {
        if (checkpoint)
            checkpoint(name);
    };
    try {
        if (change.action == ChangeAction::Removal) {
            // The folder first: aircraft.cfg never names a texture folder that is not there.
            if (!folderDone) {
                step("folder");
                store.mover().move(kept, folder);
            }
            if (!configDone) {
                step("aircraft.cfg");
                writeFileAtomically(configPath, oldConfig);
            }
        } else {
            // aircraft.cfg first: the section goes before its textures do.
            if (!configDone) {
                step("aircraft.cfg");
                writeFileAtomically(configPath, oldConfig);
            }
            for (auto file = change.files.rbegin(); file != change.files.rend(); ++file) {
                step("file " + *file);
                const std::string path = fs::resolve(productPath + "/" + *file);
                if (::unlink(path.c_str()) != 0 && errno != ENOENT)
                    throw IoError::fromErrno(errno, "Cannot delete file \"" + path + "\"");
            }
            if (change.folderCreated) {
                step("remove folder");
                if (::rmdir(folder.c_str()) != 0 && errno != ENOENT) {
                    if (errno == ENOTEMPTY || errno == EEXIST)
                        throw IoError("The texture folder holds files the install did not create: \"" +
                                          folder + "\"",
                                      ENOTEMPTY);
                    throw IoError::fromErrno(errno, "Cannot remove folder \"" + folder + "\"");
                }
            }
        }
        step("verify");
        verify(change, productPath, configPath);
    } catch (const std::exception& error) {
        return outcome(Result::Failed,
                       std::string(kMsgUndoFailed) + "\n" + error.what() + "\nThe backup is kept: " + backup,
                       change);
    }

    try {
        step("drop");
        store.drop(change.id);
    } catch (const std::exception& error) {
        return outcome(Result::Done,
                       std::string(kMsgUndone) + "\nThe backup could not be removed: " + error.what(),
                       change);
    }
    return outcome(Result::Done, kMsgUndone, change);
}

void UndoLastChange(const LiveryContext& context) {
    context.log("1601", "BitBtn13Click called");
    const Simulator simulator = context.view.simulator();
    const std::string folder = context.view.simulatorFolder();
    const std::string product = context.view.productSelection();
    if (simulator == Simulator::None) {
        context.messages.showMessage(kMsgSelectFs);
    } else if (product.empty() || isUnsafeName(product) || !context.backups) {
        context.messages.showMessage(kMsgNothingToUndo);
    } else if (const std::optional<ChangeRecord> latest =
                   latestChange(*context.backups, simulator, folder, product);
               !latest) {
        context.messages.showMessage(std::string(kMsgNothingToUndo) + "\n" + product);
    } else {
        // Variations are the file's single-byte text; the question is shown as UTF-8.
        ChangeRecord shown = *latest;
        shown.variation = windows1252ToUtf8(shown.variation);
        if (context.messages.askYesNo(undoQuestion(shown, localTimeText(latest->time)))) {
            const UndoOutcome outcome = undoChange(*context.backups, simulator, folder, product, latest->id);
            context.log("1602",
                        std::string("Undo ") + (outcome.result == UndoOutcome::Result::Done     ? "done"
                                                : outcome.result == UndoOutcome::Result::Failed ? "failed"
                                                                                                : "refused"));
            // `cb4` shows the file as it is now, whatever the outcome.
            std::vector<std::string> values;
            try {
                values =
                    variations(readLinesCrLf(aircraftRoot(simulator, folder) + product + "/aircraft.cfg"));
            } catch (const IoError&) {
            }
            context.view.setVariations(values, values.empty() ? -1 : 0);
            context.messages.showMessage(outcome.message);
        }
    }
    context.log("1609", "BitBtn13Click end");
}

} // namespace sw::liveries
