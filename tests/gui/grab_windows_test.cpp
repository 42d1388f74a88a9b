// The grab job's windows: the "Copying" window follows its model and forwards its buttons
// and its closing, the "Copy status" window shows a track and stores the switches, the
// shut-down window's abort, and the GrabUi over them.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "app/settings.h"
#include "cdaccess/copying_window.h"
#include "grab/grab_job.h"
#include "gui/copy_status_dialog.h"
#include "gui/copying_dialog.h"
#include "gui/gui_grab_ui.h"
#include "gui/shutdown_dialog.h"
#include "i18n/text_table.h"
#include "tracks/disc_record.h"

using namespace ps;
using namespace ps::gui;

namespace {

QString labelText(const QWidget& window, const char* name) {
    const auto* label = window.findChild<QLabel*>(name);
    return label != nullptr ? label->text() : QStringLiteral("<missing %1>").arg(name);
}

bool hasLabel(const QWidget& window, const QString& text) {
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        if (label->text() == text) {
            return true;
        }
    }
    return false;
}

void screenshot(QWidget& window, const char* name) {
    const QByteArray dir = qgetenv("PS_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        QVERIFY(window.grab().save(QString::fromLocal8Bit(dir) + "/" + name));
    }
}

// Records the title, icon and text of the next message box and closes it.
struct MessageCatcher {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;

    void arm() {
        QTimer::singleShot(0, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box != nullptr) {
                title = box->windowTitle();
                text = box->text();
                icon = box->icon();
                box->accept();
            }
        });
    }
};

}  // namespace

class GrabWindowsTest : public QObject {
    Q_OBJECT

  private:
    TextTable texts;
    AbortFlags flags;
    std::unique_ptr<CopyingWindow> model;

  private slots:
    void init() {
        texts = TextTable();
        flags = AbortFlags{};
        model = std::make_unique<CopyingWindow>(texts, flags);
    }

    void copyingWindowFollowsItsModel() {
        CopyingDialog dialog(*model, texts, nullptr);
        QCOMPARE(dialog.skipButton()->text(), QString("&Skip this track"));
        QCOMPARE(dialog.abortAllButton()->text(), QString("&Abort all         "));
        for (const char* label :
             {"Disc write:", "Total size:", "Reading sector:", "Total sectors:", "Time elapsed:",
              "Track length:", "Time left:", "Peak level found:"}) {
            QVERIFY2(hasLabel(dialog, label), label);
        }

        struct MeterCase {
            int level;
            std::array<int, 4> states;
        };
        for (const MeterCase& c :
             {MeterCase{0, {0, 0, 0, 0}}, MeterCase{8192, {10, 0, 0, 0}},
              MeterCase{16384, {10, 10, 0, 0}}, MeterCase{24576, {10, 10, 10, 0}},
              MeterCase{32767, {10, 10, 10, 9}}}) {
            model->UpdateMeter(c.level);
            for (std::size_t i = 0; i < 4; ++i) {
                QCOMPARE(dialog.meterStrips()[i]->state(), c.states[i]);
            }
        }
        QCOMPARE(dialog.meterStrips()[0]->states(), 11);
        QCOMPARE(dialog.synchStrip()->states(), 16);

        // The strip shows the state the model computed (the core tests the rule itself).
        for (const int offset : {-40, 40, 0, 4000, -4000}) {
            model->UpdateSynch(offset, 2);
            QCOMPARE(dialog.synchStrip()->state(), SynchIndicatorState(offset, 2));
        }
        model->UpdateSynch(-1, 2);
        QCOMPARE(dialog.synchStrip()->state(), 15);
        // The burst copies show their buffer indicator in the same strip.
        model->setSynchIndicator(6);
        QCOMPARE(dialog.synchStrip()->state(), 6);

        model->setPercent(42);
        QCOMPARE(dialog.progressBar()->value(), 42);
        QCOMPARE(dialog.percentLabel()->text(), QString("42%"));

        model->setDiscWrite("12.34 Mbytes");
        model->setSpeedLine("Current CD read speed: 8.20x");
        model->setSynchLine("Synchronization = 12");
        model->setStatusLine("Sync status: Never lost");
        for (const char* text : {"12.34 Mbytes", "Current CD read speed: 8.20x",
                                 "Synchronization = 12", "Sync status: Never lost"}) {
            QVERIFY2(hasLabel(dialog, text), text);
        }
    }

    void aWindowMadeLaterShowsWhatTheModelAlreadyHolds() {
        model->setTrackLength("3:25");
        model->UpdateMeter(16384);
        CopyingDialog dialog(*model, texts, nullptr);
        QVERIFY(hasLabel(dialog, "3:25"));
        QCOMPARE(dialog.meterStrips()[1]->state(), 10);
    }

    void theWindowDecodesTextsWithTheTablesCharacterSet() {
        texts.loadFromData("CharacterSet=RUSSIAN_CHARSET\r\nSkipThisRip=\xd4\xe0\xe9\xeb\r\n");
        CopyingDialog dialog(*model, texts, nullptr);
        QCOMPARE(dialog.skipButton()->text(),
                 QString::fromUtf8("\xd0\xa4\xd0\xb0\xd0\xb9\xd0\xbb"));
    }

    void theButtonsAndClosingSetTheAbortFlags() {
        CopyingDialog dialog(*model, texts, nullptr);
        model->showCopying();
        QVERIFY(dialog.isVisible());

        QTest::mouseClick(dialog.skipButton(), Qt::LeftButton);
        QVERIFY(flags.track);
        QVERIFY(!flags.all);
        flags.clear();
        QTest::mouseClick(dialog.abortAllButton(), Qt::LeftButton);
        QVERIFY(flags.track);
        QVERIFY(flags.all);

        // Showing clears both; closing sets both and hides the window.
        model->showCopying();
        QVERIFY(!flags.track && !flags.all);
        dialog.close();
        QVERIFY(flags.track && flags.all);
        QVERIFY(!dialog.isVisible());
        QVERIFY(!model->visible());

        model->showCopying();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(flags.track && flags.all);
        QVERIFY(!dialog.isVisible());
    }

    void theModelOutlivesItsWindow() {
        { CopyingDialog dialog(*model, texts, nullptr); }
        QVERIFY(!model->changed);
        model->setPercent(10);  // no window left to call
    }

    void copyStatusShowsATrackAndOkStoresTheSwitches() {
        Settings settings;
        CopyStatusDialog dialog(settings, texts, nullptr);
        TrackRecord track;
        track.name = "Song";
        TrackCopyResults& r = track.results;
        r.copyStatus = 256;
        r.checksum = 0x1234ABCD;
        r.checksumState = 1;
        r.speed = 412;
        r.lostSynchs = 2;
        r.oldPeak = 87;
        r.newPeak = 98;
        r.oldAverage = 7;
        dialog.openFor(track, nullptr);

        QCOMPARE(dialog.windowTitle(), QString("Copy status Song"));
        QCOMPARE(labelText(dialog, "Checksum"), QString("Checksum: 1234ABCDX"));
        QCOMPARE(labelText(dialog, "Result"), QString("Copy Result: OK"));
        QCOMPARE(labelText(dialog, "RipSpeed"), QString("Rip speed: 4.12x"));
        QCOMPARE(labelText(dialog, "LostSynchs"), QString("Lost synchs: 2"));
        QCOMPARE(labelText(dialog, "PossibleSpeedProblems"), QString("Possible speed problems: 0"));
        QCOMPARE(labelText(dialog, "OldPeak"), QString("87%"));
        QCOMPARE(labelText(dialog, "NewPeak"), QString("98%"));
        QCOMPARE(labelText(dialog, "OldAverage"), QString("07%"));
        QCOMPARE(labelText(dialog, "NewCompact"), QString("N/A"));
        for (const char* text : {"Old", "New", "Peak value:", "Avg output:", "Compact ratio:"}) {
            QVERIFY2(hasLabel(dialog, text), text);
        }
        QCOMPARE(dialog.switchBox(0)->text(), QString("Checksum:"));
        QCOMPARE(dialog.switchBox(3)->text(), QString("Speed problems:"));
        QCOMPARE(dialog.switchBox(9)->text(), QString("New compact ratio:"));
        screenshot(dialog, "copy_status_window.png");

        // The boxes start as the record has them.
        QVERIFY(dialog.switchBox(0)->isChecked());
        QVERIFY(!dialog.switchBox(1)->isChecked());

        QSignalSpy stored(&dialog, &CopyStatusDialog::switchesStored);
        dialog.switchBox(0)->setChecked(false);
        dialog.switchBox(1)->setChecked(true);
        dialog.switchBox(9)->setChecked(true);
        QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
        QVERIFY(settings.ShowChecksum);
        QVERIFY(!settings.ShowRipSpeed);
        QVERIFY(!settings.ShowNewCompactRatio);
        QCOMPARE(stored.count(), 0);

        dialog.openFor(track, nullptr);
        QVERIFY(dialog.switchBox(0)->isChecked());
        dialog.switchBox(0)->setChecked(false);
        dialog.switchBox(1)->setChecked(true);
        dialog.switchBox(9)->setChecked(true);
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        QVERIFY(!settings.ShowChecksum);
        QVERIFY(settings.ShowRipSpeed);
        QVERIFY(!settings.ShowLostSynchs);
        QVERIFY(settings.ShowNewCompactRatio);
        QCOMPARE(stored.count(), 1);
        QVERIFY(!dialog.isVisible());
    }

    void aTrackNotCopiedShowsNoChecksumOrCounts() {
        Settings settings;
        CopyStatusDialog dialog(settings, texts, nullptr);
        TrackRecord track;
        track.name = "Other";
        dialog.showTrack(track);
        QCOMPARE(labelText(dialog, "Checksum"), QString());
        QCOMPARE(labelText(dialog, "Result"), QString("Copy Result: Not copied"));
        QCOMPARE(labelText(dialog, "RipSpeed"), QString("Rip speed:"));
        QCOMPARE(labelText(dialog, "LostSynchs"), QString("Lost synchs:"));
        QCOMPARE(labelText(dialog, "OldPeak"), QString("N/A"));
    }

    void theCaptionKeepsTheTrackNameInItsOwnCharacterSet() {
        texts.loadFromData("CharacterSet=RUSSIAN_CHARSET\r\nOldStatus=\xd4\r\n");
        Settings settings;
        CopyStatusDialog dialog(settings, texts, nullptr);
        TrackRecord track;
        track.name = "Caf\xe9";
        dialog.showTrack(track);
        QCOMPARE(dialog.windowTitle(), QString::fromUtf8("Copy status Caf\xc3\xa9"));
        QVERIFY(hasLabel(dialog, QString::fromUtf8("\xd0\xa4")));
    }

    void theShutdownWindowsAbort() {
        QWidget mainWindow;
        GuiGrabUi ui(mainWindow, texts, *model);
        ShutdownDialog& dialog = ui.shutdownDialog();
        ui.showShutdown({std::string(texts.text("CaptionShutdown")),
                         std::string(texts.text("Text1Shutdown")),
                         std::string(texts.text("Text2Shutdown"))});
        ui.setShutdownCountdown("1:05");
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.windowTitle(), QString("Shut down in progress"));
        QCOMPARE(dialog.countdownLabel()->text(), QString("1:05"));
        QCOMPARE(dialog.abortButton()->text(), QString("&Abort"));
        QVERIFY(hasLabel(
            dialog, QString::fromLatin1(texts.text("Text1Shutdown").data(),
                                        static_cast<int>(texts.text("Text1Shutdown").size()))));
        QVERIFY(!(dialog.windowFlags() & Qt::WindowCloseButtonHint));
        screenshot(dialog, "shutdown_window.png");

        // The close box does nothing; the button and Esc abort.
        dialog.close();
        QVERIFY(dialog.isVisible());
        QVERIFY(!ui.shutdownAborted());
        QTest::mouseClick(dialog.abortButton(), Qt::LeftButton);
        QVERIFY(ui.shutdownAborted());
        ui.hideShutdown();
        QVERIFY(!dialog.isVisible());

        // A new countdown starts without the old abort.
        ui.showShutdown({"Shut down in progress", "one", "two"});
        QVERIFY(!ui.shutdownAborted());
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(ui.shutdownAborted());
    }

    void theGrabUiMapsTheRequestsToTheModelsFlags() {
        QWidget mainWindow;
        auto* content = new QWidget(&mainWindow);
        mainWindow.show();
        GuiGrabUi ui(mainWindow, texts, *model);
        std::vector<std::size_t> rows;
        ui.setRowChangedCallback([&](std::size_t row) { rows.push_back(row); });
        CopyingDialog& dialog = ui.copyingDialog();

        flags.all = true;
        CopyingTrackInfo info;
        info.caption = "Copying Artist - Track";
        info.trackLength = "4:07";
        info.totalSectors = "18525";
        info.totalSize = "41.55 Mbytes";
        info.expectedReadTime = "0:31";
        info.normalizationLine = "Normalization is not selected.";
        ui.showCopying(info);
        QVERIFY(dialog.isVisible());
        QVERIFY(!ui.skipRequested() && !ui.abortAllRequested());
        QCOMPARE(dialog.windowTitle(), QString("Copying Artist - Track"));
        QCOMPARE(model->trackLength, std::string("4:07"));
        QCOMPARE(model->totalSectors, std::string("18525"));
        QCOMPARE(model->totalSize, std::string("41.55 Mbytes"));
        for (const char* text :
             {"4:07", "18525", "41.55 Mbytes", "0:31", "Normalization is not selected."}) {
            QVERIFY2(hasLabel(dialog, text), text);
        }

        // The extraction writes the running fields through the same model.
        CopyingProgress& extraction = *model;
        extraction.setReadingSector("9000");
        extraction.setPercent(48);
        extraction.UpdateMeter(16384);
        extraction.UpdateSynch(-40, 2);
        ui.showSpinUp("Spinning up disc", "0:02");
        QVERIFY(hasLabel(dialog, "9000"));
        QVERIFY(hasLabel(dialog, "Spinning up disc"));
        ui.setSpeedLabel("Current CD read speed:");
        QVERIFY(hasLabel(dialog, "Current CD read speed:"));
        screenshot(dialog, "copying_window.png");

        QTest::mouseClick(dialog.skipButton(), Qt::LeftButton);
        QVERIFY(ui.skipRequested());
        QVERIFY(!ui.abortAllRequested());
        ui.clearAbortRequests();
        QVERIFY(!ui.skipRequested());
        QTest::mouseClick(dialog.abortAllButton(), Qt::LeftButton);
        QVERIFY(ui.skipRequested() && ui.abortAllRequested());
        ui.clearAbortRequests();

        // The main window's contents are disabled, the "Copying" window stays usable.
        ui.setMainWindowEnabled(false);
        QVERIFY(!content->isEnabled());
        QVERIFY(dialog.skipButton()->isEnabled());
        ui.setCopyingEnabled(false);
        QVERIFY(!dialog.skipButton()->isEnabled());
        ui.setCopyingEnabled(true);
        ui.setMainWindowEnabled(true);
        QVERIFY(content->isEnabled());

        ui.rowChanged(3);
        QCOMPARE(rows, std::vector<std::size_t>{3});

        // The encoder wait's abort ends the job like "Abort all".
        ui.showEncoderWait();
        QVERIFY(ui.encoderWaitDialog().isVisible());
        QVERIFY(!ui.encoderWaitAborted());
        QTest::mouseClick(ui.encoderWaitDialog().abortButton(), Qt::LeftButton);
        QVERIFY(ui.encoderWaitAborted());
        QVERIFY(ui.abortAllRequested());
        ui.hideEncoderWait();
        ui.clearAbortRequests();
        ui.showEncoderWait();
        QVERIFY(!ui.encoderWaitAborted());
        ui.hideEncoderWait();

        ui.hideCopying();
        QVERIFY(!dialog.isVisible());
        QVERIFY(!ui.abortAllRequested());
        ui.showCopying(info);
        QVERIFY(dialog.isVisible());
    }

    void windowsOpenBesideTheMainWindowOrCentred() {
        QWidget owner;
        owner.setGeometry(100, 100, 300, 200);
        QWidget window;
        window.resize(200, 100);
        const QRect area = owner.screen()->availableGeometry();
        placeRelativeTo(window, &owner, QPoint(49, 118));
        QCOMPARE(window.pos(), owner.frameGeometry().topLeft() + QPoint(49, 118));

        // Too close to the right or the bottom edge: centred on the screen.
        for (const QPoint corner : {QPoint(area.right() - 49 - 200 - 99, 100),
                                    QPoint(100, area.bottom() - 118 - 100 - 79)}) {
            owner.move(corner);
            placeRelativeTo(window, &owner, QPoint(49, 118));
            QVERIFY((window.frameGeometry().center() - area.center()).manhattanLength() <= 2);
        }
    }

    void messagesCarryTheirTitleAndIcon() {
        QWidget mainWindow;
        GuiGrabUi ui(mainWindow, texts, *model);
        MessageCatcher catcher;
        catcher.arm();
        ui.showMessage("The CD-ROM drive is not ready\nPlease insert the disc.", "Drive not ready",
                       MessageIcon::Error);
        QCOMPARE(catcher.title, QString("Drive not ready"));
        QCOMPARE(catcher.icon, QMessageBox::Critical);
        QCOMPARE(catcher.text, QString("The CD-ROM drive is not ready\nPlease insert the disc."));

        catcher.arm();
        ui.showMessage("Use Refresh to fill the tracklist first", "", MessageIcon::Information);
        QCOMPARE(catcher.title, QString("Platterscoop"));
        QCOMPARE(catcher.icon, QMessageBox::Information);
    }
};

QTEST_MAIN(GrabWindowsTest)
#include "grab_windows_test.moc"
