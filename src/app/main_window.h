#pragma once

// The names of the controls, the handlers, the downloader's members and the trace lines are
// explained in GLOSSARY.md next to this file.

#include "app/core/startup.h"
#include "app/widgets/ab_meter.h"
#include "app/widgets/flat_check_box.h"
#include "app/widgets/flat_combo_box.h"
#include "app/widgets/flat_edit.h"
#include "app/widgets/marquee_bar.h"
#include "archive/unzipper.h"
#include "download/mhttp_get_resume.h"
#include "platform/message_sink.h"

#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QShortcut>
#include <QStringList>
#include <QWidget>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

class QFileSystemWatcher;
class QTimer;

namespace sw {

class PictureBox;
class PictureButton;
class QtLinkedLabel;
class QtLinkedProgressBar;
class WindowDownloadOverlay;
class WindowLiveryView;
class WindowCatalogueView;
class TALWinHttpClient;
namespace liveries {
class LiveryHandlers;
}
namespace catalogue {
class CatalogueHandlers;
}

// What the window needs from outside; tests replace each part.
struct WindowServices {
    std::shared_ptr<MessageSink> messages;           // null: the window's own QMessageBoxes
    std::shared_ptr<SimulatorRegistry> registry;     // null: the Wine prefix's registry
    std::string winePrefix;                          // empty: $WINEPREFIX or ~/.wine
    std::function<bool(const QString& url)> openUrl; // null: QDesktopServices
    std::function<QString(const QString& title, const QString& start)> browseForFolder; // null: QFileDialog
    // The add action's choice of .zip files and package folders; null: PackageFileDialog.
    std::function<QStringList(const QString& title, const QString& start)> choosePackages;
};

// The main window: borderless, 700 x 500, with its header, navigation row, three views, the
// settings row and the hidden progress overlay. Control names are the window's own.
class TForm1 : public QWidget, public StartupView {
    Q_OBJECT
public:
    explicit TForm1(WindowServices services = {}, QWidget* parent = nullptr);
    ~TForm1() override;

    // The window's components: the downloader (clearing its MBaixando stops a transfer at
    // its next check), the unzipper and the meter link that drives AbMeter1.
    TMHttpGetResume httpget;
    TAbUnZipper uzip;
    TAbVCLMeterLink AbVCLMeterLink1;

    const std::string& startFolder() const { return m_startFolder; }
    const std::string& taskbarTitle() const { return m_taskbarTitle; }
    MessageSink& messages() { return *m_messages; }

    // StartupView
    Simulator simulatorChoice() const override;
    void setSimulatorChoice(Simulator simulator) override;
    std::string simulatorFolder() const override;
    void setSimulatorFolder(const std::string& folder) override;
    void setTaskbarTitle(const std::string& title) override;
    void colourProgressBar(unsigned background, unsigned bar) override;
    void colourComboBoxes(unsigned colour) override;
    void listLocalLibrary() override;

    // Runs a handler: an error it does not handle is shown in an error box titled with the
    // application title, and the program goes on.
    void runHandler(const std::function<void()>& handler);

    // Handlers.
    void FormCreate();
    void Image3MouseDown(Qt::MouseButton button);
    void Image1Click();
    void BitBtn5Click();
    void BitBtn4Click();
    void BitBtn10Click();
    void BitBtn11Click();
    void BitBtn12Click();
    void cb2Change();
    void BitBtn1Click();
    void cb1Change();
    void BitBtn14Click();
    void BitBtn3Click();
    void cb3Change();
    void BitBtn6Click();
    void BitBtn13Click();
    void cb5Change();
    void cb6Change();
    void BitBtn8Click();
    void httpgetMOnProgress();
    // The add action and the drop: adds the packages of .zip files and folders to the library.
    void addLiveryPackages(const QStringList& paths);
    // The watcher's handler: the library folder changed while the local view is shown.
    void libraryChanged();

    // The catalogue handlers and their state (CatalogueText, LiveryListText, SelectedPackageUrl).
    catalogue::CatalogueHandlers& catalogueHandlers() { return *m_catalogue; }

    // Header.
    PictureBox* Image3;
    PictureBox* Image1;
    PictureButton* BitBtn4;
    PictureButton* BitBtn5;
    PictureButton* BitBtn10;
    PictureButton* BitBtn11;
    PictureButton* BitBtn12;
    // Removal view.
    QFrame* p1;
    QLabel* Label4;
    QLabel* Label5;
    TALComboBox* cb3;
    TALComboBox* cb4;
    PictureButton* BitBtn6;
    PictureButton* BitBtn13; // "Undo last change", left of REMOVE
    QShortcut* undoShortcut; // Ctrl+Z: BitBtn13Click while the removal view is shown
    // Download view.
    QFrame* p2;
    QLabel* Label6;
    QLabel* Label7;
    PictureBox* i3;
    TALComboBox* cb5;
    TALComboBox* cb6;
    PictureButton* BitBtn8;
    // Local install view.
    QFrame* p4;
    QLabel* Label1;
    PictureBox* i2;
    TALComboBox* cb1;
    PictureButton* BitBtn14; // add a package from a .zip file or a folder
    TALCheckBox* sl1;
    PictureButton* BitBtn3;
    QPlainTextEdit* m1;
    // Settings row.
    QFrame* p5;
    QLabel* Label2;
    QLabel* Label3;
    TALComboBox* cb2;
    TALEdit* e1;
    PictureButton* BitBtn1;
    // Progress overlay.
    QFrame* p3;
    QLabel* Label8;
    QLabel* Label10;
    QLabel* Label14;
    QLabel* Label11;
    QLabel* Label15;
    QLabel* Label12;
    QLabel* Label16;
    QLabel* Label13;
    QLabel* Label17;
    QLabel* Label9;
    TAbMeter* AbMeter1;
    QProgressBar* ProgressBar;
    TMarqueeBar* mb1;

    // The number of window moves started from the header (for the record; the system moves).
    int dragCount() const { return m_dragCount; }
    // True while the library folder is watched (the local view is shown).
    bool watchingLibrary() const;
    // How long the watcher waits after a change before it lists the library again.
    static constexpr int kLibraryRefreshDelayMs = 250;

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void buildControls();
    void buildHeader();
    void buildRemovalView();
    void buildDownloadView();
    void buildLocalView();
    void buildSettingsRow();
    void buildOverlay();
    void setUpComponents();
    void setTabOrderChain();
    void connectHandlers();
    void FormClose();
    void openPage(const std::string& url);
    bool pumpWhileWaiting();
    void runCatalogueRequest(const std::function<void()>& handler);
    void watchLibrary(bool on);
    bool takeDrop(QDropEvent* event);

    WindowServices m_services;
    std::shared_ptr<MessageSink> m_messages;
    std::shared_ptr<SimulatorRegistry> m_registry;
    std::unique_ptr<WindowLiveryView> m_liveryView;
    std::unique_ptr<liveries::LiveryHandlers> m_liveries;
    std::unique_ptr<TALWinHttpClient> m_http;
    std::unique_ptr<WindowCatalogueView> m_catalogueView;
    std::unique_ptr<catalogue::CatalogueHandlers> m_catalogue;
    std::unique_ptr<WindowDownloadOverlay> m_overlay;
    std::vector<std::unique_ptr<QtLinkedLabel>> m_linkedLabels;
    std::unique_ptr<QtLinkedProgressBar> m_linkedBar;
    std::string m_startFolder;
    std::string m_taskbarTitle;
    QFileSystemWatcher* m_libraryWatcher = nullptr;
    QTimer* m_libraryTimer = nullptr;
    int m_handlersRunning = 0;
    int m_dragCount = 0;
    bool m_closed = false; // the window was closed: requests still running end
    static constexpr std::chrono::milliseconds kRequestPumpInterval{50};
    bool m_manualDrag = false;
    bool m_closing = false; // set when the window closes: a download it stops ends quietly
    QPoint m_dragOffset;
};

} // namespace sw
