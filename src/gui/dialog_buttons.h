#pragma once

#include <QBoxLayout>
#include <QPushButton>

namespace ps::gui {

// The OK and Cancel buttons of a dialog, right-aligned at the bottom of `layout`; OK is
// the default button.
struct OkCancelButtons {
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
};

inline OkCancelButtons addOkCancelButtons(QWidget* dialog, QBoxLayout* layout) {
    OkCancelButtons buttons{new QPushButton(dialog), new QPushButton(dialog)};
    buttons.ok->setObjectName("OkButton");
    buttons.ok->setDefault(true);
    buttons.cancel->setObjectName("CancelButton");
    auto* row = new QHBoxLayout();
    row->addStretch(1);
    row->addWidget(buttons.ok);
    row->addWidget(buttons.cancel);
    layout->addLayout(row);
    return buttons;
}

}  // namespace ps::gui
