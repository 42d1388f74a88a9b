#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <array>

#include "app/settings.h"
#include "i18n/text_table.h"
#include "tracks/disc_record.h"

namespace ps::gui {

// The "Copy status" window: the detailed status of one track, with the levels before and
// after normalization in two columns, and the ten switches of the information column.
// "OK" stores the switches into the settings record and reports that every row's
// information column must be rebuilt; Cancel leaves the record as it was.
class CopyStatusDialog final : public QDialog {
    Q_OBJECT
  public:
    // The switches in the order of the information column (ShowChecksum first).
    static constexpr int kSwitchCount = 10;

    CopyStatusDialog(Settings& settings, const TextTable& texts, QWidget* parent);

    // Headings, row labels, check box and button texts (creation, language change).
    void applyTexts();
    // Fills the window with the track's status and the switches as the record has them.
    void showTrack(const TrackRecord& track);
    // showTrack, then opens the window 49 pixels right of and 118 below the main
    // window's corner (centred when it would not fit).
    void openFor(const TrackRecord& track, const QWidget* mainWindow);

    QCheckBox* switchBox(int index) const { return switches_[static_cast<std::size_t>(index)]; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

  signals:
    // The switches were stored: every row's information column is to be rebuilt.
    void switchesStored();

  private:
    void store();
    QString captionFor(const std::string& trackName) const;
    std::array<bool*, kSwitchCount> switchFields();

    Settings& settings_;
    const TextTable& texts_;
    QLabel* checksum_ = nullptr;
    QLabel* result_ = nullptr;
    QLabel* ripSpeed_ = nullptr;
    QLabel* lostSynchs_ = nullptr;
    QLabel* speedProblems_ = nullptr;
    QLabel* possibleSpeedProblems_ = nullptr;
    QLabel* oldHeading_ = nullptr;
    QLabel* newHeading_ = nullptr;
    std::array<QLabel*, 3> rowLabels_{};  // peak, average, compact ratio
    std::array<QLabel*, 6> values_{};     // old peak, new peak, old avg, new avg, old/new ratio
    QGroupBox* switchGroup_ = nullptr;
    std::array<QCheckBox*, kSwitchCount> switches_{};
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace ps::gui
