#pragma once

#include <string>
#include <vector>

namespace sw {

// FSX: Steam Edition's Steam application number; Proton keeps its Wine prefix in
// <library>/steamapps/compatdata/314160/pfx.
inline constexpr const char* kFsxSteamAppId = "314160";

// The library folders listed in a steamapps/libraryfolders.vdf text (Valve's KeyValues
// format: quoted keys and values, nested in braces). Both layouts are read: the current one,
// where each numbered entry is a block holding "path", and the older one, where a numbered
// key holds the path itself. Escapes (\\ and \") are undone. A text that breaks off, or
// nests past a sane depth, gives the folders found before the fault.
std::vector<std::string> parseLibraryFolders(const std::string& vdfText);

// The Steam installations of a home folder, in the order they are searched: ~/.steam/root,
// ~/.local/share/Steam and the Flatpak Steam (~/.var/app/com.valvesoftware.Steam/...).
std::vector<std::string> steamRoots(const std::string& home);

// The Proton prefixes of FSX: Steam Edition that exist under the Steam installations of
// `home` and the extra libraries each lists, in search order: per installation, the
// installation's own library first, then the listed ones. A folder reached twice (~/.steam/root
// is normally a link to ~/.local/share/Steam) is given once.
std::vector<std::string> fsxProtonPrefixes(const std::string& home);

} // namespace sw
