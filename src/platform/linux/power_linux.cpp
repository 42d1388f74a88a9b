#include "platform/linux/power_linux.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QProcess>
#include <QStringList>

namespace ps {

LogindPowerControl::LogindPowerControl(std::function<bool()> fallback)
    : fallback_(fallback ? std::move(fallback) : std::function<bool()>(&runSystemctlPowerOff)) {}

bool LogindPowerControl::requestLogindPowerOff() {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        return false;
    }
    QDBusInterface manager(QStringLiteral("org.freedesktop.login1"),
                           QStringLiteral("/org/freedesktop/login1"),
                           QStringLiteral("org.freedesktop.login1.Manager"), bus);
    if (!manager.isValid()) {
        return false;
    }
    const QDBusMessage reply = manager.call(QStringLiteral("PowerOff"), false);
    return reply.type() == QDBusMessage::ReplyMessage;
}

bool LogindPowerControl::runSystemctlPowerOff() {
    return QProcess::execute(QStringLiteral("systemctl"), {QStringLiteral("poweroff")}) == 0;
}

bool LogindPowerControl::powerOff() {
    return requestLogindPowerOff() || fallback_();
}

}  // namespace ps
