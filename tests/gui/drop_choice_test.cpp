// "Select what to do" for dropped wave files: its question and buttons, the encoding
// buttons only with an encoder, and the delete box stored only when not cancelled.
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <functional>

#include "gui/drop_choice_dialog.h"
#include "i18n/text_table.h"
#include "support/gui_test_support.h"

using namespace ps;
using namespace ps::gui;

class DropChoiceTest : public QObject {
    Q_OBJECT

  private:
    TextTable texts;

  private slots:
    void theQuestionAndButtonsFollowTheDrop() {
        for (const bool several : {false, true}) {
            for (const bool encoder : {false, true}) {
                DropChoiceDialog dialog(texts, several, encoder, true, nullptr);
                QCOMPARE(dialog.windowTitle(), QString("Select what to do"));
                QCOMPARE(dialog.questionLabel()->text(),
                         several ? QString("What do you want to do with the files?")
                                 : QString("What do you want to do with the file?"));
                QCOMPARE(dialog.normalizeButton()->text(), QString("&Normalize"));
                QCOMPARE(dialog.encodeButton()->text(), QString("Create &MP3"));
                QCOMPARE(dialog.bothButton()->text(), QString("&Both"));
                QCOMPARE(dialog.cancelButton()->text(), QString("&Cancel"));
                QCOMPARE(dialog.deleteBox()->text(), QString("&Delete wav files after encoding"));
                QVERIFY(dialog.deleteBox()->isChecked());
                QVERIFY(dialog.normalizeButton()->isEnabled());
                QCOMPARE(dialog.encodeButton()->isEnabled(), encoder);
                QCOMPARE(dialog.bothButton()->isEnabled(), encoder);
                QVERIFY(!(dialog.windowFlags() & Qt::WindowCloseButtonHint));
                if (several && !encoder) {
                    dialog.show();
                    test::screenshot(dialog, "drop_choice_no_encoder.png");
                }
            }
        }
    }

    void theAnswerAndTheDeleteBoxReachTheCaller() {
        using Choice = DropChoiceDialog::Choice;
        enum class Press { Normalize, Encode, Both, Cancel, Escape };
        struct Case {
            Press press;
            Choice choice;
            bool stored;
        };
        for (const Case& c :
             {Case{Press::Normalize, Choice::Normalize, true},
              Case{Press::Encode, Choice::Encode, true}, Case{Press::Both, Choice::Both, true},
              Case{Press::Cancel, Choice::Cancel, false},
              Case{Press::Escape, Choice::Cancel, false}}) {
            bool deleteWaves = false;
            bool startedUnchecked = false;
            test::whenModal<DropChoiceDialog>([&c, &startedUnchecked](DropChoiceDialog& dialog) {
                startedUnchecked = !dialog.deleteBox()->isChecked();
                dialog.deleteBox()->setChecked(true);
                switch (c.press) {
                    case Press::Normalize:
                        QTest::mouseClick(dialog.normalizeButton(), Qt::LeftButton);
                        break;
                    case Press::Encode:
                        QTest::mouseClick(dialog.encodeButton(), Qt::LeftButton);
                        break;
                    case Press::Both:
                        QTest::mouseClick(dialog.bothButton(), Qt::LeftButton);
                        break;
                    case Press::Cancel:
                        QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
                        break;
                    case Press::Escape:
                        QTest::keyClick(&dialog, Qt::Key_Escape);
                        break;
                }
            });
            QCOMPARE(DropChoiceDialog::ask(texts, false, true, deleteWaves, nullptr), c.choice);
            QVERIFY(startedUnchecked);
            QCOMPARE(deleteWaves, c.stored);
        }
    }

    void aCloseRequestIsNoAnswer() {
        DropChoiceDialog dialog(texts, false, true, false, nullptr);
        dialog.show();
        dialog.close();
        QVERIFY(dialog.isVisible());
        QTest::mouseClick(dialog.normalizeButton(), Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.choice(), DropChoiceDialog::Choice::Normalize);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(DropChoiceTest)
#include "drop_choice_test.moc"
