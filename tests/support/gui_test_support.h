#pragma once

#include <QApplication>
#include <QByteArray>
#include <QString>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace ps::test {

// Saves a picture of the window into PS_SCREENSHOT_DIR when that is set.
inline void screenshot(QWidget& window, const char* name) {
    const QByteArray dir = qgetenv("PS_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        QVERIFY(window.grab().save(QString::fromLocal8Bit(dir) + "/" + name));
    }
}

// Works on the dialog once its modal loop runs; closes whatever is modal when it is
// another window, so that a failure cannot hang the test.
template <typename Dialog>
void whenModal(std::function<void(Dialog&)> work) {
    QTimer::singleShot(0, [work] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<Dialog*>(modal)) {
            work(*dialog);
        } else if (modal != nullptr) {
            modal->close();
        }
    });
}

}  // namespace ps::test
