// skinwright-cli download [--timeout SECONDS] URL FILE: the resumable download on its own. Every status text
// goes to stderr, one a line; the exit status says whether FILE now holds the whole remote
// file. A FILE left by an earlier, interrupted run is resumed.
#include <ostream>

#include "cli/cli.h"
#include "download/local_file.h"
#include "download/mhttp_get_resume.h"

namespace sw::cli {

int runDownload(Invocation& inv) {
    std::optional<std::chrono::milliseconds> timeout;
    if (!takeTimeoutOption(inv.args, timeout) || inv.args.size() != 2)
        return usageError("download", inv.err);
    TMHttpGetResume httpget;
    if (timeout)
        httpget.setStallLimit(*timeout);
    httpget.MURL = inv.args[0];
    httpget.MArquivoLocal = inv.args[1];
    httpget.MAutoReconectar = false;
    httpget.MOnStatus = [&](TMHttpGetResume&, const std::string& text) { inv.err << text << '\n'; };
    httpget.StartDownload();
    inv.err.flush();

    const std::optional<std::int64_t> size = LocalFile::sizeOf(downloadFilePath(httpget.MArquivoLocal));
    const bool whole = !httpget.MErro() && size && *size == httpget.MTamanhoArquivo();
    return whole ? kExitOk : kExitFailure;
}

} // namespace sw::cli
