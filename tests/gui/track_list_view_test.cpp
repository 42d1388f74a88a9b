// The track list view over a scripted disc: check boxes by click and space bar, Shift
// ranges, Ctrl+A and Ctrl+N, renaming in place, moving by drop, the grey message row, the
// pop-up menu and the detailed status window.
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <vector>

#include "app/settings.h"
#include "cdaccess/read_method.h"
#include "gui/track_list_view.h"
#include "gui/track_status_popup.h"
#include "i18n/text_table.h"

using namespace ps;
using namespace ps::gui;

namespace {

struct ScriptedSource : TrackListSource {
    int diskInfo = 256;
    std::vector<std::int32_t> starts{0, 33750, 37500, 60000};
    std::int32_t total = 90000;

    int accessMode() const override { return access_mode::kAspi; }
    bool helperStartupFailed() const override { return false; }
    int getDiskInfo() override { return diskInfo; }
    int getLowest() override { return 1; }
    int getHighest() override { return static_cast<int>(starts.size()); }
    std::int32_t getTrackInfo(int track) override {
        return starts[static_cast<std::size_t>(track - 1)];
    }
    std::int32_t getTotalTime() override { return total; }
    bool isDataTrack(int track) override { return track == 4; }
    std::uint32_t identifyAndStore() override { return 0x2A; }
    bool discUnchanged() override { return true; }
    CdplayerRead readCdplayer(std::uint32_t, bool, int, int, const std::function<bool(int)>&,
                              const DefaultTrackNames&) override {
        return {};
    }
};

struct RecordingUi : TrackListUi {
    std::vector<std::string> notices;
    void showNotice(const std::string& text, const std::string&) override {
        notices.push_back(text);
    }
    bool askYesNo(const std::string&, const std::string&) override { return true; }
    void beep() override { ++beeps; }
    int beeps = 0;
};

struct PlentyFree : FreeSpace {
    std::optional<std::uint64_t> freeBytes(const std::string&) const override { return 1ull << 36; }
};

}  // namespace

class TrackListViewTest : public QObject {
    Q_OBJECT

  private:
    DiscRecord disc;
    Settings settings;
    TextTable texts;
    ScriptedSource source;
    RecordingUi ui;
    PlentyFree freeSpace;
    std::unique_ptr<TrackListModel> model;
    std::unique_ptr<TrackListView> view;

    std::vector<bool> selection() const {
        std::vector<bool> result;
        for (int track : disc.rows) {
            result.push_back(disc.tracks[static_cast<std::size_t>(track)].selected);
        }
        return result;
    }

    QPoint iconPoint(int row) const {
        const QRect rect = view->visualItemRect(view->topLevelItem(row));
        return QPoint(rect.left() + 6, rect.center().y());
    }

    QPoint columnPoint(int row, int column) const {
        const QRect rect = view->visualItemRect(view->topLevelItem(row));
        return QPoint(view->header()->sectionViewportPosition(column) + 20, rect.center().y());
    }

    void screenshot(const QString& name) {
        const QByteArray dir = qgetenv("PS_SCREENSHOT_DIR");
        if (!dir.isEmpty()) {
            QVERIFY(view->grab().save(QString::fromLocal8Bit(dir) + "/" + name));
        }
    }

  private slots:
    void init() {
        disc = DiscRecord{};
        settings = Settings{};
        ui.notices.clear();
        ui.beeps = 0;
        source.diskInfo = 256;
        model = std::make_unique<TrackListModel>(disc, settings, texts, source, ui, freeSpace);
        QVERIFY(model->refresh());
        view = std::make_unique<TrackListView>(*model, texts);
        view->resize(640, 260);
        view->setColumnWidth(0, 250);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    }

    void cleanup() { view.reset(); }

    void showsTheDiscInNavy() {
        QCOMPARE(view->topLevelItemCount(), 4);
        QCOMPARE(view->headerItem()->text(0), QString("Track name"));
        QCOMPARE(view->headerItem()->text(3), QString("Information"));
        QTreeWidgetItem* first = view->topLevelItem(0);
        QCOMPARE(first->text(0), QString("Track  1"));
        QCOMPARE(first->text(1), QString("07:30"));
        QCOMPARE(first->text(2), QString("75.70 Mb"));
        QCOMPARE(view->topLevelItem(1)->text(2), QString("  8.41 Mb"));
        QCOMPARE(view->topLevelItem(3)->text(0), QString("Data Track"));
        QCOMPARE(first->foreground(0).color(), QColor(0, 0, 0x80));
        QVERIFY(first->flags() & Qt::ItemIsEditable);
        QVERIFY(!first->icon(0).isNull());
        QCOMPARE(selection(), (std::vector<bool>{true, true, true, false}));
        screenshot("track_list_view.png");
    }

    void clickInTheIconAreaToggles() {
        QSignalSpy changed(view.get(), &TrackListView::selectionChanged);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, iconPoint(1));
        QCOMPARE(selection(), (std::vector<bool>{true, false, true, false}));
        QCOMPARE(changed.count(), 1);
        // A click on the name only focuses the row.
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, columnPoint(0, 0) + QPoint(60, 0));
        QCOMPARE(selection(), (std::vector<bool>{true, false, true, false}));
        // Shift: the rows from the previous clicked one (row 0) to this one follow this one.
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ShiftModifier, iconPoint(2));
        QCOMPARE(selection(), (std::vector<bool>{false, false, false, false}));
        QCOMPARE(model->statusTimeLeft(), std::string("Total time left: 00:00:00"));
    }

    void spaceAndShortcutsChangeTheSelection() {
        view->setFocus();
        view->setCurrentItem(view->topLevelItem(2));
        QTest::keyClick(view.get(), Qt::Key_Space);
        QCOMPARE(selection(), (std::vector<bool>{true, true, false, false}));
        QTest::keyClick(view.get(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(selection(), (std::vector<bool>{false, false, false, false}));
        QVERIFY(!model->grabEnabled());
        QTest::keyClick(view.get(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(selection(), (std::vector<bool>{true, true, true, false}));
        QVERIFY(model->grabEnabled());
        // The data track's box stays empty whatever is pressed on it.
        view->setCurrentItem(view->topLevelItem(3));
        QTest::keyClick(view.get(), Qt::Key_Space);
        QCOMPARE(selection(), (std::vector<bool>{true, true, true, false}));
    }

    void renamesInPlace() {
        QSignalSpy renamed(view.get(), &TrackListView::trackRenamed);
        view->setFocus();
        view->setCurrentItem(view->topLevelItem(1));
        QTest::keyClick(view.get(), Qt::Key_F2);
        QVERIFY(view->editing());
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(editor != nullptr);
        editor->setText("a/b");
        QTest::keyClick(editor, Qt::Key_Return);
        // The editor commits from the event loop.
        QTRY_VERIFY(!view->editing());
        QCOMPARE(disc.tracks[2].name, std::string("a-b"));
        QCOMPARE(view->topLevelItem(1)->text(0), QString("a-b"));
        QCOMPARE(ui.notices.size(), std::size_t{1});
        QCOMPARE(renamed.count(), 1);
        QCOMPARE(renamed.at(0).at(1).toString(), QString("a/b"));

        // The pop-up menu's Rename edits the focused row as well; an empty name is dashes.
        view->setCurrentItem(view->topLevelItem(0));
        view->popupAction("RenamePopup")->trigger();
        editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(editor != nullptr);
        editor->clear();
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(!view->editing());
        QCOMPARE(view->topLevelItem(0)->text(0), QString("------"));
    }

    void movesARowByDrop() {
        QSignalSpy moved(view.get(), &TrackListView::rowMoved);
        // Track 1 dropped on the top of the row of track 3 goes before it.
        const QRect target = view->visualItemRect(view->topLevelItem(2));
        QVERIFY(view->dropRow(0, QPoint(40, target.top() + 2)));
        QCOMPARE(disc.rows, (std::vector<int>{2, 1, 3, 4}));
        QCOMPARE(view->topLevelItem(1)->text(0), QString("Track  1"));
        QCOMPARE(view->currentItem(), view->topLevelItem(1));
        // Below the last row: to the end, with its time and name.
        const QRect last = view->visualItemRect(view->topLevelItem(3));
        QVERIFY(view->dropRow(1, QPoint(40, last.bottom() + 10)));
        QCOMPARE(disc.rows, (std::vector<int>{2, 3, 4, 1}));
        QCOMPARE(view->topLevelItem(3)->text(0), QString("Track  1"));
        QCOMPARE(view->topLevelItem(3)->text(1), QString("07:30"));
        QCOMPARE(moved.count(), 2);
        // Onto its own top: nothing moves.
        QVERIFY(!view->dropRow(3, view->visualItemRect(view->topLevelItem(3)).topLeft()));
        QCOMPARE(moved.count(), 2);
    }

    void numberedIconsAndThePopupMenu() {
        view->setTrackNumberIcons(true);
        QCOMPARE(view->iconSize().width(), 32);
        view->setTrackNumberIcons(false);
        QCOMPARE(view->iconSize().width(), 16);
        view->setTrackNumberIcons(true);

        QContextMenuEvent open(QContextMenuEvent::Mouse, iconPoint(0),
                               view->viewport()->mapToGlobal(iconPoint(0)));
        QApplication::sendEvent(view->viewport(), &open);
        QVERIFY(view->popupAction("M3UPopup")->isEnabled());
        QCOMPARE(view->popupAction("StatPopup")->text(), QString("Copy status..."));
        view->popupMenu()->hide();
        QTest::keyClick(view.get(), Qt::Key_N, Qt::ControlModifier);
        QApplication::sendEvent(view->viewport(), &open);
        QVERIFY(!view->popupAction("M3UPopup")->isEnabled());
        QVERIFY(view->popupAction("AllPopup")->isEnabled());
        view->popupMenu()->hide();
        QTest::keyClick(view.get(), Qt::Key_A, Qt::ControlModifier);
        screenshot("track_list_view_numbers.png");
    }

    void clickInTheInformationColumnShowsTheStatus() {
        TrackRecord& track = disc.tracks[1];
        track.results.copyStatus = 256;
        track.results.checksum = 0xABCDEF01;
        track.results.checksumState = 0;
        track.results.speed = 850;
        track.information = "Copied OK ,Checksum: ABCDEF01";
        view->updateRows();
        QCOMPARE(view->topLevelItem(0)->text(3), QString("Copied OK ,Checksum: ABCDEF01"));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, columnPoint(0, 3));
        TrackStatusPopup* popup = view->statusPopup();
        QVERIFY(popup->isVisible());
        QCOMPARE(popup->caption(), QString("Copy status Track  1"));
        QCOMPARE(popup->lines().value(0), QString("Checksum: ABCDEF01"));
        QCOMPARE(popup->lines().value(1), QString("Copy Result: OK"));
        QCOMPARE(popup->lines().value(2), QString("Rip speed: 8.50x"));
        QCOMPARE(QApplication::overrideCursor() ? QApplication::overrideCursor()->shape()
                                                : Qt::ArrowCursor,
                 Qt::BlankCursor);
        const QByteArray dir = qgetenv("PS_SCREENSHOT_DIR");
        if (!dir.isEmpty()) {
            QVERIFY(popup->grab().save(QString::fromLocal8Bit(dir) + "/track_status_popup.png"));
        }
        popup->hide();
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QCOMPARE(selection(), (std::vector<bool>{true, true, true, false}));
    }

    void greyRowsRefuseEverything() {
        source.diskInfo = 0;
        QVERIFY(!model->refresh());
        view->showModel();
        QCOMPARE(view->topLevelItemCount(), 1);
        QTreeWidgetItem* row = view->topLevelItem(0);
        QCOMPARE(row->text(0), QString("The CD drive is not ready."));
        QCOMPARE(row->foreground(0).color(), QColor(0x80, 0x80, 0x80));
        QVERIFY(!(row->flags() & Qt::ItemIsEditable));
        QVERIFY(!(row->flags() & Qt::ItemIsSelectable));
        QVERIFY(row->icon(0).isNull());

        QSignalSpy changed(view.get(), &TrackListView::selectionChanged);
        QSignalSpy opened(view.get(), &TrackListView::propertiesRequested);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, iconPoint(0));
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, columnPoint(0, 0));
        view->setFocus();
        view->setCurrentItem(row);
        QTest::keyClick(view.get(), Qt::Key_F2);
        QVERIFY(!view->editing());
        QVERIFY(!view->beginRename());
        QTest::keyClick(view.get(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(view.get(), Qt::Key_Space);
        QCOMPARE(changed.count(), 0);
        QCOMPARE(opened.count(), 0);
        QVERIFY(!view->dropRow(0, QPoint(40, 200)));
        QCOMPARE(view->topLevelItem(0)->text(0), QString("The CD drive is not ready."));

        QContextMenuEvent open(QContextMenuEvent::Mouse, iconPoint(0),
                               view->viewport()->mapToGlobal(iconPoint(0)));
        QApplication::sendEvent(view->viewport(), &open);
        QVERIFY(!view->popupAction("RenamePopup")->isEnabled());
        QVERIFY(!view->popupAction("ProperPopup")->isEnabled());
        view->popupMenu()->hide();
        screenshot("track_list_view_grey.png");
    }

    void artistAndAlbumFieldsReplaceCharacters() {
        QLineEdit artist;
        QLineEdit album;
        disc.artist = "Before";
        view->attachDiscFields(&artist, &album);
        view->showModel();
        QCOMPARE(artist.text(), QString("Before"));
        QSignalSpy changed(view.get(), &TrackListView::artistChanged);
        artist.clear();
        QTest::keyClicks(&artist, "AC/DC");
        QCOMPARE(artist.text(), QString("AC-DC"));
        QCOMPARE(disc.artist, std::string("AC-DC"));
        QCOMPARE(ui.beeps, 1);
        QCOMPARE(changed.last().at(1).toString(), QString("AC-DC"));
        album.setText(QString(40, QLatin1Char('x')));
        QCOMPARE(disc.album.size(), std::size_t{40});
        QCOMPARE(ui.beeps, 1);
    }

    void doubleClickOpensTheProperties() {
        QSignalSpy opened(view.get(), &TrackListView::propertiesRequested);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, columnPoint(2, 1));
        QCOMPARE(opened.count(), 1);
        QCOMPARE(opened.at(0).at(0).toInt(), 2);
        // On the check box both clicks toggle and nothing opens.
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, iconPoint(0));
        QCOMPARE(selection(), (std::vector<bool>{true, true, true, false}));
        QCOMPARE(opened.count(), 1);
    }
};

QTEST_MAIN(TrackListViewTest)
#include "track_list_view_test.moc"
