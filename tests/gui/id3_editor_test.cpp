// The "ID3 Tag Editor": its labels and field limits, the genre list, and that OK stores
// what was entered while Cancel and Esc leave everything as it was.
#include <QApplication>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>

#include "app/settings.h"
#include "gui/id3_editor_dialog.h"
#include "i18n/text_table.h"
#include "support/gui_test_support.h"
#include "tags/id3_editor.h"

using namespace ps;
using namespace ps::gui;

namespace {

struct EditorState {
    TagFields fields;
    Settings settings;
    WmaAttributes wma;

    EditorState() {
        fields.editorTitle = "Intro";
        fields.track.artist = "Band";
        fields.track.album = "Live";
        fields.track.year = "1999";
        fields.track.comment = "Great song";
        fields.track.genre = 140;
        settings.ID3Genre = 140;
        settings.ID3AppendChecksum = true;
        wma.description = "A concert";
    }
};

}  // namespace

class Id3EditorTest : public QObject {
    Q_OBJECT

  private:
    TextTable texts;

  private slots:
    void theEditorShowsItsLabelsLimitsAndGenres() {
        Id3EditorDialog dialog(texts, nullptr);
        EditorState state;
        dialog.load(OpenId3Editor(state.fields, state.settings, state.wma));
        dialog.show();

        QCOMPARE(dialog.windowTitle(), QString("ID3 Tag Editor"));
        QCOMPARE(dialog.wmaGroup()->title(), QString("Additional WMA info"));
        QCOMPARE(dialog.checksumBox()->text(), QString("Append checksum to comment field"));
        QCOMPARE(dialog.okButton()->text(), QString("&OK            "));
        QCOMPARE(dialog.cancelButton()->text(), QString("&Cancel      "));
        struct FieldCase {
            QLineEdit* edit;
            int limit;
            const char* text;
        };
        for (const FieldCase& c :
             {FieldCase{dialog.titleEdit(), 30, "Intro"},
              FieldCase{dialog.artistEdit(), 30, "Band"}, FieldCase{dialog.albumEdit(), 30, "Live"},
              FieldCase{dialog.yearEdit(), 4, "1999"},
              FieldCase{dialog.commentEdit(), 30, "Great song"},
              FieldCase{dialog.descriptionEdit(), 200, "A concert"},
              FieldCase{dialog.copyrightEdit(), 200, ""}, FieldCase{dialog.coverUrlEdit(), 200, ""},
              FieldCase{dialog.promotionUrlEdit(), 200, ""}}) {
            QCOMPARE(c.edit->maxLength(), c.limit);
            QCOMPARE(c.edit->text(), QString(c.text));
        }
        QVERIFY(dialog.checksumBox()->isChecked());
        QVERIFY(!dialog.genreList()->isEditable());
        QCOMPARE(dialog.genreList()->count(), 149);
        QCOMPARE(dialog.genreList()->itemText(0), QString());
        QCOMPARE(dialog.genreList()->currentText(), QString("Contemporary Christian"));
        QCOMPARE(dialog.focusWidget(), dialog.albumEdit());
        for (const char* label :
             {"Title:", "Artist:", "Album:", "Year:", "Comment:", "Genre:", "Description:",
              "Copyright message:", "Album cover URL:", "Promotion URL:"}) {
            bool found = false;
            for (const QLabel* l : dialog.findChildren<QLabel*>()) {
                found = found || l->text() == label;
            }
            QVERIFY2(found, label);
        }
        test::screenshot(dialog, "id3_editor.png");

        // Typing past a limit keeps the first characters.
        dialog.artistEdit()->clear();
        QTest::keyClicks(dialog.artistEdit(), QString(31, QLatin1Char('a')).replace(30, 1, "b"));
        QCOMPARE(dialog.values().artist, std::string(30, 'a'));
    }

    void okStoresTheEnteredValues() {
        EditorState state;
        QWidget mainWindow;
        mainWindow.setGeometry(100, 100, 600, 400);
        mainWindow.show();
        QPoint shownAt;
        test::whenModal<Id3EditorDialog>([&](Id3EditorDialog& editor) {
            shownAt = editor.pos();
            editor.artistEdit()->setText(QString(31, QLatin1Char('x')));
            editor.titleEdit()->setText(QString::fromLatin1("Caf\xe9"));
            editor.checksumBox()->setChecked(false);
            editor.genreList()->setCurrentIndex(0);
            editor.promotionUrlEdit()->setText("http://example.org/");
            QTest::mouseClick(editor.okButton(), Qt::LeftButton);
        });
        QVERIFY(Id3EditorDialog::edit(state.fields, state.settings, state.wma, texts, &mainWindow));
        QCOMPARE(shownAt, mainWindow.frameGeometry().topLeft() + QPoint(200, 100));
        QCOMPARE(state.fields.track.artist, std::string(30, 'x'));
        QCOMPARE(state.fields.editorTitle, std::string("Caf\xe9"));
        QCOMPARE(state.fields.track.album, std::string("Live"));
        QCOMPARE(int(state.fields.track.genre), 255);
        QCOMPARE(state.settings.ID3Genre, 255);
        QVERIFY(!state.settings.ID3AppendChecksum);
        QCOMPARE(state.wma.promotionUrl, std::string("http://example.org/"));
        QCOMPARE(state.wma.description, std::string("A concert"));
    }

    void cancelAndEscChangeNothing() {
        for (const bool useEsc : {false, true}) {
            EditorState state;
            bool shown = false;
            test::whenModal<Id3EditorDialog>([useEsc, &shown](Id3EditorDialog& editor) {
                shown = true;
                editor.albumEdit()->setText("Other");
                editor.genreList()->setCurrentIndex(5);
                editor.descriptionEdit()->setText("changed");
                if (useEsc) {
                    QTest::keyClick(&editor, Qt::Key_Escape);
                } else {
                    QTest::mouseClick(editor.cancelButton(), Qt::LeftButton);
                }
            });
            QVERIFY(
                !Id3EditorDialog::edit(state.fields, state.settings, state.wma, texts, nullptr));
            QVERIFY(shown);
            const EditorState before;
            QCOMPARE(state.fields.track.album, before.fields.track.album);
            QCOMPARE(int(state.fields.track.genre), 140);
            QCOMPARE(state.settings.ID3Genre, 140);
            QVERIFY(state.settings.ID3AppendChecksum);
            QCOMPARE(state.wma.description, before.wma.description);
        }
    }

    void aNamelessGenreOpensAsPop() {
        EditorState state;
        state.fields.track.genre = 200;
        state.settings.ID3Genre = 200;
        Id3EditorDialog dialog(texts, nullptr);
        dialog.load(OpenId3Editor(state.fields, state.settings, state.wma));
        QCOMPARE(dialog.genreList()->currentText(), QString("Pop"));
        AcceptId3Editor(dialog.values(), state.fields, state.settings, state.wma);
        QCOMPARE(state.settings.ID3Genre, 13);
    }

    void theEditorIsCentredWhenItWouldNotFit() {
        QWidget mainWindow;
        mainWindow.setGeometry(100, 100, 600, 400);
        mainWindow.show();
        const QRect area = mainWindow.screen()->availableGeometry();
        Id3EditorDialog dialog(texts, nullptr);
        dialog.adjustSize();
        mainWindow.move(100, area.bottom() - 100 - dialog.frameGeometry().height() - 60);
        dialog.placeBeside(&mainWindow);
        QVERIFY((dialog.frameGeometry().center() - area.center()).manhattanLength() <= 2);
    }
};

QTEST_MAIN(Id3EditorTest)
#include "id3_editor_test.moc"
