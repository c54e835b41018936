// skinwright-cli unzip ARCHIVE FOLDER: the download sequence's unpacking step on its own.
#include <ostream>
#include <string_view>

#include "archive/unzipper.h"
#include "cli/cli.h"

namespace sw::cli {

namespace {

// A stored name as one field of a tab-separated line: backslash, tab, CR, LF and every other
// control byte become C escapes, so no name can end its field or its line early.
std::string escapedName(std::string_view name) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(name.size());
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            if (c < 0x20 || c == 0x7F) {
                out += "\\x";
                out += kHex[c >> 4];
                out += kHex[c & 15];
            } else {
                out += ch;
            }
        }
    }
    return out;
}

} // namespace

int runUnzip(Invocation& inv) {
    if (inv.args.size() != 2)
        return usageError("unzip", inv.err);
    TAbUnZipper uzip;
    uzip.ExtractOptions = eoCreateDirs | eoRestorePath;
    // With a second core, a large item is decoded there while the next ones are extracted.
    uzip.ParallelItems = HaveSecondCore();
    uzip.OnProcessItemFailure = [&](TAbBaseBrowser&, TAbZipItem& item, TAbProcessType,
                                    TAbErrorClass errorClass, int errorCode) {
        inv.out << "failed\t" << escapedName(item.FileName) << '\t' << errorClassName(errorClass) << '\t'
                << errorCode << '\n';
    };
    try {
        uzip.SetFileName(inv.args[0]);
        uzip.SetBaseDirectory(inv.args[1]);
        uzip.ExtractMatching("*.*");
        uzip.CloseArchiveFile();
    } catch (const EAbException& e) {
        inv.err << e.className() << ": " << e.what();
        if (!e.cause().empty())
            inv.err << ": " << e.cause();
        inv.err << '\n';
        return kExitFailure;
    } catch (const std::exception& e) {
        inv.err << "skinwright-cli: " << e.what() << '\n';
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace sw::cli
