// tsl_iconrender: renders the program's icons to PNG files.
//
//   tsl_iconrender FOLDER        writes FOLDER/hicolor/<N>x<N>/apps/tessaly.png for N in
//                                16 24 32 48 128 256 (the application icon)
//   tsl_iconrender --sheet FILE  writes a contact sheet of every command icon at 16 and 24 px,
//                                on a light and a dark toolbar and at 4x zoom, and of the
//                                application icon at every size
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include "ui/IconPainter.h"

#include <QDir>
#include <QGuiApplication>
#include <QPainter>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kAppSizes[] = {16, 24, 32, 48, 128, 256};
constexpr int kZoom = 4;
const QColor kLight(0xefefef), kDark(0x31363b), kLabel(0x404040);

int WriteThemeIcons(const QString& folder) {
    for (int size : kAppSizes) {
        const QString dir = QStringLiteral("%1/hicolor/%2x%2/apps").arg(folder).arg(size);
        const QString path = dir + QStringLiteral("/tessaly.png");
        if (!QDir().mkpath(dir) || !tsl::PaintApplicationIcon(size).save(path, "PNG")) {
            std::fprintf(stderr, "tsl_iconrender: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}

// Draws an image at `zoom` times its size without smoothing, so pixels stay visible.
void Put(QPainter& p, int x, int y, const QImage& image, int zoom = 1) {
    p.drawImage(QRect(x, y, image.width() * zoom, image.height() * zoom), image);
}

QImage Sheet() {
    const QList<int> ids = tsl::CommandIconIds();
    const int columns = 3, cellW = 8 + 24 + 8 + 16 * kZoom + 8 + 24 * kZoom + 8 + 56;
    const int cellH = 24 * kZoom + 16, strip = 28 * int(ids.size()) + 16;
    const int rows = (int(ids.size()) + columns - 1) / columns;
    const int width = std::max({strip, columns * cellW, 880}), appTop = 4 * 30 + 16 + rows * cellH;
    QImage sheet(width, appTop + 256 + 16, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(Qt::white);
    QPainter p(&sheet);
    p.setPen(kLabel);

    // The toolbars as they appear: each size on a light and on a dark background.
    int y = 8;
    for (int size : {16, 24}) {
        for (const QColor& bg : {kLight, kDark}) {
            p.fillRect(0, y - 3, width, 30, bg);
            int x = 8;
            for (int id : ids) {
                Put(p, x, y + (24 - size) / 2, tsl::PaintCommandIcon(id, size).toImage());
                x += 28;
            }
            y += 30;
        }
    }

    // Each icon at 1x and magnified, with its command id.
    y += 8;
    for (int i = 0; i < ids.size(); ++i) {
        const int x = (i % columns) * cellW, top = y + (i / columns) * cellH;
        const QImage small = tsl::PaintCommandIcon(ids[i], 16).toImage();
        const QImage large = tsl::PaintCommandIcon(ids[i], 24).toImage();
        p.fillRect(x + 4, top, cellW - 8, cellH - 8, kLight);
        p.drawText(x + 8, top + 14, QString::number(ids[i]));
        Put(p, x + 8, top + 22, small);
        Put(p, x + 8, top + 44, large);
        Put(p, x + 40, top + 4, small, kZoom);
        Put(p, x + 48 + 16 * kZoom, top + 4, large, kZoom);
    }

    // The application icon at every size, then its two smallest sizes magnified.
    int x = 8;
    for (int size : kAppSizes) {
        Put(p, x, appTop, tsl::PaintApplicationIcon(size));
        x += size + 8;
    }
    for (int size : {16, 24, 32}) {
        Put(p, x, appTop, tsl::PaintApplicationIcon(size), kZoom);
        x += size * kZoom + 8;
    }
    p.end();
    return sheet;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() == 3 && args[1] == QLatin1String("--sheet")) {
        if (Sheet().save(args[2], "PNG")) return 0;
        std::fprintf(stderr, "tsl_iconrender: cannot write %s\n", qPrintable(args[2]));
        return 1;
    }
    if (args.size() == 2 && !args[1].startsWith(QLatin1String("--")))
        return WriteThemeIcons(args[1]);
    std::fprintf(stderr, "usage: tsl_iconrender FOLDER | tsl_iconrender --sheet FILE\n");
    return 2;
}
