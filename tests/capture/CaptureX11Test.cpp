// Every kind of screen capture on a private X server with openbox, driven by xdotool.

#include "CaptureX11Kit.h"

#include "capture/CaptureOverlay.h"
#include "capture/X11Grabber.h"
#include "capture/X11Wrapper.h"

#include <QMenu>
#include <QPixmap>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace tsl::test {
namespace {

struct X11Capture : testing::Test {
    KeepingCapture capture;
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DISPLAY") || QGuiApplication::platformName() != "xcb")
            GTEST_SKIP() << "no X server";
        ASSERT_NE(capture.Grabber(), nullptr);
    }
    // Presses the hot key after ms, inside the capture call.
    static void PressLater(int ms = 200, const char* key = "F11") {
        Later(ms, [key] { Xdo({"key", key}); });
    }
};

TEST_F(X11Capture, FullScreenEqualsTheRootWindowsPixels) {
    PatternWindow window(Pattern(220, 160));
    ASSERT_TRUE(ShowActive(window));
    const QImage reference = RootPixels();
    PressLater();
    EXPECT_EQ(capture.CaptureFullScreen(), kCaptureDone) << capture.LastError().toStdString();
    ASSERT_EQ(capture.images.size(), 1u);
    EXPECT_EQ(capture.images[0].size(), QSize(1280, 1024));
    EXPECT_TRUE(SamePixels(capture.images[0], reference));
    EXPECT_FALSE(capture.IsCaptureActive());
}

TEST_F(X11Capture, ClientAreaAndActiveWindowHaveTheWindowsSizeAndPixels) {
    PatternWindow window(Pattern(230, 170, 9));
    ASSERT_TRUE(ShowActive(window));
    PressLater();
    ASSERT_EQ(capture.CaptureActiveClient(), kCaptureDone) << capture.LastError().toStdString();
    ASSERT_EQ(capture.images.size(), 1u);
    EXPECT_TRUE(SamePixels(capture.images[0], window.Picture()));

    PressLater();
    ASSERT_EQ(capture.CaptureActiveWindow(), kCaptureDone) << capture.LastError().toStdString();
    ASSERT_EQ(capture.images.size(), 2u);
    const QImage framed = capture.images[1];
    // openbox's frame: a title bar above and borders around the client.
    EXPECT_GT(framed.height(), window.height());
    EXPECT_GE(framed.width(), window.width());
    const std::optional<QPoint> at = Find(framed, window.Picture());
    ASSERT_TRUE(at.has_value());
    EXPECT_GT(at->y(), 0);
    // The frame's pixels are the screen's there.
    const QImage root = RootPixels();
    const QPoint frameOrigin = ScreenRect(window).topLeft() - *at;
    EXPECT_TRUE(SamePixels(framed, root.copy(QRect(frameOrigin, framed.size()))));
}

TEST_F(X11Capture, TheWindowUnderTheCursorIsTheOneBeneathThePointer) {
    PatternWindow below(Pattern(200, 150, 1), "Below");
    PatternWindow other(Pattern(180, 140, 2), "Other");
    other.move(600, 400);
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other, 5000));
    ASSERT_TRUE(ShowActive(below, {80, 100}));
    const QPoint centre = ScreenRect(below).center();
    Xdo({"mousemove", QString::number(centre.x()), QString::number(centre.y())});
    PressLater();
    ASSERT_EQ(capture.CaptureWindowUnderCursor(), kCaptureDone) << capture.LastError().toStdString();
    ASSERT_EQ(capture.images.size(), 1u);
    EXPECT_TRUE(Find(capture.images[0], below.Picture()).has_value());
    EXPECT_FALSE(Find(capture.images[0], other.Picture()).has_value());
}

TEST_F(X11Capture, APopupMenuOpenedDuringTheDelayIsCapturedUnderTheCursor) {
    PatternWindow window(Pattern(300, 220, 3));
    ASSERT_TRUE(ShowActive(window));
    QMenu menu;
    for (const char* item : {"First item", "Second item", "Third item"}) menu.addAction(QString::fromLatin1(item));
    CaptureOptions options;
    options.delayMs = 1200;
    capture.SetCaptureOptions(options);
    const QPoint at = ScreenRect(window).topLeft() + QPoint(40, 40);
    PressLater(200);
    Later(500, [&] { menu.popup(at); });
    Later(900, [&] { Xdo({"mousemove", QString::number(at.x() + 20), QString::number(at.y() + 10)}); });
    ASSERT_EQ(capture.CaptureMenuUnderCursor(), kCaptureDone) << capture.LastError().toStdString();
    ASSERT_EQ(capture.images.size(), 1u);
    const QRect shown(menu.mapToGlobal(QPoint(0, 0)), menu.size());
    EXPECT_EQ(capture.images[0].size(), shown.size());
    const QImage root = RootPixels();
    EXPECT_TRUE(SamePixels(capture.images[0], root.copy(shown)));
    menu.close();
}

TEST_F(X11Capture, NoMenuUnderTheCursorGivesNoImage) {
    PatternWindow window(Pattern(100, 80));
    ASSERT_TRUE(ShowActive(window));
    PressLater();
    EXPECT_EQ(capture.CaptureMenuUnderCursor(), kCaptureFailed);
    EXPECT_TRUE(capture.images.empty());
    EXPECT_TRUE(capture.LastError().contains("no menu"));
}

TEST_F(X11Capture, ADraggedRectangleIsCutFromTheFrozenScreen) {
    PatternWindow window(Pattern(260, 200, 4));
    ASSERT_TRUE(ShowActive(window));
    const QRect client = ScreenRect(window);
    const QPoint from = client.topLeft() + QPoint(30, 20), to = client.topLeft() + QPoint(129, 99);
    PressLater();
    Later(900, [&] {
        Xdo({"mousemove", QString::number(from.x()), QString::number(from.y()), "mousedown", "1",
             "mousemove", QString::number(from.x() + 40), QString::number(from.y() + 30),
             "mousemove", QString::number(to.x()), QString::number(to.y()), "mouseup", "1"});
    });
    ASSERT_EQ(capture.CaptureArea(), kCaptureDone) << capture.LastError().toStdString();
    ASSERT_EQ(capture.images.size(), 1u);
    EXPECT_TRUE(SamePixels(capture.images[0], window.Picture().copy(QRect(30, 20, 100, 80))));
}

TEST_F(X11Capture, AreaShapesCutTheOutsideAwayInWhite) {
    const QImage screen = Pattern(200, 100, 5);
    QRect where;
    const QImage ellipse = CCaptureOverlay::CutOut(screen, AreaShape::Ellipse, QRect(10, 10, 100, 60), {}, where);
    EXPECT_EQ(where, QRect(10, 10, 100, 60));
    EXPECT_EQ(ellipse.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(ellipse.pixel(50, 30), screen.pixel(60, 40));
    const QPolygon triangle({QPoint(20, 20), QPoint(120, 20), QPoint(20, 90)});
    const QImage freehand = CCaptureOverlay::CutOut(screen, AreaShape::Freehand, {}, triangle, where);
    EXPECT_EQ(where, triangle.boundingRect());
    EXPECT_EQ(freehand.pixel(95, 65), qRgb(255, 255, 255)); // beyond the diagonal
    EXPECT_EQ(freehand.pixel(5, 5), screen.pixel(25, 25));
    // A drag off the screen keeps the part on it.
    const QImage clipped = CCaptureOverlay::CutOut(screen, AreaShape::Rectangle, QRect(150, 50, 100, 100), {}, where);
    EXPECT_EQ(clipped.size(), QSize(50, 50));
}

TEST_F(X11Capture, TheSelectedObjectIsTheWindowClickedOnTheOverlay) {
    PatternWindow window(Pattern(210, 150, 6));
    ASSERT_TRUE(ShowActive(window, {300, 300}));
    const QPoint inside = ScreenRect(window).center();
    PressLater();
    Later(900, [&] {
        Xdo({"mousemove", QString::number(inside.x()), QString::number(inside.y())});
        Xdo({"mousemove", QString::number(inside.x() + 3), QString::number(inside.y() + 2), "click", "1"});
    });
    ASSERT_EQ(capture.CaptureSelectedObject(), kCaptureDone) << capture.LastError().toStdString();
    ASSERT_EQ(capture.images.size(), 1u);
    // The deepest window under the pointer: the client, without the frame or the highlight.
    EXPECT_TRUE(SamePixels(capture.images[0], window.Picture()));
}

TEST_F(X11Capture, EscapeOnTheOverlayCancelsWithoutAnImage) {
    PatternWindow window(Pattern(100, 100));
    ASSERT_TRUE(ShowActive(window));
    PressLater();
    Later(900, [] { Xdo({"key", "Escape"}); });
    EXPECT_EQ(capture.CaptureArea(), kCaptureStopped);
    EXPECT_TRUE(capture.images.empty());
}

TEST_F(X11Capture, TheCursorIsComposedOnWhite) {
    // A cursor of known pixels: an opaque red square, a half-transparent blue one, the rest clear.
    QImage sprite(16, 16, QImage::Format_ARGB32);
    sprite.fill(Qt::transparent);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) {
            sprite.setPixel(x, y, qRgba(255, 0, 0, 255));
            sprite.setPixel(x + 8, y + 8, qRgba(0, 0, 255, 128));
        }
    PatternWindow window(Pattern(200, 200));
    window.setCursor(QCursor(QPixmap::fromImage(sprite), 0, 0));
    ASSERT_TRUE(ShowActive(window));
    const QPoint centre = ScreenRect(window).center();
    Xdo({"mousemove", QString::number(centre.x()), QString::number(centre.y())});
    QTest::qWait(200);
    PressLater();
    ASSERT_EQ(capture.CaptureMouseCursor(0xFFFFFF), kCaptureDone) << capture.LastError().toStdString();
    ASSERT_EQ(capture.images.size(), 1u);
    const QImage c = capture.images[0];
    ASSERT_GE(c.width(), 14);
    ASSERT_GE(c.height(), 14);
    EXPECT_EQ(c.pixel(2, 2), qRgb(255, 0, 0));
    EXPECT_EQ(c.pixel(7, 7), qRgb(255, 255, 255));
    const QRgb half = c.pixel(10, 10);
    EXPECT_NEAR(qRed(half), 127, 2);
    EXPECT_NEAR(qGreen(half), 127, 2);
    EXPECT_EQ(qBlue(half), 255);
}

// Publishes a wallpaper the way desktops do: a pixmap named by _XROOTPMAP_ID on the root.
struct PublishedWallpaper {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    xcb_pixmap_t pixmap = 0;
    xcb_atom_t atom = 0;
    explicit PublishedWallpaper(const QImage& picture) {
        xcb_screen_t* s = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        pixmap = xcb_generate_id(c);
        xcb_create_pixmap(c, s->root_depth, pixmap, s->root, std::uint16_t(picture.width()), std::uint16_t(picture.height()));
        xcb_gcontext_t gc = xcb_generate_id(c);
        xcb_create_gc(c, gc, pixmap, 0, nullptr);
        const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < rgb.height(); ++y)
            xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, std::uint16_t(rgb.width()), 1, 0, std::int16_t(y), 0,
                          s->root_depth, std::uint32_t(rgb.width() * 4), rgb.constScanLine(y));
        atom = Intern("_XROOTPMAP_ID");
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, s->root, atom, XCB_ATOM_PIXMAP, 32, 1, &pixmap);
        xcb_aux_sync();
    }
    xcb_atom_t Intern(const char* name) {
        auto* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::uint16_t(strlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : 0;
        free(r);
        return a;
    }
    void xcb_aux_sync() { free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); }
    ~PublishedWallpaper() {
        xcb_screen_t* s = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        xcb_delete_property(c, s->root, atom);
        xcb_free_pixmap(c, pixmap);
        xcb_aux_sync();
        xcb_disconnect(c);
    }
};

TEST_F(X11Capture, TheWallpaperIsThePublishedBackgroundAndItsAbsenceIsAClearFailure) {
    PatternWindow window(Pattern(100, 100));
    ASSERT_TRUE(ShowActive(window));
    PressLater();
    EXPECT_EQ(capture.CaptureWallpaper(), kCaptureFailed);
    EXPECT_TRUE(capture.LastError().contains("no wallpaper")) << capture.LastError().toStdString();
    EXPECT_TRUE(capture.images.empty());
    ASSERT_EQ(Script().messages.size(), 1u) << "the minimised program tells why nothing came";
    EXPECT_EQ(Script().messages[0].text, capture.LastError());

    const QImage picture = Pattern(320, 200, 7);
    PublishedWallpaper published(picture);
    PressLater();
    ASSERT_EQ(capture.CaptureWallpaper(), kCaptureDone) << capture.LastError().toStdString();
    ASSERT_EQ(capture.images.size(), 1u);
    EXPECT_TRUE(SamePixels(capture.images[0], picture));
}

TEST_F(X11Capture, AHotKeyHeldByAnotherProgramIsReportedAndNothingWaits) {
    std::unique_ptr<x11::X11Connection> other = x11::X11Connection::Open();
    ASSERT_NE(other, nullptr);
    std::string error;
    ASSERT_TRUE(other->GrabKey(0xFFC8 /* F11 */, 0, error));
    EXPECT_EQ(capture.CaptureFullScreen(), kCaptureHotKeyFailed);
    EXPECT_FALSE(capture.IsCaptureActive());
    ASSERT_EQ(Script().messages.size(), 1u);
    EXPECT_TRUE(Script().messages[0].text.contains("F11"));
    EXPECT_TRUE(Script().messages[0].text.contains("another program"));
    other->UngrabKey();
    // Once released, the same key works.
    PressLater();
    EXPECT_EQ(capture.CaptureFullScreen(), kCaptureDone);
}

TEST_F(X11Capture, StopReleasesTheGrabAndTheOptionsHotKeyIsUsed) {
    CaptureOptions options;
    options.hotKey = QKeyCombination(Qt::ControlModifier, Qt::Key_F9);
    capture.SetCaptureOptions(options);
    Later(150, [] { Xdo({"key", "F11"}); });     // not the hot key: nothing
    Later(400, [&] {
        EXPECT_TRUE(capture.IsCaptureActive());
        capture.StopCapture();
    });
    EXPECT_EQ(capture.CaptureFullScreen(), kCaptureStopped);
    EXPECT_TRUE(capture.images.empty());
    // Released: another client can grab it now.
    std::unique_ptr<x11::X11Connection> other = x11::X11Connection::Open();
    std::string error;
    EXPECT_TRUE(other->GrabKey(0xFFC6 /* F9 */, 4 /* Control */, error)) << error;
    other->UngrabKey();
    // With NumLock on the hot key still fires.
    Later(300, [] { Xdo({"key", "Num_Lock"}); Xdo({"key", "ctrl+F9"}); Xdo({"key", "Num_Lock"}); });
    EXPECT_EQ(capture.CaptureFullScreen(), kCaptureDone);
}

TEST_F(X11Capture, AWindowThatDisappearsDuringTheDelayGivesNoImage) {
    auto window = std::make_unique<PatternWindow>(Pattern(150, 100));
    ASSERT_TRUE(ShowActive(*window));
    CaptureOptions options;
    options.delayMs = 600;
    capture.SetCaptureOptions(options);
    PressLater();
    Later(400, [&] { window.reset(); });
    const int status = capture.CaptureActiveClient();
    EXPECT_TRUE(status == kCaptureFailed || status == kCaptureDone);
    for (const QImage& image : capture.images) EXPECT_FALSE(Find(image, Pattern(150, 100)).has_value());
}

TEST_F(X11Capture, AWaylandSessionIsCapturedThroughThePortal) {
    const QByteArray session = qgetenv("XDG_SESSION_TYPE");
    qputenv("XDG_SESSION_TYPE", "wayland");
    const std::unique_ptr<IScreenGrabber> wayland = CreateScreenGrabber();
    qputenv("XDG_SESSION_TYPE", "x11");
    const std::unique_ptr<IScreenGrabber> x11 = CreateScreenGrabber();
    qputenv("XDG_SESSION_TYPE", session);
    ASSERT_TRUE(wayland && x11);
    EXPECT_EQ(wayland->Name(), QStringLiteral("The desktop portal"));
    EXPECT_FALSE(wayland->SupportsHotKey());
    EXPECT_EQ(x11->Name(), QStringLiteral("X11"));
}

TEST_F(X11Capture, TheCursorCanBeDrawnIntoAScreenGrab) {
    PatternWindow window(Pattern(200, 200));
    window.setCursor(Qt::CrossCursor);
    ASSERT_TRUE(ShowActive(window));
    const QPoint centre = ScreenRect(window).center();
    Xdo({"mousemove", QString::number(centre.x()), QString::number(centre.y())});
    QTest::qWait(150);
    X11Grabber grabber;
    const GrabResult plain = grabber.Grab(GrabTarget::ActiveClient, 0xFFFFFFFF, false);
    const GrabResult with = grabber.Grab(GrabTarget::ActiveClient, 0xFFFFFFFF, true);
    ASSERT_TRUE(plain.ok() && with.ok());
    EXPECT_TRUE(SamePixels(plain.image, window.Picture()));
    EXPECT_FALSE(SamePixels(with.image, window.Picture()));
    EXPECT_TRUE(grabber.UsesSharedMemory());
}

} // namespace
} // namespace tsl::test
