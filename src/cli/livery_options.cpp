#include "cli/livery_options.h"

#include "platform/file_system.h"

namespace sw::cli {

std::optional<LiveryOptions> parseLiveryOptions(const std::vector<std::string>& args,
                                                bool allowSkipInstalled) {
    LiveryOptions options;
    bool haveRoot = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--sim" || arg == "--root") {
            if (i + 1 >= args.size())
                return std::nullopt;
            const std::string& value = args[++i];
            if (arg == "--sim") {
                if (options.simulator != liveries::Simulator::None)
                    return std::nullopt;
                if (value == "fs9" || value == "FS9")
                    options.simulator = liveries::Simulator::FS9;
                else if (value == "fsx" || value == "FSX")
                    options.simulator = liveries::Simulator::FSX;
                else
                    return std::nullopt;
            } else {
                if (haveRoot || value.empty())
                    return std::nullopt;
                options.root = value;
                haveRoot = true;
            }
        } else if (arg == "--skip-installed" && allowSkipInstalled && !options.skipInstalled) {
            options.skipInstalled = true;
        } else if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
            return std::nullopt;
        } else {
            options.positional.push_back(arg);
        }
    }
    if (options.simulator == liveries::Simulator::None || !haveRoot)
        return std::nullopt;
    return options;
}

bool checkAircraftFolder(const LiveryOptions& options, std::ostream& err) {
    std::string folder = liveries::aircraftRoot(options.simulator, options.root);
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    if (fs::directoryExists(folder))
        return true;
    err << "skinwright-cli: cannot find the aircraft folder " << folder << '\n';
    return false;
}

std::string CliLiveryView::variationSelection() const {
    if (variationIndex_ < 0 || static_cast<std::size_t>(variationIndex_) >= variations.size())
        return std::string();
    return variations[static_cast<std::size_t>(variationIndex_)];
}

void CliMessageSink::showMessage(const std::string& text) {
    if (text == m_success) {
        m_out << text << '\n';
        m_succeeded = true;
    } else {
        m_err << text << '\n';
        m_failed = true;
    }
}

void CliMessageSink::showError(const std::string&, const std::string& text) {
    m_err << text << '\n';
    m_failed = true;
}

bool CliMessageSink::askYesNo(const std::string&) {
    return true; // the command line does not ask: the command given is the answer
}

} // namespace sw::cli
