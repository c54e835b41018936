#pragma once

#include <map>
#include <optional>
#include <string>

namespace sw {

// HKEY_LOCAL_MACHINE as a Wine prefix keeps it: the text file <prefix>/system.reg.
// Read only. Key paths and value names compare case-insensitively, as the registry does.
//
// system.reg looks like this (keys relative to HKLM, backslashes doubled):
//   WINE REGISTRY Version 2
//   #arch=win64
//   [Software\\Wow6432Node\\Microsoft\\Microsoft Games\\Flight Simulator\\10.0] 1700000000
//   #time=1da0c0e0f0a0b0c
//   "SetupPath"="C:\\Program Files (x86)\\Microsoft Games\\Microsoft Flight Simulator X\\"
//   "Version"=dword:00000001
// String values are "..." (REG_SZ) or str(2):"..." (REG_EXPAND_SZ), with C-like escapes and
// \xNNNN for characters beyond ASCII; hex(1)/hex(2) hold the same as UTF-16LE bytes.
class WineRegistry {
public:
    // The prefix: $WINEPREFIX when set and not empty, else ~/.wine.
    static std::string defaultPrefix();

    // Loads <prefix>/system.reg. A prefix without one, an unreadable file, or anything but a
    // regular file in its place (a folder, a FIFO) is an empty registry: every key "does not
    // open". Never waits and never throws.
    static WineRegistry loadPrefix(const std::string& prefix);

    // Parses the text of a system.reg.
    static WineRegistry parse(const std::string& text);

    class Key {
    public:
        // The string value `name` (REG_SZ or REG_EXPAND_SZ, UTF-8), or nothing when the key
        // has no such string value. "" or "@" names the default value.
        std::optional<std::string> stringValue(const std::string& name) const;

    private:
        friend class WineRegistry;
        const std::map<std::string, std::string>* m_values = nullptr;
    };

    // Opens a key below HKLM as a 32-bit program sees it on 64-bit Windows: for a path under
    // "Software\", "Software\Wow6432Node\..." first, then the path itself.
    std::optional<Key> openKey(const std::string& path) const;

    // Opens exactly the key given (no 32-bit view).
    std::optional<Key> openKeyExact(const std::string& path) const;

    bool empty() const { return m_keys.empty(); }

    // Everything read: lower-cased key path -> lower-cased value name ("" for the default
    // value) -> string value.
    using KeyMap = std::map<std::string, std::map<std::string, std::string>>;
    const KeyMap& keys() const { return m_keys; }

private:
    KeyMap m_keys;
};

} // namespace sw
