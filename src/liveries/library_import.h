#pragma once

#include <string>
#include <vector>

namespace sw {
class MessageSink;
}

namespace sw::liveries {

// Shown when something added to the library holds no package; the second line names it.
inline constexpr const char* kMsgNoPackage = "No livery package found";
inline constexpr const char* kMsgWhatIsAPackage =
    "A livery package is a folder holding installerinfo.txt, or a .zip file of such folders.";
// Shown when a zip cannot be unpacked; the archive's own text follows.
inline constexpr const char* kMsgCannotUnpack = "Cannot unpack the livery package";

// "<name> is already in the library. Replace it?"
std::string replaceQuestion(const std::string& name);

// Adds the packages that `source` holds to the local library `library` (the `downloads`
// folder) and returns their names in the library, in order:
//  - a ".zip" file is unpacked with the unzipper, one library folder per package folder it
//    holds; a zip with installerinfo.txt at its top level is one package, named after the zip;
//  - a package folder (one holding installerinfo.txt) is copied in under its own name, and a
//    folder of package folders has each of them copied in.
// Package folders are those holding installerinfo.txt whose names have no extension; a name
// with dots that came from a zip or a dropped package folder gets '_' for each '.', so that
// the library lists it. Only folders and plain files are copied; links are left out.
// Everything is unpacked or copied into a hidden folder inside the library first and then
// moved into place, so a package appears whole or not at all. A package whose name is
// already in the library (in any case) is replaced only when the user says Yes to
// replaceQuestion; No keeps the old one and drops the new.
// Something that holds no package, and a zip that cannot be unpacked, get a message naming
// it, and nothing is added. Errors of the file system raise IoError; what was moved into
// place before stays, the hidden folder never does.
std::vector<std::string> addToLibrary(const std::string& source, const std::string& library,
                                      MessageSink& messages);

} // namespace sw::liveries
