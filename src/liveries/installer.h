#pragma once

#include "liveries/livery_view.h"

#include <string>
#include <vector>

namespace sw::liveries {

// The three values derived from a package (DescriptorText, ProductFolder, TextureFolder).
// The window keeps one for the package chosen in `cb1`; the passes over several packages
// keep the values of the package processed last in it.
struct PackageValues {
    std::string descriptorText;
    std::string productFolder;
    std::string textureFolder;
};

// Which pass runs the installation: they differ in trace points and in the descriptor message.
enum class InstallPass { OnePackage, AllPackages, Download };

// `InstallLivery`: inserts the descriptor as a new [fltsim.N] section into the product's
// aircraft.cfg (rewritten atomically) and copies the package's texture files (and, for FSX,
// the product's base textures) into the new texture folder. Returns false when the handler
// must end: the configuration file is missing or the descriptor has no [fltsim.] header
// (message shown, `p3` hidden). The descriptor text gets its section number.
// Throws IoError when aircraft.cfg cannot be read or rewritten (the old file stays whole).
bool InstallLivery(const LiveryContext& context, InstallPass pass, std::string& DescriptorText,
                   const std::string& ProductFolder, const std::string& TextureFolder,
                   const std::string& InstallSource);

// The one-package pass of `BitBtn3Click` for the package folder `packageFolder`
// ("downloads/" + the `cb1` item), with the ProductFolder and TextureFolder in `selected`.
// A livery installed already (see isAlreadyInstalled) is installed again only after the user
// says Yes to reinstallQuestion; No leaves everything as it was.
void installOnePackage(const LiveryContext& context, PackageValues& selected,
                       const std::string& packageFolder);

// The all-packages pass of `BitBtn3Click` over package folders in order. Returns true when it
// reached its end ("Installation completed" shown), false when a message ended it. Before it
// starts, the liveries installed already are listed in one question (reinstallListQuestion):
// Yes installs every package, No leaves those out.
bool installAllPackages(const LiveryContext& context, PackageValues& last,
                        const std::vector<std::string>& packageFolders);

// The install phase of the download-and-install sequence: every extension-less entry of
// `templivFolder` except `archiveName`, in order. Returns true when every entry was handled
// (the caller then finishes: hides `p3`, shows its completion message, cleans up); false when
// a message ended the handler. Before it starts, the liveries installed already are asked
// about: one of them with reinstallQuestion, several in one reinstallListQuestion. No leaves
// them out, counted in `declined` when given.
bool installDownloadedPackages(const LiveryContext& context, PackageValues& last,
                               const std::string& templivFolder, const std::string& archiveName,
                               int* declined = nullptr);

} // namespace sw::liveries
