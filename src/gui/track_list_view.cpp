#include "gui/track_list_view.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include "gui/gui_texts.h"
#include "gui/track_status_popup.h"
#include "i18n/character_set.h"
#include "i18n/text_table.h"
#include "tracks/track_status_text.h"

namespace ps::gui {

namespace {

const QColor kDiscRowColour(0x00, 0x00, 0x80);  // navy
const QColor kMessageRowColour(0x80, 0x80, 0x80);
constexpr int kInformationColumn = 3;
constexpr int kPlainIconWidth = 16;
constexpr int kNumberedIconWidth = 32;
constexpr int kIconHeight = 16;

QString fromTrackText(const std::string& text) {
    return QString::fromLatin1(text);
}

std::string toTrackText(const QString& text) {
    return text.toLatin1().toStdString();
}

QString fromTableText(const TextTable& texts, const std::string& text) {
    return QString::fromStdString(textToUtf8(text, texts.characterSet()));
}

}  // namespace

void MessageBoxTrackListUi::showNotice(const std::string& text, const std::string& title) {
    QMessageBox::information(
        parent_, fromTableText(texts_, title.empty() ? std::string(kApplicationTitle) : title),
        fromTableText(texts_, text));
}

bool MessageBoxTrackListUi::askYesNo(const std::string& text, const std::string& title) {
    return QMessageBox::question(
               parent_,
               fromTableText(texts_, title.empty() ? std::string(kApplicationTitle) : title),
               fromTableText(texts_, text), QMessageBox::Yes | QMessageBox::No,
               QMessageBox::No) == QMessageBox::Yes;
}

void MessageBoxTrackListUi::beep() {
    QApplication::beep();
}

TrackListView::TrackListView(TrackListModel& model, const TextTable& texts, QWidget* parent)
    : QTreeWidget(parent), model_(model), texts_(texts) {
    setObjectName("TrackList");
    setColumnCount(4);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setIconSize(QSize(kPlainIconWidth, kIconHeight));
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::InternalMove);

    popup_ = new QMenu(this);
    popup_->setObjectName("TrackListPopup");
    connect(addPopupAction("ProperPopup"), &QAction::triggered, this, [this] {
        if (!model_.grey() && currentIndex().isValid()) {
            emit propertiesRequested(currentIndex().row());
        }
    });
    connect(addPopupAction("RenamePopup"), &QAction::triggered, this, &TrackListView::beginRename);
    connect(addPopupAction("AllPopup"), &QAction::triggered, this,
            [this] { selectionCommand(true); });
    connect(addPopupAction("NonePopup"), &QAction::triggered, this,
            [this] { selectionCommand(false); });
    connect(addPopupAction("StatPopup"), &QAction::triggered, this,
            [this] { emit copyStatusRequested(lastClickedRow_); });
    connect(addPopupAction("M3UPopup"), &QAction::triggered, this, &TrackListView::m3uRequested);

    statusPopup_ = new TrackStatusPopup(this);
    connect(this, &QTreeWidget::itemChanged, this, &TrackListView::itemEdited);
    applyTexts();
    showModel();
}

QAction* TrackListView::addPopupAction(const char* key) {
    QAction* action = popup_->addAction(QString());
    action->setObjectName(key);
    popupActions_[key] = action;
    return action;
}

QAction* TrackListView::popupAction(const std::string& key) const {
    auto it = popupActions_.find(key);
    return it != popupActions_.end() ? it->second : nullptr;
}

void TrackListView::applyTexts() {
    setHeaderLabels({uiText(texts_, "TrackList"), uiText(texts_, "TimeList"),
                     uiText(texts_, "SizeList"), uiText(texts_, "InfoList")});
    for (const auto& [key, action] : popupActions_) {
        action->setText(uiText(texts_, key.c_str()));
    }
}

QIcon TrackListView::checkIcon(bool selected, int trackNumber) const {
    const int width = trackNumberIcons_ ? kNumberedIconWidth : kPlainIconWidth;
    QPixmap pixmap(width, kIconHeight);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    const QRect box(1, 2, 12, 12);
    painter.setPen(QColor(0x40, 0x40, 0x40));
    painter.setBrush(Qt::white);
    painter.drawRect(box);
    if (selected) {
        QPen tick(Qt::black);
        tick.setWidth(2);
        painter.setPen(tick);
        painter.drawLine(box.left() + 3, box.top() + 6, box.left() + 5, box.top() + 9);
        painter.drawLine(box.left() + 5, box.top() + 9, box.left() + 10, box.top() + 3);
    }
    if (trackNumberIcons_) {
        QFont font = painter.font();
        font.setPixelSize(10);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(kDiscRowColour);
        painter.drawText(QRect(14, 0, width - 14, kIconHeight), Qt::AlignRight | Qt::AlignVCenter,
                         QStringLiteral("%1.").arg(trackNumber));
    }
    return QIcon(pixmap);
}

void TrackListView::showModel() {
    updating_ = true;
    clear();
    const bool grey = model_.grey();
    for (const TrackRow& row : model_.rows()) {
        auto* item = new QTreeWidgetItem(this);
        item->setText(0, fromTrackText(row.name));
        item->setText(1, QString::fromLatin1(row.time));
        item->setText(2, QString::fromLatin1(row.size));
        item->setText(3, fromTrackText(row.information));
        const QColor colour = grey ? kMessageRowColour : kDiscRowColour;
        for (int column = 0; column < 4; ++column) {
            item->setForeground(column, colour);
        }
        if (grey) {
            item->setFlags(Qt::ItemIsEnabled);
        } else {
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable |
                           Qt::ItemIsDragEnabled);
            item->setIcon(0, checkIcon(row.selected, row.trackNumber));
        }
    }
    updating_ = false;
    lastClickedRow_ = -1;
    for (auto [field, text] : {std::pair{artistField_, &model_.disc().artist},
                               std::pair{albumField_, &model_.disc().album}}) {
        if (field != nullptr) {
            const QSignalBlocker block(field);
            field->setText(fromTrackText(*text));
        }
    }
    emit statusChanged();
}

void TrackListView::attachDiscFields(QLineEdit* artist, QLineEdit* album) {
    artistField_ = artist;
    albumField_ = album;
    connect(artist, &QLineEdit::textChanged, this, [this] { fieldEdited(artistField_, false); });
    connect(album, &QLineEdit::textChanged, this, [this] { fieldEdited(albumField_, true); });
}

void TrackListView::fieldEdited(QLineEdit* field, bool album) {
    const std::string text = toTrackText(field->text());
    const FieldResult result = album ? model_.albumChanged(text) : model_.artistChanged(text);
    if (result.replacedCount > 0) {
        const int cursor = field->cursorPosition();
        const QSignalBlocker block(field);
        field->setText(fromTrackText(result.text));
        field->setCursorPosition(cursor);
    }
    const QString shown = fromTrackText(result.text);
    const QString tag = fromTrackText(result.tagText);
    if (album) {
        emit albumChanged(shown, tag);
    } else {
        emit artistChanged(shown, tag);
    }
}

void TrackListView::updateRows() {
    if (model_.grey()) {
        return;
    }
    updating_ = true;
    const std::vector<TrackRow> rows = model_.rows();
    for (int i = 0; i < topLevelItemCount() && i < static_cast<int>(rows.size()); ++i) {
        QTreeWidgetItem* item = topLevelItem(i);
        const TrackRow& row = rows[static_cast<std::size_t>(i)];
        item->setIcon(0, checkIcon(row.selected, row.trackNumber));
        item->setText(0, fromTrackText(row.name));
        item->setText(3, fromTrackText(row.information));
    }
    updating_ = false;
}

void TrackListView::setTrackNumberIcons(bool on) {
    trackNumberIcons_ = on;
    setIconSize(QSize(on ? kNumberedIconWidth : kPlainIconWidth, kIconHeight));
    updateRows();
}

bool TrackListView::beginRename() {
    if (!model_.canEdit()) {
        return false;
    }
    QTreeWidgetItem* item = currentItem();
    if (item == nullptr) {
        return false;
    }
    editItem(item, 0);
    return true;
}

void TrackListView::itemEdited(QTreeWidgetItem* item, int column) {
    if (updating_ || column != 0) {
        return;
    }
    const int row = indexOfTopLevelItem(item);
    if (row < 0) {
        return;
    }
    const RenameResult result =
        model_.rename(static_cast<std::size_t>(row), toTrackText(item->text(0)));
    updating_ = true;
    if (result.accepted) {
        item->setText(0, fromTrackText(result.name));
    } else {
        const std::vector<TrackRow> rows = model_.rows();
        if (static_cast<std::size_t>(row) < rows.size()) {
            item->setText(0, fromTrackText(rows[static_cast<std::size_t>(row)].name));
        }
    }
    updating_ = false;
    if (result.accepted) {
        emit trackRenamed(row, fromTrackText(result.submissionTitle));
    }
}

void TrackListView::toggleRow(int row, bool shift) {
    if (model_.grey() || row < 0) {
        return;
    }
    model_.toggle(static_cast<std::size_t>(row), shift);
    updateRows();
    emit selectionChanged();
    emit statusChanged();
}

void TrackListView::selectionCommand(bool all) {
    if (model_.grey()) {
        return;
    }
    if (all) {
        model_.selectAll();
    } else {
        model_.selectNone();
    }
    updateRows();
    emit selectionChanged();
    emit statusChanged();
}

void TrackListView::showStatusOf(int row, const QPoint& globalPos) {
    const int track = model_.trackNumberAtRow(static_cast<std::size_t>(row));
    if (track == 0) {
        return;
    }
    const TrackRecord& record = model_.disc().tracks[static_cast<std::size_t>(track)];
    const TrackStatusText status = trackStatusText(texts_, record.name, record.results);
    QStringList lines;
    for (const std::string& line : status.lines) {
        lines << fromTableText(texts_, line);
    }
    statusPopup_->showStatus(fromTableText(texts_, status.caption), lines, globalPos);
}

void TrackListView::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    QTreeWidgetItem* item = itemAt(pos);
    if (model_.grey()) {
        // Nothing on a message row can be selected or opened; a right click still
        // reaches the pop-up menu.
        event->accept();
        return;
    }
    if (item != nullptr && event->button() == Qt::LeftButton) {
        const int row = indexOfTopLevelItem(item);
        const QRect rect = visualItemRect(item);
        const int column = columnAt(pos.x());
        if (pos.x() - rect.left() < kIconArea && column == 0) {
            toggleRow(row, (event->modifiers() & Qt::ShiftModifier) != 0);
        } else {
            model_.rowClicked(static_cast<std::size_t>(row));
            if (column == kInformationColumn) {
                showStatusOf(row, event->globalPosition().toPoint());
            }
        }
        lastClickedRow_ = row;
    }
    QTreeWidget::mousePressEvent(event);
}

void TrackListView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (model_.grey()) {
        event->accept();
        return;
    }
    const QPoint pos = event->position().toPoint();
    QTreeWidgetItem* item = itemAt(pos);
    if (item != nullptr && event->button() == Qt::LeftButton) {
        const int row = indexOfTopLevelItem(item);
        // On the check box each press has toggled already; nothing opens.
        if (pos.x() - visualItemRect(item).left() >= kIconArea || columnAt(pos.x()) != 0) {
            emit propertiesRequested(row);
        }
    }
    event->accept();
}

void TrackListView::keyPressEvent(QKeyEvent* event) {
    const bool control = (event->modifiers() & Qt::ControlModifier) != 0;
    if (event->key() == Qt::Key_Space && state() != QAbstractItemView::EditingState) {
        if (currentIndex().isValid()) {
            toggleRow(currentIndex().row(), (event->modifiers() & Qt::ShiftModifier) != 0);
            lastClickedRow_ = currentIndex().row();
        }
        event->accept();
        return;
    }
    if (control && event->key() == Qt::Key_A) {
        selectionCommand(true);
        event->accept();
        return;
    }
    if (control && event->key() == Qt::Key_N) {
        selectionCommand(false);
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_F2 && state() != QAbstractItemView::EditingState) {
        beginRename();
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void TrackListView::contextMenuEvent(QContextMenuEvent* event) {
    const bool editable = model_.canEdit();
    for (const auto& [key, action] : popupActions_) {
        action->setEnabled(editable);
    }
    popupAction("M3UPopup")->setEnabled(editable && model_.selectedCount() > 0);
    popup_->popup(event->globalPos());
    event->accept();
}

void TrackListView::dragEnterEvent(QDragEnterEvent* event) {
    if (event->source() == this && model_.canEdit()) {
        QTreeWidget::dragEnterEvent(event);
    } else {
        event->ignore();
    }
}

void TrackListView::dragMoveEvent(QDragMoveEvent* event) {
    if (event->source() == this && model_.canEdit()) {
        QTreeWidget::dragMoveEvent(event);
    } else {
        event->ignore();
    }
}

void TrackListView::dropEvent(QDropEvent* event) {
    if (event->source() != this || !currentIndex().isValid()) {
        event->ignore();
        return;
    }
    dropRow(currentIndex().row(), event->position().toPoint());
    // The model has moved the track and the rows are rebuilt; a move action would make
    // the drag remove the source row as well.
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

bool TrackListView::dropRow(int fromRow, const QPoint& viewportPos) {
    if (!model_.canEdit() || fromRow < 0) {
        return false;
    }
    std::optional<std::size_t> target;
    int offset = 0;
    if (QTreeWidgetItem* item = itemAt(viewportPos)) {
        target = static_cast<std::size_t>(indexOfTopLevelItem(item));
        offset = viewportPos.y() - visualItemRect(item).top();
    } else {
        const int count = topLevelItemCount();
        if (count == 0 || viewportPos.y() < visualItemRect(topLevelItem(count - 1)).bottom()) {
            return false;
        }
    }
    const std::optional<std::size_t> moved =
        model_.moveByDrop(static_cast<std::size_t>(fromRow), target, offset);
    if (!moved) {
        return false;
    }
    showModel();
    setCurrentItem(topLevelItem(static_cast<int>(*moved)));
    emit rowMoved(static_cast<int>(*moved));
    return true;
}

}  // namespace ps::gui
