#include "capture/PortalGrabber.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingReply>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QTimer>
#include <QUrl>

namespace tsl {
namespace {

// Receives the portal's Request.Response signal.
class ResponseWaiter : public QObject {
    Q_OBJECT
public:
    bool answered = false;
    uint response = 2;
    QVariantMap results;
    QEventLoop loop;

public slots:
    void Response(uint code, const QVariantMap& values) {
        answered = true;
        response = code;
        results = values;
        loop.quit();
    }
};

} // namespace

bool PortalGrabber::Supports(GrabTarget target) const {
    switch (target) {
    case GrabTarget::FullScreen:
    case GrabTarget::ActiveClient:
    case GrabTarget::ActiveWindow:
    case GrabTarget::WindowUnderCursor:
    case GrabTarget::Area: return true;
    default: return false;
    }
}

GrabResult PortalGrabber::Grab(GrabTarget target, QRgb, bool) {
    if (!Supports(target)) {
        GrabResult result;
        result.error = QStringLiteral("The desktop portal cannot capture this kind of target.");
        return result;
    }
    return Screenshot(target != GrabTarget::FullScreen);
}

GrabResult PortalGrabber::Screenshot(bool interactive) {
    GrabResult result;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        result.error = QStringLiteral("The desktop portal cannot be reached: there is no session bus.");
        return result;
    }
    const QString token = QStringLiteral("tessaly%1").arg(QRandomGenerator::global()->generate());
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString requestPath =
        QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    ResponseWaiter waiter;
    bus.connect(QStringLiteral("org.freedesktop.portal.Desktop"), requestPath,
                QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"), &waiter,
                SLOT(Response(uint, QVariantMap)));
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.portal.Desktop"), QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Screenshot"), QStringLiteral("Screenshot"));
    QVariantMap options{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("interactive"), interactive},
                        {QStringLiteral("modal"), true}};
    call << QString() << options;
    const QDBusMessage reply = bus.call(call, QDBus::Block, 10000);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        result.error = QStringLiteral("The desktop portal refused the screenshot: %1").arg(reply.errorMessage());
        return result;
    }
    QTimer::singleShot(kTimeoutMs, &waiter.loop, &QEventLoop::quit);
    if (!waiter.answered) waiter.loop.exec();
    if (!waiter.answered) {
        result.error = QStringLiteral("The desktop portal did not answer.");
        return result;
    }
    if (waiter.response != 0) return result; // the user cancelled: no image, no error
    const QUrl uri(waiter.results.value(QStringLiteral("uri")).toString());
    result.image = QImage(uri.toLocalFile()).convertToFormat(QImage::Format_RGB32);
    if (result.image.isNull())
        result.error = QStringLiteral("The desktop portal's screenshot cannot be read.");
    return result;
}

} // namespace tsl

#include "PortalGrabber.moc"
