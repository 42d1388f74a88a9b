#pragma once

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cdaccess/copying_window.h"

namespace ps {
class ProgramShell;
}

namespace ps::gui {

class TrackListView;
class MessageBoxTrackListUi;
class GuiGrabUi;
class CopyStatusDialog;
class GuiChosenFilesUi;

// The main window: artist and album fields, the track list, the toolbar, the menus and
// the status bar. It shows the shell's state and forwards the user's commands to it.
class MainWindow final : public QMainWindow {
    Q_OBJECT
  public:
    explicit MainWindow(ProgramShell& shell);
    ~MainWindow() override;

    // Copies every caption from the text table (at creation and after a language change).
    void applyTexts();
    // Shows the track list as the shell's last refresh left it.
    void showTrackRows();
    // Places the window as the settings say: centred with its designed size, or at the
    // saved bounds, maximised when it was.
    void placeFromSettings();

    TrackListView* trackList() const { return trackList_; }
    QAction* action(const std::string& key) const;
    // "&Grab!" and "&Test": the grab job over the selected rows.
    void runGrab(bool test);
    // The continuous-ripping signal of another copy.
    void continuousRipping();
    // The media watcher's poll: a disc that arrived or changed refreshes the list.
    void watchMedia();
    GuiGrabUi* grabUi() const { return grabUi_.get(); }
    GuiChosenFilesUi* chosenFilesUi() const { return chosenFilesUi_.get(); }

    // "&Normalize..." and "&Make MP3..." after their file dialogs, and files dropped on
    // the window.
    void normalizeFiles(const QStringList& paths);
    void encodeFiles(const QStringList& paths);
    void dropFiles(const QStringList& paths);
    // "&ID3 Tag...": a click in the check-mark column (65 to 82 pixels right of the
    // window's left edge) toggles UseID3Tag, any other opens the editor.
    void id3TagCommand(int clickX);
    void editId3Tag();

    static constexpr int kDesignedWidth = 640;
    static constexpr int kDesignedHeight = 420;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    QAction* addAction(QMenu* menu, const char* key, bool enabled);
    QAction* addToolButton(const char* key, bool enabled);
    void refreshTrackList();
    // The status panels and the grab commands follow the track list.
    void showStatus();
    // The language submenu lists the language files each time it opens.
    void listLanguages();
    void chooseLanguage(const std::string& language);
    void rememberGeometry();
    void chooseFilesToNormalize();
    void chooseFilesToEncode();
    // The shell's tag fields and the artist and album fields of the window agree.
    void showDiscFields();

    ProgramShell& shell_;
    QMenu* fileMenu_ = nullptr;
    QMenu* cdMenu_ = nullptr;
    QMenu* settingsMenu_ = nullptr;
    QMenu* languageMenu_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QLabel* artistLabel_ = nullptr;
    QLabel* albumLabel_ = nullptr;
    QLineEdit* artistEdit_ = nullptr;
    QLineEdit* albumEdit_ = nullptr;
    TrackListView* trackList_ = nullptr;
    std::unique_ptr<MessageBoxTrackListUi> trackListUi_;
    // The model of the "Copying" window when the read method has none of its own.
    std::unique_ptr<CopyingWindow> ownCopying_;
    AbortFlags ownCopyingFlags_;
    std::unique_ptr<GuiGrabUi> grabUi_;
    std::unique_ptr<GuiChosenFilesUi> chosenFilesUi_;
    CopyStatusDialog* copyStatus_ = nullptr;
    QTimer* mediaTimer_ = nullptr;
    QLabel* tracksPanel_ = nullptr;
    QLabel* timeLeftPanel_ = nullptr;
    QLabel* diskPanel_ = nullptr;
    std::map<std::string, QAction*> actions_;
    std::map<std::string, QToolButton*> statusButtons_;
    std::vector<QAction*> languageItems_;
    bool closing_ = false;
    // The grab job is wired to the commands.
    bool grabAvailable_ = true;
};

}  // namespace ps::gui
