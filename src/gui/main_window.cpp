#include "gui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/program_shell.h"
#include "gui/copy_status_dialog.h"
#include "gui/copying_dialog.h"
#include "gui/gui_chosen_files_ui.h"
#include "gui/gui_grab_ui.h"
#include "gui/gui_texts.h"
#include "gui/id3_editor_dialog.h"
#include "gui/message_box.h"
#include "gui/peak_window.h"
#include "gui/shutdown_dialog.h"
#include "gui/track_list_view.h"

namespace ps::gui {

namespace {

// Designed widths of the four list columns (the saved widths replace them).
constexpr int kDesignedColumnWidths[] = {250, 60, 80, 198};

// File names on Linux are bytes; Qt decodes them with the locale's encoding.
std::vector<std::string> LocalPaths(const QStringList& paths) {
    std::vector<std::string> out;
    for (const QString& path : paths) {
        if (!path.isEmpty()) {
            out.push_back(QFile::encodeName(path).toStdString());
        }
    }
    return out;
}

// The check-mark column of the menus, measured from the main window's left edge.
constexpr int kCheckMarkColumnLeft = 65;
constexpr int kCheckMarkColumnRight = 82;

}  // namespace

MainWindow::~MainWindow() = default;

MainWindow::MainWindow(ProgramShell& shell) : shell_(shell) {
    setObjectName("MainWindow");
    setWindowTitle("Platterscoop");

    fileMenu_ = menuBar()->addMenu(QString());
    for (const char* key : {"NormMItem", "MakeMP3MItem", "LineInMItem", "CompareMItem", "CalcMItem",
                            "StoreMItem", "CopyTMitem"}) {
        addAction(fileMenu_, key, false);
    }
    action("NormMItem")->setEnabled(true);
    connect(action("NormMItem"), &QAction::triggered, this, &MainWindow::chooseFilesToNormalize);
    action("MakeMP3MItem")->setEnabled(true);
    connect(action("MakeMP3MItem"), &QAction::triggered, this, &MainWindow::chooseFilesToEncode);
    fileMenu_->addSeparator();
    connect(addAction(fileMenu_, "ExitMItem", true), &QAction::triggered, this, &QWidget::close);

    cdMenu_ = menuBar()->addMenu(QString());
    QAction* refresh = addAction(cdMenu_, "RefreshMItem", true);
    refresh->setShortcut(QKeySequence(Qt::Key_F5));
    connect(refresh, &QAction::triggered, this, &MainWindow::refreshTrackList);
    connect(addAction(cdMenu_, "GrabMItem", false), &QAction::triggered, this,
            [this] { runGrab(false); });
    connect(addAction(cdMenu_, "TestMItem", false), &QAction::triggered, this,
            [this] { runGrab(true); });
    for (const char* key : {"GetMItem", "UndoMItem", "RedoMItem", "SubmitMItem", "ShuffleMItem"}) {
        addAction(cdMenu_, key, false);
    }

    settingsMenu_ = menuBar()->addMenu(QString());
    for (const char* key : {"GeneralMItem", "MP3MItem", "NormSettingsMItem", "CDDBMItem",
                            "PlaybackMItem", "ID3MItem"}) {
        addAction(settingsMenu_, key, false);
    }
    QAction* id3 = action("ID3MItem");
    id3->setEnabled(true);
    id3->setCheckable(true);
    id3->setChecked(shell_.settings.UseID3Tag);
    connect(id3, &QAction::triggered, this,
            [this] { id3TagCommand(QCursor::pos().x() - frameGeometry().left()); });
    QAction* showPlayButtons = addAction(settingsMenu_, "ShowMItem", false);
    showPlayButtons->setCheckable(true);
    languageMenu_ = settingsMenu_->addMenu(QString());
    actions_["LangMitem"] = languageMenu_->menuAction();
    QAction* english = addAction(languageMenu_, "DefLangMitem", true);
    english->setCheckable(true);
    connect(english, &QAction::triggered, this, [this] { chooseLanguage(std::string()); });
    connect(languageMenu_, &QMenu::aboutToShow, this, &MainWindow::listLanguages);

    helpMenu_ = menuBar()->addMenu(QString());
    for (const char* key :
         {"ContentMItem", "SearchMItem", "HelpMItem", "TipMItem", "SystemMItem", "AboutMItem"}) {
        addAction(helpMenu_, key, false);
    }

    toolBar_ = addToolBar(QStringLiteral("Commands"));
    toolBar_->setObjectName("Toolbar");
    toolBar_->setMovable(false);
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    connect(addToolButton("RefBut", true), &QAction::triggered, this,
            &MainWindow::refreshTrackList);
    connect(addToolButton("GrabBut", false), &QAction::triggered, this, [this] { runGrab(false); });
    for (const char* key : {"SetBut", "NormBut", "MP3But", "CDDBBut", "PlayerBut"}) {
        addToolButton(key, false);
    }
    connect(addToolButton("ExitBut", true), &QAction::triggered, this, &QWidget::close);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    auto* fields = new QHBoxLayout();
    artistLabel_ = new QLabel(central);
    artistEdit_ = new QLineEdit(central);
    artistEdit_->setObjectName("ArtistEdit");
    albumLabel_ = new QLabel(central);
    albumEdit_ = new QLineEdit(central);
    albumEdit_->setObjectName("AlbumEdit");
    artistLabel_->setBuddy(artistEdit_);
    albumLabel_->setBuddy(albumEdit_);
    fields->addWidget(artistLabel_);
    fields->addWidget(artistEdit_, 1);
    fields->addWidget(albumLabel_);
    fields->addWidget(albumEdit_, 1);
    layout->addLayout(fields);

    trackList_ = new TrackListView(*shell_.tracks, shell_.texts, central);
    trackList_->attachDiscFields(artistEdit_, albumEdit_);
    for (int column = 0; column < 4; ++column) {
        trackList_->setColumnWidth(column, kDesignedColumnWidths[column]);
    }
    trackListUi_ = std::make_unique<MessageBoxTrackListUi>(this, shell_.texts);
    shell_.tracks->setUi(*trackListUi_);
    connect(trackList_, &TrackListView::statusChanged, this, &MainWindow::showStatus);
    connect(trackList_, &TrackListView::selectionChanged, this, &MainWindow::showStatus);

    CopyingWindow* copying = shell_.readMethod->aspiBackend().copyingWindow();
    if (copying == nullptr) {
        ownCopying_ = std::make_unique<CopyingWindow>(shell_.texts, ownCopyingFlags_);
        copying = ownCopying_.get();
    }
    grabUi_ = std::make_unique<GuiGrabUi>(*this, shell_.texts, *copying);
    grabUi_->setRowChangedCallback([this](std::size_t) { trackList_->updateRows(); });
    chosenFilesUi_ =
        std::make_unique<GuiChosenFilesUi>(*this, shell_.texts, grabUi_->encoderWaitDialog());
    setAcceptDrops(true);
    copyStatus_ = new CopyStatusDialog(shell_.settings, shell_.texts, this);
    connect(trackList_, &TrackListView::copyStatusRequested, this, [this](int row) {
        if (row >= 0 && static_cast<std::size_t>(row) < shell_.disc.rows.size()) {
            copyStatus_->openFor(shell_.disc.trackAtRow(static_cast<std::size_t>(row)), this);
        }
    });
    mediaTimer_ = new QTimer(this);
    mediaTimer_->setInterval(1000);
    connect(mediaTimer_, &QTimer::timeout, this, &MainWindow::watchMedia);
    mediaTimer_->start();
    connect(copyStatus_, &CopyStatusDialog::switchesStored, this, [this] {
        shell_.tracks->rebuildInformation();
        trackList_->updateRows();
    });
    layout->addWidget(trackList_, 1);
    setCentralWidget(central);

    tracksPanel_ = new QLabel(this);
    timeLeftPanel_ = new QLabel(this);
    diskPanel_ = new QLabel(this);
    tracksPanel_->setMinimumWidth(385);
    timeLeftPanel_->setMinimumWidth(175);
    statusBar()->addWidget(tracksPanel_);
    statusBar()->addWidget(timeLeftPanel_);
    statusBar()->addPermanentWidget(diskPanel_);
    // The status bar's own buttons: select all, select none, track numbers, eject.
    auto statusButton = [this](const char* key, const QString& glyph) {
        auto* button = new QToolButton(this);
        button->setObjectName(key);
        button->setText(glyph);
        button->setAutoRaise(true);
        statusBar()->addPermanentWidget(button);
        statusButtons_[key] = button;
        return button;
    };
    connect(statusButton("AllHint", QStringLiteral("\u2611")), &QToolButton::clicked, this, [this] {
        shell_.tracks->selectAll();
        trackList_->updateRows();
        showStatus();
    });
    connect(statusButton("NoneHint", QStringLiteral("\u2610")), &QToolButton::clicked, this,
            [this] {
                shell_.tracks->selectNone();
                trackList_->updateRows();
                showStatus();
            });
    QToolButton* numbers = statusButton("NrShowHint", QStringLiteral("#"));
    numbers->setCheckable(true);
    connect(numbers, &QToolButton::toggled, this,
            [this](bool on) { trackList_->setTrackNumberIcons(on); });
    connect(statusButton("EjectHint", QStringLiteral("\u23CF")), &QToolButton::clicked, this,
            [this] { shell_.readMethod->EjectDisc(true); });

    resize(kDesignedWidth, kDesignedHeight);
    setMinimumSize(kDesignedWidth, 240);
    setMaximumSize(2000, 2000);
    applyTexts();
}

QAction* MainWindow::addAction(QMenu* menu, const char* key, bool enabled) {
    QAction* action = menu->addAction(QString());
    action->setObjectName(key);
    action->setEnabled(enabled);
    actions_[key] = action;
    return action;
}

QAction* MainWindow::addToolButton(const char* key, bool enabled) {
    QAction* action = toolBar_->addAction(QString());
    action->setObjectName(key);
    action->setEnabled(enabled);
    actions_[key] = action;
    return action;
}

QAction* MainWindow::action(const std::string& key) const {
    auto it = actions_.find(key);
    return it != actions_.end() ? it->second : nullptr;
}

void MainWindow::applyTexts() {
    const TextTable& texts = shell_.texts;
    fileMenu_->setTitle(uiText(texts, "FileMenu"));
    cdMenu_->setTitle(uiText(texts, "CDMenu"));
    settingsMenu_->setTitle(uiText(texts, "SettingsMenu"));
    helpMenu_->setTitle(uiText(texts, "HelpMenu"));
    for (const auto& [key, action] : actions_) {
        action->setText(uiText(texts, key.c_str()));
    }
    artistLabel_->setText(uiText(texts, "ArtistLabel"));
    albumLabel_->setText(uiText(texts, "AlbumLabel"));
    trackList_->applyTexts();
    for (const auto& [key, button] : statusButtons_) {
        button->setToolTip(uiText(texts, key.c_str()));
    }
    if (grabUi_) {
        grabUi_->applyTexts();
        copyStatus_->applyTexts();
        chosenFilesUi_->peak().applyTexts();
    }
}

void MainWindow::showTrackRows() {
    trackList_->showModel();
    showStatus();
}

void MainWindow::showStatus() {
    const TrackListModel& tracks = *shell_.tracks;
    tracksPanel_->setText(decodedText(shell_.texts, tracks.statusTracks()));
    timeLeftPanel_->setText(decodedText(shell_.texts, tracks.statusTimeLeft()));
    // The disk-space panel shares its place with the play buttons.
    diskPanel_->setText(shell_.settings.ShowPlayButtons
                            ? QString()
                            : decodedText(shell_.texts, tracks.statusDisk()));
    const bool grab = tracks.grabEnabled() && shell_.access.mode != access_mode::kNone;
    for (const char* key : {"GrabMItem", "TestMItem", "GrabBut"}) {
        action(key)->setEnabled(grab && grabAvailable_);
    }
    action("StoreMItem")->setEnabled(tracks.storeCdplayerEnabled());
}

void MainWindow::runGrab(bool test) {
    if (!action("GrabMItem")->isEnabled()) {
        return;
    }
    shell_.grab(test ? GrabMode::Test : GrabMode::Grab, *grabUi_, &GuiGrabUi::processEvents);
    trackList_->updateRows();
    showStatus();
}

void MainWindow::continuousRipping() {
    shell_.continuousRippingSignal(*grabUi_, &GuiGrabUi::processEvents);
    trackList_->updateRows();
    showStatus();
}

void MainWindow::watchMedia() {
    if (!shell_.trackListReady || !isVisible() || trackList_->editing() || !shell_.mediaChanged()) {
        return;
    }
    DiscArrivalState state;
    state.grabRunning = shell_.lastGrab() != nullptr && shell_.lastGrab()->running();
    state.copyingWindowVisible = grabUi_->copyingDialog().isVisible();
    if (shell_.tracks->discArrived(state).refresh) {
        refreshTrackList();
    }
}

void MainWindow::listLanguages() {
    for (QAction* item : languageItems_) {
        languageMenu_->removeAction(item);
        item->deleteLater();
    }
    languageItems_.clear();
    const std::string& current = shell_.settings.Language;
    action("DefLangMitem")->setChecked(current.empty());
    for (const std::string& language : ps::listLanguages(shell_.languageDirectories())) {
        QAction* item = languageMenu_->addAction(QString::fromStdString(language));
        item->setCheckable(true);
        item->setChecked(language == current);
        connect(item, &QAction::triggered, this, [this, language] { chooseLanguage(language); });
        languageItems_.push_back(item);
    }
}

void MainWindow::chooseLanguage(const std::string& language) {
    shell_.changeLanguage(language);
    applyTexts();
    showTrackRows();
}

void MainWindow::refreshTrackList() {
    if (!shell_.trackListReady) {
        return;
    }
    shell_.refresh();
    showTrackRows();
}

void MainWindow::placeFromSettings() {
    const Settings& settings = shell_.settings;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    if (settings.applySavedWindowLayout) {
        setGeometry(settings.WindowLeft, settings.WindowTop, settings.WindowWidth,
                    settings.WindowHeight);
        const std::int16_t widths[] = {settings.Column1Width, settings.Column2Width,
                                       settings.Column3Width, settings.Column4Width};
        for (int column = 0; column < 4; ++column) {
            trackList_->setColumnWidth(column, widths[column]);
        }
    } else {
        resize(kDesignedWidth, kDesignedHeight);
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    if (settings.WindowMaximized) {
        showMaximized();
    }
}

void MainWindow::rememberGeometry() {
    Settings& settings = shell_.settings;
    // A maximised window keeps the bounds it had before it was maximised.
    const QRect bounds = isMaximized() ? normalGeometry() : geometry();
    settings.WindowLeft = static_cast<std::int16_t>(bounds.x());
    settings.WindowTop = static_cast<std::int16_t>(bounds.y());
    settings.WindowWidth = static_cast<std::int16_t>(bounds.width());
    settings.WindowHeight = static_cast<std::int16_t>(bounds.height());
    settings.WindowMaximized = isMaximized();
    settings.Column1Width = static_cast<std::int16_t>(trackList_->columnWidth(0));
    settings.Column2Width = static_cast<std::int16_t>(trackList_->columnWidth(1));
    settings.Column3Width = static_cast<std::int16_t>(trackList_->columnWidth(2));
    settings.Column4Width = static_cast<std::int16_t>(trackList_->columnWidth(3));
}

void MainWindow::chooseFilesToNormalize() {
    const Settings& settings = shell_.settings;
    const QStringList paths = QFileDialog::getOpenFileNames(
        this, decodedText(shell_.texts, NormalizeDialogTitle(settings, shell_.texts)),
        QString::fromStdString(settings.DestinationDirectory),
        QStringLiteral("Wave files (*.wav);;All files (*)"));
    normalizeFiles(paths);
}

void MainWindow::chooseFilesToEncode() {
    const Settings& settings = shell_.settings;
    if (!EncodingAvailable(settings)) {
        showTextMessage(this, QMessageBox::Warning, shell_.texts, "NoCodec3Msg", nullptr);
        return;
    }
    const QString filter = uiText(shell_.texts, "WavFilesMP3") + QStringLiteral(" (*.wav);;") +
                           uiText(shell_.texts, "AllFilesMP3") + QStringLiteral(" (*)");
    const QStringList paths = QFileDialog::getOpenFileNames(
        this, decodedText(shell_.texts, EncodeDialogTitle(settings, shell_.texts)),
        QString::fromStdString(settings.DestinationDirectory), filter);
    encodeFiles(paths);
}

void MainWindow::normalizeFiles(const QStringList& paths) {
    if (paths.isEmpty()) {
        return;
    }
    shell_.normalizeFiles(LocalPaths(paths), *chosenFilesUi_, &GuiGrabUi::processEvents);
    showStatus();
}

void MainWindow::encodeFiles(const QStringList& paths) {
    if (paths.isEmpty()) {
        return;
    }
    shell_.encodeFiles(LocalPaths(paths), *chosenFilesUi_, &GuiGrabUi::processEvents);
    showStatus();
}

void MainWindow::dropFiles(const QStringList& paths) {
    if (paths.isEmpty()) {
        return;
    }
    shell_.dropFiles(LocalPaths(paths), *chosenFilesUi_, &GuiGrabUi::processEvents, [this] {
        showTrackRows();
        raise();
        activateWindow();
        runGrab(false);
    });
    // A track file of an audio disc may have refreshed the list.
    showTrackRows();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void MainWindow::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            paths.push_back(url.toLocalFile());
        }
    }
    event->acceptProposedAction();
    // The drag source waits for the drop to end: the work starts after it.
    QTimer::singleShot(0, this, [this, paths] { dropFiles(paths); });
}

void MainWindow::id3TagCommand(int clickX) {
    Settings& settings = shell_.settings;
    if (clickX >= kCheckMarkColumnLeft && clickX <= kCheckMarkColumnRight) {
        settings.UseID3Tag = !settings.UseID3Tag;
    } else {
        editId3Tag();
    }
    action("ID3MItem")->setChecked(settings.UseID3Tag);
}

void MainWindow::editId3Tag() {
    shell_.tagFields.track.artist = shell_.disc.artist;
    shell_.tagFields.track.album = shell_.disc.album;
    if (Id3EditorDialog::edit(shell_.tagFields, shell_.settings, shell_.wmaAttributes, shell_.texts,
                              this)) {
        showDiscFields();
    }
}

void MainWindow::showDiscFields() {
    // The fields hand their text to the track list, which keeps the disc record.
    artistEdit_->setText(QString::fromLatin1(shell_.tagFields.track.artist));
    albumEdit_->setText(QString::fromLatin1(shell_.tagFields.track.album));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!closing_) {
        closing_ = true;
        rememberGeometry();
        shell_.writeVariables();
    }
    event->accept();
}

}  // namespace ps::gui
