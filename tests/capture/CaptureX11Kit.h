#pragma once
// Helpers of the capture tests on their private X server: a window showing a known pattern,
// xdotool, the root window's pixels read by ImageMagick's import, and a capture component that
// keeps what it captures.

#include "capture/LScreenCapture.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <vector>

namespace tsl::test {

// Every pixel differs from its neighbours, so an offset shows.
inline QImage Pattern(int w, int h, int seed = 0) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb((x * 5 + seed) & 255, (y * 3 + seed) & 255, (x * 7 + y * 11) & 255));
    return image;
}

class PatternWindow : public QWidget {
public:
    explicit PatternWindow(QImage pattern, const QString& title = QStringLiteral("Pattern"))
        : m_pattern(std::move(pattern)) {
        setWindowTitle(title);
        setFixedSize(m_pattern.size());
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    const QImage& Picture() const { return m_pattern; }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).drawImage(0, 0, m_pattern); }

private:
    QImage m_pattern;
};

inline int Xdo(const QStringList& arguments) { return QProcess::execute(QStringLiteral("xdotool"), arguments); }

// Runs f once the event loop has run for ms (inside a capture's wait).
inline void Later(int ms, std::function<void()> f) { QTimer::singleShot(ms, qApp, std::move(f)); }

// The root window's pixels, read by ImageMagick.
inline QImage RootPixels() {
    const QString path = MakeTempFolder(QStringLiteral("root")) + QStringLiteral("/root.png");
    QProcess::execute(QStringLiteral("import-im6.q16"), {"-window", "root", path});
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

// Where small occurs in big; nothing when it does not.
inline std::optional<QPoint> Find(const QImage& big, const QImage& small) {
    const QImage b = big.convertToFormat(QImage::Format_RGB32), s = small.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y + s.height() <= b.height(); ++y)
        for (int x = 0; x + s.width() <= b.width(); ++x) {
            if (b.pixel(x, y) != s.pixel(0, 0)) continue;
            bool same = true;
            for (int r = 0; r < s.height() && same; ++r)
                same = std::equal(reinterpret_cast<const QRgb*>(s.constScanLine(r)),
                                  reinterpret_cast<const QRgb*>(s.constScanLine(r)) + s.width(),
                                  reinterpret_cast<const QRgb*>(b.constScanLine(y + r)) + x);
            if (same) return QPoint(x, y);
        }
    return std::nullopt;
}

inline bool SamePixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) {
        std::fprintf(stderr, "sizes differ: %dx%d and %dx%d\n", a.width(), a.height(), b.width(), b.height());
        return false;
    }
    int differ = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if ((a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF) && differ++ == 0)
                std::fprintf(stderr, "first difference at %d,%d: %08x and %08x\n", x, y, a.pixel(x, y), b.pixel(x, y));
    if (differ && qEnvironmentVariableIsSet("TSL_DUMP_DIFF")) {
        a.save("/tmp/diff-a.png");
        b.save("/tmp/diff-b.png");
    }
    return differ == 0;
}

// Shows the window and waits until the window manager has made it active.
inline bool ShowActive(QWidget& window, QPoint where = {100, 120}) {
    window.move(where);
    window.show();
    window.raise();
    window.activateWindow();
    // A window manager that has only just started may lose the first mapping: map again.
    for (int attempt = 0; !QTest::qWaitForWindowExposed(&window, 2000); ++attempt) {
        if (attempt == 3) return false;
        window.hide();
        QTest::qWait(100);
        window.show();
    }
    const QString id = QString::number(window.winId());
    auto active = [] {
        QProcess p;
        p.start(QStringLiteral("xdotool"), {"getactivewindow"});
        p.waitForFinished(3000);
        return QString::fromLatin1(p.readAllStandardOutput()).trimmed();
    };
    // A window manager that has only just started may miss the first request: ask again.
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (QTest::qWaitFor([&] { return active() == id; }, 500)) {
            QTest::qWait(150); // let the first paint reach the server
            return true;
        }
        Xdo({"windowactivate", id});
        window.raise();
        window.activateWindow();
    }
    std::fprintf(stderr, "active window %s, not %s\n", qPrintable(active()), qPrintable(id));
    return false;
}

// The window's client area in screen coordinates.
inline QRect ScreenRect(const QWidget& w) { return QRect(w.mapToGlobal(QPoint(0, 0)), w.size()); }

struct KeepingCapture : LScreenCapture {
    std::vector<QImage> images;
    std::function<void()> onImage;
    int CaptureCallBack(const QImage& image) override {
        images.push_back(image);
        if (onImage) onImage();
        return 1;
    }
};

} // namespace tsl::test
