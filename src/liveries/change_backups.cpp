#include "liveries/change_backups.h"

#include "platform/atomic_file.h"
#include "platform/file_system.h"
#include "platform/io_error.h"
#include "platform/sha256.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace sw::liveries {

namespace {

constexpr const char* kFormat = "skinwright-backup=1";
constexpr const char* kManifest = "manifest.txt";
constexpr const char* kConfigCopy = "aircraft.cfg";
// A backup being dropped is renamed to this prefix + its ID first, out of the list.
constexpr const char* kDropping = ".dropping-";

bool isId(const std::string& name) {
    return !name.empty() && name.size() <= 18 &&
           std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

unsigned long long idNumber(const std::string& id) {
    return std::strtoull(id.c_str(), nullptr, 10);
}

std::string escape(const std::string& value) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (const char c : value) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F || c == '%') {
            out += '%';
            out += hex[b >> 4];
            out += hex[b & 15];
        } else {
            out += c;
        }
    }
    return out;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::optional<std::string> unescape(const std::string& value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '%') {
            out += value[i];
            continue;
        }
        if (i + 2 >= value.size())
            return std::nullopt;
        const int high = hexDigit(value[i + 1]);
        const int low = hexDigit(value[i + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

bool isSha256(const std::string& text) {
    return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

// A relative path that stays below the product folder: no empty, "." or ".." component.
bool isSafeRelative(const std::string& path) {
    if (path.empty() || path.front() == '/')
        return false;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t slash = std::min(path.find('/', start), path.size());
        const std::string part = path.substr(start, slash - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        start = slash + 1;
    }
    return true;
}

// The files below `folder` (links and files; not folders), as "prefix/relative" paths, sorted.
void listFiles(const std::string& folder, const std::string& prefix, std::vector<std::string>& out) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_directory() && !entry.is_symlink())
            listFiles(folder + "/" + name, prefix + "/" + name, out);
        else
            out.push_back(prefix + "/" + name);
    }
}

} // namespace

const char* actionName(ChangeAction action) {
    return action == ChangeAction::Install ? "install" : "removal";
}

std::string formatManifest(const ChangeRecord& r) {
    std::string text = std::string(kFormat) + "\n";
    auto line = [&](const char* key, const std::string& value) {
        text += key + ("=" + escape(value)) + "\n";
    };
    line("time", r.time);
    line("simulator", r.simulator == Simulator::FS9 ? "FS9" : "FSX");
    line("simulator-folder", r.simulatorFolder);
    line("product", r.product);
    line("action", actionName(r.action));
    line("variation", r.variation);
    line("aircraft.cfg-before", r.configBefore);
    line("aircraft.cfg-after", r.configAfter);
    line("folder", r.textureFolder);
    line("folder-created", r.folderCreated ? "yes" : "no");
    line("folder-kept", r.folderKept ? "yes" : "no");
    for (const std::string& file : r.files)
        line("file", file);
    return text;
}

std::optional<ChangeRecord> parseManifest(const std::string& text) {
    if (text.rfind(std::string(kFormat) + "\n", 0) != 0)
        return std::nullopt;
    ChangeRecord r;
    std::vector<std::string> seen;
    std::size_t at = std::string(kFormat).size() + 1;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        if (end == std::string::npos)
            return std::nullopt; // a manifest is written whole, its last line ended
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos)
            return std::nullopt;
        const std::string key = line.substr(0, eq);
        const std::optional<std::string> value = unescape(line.substr(eq + 1));
        if (!value)
            return std::nullopt;
        if (key != "file") {
            if (std::find(seen.begin(), seen.end(), key) != seen.end())
                return std::nullopt;
            seen.push_back(key);
        }
        if (key == "time") {
            r.time = *value;
        } else if (key == "simulator") {
            if (*value == "FS9")
                r.simulator = Simulator::FS9;
            else if (*value == "FSX")
                r.simulator = Simulator::FSX;
            else
                return std::nullopt;
        } else if (key == "simulator-folder") {
            r.simulatorFolder = *value;
        } else if (key == "product") {
            r.product = *value;
        } else if (key == "action") {
            if (*value == "install")
                r.action = ChangeAction::Install;
            else if (*value == "removal")
                r.action = ChangeAction::Removal;
            else
                return std::nullopt;
        } else if (key == "variation") {
            r.variation = *value;
        } else if (key == "aircraft.cfg-before") {
            r.configBefore = *value;
        } else if (key == "aircraft.cfg-after") {
            r.configAfter = *value;
        } else if (key == "folder") {
            r.textureFolder = *value;
        } else if (key == "folder-created" || key == "folder-kept") {
            if (*value != "yes" && *value != "no")
                return std::nullopt;
            (key == "folder-created" ? r.folderCreated : r.folderKept) = *value == "yes";
        } else if (key == "file") {
            r.files.push_back(*value);
        } else {
            return std::nullopt;
        }
    }
    // Every key but the files is required, and what names places must stay in the product.
    if (seen.size() != 11 || r.simulatorFolder.empty() || r.simulatorFolder.front() != '/' ||
        !isSafeRelative(r.product) || r.product.find('/') != std::string::npos || !isSha256(r.configBefore) ||
        !isSha256(r.configAfter))
        return std::nullopt;
    if (!r.textureFolder.empty() &&
        (!isSafeRelative(r.textureFolder) || r.textureFolder.find('/') != std::string::npos ||
         r.textureFolder == kConfigCopy || r.textureFolder == kManifest))
        return std::nullopt;
    if ((r.folderCreated || r.folderKept || !r.files.empty()) && r.textureFolder.empty())
        return std::nullopt;
    for (const std::string& file : r.files) {
        if (!isSafeRelative(file) || file.rfind(r.textureFolder + "/", 0) != 0)
            return std::nullopt;
    }
    return r;
}

std::string formatUtcTime(std::time_t t) {
    std::tm utc{};
    ::gmtime_r(&t, &utc);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return buffer;
}

std::string localTimeText(const std::string& utcTime) {
    std::tm utc{};
    int second = 0;
    if (std::sscanf(utcTime.c_str(), "%4d-%2d-%2dT%2d:%2d:%2dZ", &utc.tm_year, &utc.tm_mon, &utc.tm_mday,
                    &utc.tm_hour, &utc.tm_min, &second) != 6)
        return utcTime;
    utc.tm_year -= 1900;
    utc.tm_mon -= 1;
    utc.tm_sec = second;
    const std::time_t t = ::timegm(&utc);
    std::tm local{};
    ::localtime_r(&t, &local);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M", &local);
    return buffer;
}

std::string canonicalFolder(const std::string& folder) {
    std::error_code error;
    std::filesystem::path path = std::filesystem::absolute(fs::resolve(folder), error);
    if (error)
        path = fs::resolve(folder);
    std::filesystem::path canonical = std::filesystem::weakly_canonical(path, error);
    std::string text = (error ? path.lexically_normal() : canonical).string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

std::string productPathOf(const ChangeRecord& record) {
    return fs::resolve(aircraftRoot(record.simulator, record.simulatorFolder) + record.product);
}

std::string configPathOf(const ChangeRecord& record) {
    return fs::resolve(productPathOf(record) + "/aircraft.cfg");
}

std::string readWholeFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        throw IoError::fromErrno(errno, "Cannot open file \"" + path + "\"");
    std::string bytes;
    char buffer[65536];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, n);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
        throw IoError("Cannot read file \"" + path + "\"", EIO);
    return bytes;
}

// --- BackupStore -----------------------------------------------------------------------------

BackupStore::BackupStore(const std::string& workspace, std::size_t keep)
    : m_folder((workspace.empty() ? std::string(".") : workspace) + "/backups"), m_keep(keep) {}

std::time_t BackupStore::now() const {
    return std::time(nullptr);
}

std::vector<ChangeRecord> BackupStore::list() const {
    std::vector<ChangeRecord> records;
    for (const fs::DirEntry& entry : fs::enumerate(m_folder, "*")) {
        if (!isId(entry.name) || !entry.isDirectory())
            continue;
        std::optional<ChangeRecord> record;
        try {
            record = parseManifest(readWholeFile(folderOf(entry.name) + "/" + kManifest));
        } catch (const IoError&) {
            continue; // never finished, or damaged
        }
        if (!record)
            continue;
        record->id = entry.name;
        records.push_back(std::move(*record));
    }
    std::sort(records.begin(), records.end(),
              [](const ChangeRecord& a, const ChangeRecord& b) { return idNumber(a.id) > idNumber(b.id); });
    return records;
}

std::vector<ChangeRecord> BackupStore::list(Simulator simulator, const std::string& simulatorFolder,
                                            const std::string& product) const {
    const std::string folder = canonicalFolder(simulatorFolder);
    std::vector<ChangeRecord> records;
    for (ChangeRecord& record : list()) {
        if (record.simulator == simulator && record.simulatorFolder == folder &&
            (product.empty() || fs::namesEqual(record.product, product)))
            records.push_back(std::move(record));
    }
    return records;
}

std::string BackupStore::reserve() const {
    std::error_code error;
    std::filesystem::create_directories(m_folder, error);
    if (error)
        throw IoError::fromErrno(error.value(), "Cannot create the backups folder \"" + m_folder + "\"");
    unsigned long long next = 1;
    for (const fs::DirEntry& entry : fs::enumerate(m_folder, "*")) {
        if (isId(entry.name))
            next = std::max(next, idNumber(entry.name) + 1);
    }
    // Another process may take the same number in between: the first mkdir wins.
    for (int attempt = 0; attempt < 1000; ++attempt, ++next) {
        const std::string id = std::to_string(next);
        if (::mkdir(folderOf(id).c_str(), 0755) == 0)
            return id;
        if (errno != EEXIST)
            throw IoError::fromErrno(errno, "Cannot create a backup in \"" + m_folder + "\"");
    }
    throw IoError::fromErrno(EEXIST, "Cannot create a backup in \"" + m_folder + "\"");
}

void BackupStore::prune() const {
    std::vector<std::string> ids;
    for (const fs::DirEntry& entry : fs::enumerate(m_folder, "*")) {
        if (isId(entry.name) && entry.isDirectory())
            ids.push_back(entry.name);
        else if (entry.name.rfind(kDropping, 0) == 0) {
            try {
                removeFolderTree(m_folder + "/" + entry.name); // left by an earlier drop
            } catch (const IoError&) {
            }
        }
    }
    std::sort(ids.begin(), ids.end(),
              [](const std::string& a, const std::string& b) { return idNumber(a) > idNumber(b); });
    for (std::size_t i = m_keep; i < ids.size(); ++i) {
        try {
            drop(ids[i]);
        } catch (const IoError&) {
            // Tried again after the next change.
        }
    }
}

void BackupStore::drop(const std::string& id) const {
    const std::string from = folderOf(id);
    const std::string to = m_folder + "/" + kDropping + id;
    if (::rename(from.c_str(), to.c_str()) != 0)
        throw IoError::fromErrno(errno, "Cannot remove the backup \"" + from + "\"");
    removeFolderTree(to);
}

// --- PendingBackup ---------------------------------------------------------------------------

PendingBackup::PendingBackup(const BackupStore& store, ChangeRecord record, const std::string& configBefore)
    : m_store(store), m_record(std::move(record)) {
    m_record.time = formatUtcTime(store.now());
    m_record.simulatorFolder = canonicalFolder(m_record.simulatorFolder);
    // The product as spelled on disk, so that a later look-up finds the same folder.
    const std::string product = productPathOf(m_record);
    m_record.product = product.substr(product.rfind('/') + 1);
    m_record.configBefore = sha256Hex(configBefore);
    m_record.id = store.reserve();
    try {
        writeFileAtomically(folder() + "/" + kConfigCopy, configBefore);
    } catch (...) {
        try {
            removeFolderTree(folder());
        } catch (const IoError&) {
        }
        throw;
    }
}

PendingBackup::~PendingBackup() {
    try {
        if (m_changed && !m_committed)
            commit();
        else if (!m_changed)
            removeFolderTree(folder());
    } catch (const std::exception&) {
        // The backup's own aircraft.cfg copy stays for the user; nothing more can be done here.
    }
}

void PendingBackup::setTextureFolder(const std::string& name, bool created) {
    m_record.textureFolder = name;
    m_record.folderCreated = created;
}

void PendingBackup::fileCreated(const std::string& relativePath) {
    m_record.files.push_back(relativePath);
}

bool PendingBackup::takeFolder(const std::string& name, std::string* error) {
    const std::string source = fs::resolve(productPathOf(m_record) + "/" + name);
    const std::string target = folder() + "/" + name;
    try {
        m_store.mover().move(source, target);
    } catch (const IoError& failure) {
        if (error)
            *error = failure.what();
        return false;
    }
    m_record.textureFolder = name;
    m_record.folderKept = true;
    std::vector<std::string> files;
    try {
        listFiles(target, name, files);
    } catch (const std::filesystem::filesystem_error&) {
        // The list is for the record; the folder itself is what undo puts back.
    }
    std::sort(files.begin(), files.end());
    m_record.files = files;
    return true;
}

void PendingBackup::configChanged(const std::string& configAfter) {
    m_record.configAfter = sha256Hex(configAfter);
    m_changed = true;
}

void PendingBackup::commit() {
    m_committed = true;
    writeFileAtomically(folder() + "/" + kManifest, formatManifest(m_record));
    m_store.prune();
}

} // namespace sw::liveries
