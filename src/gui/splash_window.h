#pragma once

#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace ps::gui {

// The window shown while the program starts. Its timer runs the first refresh once
// every window exists.
class SplashWindow final : public QWidget {
    Q_OBJECT
  public:
    SplashWindow();

    // Starts polling the forms-ready test; when it holds, the timer stops and
    // `firstRefresh` runs once.
    void startFirstRefreshTimer(std::function<bool()> formsReady,
                                std::function<void()> firstRefresh);

    double screenScale() const { return screenScale_; }
    int colourDepth() const { return colourDepth_; }

  private:
    QTimer timer_;
    double screenScale_ = 1.0;
    int colourDepth_ = 24;
};

}  // namespace ps::gui
