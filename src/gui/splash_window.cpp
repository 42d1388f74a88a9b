#include "gui/splash_window.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

namespace ps::gui {

SplashWindow::SplashWindow() : QWidget(nullptr, Qt::SplashScreen | Qt::WindowStaysOnTopHint) {
    setObjectName("SplashWindow");
    setWindowTitle("Platterscoop");
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel("Platterscoop", this);
    QFont font = title->font();
    font.setPointSize(font.pointSize() * 2);
    font.setBold(true);
    title->setFont(font);
    title->setAlignment(Qt::AlignCenter);
    auto* version = new QLabel(QStringLiteral("Version %1").arg(PS_VERSION), this);
    version->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
    layout->addWidget(version);
    setStyleSheet("QWidget#SplashWindow { background: white; border: 1px solid #000080; }");
    resize(320, 140);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const double dpi = screen->logicalDotsPerInchX();
        screenScale_ = dpi > 0 ? dpi / 96.0 : 1.0;
        colourDepth_ = screen->depth();
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
    timer_.setInterval(50);
}

void SplashWindow::startFirstRefreshTimer(std::function<bool()> formsReady,
                                          std::function<void()> firstRefresh) {
    connect(&timer_, &QTimer::timeout, this,
            [this, formsReady = std::move(formsReady), firstRefresh = std::move(firstRefresh)] {
                if (!formsReady()) {
                    return;
                }
                timer_.stop();
                firstRefresh();
            });
    timer_.start();
}

}  // namespace ps::gui
