// The screen saver is held off while a show plays: the freedesktop ScreenSaver interface,
// served here by a stand-in on a private session bus (dbus-run-session around the program).

#include "slideshow/PlayerKit.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>

#include <cstdlib>

namespace tsl {
namespace {

using test::PlayerTest;

class CScreenSaverService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    QStringList inhibitors; // "application: reason" of every Inhibit
    QList<uint> released;
public slots:
    uint Inhibit(const QString& application, const QString& reason) {
        inhibitors << application + QStringLiteral(": ") + reason;
        return 40 + static_cast<uint>(inhibitors.size());
    }
    void UnInhibit(uint cookie) { released << cookie; }
};

class ScreenSaver : public PlayerTest {
protected:
    void SetUp() override {
        if (!std::getenv("DBUS_SESSION_BUS_ADDRESS") ||
            !QDBusConnection::sessionBus().isConnected())
            GTEST_SKIP() << "no session bus";
        QDBusConnection bus = QDBusConnection::sessionBus();
        ASSERT_TRUE(bus.registerService(QStringLiteral("org.freedesktop.ScreenSaver")));
        ASSERT_TRUE(bus.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), &service,
                                       QDBusConnection::ExportAllSlots));
        model.imageEntries << Picture(QStringLiteral("a.png"));
    }
    void TearDown() override {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterObject(QStringLiteral("/org/freedesktop/ScreenSaver"));
        bus.unregisterService(QStringLiteral("org.freedesktop.ScreenSaver"));
    }
    CScreenSaverService service;
};

TEST_F(ScreenSaver, IsInhibitedWhileTheShowPlaysAndReleasedAtItsEnd) {
    Play();
    ASSERT_EQ(service.inhibitors.size(), 1);
    EXPECT_TRUE(service.inhibitors[0].endsWith(QStringLiteral(": Playing a slide show")));
    EXPECT_TRUE(service.released.isEmpty());
    QTest::keyClick(player.get(), Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([this] { return !service.released.isEmpty(); }, 5000));
    EXPECT_EQ(service.released, QList<uint>({41}));
}

TEST(ScreenSaverInhibitor, WithoutTheServiceNothingIsHeld) {
    if (!std::getenv("DBUS_SESSION_BUS_ADDRESS")) GTEST_SKIP() << "no session bus";
    CScreenSaverInhibitor inhibitor;
    EXPECT_FALSE(inhibitor.Inhibit(QStringLiteral("test")));
    EXPECT_FALSE(inhibitor.Active());
    inhibitor.Release();
}

} // namespace
} // namespace tsl

#include "ScreenSaverTest.moc"
