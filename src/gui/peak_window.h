#pragma once

#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "audio/normalizer.h"
#include "i18n/text_table.h"

namespace ps::gui {

class StateStrip;

// The "Finding peak level" window: shows what the normalization engines report and
// carries the skip and abort buttons of a file job. Modeless, so that the job's pump keeps
// the program responsive; it only shows state and keeps the two flags.
class PeakWindow final : public QDialog, public NormalizeProgress {
    Q_OBJECT
  public:
    static constexpr int kMeterSteps = 40;
    static constexpr int kMeterSegments = 4;

    PeakWindow(const TextTable& texts, QWidget* parent);

    // Labels and buttons from the text table (creation, language change).
    void applyTexts();

    // A new job of `fileCount` files: the skip button only for a batch, the abort button
    // "&Abort" for one file and "&Abort all" for several, and no flag set.
    void prepareBatch(int fileCount);
    // Between the files of a batch: the next file starts without the skip.
    void clearSkip() { skip_ = false; }
    bool skipRequested() const { return skip_; }
    bool abortAllRequested() const { return abortAll_; }

    // 9 pixels right of and 138 below the main window's corner, or centred on the screen
    // when that leaves less than 100 pixels to the right or 80 below.
    void placeBeside(const QWidget& mainWindow);

    // A file encoded with the codec: bars and meter at 0, the counters cleared, the
    // "not normalizing" line and the caption "Creating MP3 from <name>" (with "file %d
    // of %d" for a batch). The codec line, when given, is shown below the description.
    void resetForEncoding(const std::string& fileName, const std::string& codecDescription = {},
                          int index = 1, int count = 1);

    // NormalizeProgress
    void stage(Stage stage, const std::string& fileName, int index, int count) override;
    void describe(const char* key, const std::vector<int>& numbers) override;
    void level(int peak) override;
    void progress(int percent, std::int64_t elapsedMs) override;
    bool stopRequested() override { return skip_ || abortAll_; }

    QPushButton* skipButton() const { return skipButton_; }
    QPushButton* abortButton() const { return abortButton_; }
    QProgressBar* scanningBar() const { return scanningBar_; }
    QProgressBar* normalizingBar() const { return normalizingBar_; }
    const std::array<StateStrip*, kMeterSegments>& meterSegments() const { return meter_; }
    QLabel* descriptionLine() const { return description_; }
    QLabel* stageLine() const { return stageLine_; }
    QLabel* activityLine() const { return activity_; }
    QLabel* peakValue() const { return peakValue_; }
    QLabel* elapsedValue() const { return elapsedValue_; }
    QLabel* timeLeftValue() const { return timeLeftValue_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    enum class Phase { Scanning, Changing };

    QString text(const char* key, int occurrence = 1) const;
    // A text of the table with a file name put in for its "%s": the name is decoded on
    // its own, since it is not in the language file's character set.
    QString withName(const char* key, const std::string& name, int index, int count) const;
    QString shownName(const std::string& fileName, int index, int count) const;
    void setMeter(int steps);
    void clearCounters();
    void abortAll();

    const TextTable& texts_;
    QLabel* description_ = nullptr;
    QLabel* stageLine_ = nullptr;
    QLabel* activity_ = nullptr;
    QLabel* peakLabel_ = nullptr;
    QLabel* peakValue_ = nullptr;
    QLabel* scanningLabel_ = nullptr;
    QLabel* normalizingLabel_ = nullptr;
    QLabel* elapsedLabel_ = nullptr;
    QLabel* elapsedValue_ = nullptr;
    QLabel* timeLeftLabel_ = nullptr;
    QLabel* timeLeftValue_ = nullptr;
    QProgressBar* scanningBar_ = nullptr;
    QProgressBar* normalizingBar_ = nullptr;
    std::array<StateStrip*, kMeterSegments> meter_{};
    QPushButton* skipButton_ = nullptr;
    QPushButton* abortButton_ = nullptr;
    Phase phase_ = Phase::Scanning;
    int fileCount_ = 1;
    bool skip_ = false;
    bool abortAll_ = false;
};

}  // namespace ps::gui
