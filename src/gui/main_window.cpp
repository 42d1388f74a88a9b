#include "gui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>

#include "app/program_shell.h"
#include "gui/gui_texts.h"
#include "gui/message_box.h"
#include "gui/track_list_view.h"

namespace ps::gui {

namespace {}  // namespace

MainWindow::~MainWindow() = default;

MainWindow::MainWindow(ProgramShell& shell) : shell_(shell) {
    setObjectName("MainWindow");
    setWindowTitle("Platterscoop");

    fileMenu_ = menuBar()->addMenu(QString());
    for (const char* key : {"NormMItem", "MakeMP3MItem", "LineInMItem", "CompareMItem", "CalcMItem",
                            "StoreMItem", "CopyTMitem"}) {
        addAction(fileMenu_, key, false);
    }
    fileMenu_->addSeparator();
    connect(addAction(fileMenu_, "ExitMItem", true), &QAction::triggered, this, &QWidget::close);

    cdMenu_ = menuBar()->addMenu(QString());
    QAction* refresh = addAction(cdMenu_, "RefreshMItem", true);
    refresh->setShortcut(QKeySequence(Qt::Key_F5));
    connect(refresh, &QAction::triggered, this, &MainWindow::refreshTrackList);
    for (const char* key : {"GrabMItem", "TestMItem", "GetMItem", "UndoMItem", "RedoMItem",
                            "SubmitMItem", "ShuffleMItem"}) {
        addAction(cdMenu_, key, false);
    }

    settingsMenu_ = menuBar()->addMenu(QString());
    for (const char* key : {"GeneralMItem", "MP3MItem", "NormSettingsMItem", "CDDBMItem",
                            "PlaybackMItem", "ID3MItem"}) {
        addAction(settingsMenu_, key, false);
    }
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
    for (const char* key : {"GrabBut", "SetBut", "NormBut", "MP3But", "CDDBBut", "PlayerBut"}) {
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
    trackListUi_ = std::make_unique<MessageBoxTrackListUi>(this, shell_.texts);
    shell_.tracks->setUi(*trackListUi_);
    connect(trackList_, &TrackListView::statusChanged, this, &MainWindow::showStatus);
    connect(trackList_, &TrackListView::selectionChanged, this, &MainWindow::showStatus);
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

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!closing_) {
        closing_ = true;
        rememberGeometry();
        shell_.writeVariables();
    }
    event->accept();
}

}  // namespace ps::gui
