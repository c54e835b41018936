// skinwright-cli unzip ARCHIVE FOLDER: the download sequence's unpacking step on its own.
#include <ostream>

#include "archive/unzipper.h"
#include "cli/cli.h"

namespace sw::cli {

int runUnzip(Invocation& inv) {
    if (inv.args.size() != 2)
        return usageError("unzip", inv.err);
    TAbUnZipper uzip;
    uzip.ExtractOptions = eoCreateDirs | eoRestorePath;
    uzip.OnProcessItemFailure = [&](TAbBaseBrowser&, TAbZipItem& item, TAbProcessType,
                                    TAbErrorClass errorClass, int errorCode) {
        inv.out << "failed\t" << item.FileName << '\t' << errorClassName(errorClass) << '\t' << errorCode
                << '\n';
    };
    try {
        uzip.SetFileName(inv.args[0]);
        uzip.SetBaseDirectory(inv.args[1]);
        uzip.ExtractMatching("*.*");
        uzip.CloseArchiveFile();
    } catch (const EAbException& e) {
        inv.err << e.className() << ": " << e.what() << '\n';
        return kExitFailure;
    } catch (const std::exception& e) {
        inv.err << "skinwright-cli: " << e.what() << '\n';
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace sw::cli
