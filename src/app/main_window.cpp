#include "app/main_window.h"

#include "app/application_title.h"
#include "app/artwork.h"
#include "app/core/wine_prefix_search.h"
#include "app/package_dialog.h"
#include "app/picture_box.h"
#include "app/picture_button.h"
#include "app/qt_linked_controls.h"
#include "app/qt_message_sink.h"
#include "app/widgets/flat_check_box.h"
#include "app/widgets/flat_combo_box.h"
#include "app/widgets/flat_edit.h"
#include "app/widgets/marquee_bar.h"
#include "app/window_catalogue_view.h"
#include "app/window_download_overlay.h"
#include "app/window_livery_view.h"
#include "app/window_look.h"
#include "catalogue/catalogue_handlers.h"
#include "core/site_addresses.h"
#include "core/trace_log.h"
#include "http/winhttp_client.h"
#include "liveries/livery_handlers.h"
#include "platform/file_system.h"
#include "platform/wine_registry.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileSystemWatcher>
#include <QMimeData>
#include <QMouseEvent>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <exception>

namespace sw {

using look::colour;
using look::kDark;
using look::kLight;

TForm1::TForm1(WindowServices services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_services(std::move(services)),
      m_taskbarTitle(kApplicationTitle) {
    setObjectName("Form1");
    setWindowTitle(kApplicationTitle);
    setWindowIconText(kApplicationTitle);
    setFixedSize(700, 500);
    move(192, 114);
    look::setBackground(this, colour(kLight));
    // The window's default font: "MS Sans Serif" at 8 points (11 pixels).
    QFont defaultFont("MS Sans Serif");
    defaultFont.setPixelSize(11);
    setFont(defaultFont);

    m_messages = m_services.messages
                     ? m_services.messages
                     : std::make_shared<QtMessageSink>(this, [this] { return m_taskbarTitle; });
    if (m_services.winePrefix.empty()) {
        // $WINEPREFIX, ~/.wine, then Proton's; the chosen prefix's registry is read only once.
        std::shared_ptr<WinePrefixRegistry> found = DetectWinePrefixRegistry();
        m_services.winePrefix = found->prefix();
        m_registry = std::move(found);
    } else {
        m_registry = std::make_shared<WinePrefixRegistry>(m_services.winePrefix);
    }
    if (m_services.registry)
        m_registry = m_services.registry;

    buildControls();
    m_startFolder = fs::currentFolder();
    m_liveryView = std::make_unique<WindowLiveryView>(*this);
    m_liveries =
        std::make_unique<liveries::LiveryHandlers>(*m_liveryView, *m_messages, liveries::debugLogTrace());
    m_http = std::make_unique<TALWinHttpClient>();
    m_catalogueView = std::make_unique<WindowCatalogueView>(*this);
    m_catalogue = std::make_unique<catalogue::CatalogueHandlers>(
        *m_catalogueView, [this](const std::string& url) { return m_http->Get(url); },
        liveries::debugLogTrace(), CatalogueBaseUrl(), m_startFolder);
    // Catalogue and thumbnail requests keep the window painting, movable and closable while
    // they wait; closing the window ends them.
    m_http->setWaitCallback([this] { return pumpWhileWaiting(); }, kRequestPumpInterval);
    m_catalogue->setThumbnailWait([this] { return pumpWhileWaiting(); });
    setUpComponents();
    setTabOrderChain();
    connectHandlers();
    runHandler([this] { FormCreate(); });
    watchLibrary(p4->isVisibleTo(this));
}

TForm1::~TForm1() = default;

void TForm1::buildControls() {
    buildHeader();
    buildRemovalView();
    buildDownloadView();
    buildLocalView();
    // The navigation buttons come after the views and before the settings row.
    BitBtn10 = new PictureButton(artwork::navigationButton("Add downloaded livery"), 1, this);
    BitBtn10->setObjectName("BitBtn10");
    BitBtn10->setGeometry(176, 122, 161, 18);
    BitBtn11 = new PictureButton(artwork::navigationButton("Search liveries online"), 1, this);
    BitBtn11->setObjectName("BitBtn11");
    BitBtn11->setGeometry(344, 122, 161, 18);
    BitBtn12 = new PictureButton(artwork::navigationButton("Remove liveries"), 1, this);
    BitBtn12->setObjectName("BitBtn12");
    BitBtn12->setGeometry(512, 122, 161, 18);
    buildSettingsRow();
    buildOverlay();
    // Picture controls lie beneath every window-type sibling.
    Image1->lower();
    Image3->lower();
}

void TForm1::buildHeader() {
    Image3 = new PictureBox(this);
    Image3->setObjectName("Image3");
    Image3->setGeometry(0, 0, 699, 121);
    Image3->setPicture(artwork::header());

    Image1 = new PictureBox(this);
    Image1->setObjectName("Image1");
    Image1->setGeometry(62, 99, 239, 18);
    Image1->setPicture(artwork::makerName());
    Image1->setCursor(Qt::PointingHandCursor);
    Image1->setToolTip(QString::fromStdString("Go to " + MakerHomeUrl()));

    BitBtn4 = new PictureButton(artwork::roundButton('X'), 3, this);
    BitBtn4->setObjectName("BitBtn4");
    BitBtn4->setGeometry(672, 1, 27, 26);
    BitBtn5 = new PictureButton(artwork::roundButton('?'), 3, this);
    BitBtn5->setObjectName("BitBtn5");
    BitBtn5->setGeometry(638, 1, 27, 26);
}

void TForm1::buildRemovalView() {
    p1 = look::panel(this, "p1", {29, 145, 639, 332}, kLight);
    p1->hide();
    Label4 = look::label(p1, "Label4", {64, 24}, "Product:", look::bookman(16, true), kDark);
    Label5 = look::label(p1, "Label5", {64, 120}, "Livery:", look::bookman(16, true), kDark);
    cb3 = look::comboBox(p1, "cb3", {64, 64, 257, 25}, 14);
    cb4 = look::comboBox(p1, "cb4", {64, 160, 257, 25}, 14);
    BitBtn6 = new PictureButton(artwork::plateButton("REMOVE"), 3, p1);
    BitBtn6->setObjectName("BitBtn6");
    BitBtn6->setGeometry(456, 264, 145, 50);
    // A small button in the free space left of REMOVE, clear of the settings row above it.
    BitBtn13 = new PictureButton(artwork::undoButton(), 3, p1);
    BitBtn13->setObjectName("BitBtn13");
    BitBtn13->setGeometry(418, 275, 30, 29);
    BitBtn13->setToolTip("Undo last change");
    BitBtn13->setAccessibleName("Undo last change");
    undoShortcut = new QShortcut(QKeySequence::Undo, this);
}

void TForm1::buildDownloadView() {
    p2 = look::panel(this, "p2", {29, 145, 639, 332}, kLight);
    p2->hide();
    Label6 = look::label(p2, "Label6", {32, 24}, "Product:", look::bookman(16, true), kDark);
    Label7 = look::label(p2, "Label7", {32, 104}, "Livery:", look::bookman(16, true), kDark);
    i3 = new PictureBox(p2);
    i3->setObjectName("i3");
    i3->setGeometry(381, 1, 256, 128);
    cb5 = look::comboBox(p2, "cb5", {32, 56, 273, 25}, 14);
    cb6 = look::comboBox(p2, "cb6", {32, 136, 273, 25}, 14);
    BitBtn8 = new PictureButton(artwork::plateButton("LOAD"), 3, p2);
    BitBtn8->setObjectName("BitBtn8");
    BitBtn8->setGeometry(456, 264, 145, 50);
    i3->lower();
}

void TForm1::buildLocalView() {
    p4 = look::panel(this, "p4", {29, 145, 639, 332}, kLight);
    Label1 = look::label(p4, "Label1", {8, 8}, "Select livery:", look::bookman(16, true), kDark);
    i2 = new PictureBox(p4);
    i2->setObjectName("i2");
    i2->setGeometry(382, 0, 256, 128);
    cb1 = look::comboBox(p4, "cb1", {144, 8, 145, 25}, 15);
    // Beside cb1, clear of the thumbnail i2 and of sl1 below, centred on the list's height.
    BitBtn14 = new PictureButton(artwork::browseButton(), 3, p4);
    BitBtn14->setObjectName("BitBtn14");
    BitBtn14->setGeometry(295, 6, 30, 29);
    BitBtn14->setToolTip("Add a livery package: a .zip file or a package folder");
    sl1 = new TALCheckBox(p4);
    sl1->setObjectName("sl1");
    sl1->setGeometry(7, 41, 169, 25);
    sl1->SetCaption("Select all liveries");
    sl1->SetBlankColor(kLight);
    sl1->SetMarkColor(kDark);
    sl1->SetBorderColor(kLight);
    sl1->SetSpacing(6);
    sl1->SetColor(kLight);
    sl1->SetAllowGrayed(false);
    sl1->setFont(look::bookman(16, true));
    sl1->SetFontColor(kDark);
    sl1->setCursor(Qt::PointingHandCursor);
    BitBtn3 = new PictureButton(artwork::plateButton("INSTALL"), 3, p4);
    BitBtn3->setObjectName("BitBtn3");
    BitBtn3->setGeometry(456, 264, 145, 50);
    m1 = new QPlainTextEdit(p4);
    m1->setObjectName("m1");
    m1->setGeometry(8, 96, 345, 97);
    m1->setFrameShape(QFrame::NoFrame);
    m1->setReadOnly(true);
    // A memo without scroll bars: the three lines fit, and longer ones wrap.
    m1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m1->setFont(look::bookman(16, true));
    look::setBackground(m1, colour(kLight));
    look::setBackground(m1->viewport(), colour(kLight));
    look::setTextColour(m1, colour(kDark));
    m1->setPlainText("Information:");
    i2->lower();
}

void TForm1::buildSettingsRow() {
    p5 = look::panel(this, "p5", {33, 338, 552, 57}, kLight);
    Label2 = look::label(p5, "Label2", {8, 6}, "Select FS:", look::bookman(16, true), kDark);
    Label3 = look::label(p5, "Label3", {8, 30}, "Path", look::bookman(16, true), kDark);
    cb2 = look::comboBox(p5, "cb2", {112, 3, 145, 25}, 14);
    cb2->addItems({"None", "FS9", "FSX"});
    cb2->setCurrentIndex(0);
    e1 = new TALEdit(p5);
    e1->setObjectName("e1");
    e1->setGeometry(112, 29, 400, 25);
    e1->SetBorderColor(kDark);
    e1->SetbtnColor(kLight);
    e1->SetbtnVisible(false);
    e1->SetColor(kLight);
    e1->setFont(look::bookman(15, false));
    e1->SetFontColor(kDark);
    BitBtn1 = new PictureButton(artwork::browseButton(), 3, p5);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setGeometry(516, 25, 30, 29);
}

void TForm1::buildOverlay() {
    p3 = look::panel(this, "p3", {46, 192, 579, 185}, look::kDark);
    look::setTextColour(p3, colour(look::kOverlayFont));
    p3->hide();
    Label8 = look::label(p3, "Label8", {76, 6}, "", look::bookman(16, false), kLight);
    Label8->setGeometry(76, 6, 435, 40);
    Label8->setWordWrap(false);
    Label10 = look::label(p3, "Label10", {80, 52},
                          "This bar does not always reflect the real progress, please be patient",
                          look::bookman(12, false), kLight);
    Label14 = look::label(p3, "Label14", {16, 128}, "Downloaded:", look::bookman(16, false), kLight);
    Label11 = look::label(p3, "Label11", {128, 128}, "", look::bookman(16, false), kLight);
    Label15 = look::label(p3, "Label15", {16, 152}, "Rest size:", look::bookman(16, false), kLight);
    Label12 = look::label(p3, "Label12", {128, 152}, "", look::bookman(16, false), kLight);
    Label16 = look::label(p3, "Label16", {344, 128}, "Total size:", look::bookman(16, false), kLight);
    Label13 = look::label(p3, "Label13", {432, 128}, "", look::bookman(16, false), kLight);
    Label17 = look::label(p3, "Label17", {344, 152}, "Rest time:", look::bookman(16, false), kLight);
    Label9 = look::label(p3, "Label9", {432, 152}, "", look::bookman(16, false), kLight);

    AbMeter1 = new TAbMeter(p3);
    AbMeter1->setObjectName("AbMeter1");
    AbMeter1->setGeometry(0, 72, 577, 49);
    AbMeter1->SetOrientation(TAbMeterOrientation::moHorizontal);
    AbMeter1->SetUsedColor(kDark);
    AbMeter1->SetUnusedColor(kLight);
    AbMeter1->hide();
    ProgressBar = new QProgressBar(p3);
    ProgressBar->setObjectName("ProgressBar");
    ProgressBar->setGeometry(1, 71, 577, 50);
    ProgressBar->setTextVisible(false);
    ProgressBar->hide();
    mb1 = new TMarqueeBar(p3);
    mb1->setObjectName("mb1");
    mb1->setGeometry(0, 72, 576, 49);
    mb1->SetAnimationSpeed(60);
    mb1->SetBackColor(kLight);
    mb1->SetBarColor(kDark);
    mb1->SetBorderColor(kDark);
    mb1->SetBorderStyle(TBorderStyle::bsFlat);
    mb1->SetDefaultStyled(false);
    mb1->SetGradientStyle(TGradientStyle::gsRightToLeft);
    mb1->SetParented(false);
    mb1->SetActive(true); // its timer runs from the start, even while the overlay is hidden
}

void TForm1::setUpComponents() {
    // The unzipper unpacks with the stored folders and reports to the meter through its link.
    AbVCLMeterLink1.SetMeter(AbMeter1);
    uzip.ExtractOptions = eoCreateDirs | eoRestorePath;
    uzip.ArchiveProgressMeter = &AbVCLMeterLink1;

    // The downloader keeps the overlay's figures up to date and pumps the window's messages.
    m_linkedBar = std::make_unique<QtLinkedProgressBar>(ProgressBar);
    httpget.MProgressBar = m_linkedBar.get();
    for (auto [slot, label] :
         {std::pair{&httpget.MLblTotal, Label13}, std::pair{&httpget.MLblRecebido, Label11},
          std::pair{&httpget.MLblRestante, Label12}, std::pair{&httpget.MLblTempoRestante, Label9}}) {
        m_linkedLabels.push_back(std::make_unique<QtLinkedLabel>(label));
        *slot = m_linkedLabels.back().get();
    }
    httpget.MOnProgress = [this](TMHttpGetResume&) { httpgetMOnProgress(); };
    httpget.setMessagePump([] { QCoreApplication::processEvents(); });
    m_overlay = std::make_unique<WindowDownloadOverlay>(*this);
}

void TForm1::setTabOrderChain() {
    const QList<QWidget*> chain = {BitBtn4, BitBtn5, cb3,      cb4,      BitBtn6,  BitBtn13, cb5,
                                   cb6,     BitBtn8, BitBtn10, BitBtn11, BitBtn12, cb1,      BitBtn14,
                                   sl1,     BitBtn3, m1,       cb2,      e1,       BitBtn1};
    for (qsizetype i = 0; i + 1 < chain.size(); ++i)
        setTabOrder(chain[i], chain[i + 1]);
}

void TForm1::connectHandlers() {
    connect(Image3, &PictureBox::mouseDown, this,
            [this](Qt::MouseButton b) { runHandler([&] { Image3MouseDown(b); }); });
    connect(Image1, &PictureBox::clicked, this, [this] { runHandler([&] { Image1Click(); }); });
    connect(BitBtn5, &QAbstractButton::clicked, this, [this] { runHandler([&] { BitBtn5Click(); }); });
    connect(BitBtn4, &QAbstractButton::clicked, this, [this] { runHandler([&] { BitBtn4Click(); }); });
    connect(BitBtn10, &QAbstractButton::clicked, this, [this] { runHandler([&] { BitBtn10Click(); }); });
    connect(BitBtn11, &QAbstractButton::clicked, this, [this] { runHandler([&] { BitBtn11Click(); }); });
    connect(BitBtn12, &QAbstractButton::clicked, this, [this] { runHandler([&] { BitBtn12Click(); }); });
    connect(BitBtn1, &QAbstractButton::clicked, this, [this] { runHandler([&] { BitBtn1Click(); }); });
    // Only a change by the user runs the handler; a choice set from code does not.
    connect(cb2, &QComboBox::activated, this, [this] { runHandler([&] { cb2Change(); }); });
    connect(cb1, &QComboBox::activated, this, [this] { runHandler([&] { cb1Change(); }); });
    connect(cb3, &QComboBox::activated, this, [this] { runHandler([&] { cb3Change(); }); });
    connect(BitBtn3, &QAbstractButton::clicked, this, [this] { runHandler([&] { BitBtn3Click(); }); });
    connect(BitBtn14, &QAbstractButton::clicked, this, [this] { runHandler([&] { BitBtn14Click(); }); });
    connect(BitBtn6, &QAbstractButton::clicked, this, [this] { runHandler([&] { BitBtn6Click(); }); });
    connect(BitBtn13, &QAbstractButton::clicked, this, [this] { runHandler([&] { BitBtn13Click(); }); });
    connect(undoShortcut, &QShortcut::activated, this, [this] {
        if (p1->isVisible() && BitBtn13->isEnabled())
            runHandler([&] { BitBtn13Click(); });
    });
    connect(BitBtn8, &QAbstractButton::clicked, this, [this] { runHandler([&] { BitBtn8Click(); }); });
    connect(cb5, &QComboBox::activated, this, [this] { runHandler([&] { cb5Change(); }); });
    connect(cb6, &QComboBox::activated, this, [this] { runHandler([&] { cb6Change(); }); });

    // Dropped .zip files and package folders are taken anywhere on the window, also on the
    // controls that take dropped text themselves.
    setAcceptDrops(true);
    for (QWidget* child : findChildren<QWidget*>()) {
        if (child->acceptDrops())
            child->installEventFilter(this);
    }
    // The library is watched while the local view is shown; a burst of changes (a package
    // being copied in) is listed once, when it has settled.
    m_libraryWatcher = new QFileSystemWatcher(this);
    m_libraryTimer = new QTimer(this);
    m_libraryTimer->setSingleShot(true);
    m_libraryTimer->setInterval(kLibraryRefreshDelayMs);
    connect(m_libraryWatcher, &QFileSystemWatcher::directoryChanged, m_libraryTimer,
            qOverload<>(&QTimer::start));
    connect(m_libraryTimer, &QTimer::timeout, this, [this] { libraryChanged(); });
    p4->installEventFilter(this);
}

void TForm1::runHandler(const std::function<void()>& handler) {
    ++m_handlersRunning;
    try {
        handler();
    } catch (const std::exception& error) {
        // A request that the closing of the window ended has nothing to tell any more.
        if (!m_closed)
            m_messages->showError(m_taskbarTitle, error.what());
    }
    --m_handlersRunning;
}

bool TForm1::pumpWhileWaiting() {
    QCoreApplication::processEvents();
    return !m_closed;
}

// While a catalogue handler's requests pump the window's messages, the navigation and action
// buttons and the catalogue lists are off (as during a download), so no other handler starts
// under it; each gets back the state it had.
void TForm1::runCatalogueRequest(const std::function<void()>& handler) {
    std::vector<std::pair<QWidget*, bool>> states;
    for (QWidget* w : std::initializer_list<QWidget*>{BitBtn10, BitBtn11, BitBtn12, BitBtn3, BitBtn6,
                                                      BitBtn13, BitBtn8, cb5, cb6}) {
        states.emplace_back(w, w->isEnabled());
        w->setEnabled(false);
    }
    struct Restore {
        std::vector<std::pair<QWidget*, bool>>& states;
        ~Restore() {
            for (auto& [widget, enabled] : states)
                widget->setEnabled(enabled);
        }
    } restore{states};
    m_closed = false;
    handler();
}

// --- Settings row and start-up ---------------------------------------------------------------

Simulator TForm1::simulatorChoice() const {
    switch (cb2->currentIndex()) {
    case 1:
        return Simulator::FS9;
    case 2:
        return Simulator::FSX;
    default:
        return Simulator::None;
    }
}

void TForm1::setSimulatorChoice(Simulator simulator) {
    cb2->setCurrentIndex(static_cast<int>(simulator));
}

std::string TForm1::simulatorFolder() const {
    return e1->text().toStdString();
}

void TForm1::setSimulatorFolder(const std::string& folder) {
    e1->setText(QString::fromStdString(folder));
}

void TForm1::setTaskbarTitle(const std::string& title) {
    m_taskbarTitle = title;
    setWindowIconText(QString::fromStdString(title));
}

void TForm1::colourProgressBar(unsigned background, unsigned bar) {
    QPalette palette = ProgressBar->palette();
    palette.setColor(QPalette::Base, colour(background));
    palette.setColor(QPalette::Window, colour(background));
    palette.setColor(QPalette::Highlight, colour(bar));
    ProgressBar->setPalette(palette);
}

void TForm1::colourComboBoxes(unsigned c) {
    for (QComboBox* box : {cb1, cb2, cb3, cb4, cb5, cb6}) {
        QPalette palette = box->palette();
        palette.setColor(QPalette::Text, colour(c));
        palette.setColor(QPalette::ButtonText, colour(c));
        palette.setColor(QPalette::WindowText, colour(c));
        box->setPalette(palette);
    }
}

void TForm1::listLocalLibrary() {
    m_liveries->listLocalLibrary();
}

// --- Local library, installation and removal ---------------------------------------------------

void TForm1::cb1Change() {
    m_liveries->cb1Change();
}

void TForm1::BitBtn14Click() {
    const QString title = "Add livery packages";
    QString start = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (start.isEmpty() || !QDir(start).exists())
        start = QDir::homePath();
    const QStringList chosen = m_services.choosePackages ? m_services.choosePackages(title, start)
                                                         : PackageFileDialog::choose(this, title, start);
    if (!chosen.isEmpty())
        addLiveryPackages(chosen);
}

void TForm1::addLiveryPackages(const QStringList& paths) {
    std::vector<std::string> sources;
    for (const QString& path : paths)
        sources.push_back(path.toStdString());
    m_liveries->addPackages(sources);
}

void TForm1::libraryChanged() {
    // Not in the middle of a handler (a message box runs the event loop): later.
    if (m_handlersRunning > 0) {
        m_libraryTimer->start();
        return;
    }
    if (p4->isVisibleTo(this))
        runHandler([this] { m_liveries->refreshLocalLibrary(); });
}

void TForm1::watchLibrary(bool on) {
    const QString library = QDir(QString::fromStdString(m_startFolder)).filePath("downloads");
    if (on && m_libraryWatcher->directories().isEmpty() && QDir(library).exists())
        m_libraryWatcher->addPath(library);
    if (!on) {
        m_libraryTimer->stop();
        if (!m_libraryWatcher->directories().isEmpty())
            m_libraryWatcher->removePaths(m_libraryWatcher->directories());
    }
}

bool TForm1::watchingLibrary() const {
    return !m_libraryWatcher->directories().isEmpty();
}

void TForm1::BitBtn3Click() {
    m_liveries->BitBtn3Click();
}

void TForm1::cb3Change() {
    m_liveries->cb3Change();
}

void TForm1::BitBtn6Click() {
    m_liveries->BitBtn6Click();
}

void TForm1::BitBtn13Click() {
    m_liveries->BitBtn13Click();
}

void TForm1::FormCreate() {
    m_startFolder = sw::FormCreate(*this, *m_registry);
    m_catalogue->setStartFolder(m_startFolder);
}

void TForm1::cb2Change() {
    sw::cb2Change(*this, *m_registry);
}

void TForm1::BitBtn1Click() {
    QString start = QString::fromStdString(BrowseStartFolder(simulatorFolder(), m_services.winePrefix));
    QString chosen;
    if (m_services.browseForFolder)
        chosen = m_services.browseForFolder("Select FS folder", start);
    else
        chosen = QFileDialog::getExistingDirectory(this, "Select FS folder", start);
    if (!chosen.isEmpty())
        e1->setText(chosen);
}

// --- Header, links, closing --------------------------------------------------------------------

void TForm1::Image3MouseDown(Qt::MouseButton) {
    ++m_dragCount;
    // The window system moves the window with the mouse until the button is released; where
    // it cannot, the window follows the mouse itself.
    QWindow* window = windowHandle();
    if (window && window->startSystemMove())
        return;
    m_manualDrag = true;
    m_dragOffset = QCursor::pos() - pos();
    grabMouse();
}

void TForm1::mouseMoveEvent(QMouseEvent* event) {
    if (m_manualDrag)
        move(event->globalPosition().toPoint() - m_dragOffset);
    QWidget::mouseMoveEvent(event);
}

void TForm1::mouseReleaseEvent(QMouseEvent* event) {
    if (m_manualDrag) {
        m_manualDrag = false;
        releaseMouse();
    }
    QWidget::mouseReleaseEvent(event);
}

void TForm1::openPage(const std::string& url) {
    QUrl address(QString::fromStdString(url));
    if (m_services.openUrl)
        m_services.openUrl(address.toString());
    else
        QDesktopServices::openUrl(address); // its result is not examined
}

void TForm1::Image1Click() {
    openPage(MakerHomeUrl());
}

void TForm1::BitBtn5Click() {
    openPage(MakerFaqUrl());
}

void TForm1::BitBtn4Click() {
    httpget.MBaixando = false;
    close();
}

void TForm1::FormClose() {
    m_closing = true;
    httpget.MBaixando = false;
    m_closed = true;
}

void TForm1::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

// --- Dropped packages and the watched library ---------------------------------------------------

namespace {

// The local files and folders a drag carries; none when it carries anything else.
QStringList droppedPaths(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            return {};
        paths.push_back(url.toLocalFile());
    }
    return paths;
}

} // namespace

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TForm1::dragMoveEvent(QDragMoveEvent* event) {
    if (!droppedPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
    takeDrop(event);
}

bool TForm1::takeDrop(QDropEvent* event) {
    const QStringList paths = droppedPaths(event->mimeData());
    // Not in the middle of another handler (a download pumps the window's messages).
    if (paths.isEmpty() || m_handlersRunning > 0)
        return false;
    event->acceptProposedAction();
    runHandler([&] { addLiveryPackages(paths); });
    return true;
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == p4 && (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent))
        watchLibrary(event->type() == QEvent::ShowToParent);
    if (watched != p4) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (!droppedPaths(drag->mimeData()).isEmpty()) {
                drag->acceptProposedAction();
                return true;
            }
            break;
        }
        case QEvent::Drop:
            return takeDrop(static_cast<QDropEvent*>(event));
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// --- Navigation ------------------------------------------------------------------------------

void TForm1::BitBtn10Click() {
    p4->show();
    p1->hide();
    p2->hide();
    // Whatever changed in the library meanwhile is listed.
    m_liveries->refreshLocalLibrary();
}

void TForm1::BitBtn11Click() {
    // The catalogue, then the catalogue panel.
    runCatalogueRequest([this] { m_catalogue->BitBtn11Click(); });
}

void TForm1::cb5Change() {
    runCatalogueRequest([this] { m_catalogue->cb5Change(); });
}

void TForm1::cb6Change() {
    runCatalogueRequest([this] { m_catalogue->cb6Change(); });
}

void TForm1::BitBtn8Click() {
    download_and_install::DownloadAndInstallParts parts{httpget,
                                                        uzip,
                                                        *m_liveries,
                                                        *m_overlay,
                                                        *m_messages,
                                                        liveries::debugLogTrace(),
                                                        [this] { return simulatorChoice(); },
                                                        [this] { return simulatorFolder(); },
                                                        [this] { return m_closing; }};
    download_and_install::DownloadAndInstall(parts, m_catalogue->SelectedPackageUrl(), m_startFolder);
}

void TForm1::httpgetMOnProgress() {
    download_and_install::httpgetMOnProgress(httpget, *m_overlay);
}

void TForm1::BitBtn12Click() {
    // The product list, then the removal view (only when a simulator is chosen).
    if (m_liveries->BitBtn12Click()) {
        p2->hide();
        p4->hide();
        p1->show();
    }
}

} // namespace sw
