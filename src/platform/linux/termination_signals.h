#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace ps {

// Turns SIGTERM, SIGINT and SIGHUP (a logout, or Ctrl+C in a terminal) into a call on
// the event loop, so the program closes its main window and writes its settings as at
// a normal exit instead of dying with the crash marker set.
class TerminationSignals final : public QObject {
    Q_OBJECT
  public:
    explicit TerminationSignals(std::function<void()> onTerminate);
    ~TerminationSignals() override;

  private:
    std::function<void()> onTerminate_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace ps
