#pragma once

#include "liveries/change_backups.h"
#include "liveries/installer.h"
#include "liveries/livery_view.h"

#include <optional>
#include <string>
#include <vector>

namespace sw::liveries {

// The liveries side of the main window: one method per handler, each reading the view,
// doing the work and showing the result. The window owns one instance for its lifetime,
// which keeps the values of the package chosen in `cb1` (SelectedPackage).
//
// Paths of the local library ("downloads/...") and the default picture "thumbnail.jpg" are
// relative to the current folder, the StartFolder. Errors that end a handler (IoError,
// PictureError) propagate to the window's handler wrapper.
// The program's trace: WriteTrace into "debug.log" of the current folder.
Trace debugLogTrace();

class LiveryHandlers {
public:
    LiveryHandlers(LiveryView& view, MessageSink& messages, Trace trace);

    // Start-up step 10: lists "downloads/*." into `cb1` and loads the first package.
    void listLocalLibrary();
    // `cb1Change`: loads the chosen package (thumbnail, information memo, derived names).
    void cb1Change();
    // Lists the library again (when the local view opens, and when the library changes while
    // it is shown): the chosen package stays chosen while it exists, else the first one is
    // chosen. The chosen package is loaded again, since it may have been replaced; no trace
    // lines are written (those of the listing belong to the start-up).
    void refreshLocalLibrary();
    // The add action and the drop: adds the packages each source (a .zip file or a folder)
    // holds to the library (see addToLibrary), lists the library again, and chooses the first
    // package added and loads it as `cb1Change` does. Returns the names added.
    std::vector<std::string> addPackages(const std::vector<std::string>& sources);
    // `BitBtn3Click`: installs the chosen package, or every package when `sl1` is checked.
    void BitBtn3Click();
    // `BitBtn12Click`: lists the installed products; true when the window is to show the
    // installed-liveries panel.
    bool BitBtn12Click();
    // `cb3Change`: lists the chosen product's liveries.
    void cb3Change();
    // `BitBtn6Click`: asks "Remove livery <variation> from <product>?" and, on Yes, removes
    // the chosen livery. No leaves everything as it was. The question is asked only when
    // there is something to remove; otherwise the removal reports what is missing.
    void BitBtn6Click();
    // `BitBtn13Click` ("Undo last change", also Ctrl+Z): undoes the newest change of the
    // product chosen in `cb3`, after naming it and asking.
    void BitBtn13Click();

    // The download pass, for the download-and-install sequence: the number of packages
    // installed and of those the user chose not to install again, or nothing when a message
    // ended the pass.
    struct DownloadedPackages {
        int installed = 0;
        int declined = 0;
    };
    std::optional<DownloadedPackages> installDownloaded(const std::string& templivFolder,
                                                        const std::string& archiveName);

    // SelectedPackage: the values of the package shown in `cb1`. The passes over several
    // packages work on their own copies and never change it.
    const PackageValues& selectedPackage() const { return m_selected; }

private:
    enum class Caller { StartUp, Cb1Change, Refresh };
    std::vector<std::string> libraryEntries() const;
    void LoadPackageDetails(Caller caller);
    // Makes SelectedPackage the values of the `cb1` item `item`, when a `cb1Change` that
    // stopped early (a damaged thumbnail, say) left them unfinished.
    void deriveSelectedPackage(const std::string& item);

    // The backups of the changes made from the window, in its workspace ("backups/").
    BackupStore m_backups{std::string()};
    LiveryContext m_context;
    PackageValues m_selected;
    std::string m_selectedItem; // the `cb1` item m_selected belongs to
};

} // namespace sw::liveries
