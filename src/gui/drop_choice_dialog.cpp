#include "gui/drop_choice_dialog.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "gui/gui_texts.h"

namespace ps::gui {

DropChoiceDialog::DropChoiceDialog(const TextTable& texts, bool severalFiles,
                                   bool encodingAvailable, bool deleteWaves, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("DropChoiceDialog");
    setWindowTitle(uiText(texts, "CaptionDrop"));
    auto* layout = new QVBoxLayout(this);

    question_ = new QLabel(uiText(texts, severalFiles ? "Question2Drop" : "QuestionDrop"), this);
    question_->setObjectName("Question");
    layout->addWidget(question_);

    auto* buttons = new QHBoxLayout();
    auto button = [&](const char* key, const char* name, Choice choice) {
        auto* b = new QPushButton(uiText(texts, key), this);
        b->setObjectName(name);
        connect(b, &QPushButton::clicked, this, [this, choice] { choose(choice); });
        buttons->addWidget(b);
        return b;
    };
    normalize_ = button("NormDrop", "NormalizeButton", Choice::Normalize);
    encode_ = button("MP3Drop", "EncodeButton", Choice::Encode);
    both_ = button("BothDrop", "BothButton", Choice::Both);
    cancel_ = button("CancelDrop", "CancelButton", Choice::Cancel);
    encode_->setEnabled(encodingAvailable);
    both_->setEnabled(encodingAvailable);
    layout->addLayout(buttons);

    deleteBox_ = new QCheckBox(uiText(texts, "DeleteDrop"), this);
    deleteBox_->setObjectName("DeleteWaves");
    deleteBox_->setChecked(deleteWaves);
    layout->addWidget(deleteBox_);

    normalize_->setDefault(true);
    normalize_->setFocus();
}

void DropChoiceDialog::choose(Choice choice) {
    choice_ = choice;
    choosing_ = true;
    done(choice == Choice::Cancel ? QDialog::Rejected : QDialog::Accepted);
    choosing_ = false;
}

// The close box is disabled; a close request from the system is not an answer.
void DropChoiceDialog::closeEvent(QCloseEvent* event) {
    if (choosing_) {
        event->accept();
    } else {
        event->ignore();
    }
}

// Esc cancels.
void DropChoiceDialog::reject() {
    choose(Choice::Cancel);
}

DropChoiceDialog::Choice DropChoiceDialog::ask(const TextTable& texts, bool severalFiles,
                                               bool encodingAvailable, bool& deleteWaves,
                                               QWidget* parent) {
    DropChoiceDialog dialog(texts, severalFiles, encodingAvailable, deleteWaves, parent);
    dialog.exec();
    const Choice choice = dialog.choice();
    if (choice != Choice::Cancel) {
        deleteWaves = dialog.deleteWaves();
    }
    return choice;
}

}  // namespace ps::gui
