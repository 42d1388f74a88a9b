#include "gui/track_status_popup.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

namespace ps::gui {

namespace {

// Distance of the window from the pointer, so that it does not sit under it.
constexpr int kPointerGap = 8;

}  // namespace

TrackStatusPopup::TrackStatusPopup(QWidget* parent) : QFrame(parent, Qt::Popup) {
    setObjectName("TrackStatusPopup");
    setFrameStyle(QFrame::Box | QFrame::Plain);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 6);
    layout->setSpacing(4);
    caption_ = new QLabel(this);
    caption_->setObjectName("Caption");
    QFont bold = caption_->font();
    bold.setBold(true);
    caption_->setFont(bold);
    body_ = new QLabel(this);
    body_->setObjectName("Lines");
    body_->setTextFormat(Qt::PlainText);
    layout->addWidget(caption_);
    layout->addWidget(body_);
}

void TrackStatusPopup::showStatus(const QString& caption, const QStringList& lines,
                                  const QPoint& globalPos) {
    lines_ = lines;
    caption_->setText(caption);
    setWindowTitle(caption);
    body_->setText(lines.join(QLatin1Char('\n')));
    adjustSize();
    QPoint place = globalPos + QPoint(kPointerGap, kPointerGap);
    if (const QScreen* screen = QGuiApplication::screenAt(globalPos)) {
        const QRect area = screen->availableGeometry();
        if (place.x() + width() > area.right()) {
            place.setX(globalPos.x() - kPointerGap - width());
        }
        if (place.y() + height() > area.bottom()) {
            place.setY(globalPos.y() - kPointerGap - height());
        }
    }
    move(place);
    show();
}

void TrackStatusPopup::showEvent(QShowEvent* event) {
    if (!cursorHidden_) {
        QApplication::setOverrideCursor(Qt::BlankCursor);
        cursorHidden_ = true;
    }
    QFrame::showEvent(event);
}

void TrackStatusPopup::hideEvent(QHideEvent* event) {
    if (cursorHidden_) {
        QApplication::restoreOverrideCursor();
        cursorHidden_ = false;
    }
    QFrame::hideEvent(event);
}

}  // namespace ps::gui
