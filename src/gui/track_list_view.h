#pragma once

#include <QAction>
#include <QIcon>
#include <QLineEdit>
#include <QMenu>
#include <QPoint>
#include <QTreeWidget>
#include <map>
#include <optional>
#include <string>

#include "tracks/track_list.h"

namespace ps {
class TextTable;
}

namespace ps::gui {

class TrackStatusPopup;

// The track list's messages and questions as message boxes over a window.
class MessageBoxTrackListUi final : public TrackListUi {
  public:
    MessageBoxTrackListUi(QWidget* parent, const TextTable& texts)
        : parent_(parent), texts_(texts) {}
    void showNotice(const std::string& text, const std::string& title) override;
    bool askYesNo(const std::string& text, const std::string& title) override;
    void beep() override;

  private:
    QWidget* parent_;
    const TextTable& texts_;
};

// The list of the inserted disc: one row per track with a check-box icon, the name
// (editable in place), the time, the size and the information column; or one grey
// message row, which cannot be edited, selected or opened. It shows the model's state
// and hands every user action to the model.
class TrackListView final : public QTreeWidget {
    Q_OBJECT
  public:
    // A left click this far into a row toggles its check box.
    static constexpr int kIconArea = 18;

    TrackListView(TrackListModel& model, const TextTable& texts, QWidget* parent = nullptr);

    // Column captions and pop-up menu texts from the text table.
    void applyTexts();
    // Builds the rows again from the model (after a refresh, a move or the grab job's
    // information texts).
    void showModel();
    // Redraws the check boxes, names and information texts of the rows as they are.
    void updateRows();

    // The artist and album fields above the list: they show the disc record's texts after
    // each showModel and hand every change to the model.
    void attachDiscFields(QLineEdit* artist, QLineEdit* album);

    // The status-bar switch: 32-pixel icons with the track number, or plain check boxes.
    void setTrackNumberIcons(bool on);
    bool trackNumberIcons() const { return trackNumberIcons_; }

    // F2 and "Rename": edits the focused row's name; refused on a grey list.
    bool beginRename();
    // The drop of row `fromRow` at a point of the viewport, as a drag ends. True when the
    // track moved.
    bool dropRow(int fromRow, const QPoint& viewportPos);

    // A row's name is being edited.
    bool editing() const { return state() == QAbstractItemView::EditingState; }

    QMenu* popupMenu() const { return popup_; }
    QAction* popupAction(const std::string& key) const;
    TrackStatusPopup* statusPopup() const { return statusPopup_; }
    // The row of the last left click, for "Copy status..."; -1 before any.
    int lastClickedRow() const { return lastClickedRow_; }

  signals:
    // The selection changed: the play buttons and the status panels follow.
    void selectionChanged();
    void propertiesRequested(int row);
    void copyStatusRequested(int row);
    void m3uRequested();
    // A row was renamed; the submission grid takes the title as edited.
    void trackRenamed(int row, const QString& submissionTitle);
    void rowMoved(int row);
    // The model's status texts (panels 0 to 2) or "&Grab!"/"&Test" may have changed.
    void statusChanged();
    // The artist or album field changed; `tagText` is what the ID3 field takes.
    void artistChanged(const QString& text, const QString& tagText);
    void albumChanged(const QString& text, const QString& tagText);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    QAction* addPopupAction(const char* key);
    QIcon checkIcon(bool selected, int trackNumber) const;
    void itemEdited(QTreeWidgetItem* item, int column);
    void toggleRow(int row, bool shift);
    void showStatusOf(int row, const QPoint& globalPos);
    void selectionCommand(bool all);
    void fieldEdited(QLineEdit* field, bool album);

    TrackListModel& model_;
    const TextTable& texts_;
    QMenu* popup_ = nullptr;
    std::map<std::string, QAction*> popupActions_;
    TrackStatusPopup* statusPopup_ = nullptr;
    QLineEdit* artistField_ = nullptr;
    QLineEdit* albumField_ = nullptr;
    bool trackNumberIcons_ = false;
    bool updating_ = false;
    int lastClickedRow_ = -1;
};

}  // namespace ps::gui
