#pragma once

#include <QLocalServer>
#include <QObject>
#include <functional>
#include <memory>
#include <string>

#include "platform/instance_channel.h"

namespace ps {

// The running copy listens on a per-user local socket; a later copy connects to it.
// The socket's name includes the program directory, so copies with separate program
// directories (PLATTERSCOOP_HOME) do not meet.
class LocalInstanceChannel final : public QObject, public InstanceChannel {
    Q_OBJECT
  public:
    explicit LocalInstanceChannel(const std::string& programDirectory);
    ~LocalInstanceChannel() override;

    Role claim() override;
    bool sendToPrimary(const std::string& message) override;
    bool listenAsCopy() override;
    bool sendToAnotherCopy(const std::string& message) override;
    void setMessageHandler(std::function<void(const std::string&)> handler) override;

    const QString& serverName() const { return serverName_; }

  private:
    void acceptConnections(QLocalServer* server);
    bool listenOn(std::unique_ptr<QLocalServer>& server, const QString& name);

    QString serverName_;
    std::unique_ptr<QLocalServer> server_;
    std::unique_ptr<QLocalServer> copyServer_;  // this copy's own address
    std::function<void(const std::string&)> handler_;
};

}  // namespace ps
