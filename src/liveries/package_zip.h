#pragma once

#include <string>
#include <vector>

namespace sw {
class TAbUnZipper;
class TAbZipArchive;
} // namespace sw

namespace sw::liveries {

// The name a package gets from its zip file's name: the name without its ".zip" ending (in
// any case), each '.' turned into '_' so that the library and the download pass, which list
// names without an extension, see it; "package" when nothing is left.
std::string packageNameFromZip(const std::string& zipFileName);

// True when the archive holds "installerinfo.txt" (in any case) at its top level: the zip
// is one package of its own rather than a set of package folders.
bool holdsTopLevelDescriptor(TAbZipArchive& archive);

// Unpacks the package zip `zipFile` with `uzip` (its options and meters as the caller set
// them) into the existing folder `target`: package folders as they are stored, and a zip
// with installerinfo.txt at its top level into the new folder target/<packageNameFromZip(
// zipName)>. `zipName` is the name the package was downloaded or saved under. The archive
// is closed again whatever happens. Returns the folder the items went to. Archive errors
// raise EAbException (and its family); a folder that cannot be created raises IoError.
std::string unpackPackageZip(TAbUnZipper& uzip, const std::string& zipFile, const std::string& zipName,
                             const std::string& target);

// The package folders directly inside `folder`, in enumeration order: sub-folders whose names
// have no extension and that hold "installerinfo.txt".
std::vector<std::string> packageFoldersIn(const std::string& folder);

// True when `folder` itself holds "installerinfo.txt".
bool isPackageFolder(const std::string& folder);

} // namespace sw::liveries
