// The image browser's thumbnails of a folder of 24 MP JPEGs, side by side with vipsthumbnail
// over the same files in one process (offscreen platform, a private thumbnail cache):
//  - cold cache: time from the folder's selection to the first 10 cells and to all cells;
//  - warm cache: the same folder again, all cells;
//  - the longest the user-interface thread went without running its event loop meanwhile.
//  - cold cache again on the same photos as a camera writes them, with a 160-pixel Exif
//    thumbnail, which serves the cell without decoding the picture.
// Environment: TSL_BENCH_BROWSER_FILES (default 100), TSL_BENCH_BROWSER_MP (default 24).

#include "browser/ImageBrowser.h"
#include "document/ImageFiles.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

int EnvInt(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value && std::atoi(value) > 0 ? std::atoi(value) : fallback;
}

// A photo-like picture: smooth gradients with fine noise, so the decoder has real work.
QImage Photo(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int n = int(random.generate() & 15);
            row[x] = qRgb((x * 255 / width + n) & 255, (y * 255 / height + n) & 255,
                          ((x + y) * 127 / (width + height) + n * 3) & 255);
        }
    }
    return image;
}

QByteArray EncodeJpeg(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 90);
    return bytes;
}

// The JPEG with a camera's Exif segment holding a 160-pixel-wide thumbnail of the picture in its
// shape (a thumbnail with bars does not serve the cell): TIFF,
// little-endian, an empty IFD0 linking to IFD1 with the thumbnail's offset and length.
QByteArray WithExifThumbnail(const QByteArray& jpeg, const QImage& picture) {
    const QByteArray thumb = EncodeJpeg(picture.scaledToWidth(160, Qt::SmoothTransformation));
    QByteArray tiff("II*\0", 4);
    auto u16 = [&tiff](int v) { tiff.append(char(v & 255)).append(char(v >> 8 & 255)); };
    auto u32 = [&](quint32 v) {
        u16(int(v & 0xffff));
        u16(int(v >> 16));
    };
    u32(8);
    u16(0);
    u32(14);
    u16(2);
    u16(0x0201);
    u16(4);
    u32(1);
    u32(14 + 2 + 24 + 4);
    u16(0x0202);
    u16(4);
    u32(1);
    u32(quint32(thumb.size()));
    u32(0);
    tiff += thumb;
    const QByteArray segment = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray app1("\xff\xe1", 2);
    app1.append(char((segment.size() + 2) >> 8)).append(char((segment.size() + 2) & 255));
    return jpeg.left(2) + app1 + segment + jpeg.mid(2);
}

struct Run {
    double first = -1;
    double first10 = -1;
    double all = -1;
    double longestGap = 0;
    double selection = 0; // SelectFolder itself: the tree's levels down to the folder
    std::vector<double> firstCells; // when each of the first 10 cells came
};

Run Browse(const QString& folder, int files) {
    tsl::CImageBrowser browser;
    browser.show();
    QApplication::processEvents();
    Run run;
    int shown = 0;
    QElapsedTimer clock;
    QObject::connect(&browser, &tsl::CImageBrowser::thumbnailShown, [&] {
        ++shown;
        if (shown <= 10) run.firstCells.push_back(clock.nsecsElapsed() / 1e6);
        if (shown == 1) run.first = clock.nsecsElapsed() / 1e6;
        if (shown == std::min(10, files)) run.first10 = clock.nsecsElapsed() / 1e6;
    });
    // The event loop's heartbeat, every millisecond: the longest gap between two beats. A
    // sleeping loop, not a spinning one: spinning would take a core from the workers.
    QEventLoop loop;
    QElapsedTimer beat;
    QTimer heart;
    heart.setTimerType(Qt::PreciseTimer);
    heart.setInterval(1);
    QObject::connect(&heart, &QTimer::timeout, [&] {
        run.longestGap = std::max(run.longestGap, beat.nsecsElapsed() / 1e6);
        beat.restart();
        if (!browser.Building()) loop.quit();
    });
    QObject::connect(&browser, &tsl::CImageBrowser::thumbnailsFinished, &loop, &QEventLoop::quit);
    clock.start();
    beat.start();
    browser.SelectFolder(folder);
    run.selection = beat.nsecsElapsed() / 1e6;
    beat.restart();
    heart.start();
    if (browser.Building()) loop.exec();
    run.all = clock.nsecsElapsed() / 1e6;
    heart.stop();
    return run;
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir cache;
    ::setenv("XDG_CACHE_HOME", cache.path().toLocal8Bit().constData(), 1);
    QApplication app(argc, argv);
    const int files = EnvInt("TSL_BENCH_BROWSER_FILES", 100);
    const int megapixels = EnvInt("TSL_BENCH_BROWSER_MP", 24);
    const int height = int(std::sqrt(megapixels * 1e6 * 2 / 3));
    const int width = height * 3 / 2;

    QTemporaryDir pictures, cameraPictures;
    const QString folder = pictures.path(), cameraFolder = cameraPictures.path();
    {
        const QImage photo = Photo(width, height);
        const QByteArray jpeg = EncodeJpeg(photo), camera = WithExifThumbnail(jpeg, photo);
        for (int i = 0; i < files; ++i) {
            QFile plain(folder + QString::asprintf("/photo%03d.jpg", i));
            QFile withThumbnail(cameraFolder + QString::asprintf("/photo%03d.jpg", i));
            if (!plain.open(QIODevice::WriteOnly) || plain.write(jpeg) != jpeg.size() ||
                !withThumbnail.open(QIODevice::WriteOnly) || withThumbnail.write(camera) != camera.size())
                return 1;
        }
    }
    std::printf("%d JPEGs of %d x %d in one folder\n", files, width, height);

    // One file on this thread, without the cache: decode (DCT-scaled) and cell.
    double single = 1e9, singleDecode = 1e9;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer clock;
        clock.start();
        tsl::PreviewPicture picture;
        tsl::LoadPreviewImage(folder + "/photo000.jpg", QSize(128, 128), picture);
        singleDecode = std::min(singleDecode, clock.nsecsElapsed() / 1e6);
        tsl::ThumbnailCell(picture.image, QSize(picture.width, picture.height));
        single = std::min(single, clock.nsecsElapsed() / 1e6);
    }
    std::printf("one file, serial: %.1f ms (decode %.1f ms)\n", single, singleDecode);

    const Run cold = Browse(folder, files);
    const Run warm = Browse(folder, files);
    const Run camera = Browse(cameraFolder, files);

    double peer = -1;
    const QString vips = QStandardPaths::findExecutable("vipsthumbnail");
    if (!vips.isEmpty()) {
        QTemporaryDir out;
        QStringList arguments = {"--size", "100x75", "-o", out.path() + "/%s.jpg"};
        for (int i = 0; i < files; ++i) arguments << folder + QString::asprintf("/photo%03d.jpg", i);
        QElapsedTimer clock;
        clock.start();
        QProcess::execute(vips, arguments);
        peer = clock.nsecsElapsed() / 1e6;
    }

    std::printf("cold cache: first cell %.0f ms, first 10 cells %.0f ms (goal <= 300), all cells %.0f ms\n",
                cold.first, cold.first10, cold.all);
    std::printf("cold cache, the first 10 cells at (ms):");
    for (double t : cold.firstCells) std::printf(" %.0f", t);
    std::printf("\n");
    if (peer > 0)
        std::printf("vipsthumbnail --size 100x75, one process: %.0f ms; ratio %.2f x (goal <= 1.0)\n",
                    peer, cold.all / peer);
    else
        std::printf("vipsthumbnail not found (Debian: libvips-tools): no ratio\n");
    std::printf("warm cache: all cells %.0f ms (goal <= 200)\n", warm.all);
    std::printf("cold cache, camera files with an Exif thumbnail: first 10 cells %.0f ms (goal <= 300), "
                "all cells %.0f ms\n",
                camera.first10, camera.all);
    std::printf("longest event-loop gap while building: cold %.1f ms, warm %.1f ms (goal <= 50)\n",
                cold.longestGap, warm.longestGap);
    std::printf("the selection itself (filling the tree down to the folder): cold %.1f ms, warm %.1f ms\n",
                cold.selection, warm.selection);
    return 0;
}
