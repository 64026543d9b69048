#include "slideshow/ScreenSaverInhibitor.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>

namespace tsl {
namespace {

const QString kService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kPath = QStringLiteral("/org/freedesktop/ScreenSaver");

} // namespace

bool CScreenSaverInhibitor::Inhibit(const QString& reason) {
    if (m_cookie) return true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() ||
        !bus.interface()->isServiceRegistered(kService).value())
        return false;
    QDBusInterface screenSaver(kService, kPath, kService, bus);
    screenSaver.setTimeout(1000);
    const QDBusReply<uint> reply =
        screenSaver.call(QStringLiteral("Inhibit"), QCoreApplication::applicationName(), reason);
    if (!reply.isValid()) return false;
    m_cookie = reply.value();
    return m_cookie != 0;
}

void CScreenSaverInhibitor::Release() {
    if (!m_cookie) return;
    QDBusInterface screenSaver(kService, kPath, kService, QDBusConnection::sessionBus());
    screenSaver.setTimeout(1000);
    screenSaver.call(QDBus::NoBlock, QStringLiteral("UnInhibit"), m_cookie);
    m_cookie = 0;
}

} // namespace tsl
