#include "platform/linux/screensaver_linux.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QString>

namespace ps {

DbusScreensaver::~DbusScreensaver() {
    release();
}

bool DbusScreensaver::inhibit(const std::string& application, const std::string& reason) {
    if (cookie_) {
        return true;
    }
    if (!QDBusConnection::sessionBus().isConnected()) {
        return false;
    }
    QDBusInterface saver(QStringLiteral("org.freedesktop.ScreenSaver"),
                         QStringLiteral("/org/freedesktop/ScreenSaver"),
                         QStringLiteral("org.freedesktop.ScreenSaver"),
                         QDBusConnection::sessionBus());
    if (!saver.isValid()) {
        return false;
    }
    const QDBusReply<uint> reply =
        saver.call(QStringLiteral("Inhibit"), QString::fromStdString(application),
                   QString::fromStdString(reason));
    if (!reply.isValid()) {
        return false;
    }
    cookie_ = reply.value();
    return true;
}

void DbusScreensaver::release() {
    if (!cookie_) {
        return;
    }
    const uint cookie = *cookie_;
    cookie_.reset();
    if (!QDBusConnection::sessionBus().isConnected()) {
        return;
    }
    QDBusInterface saver(QStringLiteral("org.freedesktop.ScreenSaver"),
                         QStringLiteral("/org/freedesktop/ScreenSaver"),
                         QStringLiteral("org.freedesktop.ScreenSaver"),
                         QDBusConnection::sessionBus());
    if (saver.isValid()) {
        saver.call(QStringLiteral("UnInhibit"), cookie);
    }
}

}  // namespace ps
