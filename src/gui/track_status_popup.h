#pragma once

#include <QFrame>
#include <QLabel>
#include <QPoint>
#include <QString>
#include <QStringList>

namespace ps::gui {

// The small window with a track's detailed copy status that a click in the information
// column opens beside the mouse pointer. It closes on the next click anywhere; the
// pointer stays hidden while it is shown.
class TrackStatusPopup final : public QFrame {
    Q_OBJECT
  public:
    explicit TrackStatusPopup(QWidget* parent = nullptr);

    void showStatus(const QString& caption, const QStringList& lines, const QPoint& globalPos);

    QString caption() const { return caption_->text(); }
    QStringList lines() const { return lines_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    QLabel* caption_ = nullptr;
    QLabel* body_ = nullptr;
    QStringList lines_;
    bool cursorHidden_ = false;
};

}  // namespace ps::gui
