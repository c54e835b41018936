#pragma once

#include "cli/cli.h"
#include "liveries/livery_view.h"
#include "platform/message_sink.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace sw::cli {

// "--sim fs9|fsx --root SIMFOLDER" and the positional arguments after them.
struct LiveryOptions {
    liveries::Simulator simulator = liveries::Simulator::None;
    std::string root;
    std::vector<std::string> positional;
    bool skipInstalled = false; // --skip-installed (install only)
};

// Empty when an option is missing, repeated, unknown or has a bad value. "--skip-installed"
// is known only when `allowSkipInstalled`.
std::optional<LiveryOptions> parseLiveryOptions(const std::vector<std::string>& args,
                                                bool allowSkipInstalled = false);

// True when the simulator folder holds its aircraft folder ("Aircraft" for FS9,
// "SimObjects/Airplanes" for FSX, in any case); otherwise writes a message naming the folder
// looked for to `err`.
bool checkAircraftFolder(const LiveryOptions& options, std::ostream& err);

// The window's controls as the command line fills them: the settings row from the options,
// the product and variation from the arguments.
class CliLiveryView : public liveries::LiveryView {
public:
    explicit CliLiveryView(const LiveryOptions& options) : m_options(options) {}

    std::string product;
    std::vector<std::string> variations;
    int variationIndex_ = -1;
    std::vector<std::string> products;

    liveries::Simulator simulator() const override { return m_options.simulator; }
    std::string simulatorFolder() const override { return m_options.root; }
    std::vector<std::string> libraryItems() const override { return {}; }
    std::string librarySelection() const override { return std::string(); }
    bool allLiveriesChecked() const override { return true; }
    void setLibraryItems(const std::vector<std::string>&, int) override {}
    void setInformation(const std::string&) override {}
    void showPicture(const liveries::RgbImage&) override {}
    std::string productSelection() const override { return product; }
    int variationIndex() const override { return variationIndex_; }
    std::string variationSelection() const override;
    void setProducts(const std::vector<std::string>& items) override { products = items; }
    void setVariations(const std::vector<std::string>& items, int selected) override {
        variations = items;
        variationIndex_ = selected;
    }
    void hideProgress() override {}

private:
    LiveryOptions m_options;
};

// Program messages: the success text `successMessage` goes to standard output, every other
// message to standard error (and counts as a failure).
class CliMessageSink : public MessageSink {
public:
    CliMessageSink(std::ostream& out, std::ostream& err, std::string successMessage)
        : m_out(out), m_err(err), m_success(std::move(successMessage)) {}

    void showMessage(const std::string& text) override;
    void showError(const std::string& title, const std::string& text) override;
    bool askYesNo(const std::string& text) override;

    bool failed() const { return m_failed; }
    bool succeeded() const { return m_succeeded; }

private:
    std::ostream& m_out;
    std::ostream& m_err;
    std::string m_success;
    bool m_failed = false;
    bool m_succeeded = false;
};

} // namespace sw::cli
