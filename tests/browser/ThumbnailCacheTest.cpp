// The desktop's thumbnail cache in the test's private XDG_CACHE_HOME.

#include "browser/ThumbnailCache.h"
#include "browser/Thumbnails.h"
#include "support/TestEnvironment.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QUrl>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <utime.h>

namespace tsl {
namespace {

struct ThumbnailCacheTest : testing::Test {
    QString dir = test::MakeTempFolder(QStringLiteral("cache pictures"));
    QString cacheRoot = qEnvironmentVariable("XDG_CACHE_HOME") + "/thumbnails";

    QString Picture(const QString& name, int w, int h, QRgb colour) {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = dir + "/" + name;
        EXPECT_TRUE(image.save(path, "PNG"));
        return path;
    }
    static qint64 MTime(const QString& path) {
        struct stat st {};
        ::stat(path.toLocal8Bit().constData(), &st);
        return st.st_mtime;
    }
    static void SetMTime(const QString& path, qint64 when) {
        const struct utimbuf times = {static_cast<time_t>(when), static_cast<time_t>(when)};
        ::utime(path.toLocal8Bit().constData(), &times);
    }
};

TEST_F(ThumbnailCacheTest, WritesAnEntryNamedByTheUrisDigest) {
    const QString path = Picture("big #1.png", 400, 300, qRgb(10, 20, 30));
    const QImage cell = BuildThumbnail(path);
    ASSERT_FALSE(cell.isNull());
    const QString uri = QString::fromLatin1(QUrl::fromLocalFile(path).toEncoded());
    EXPECT_TRUE(uri.startsWith("file:///"));
    EXPECT_TRUE(uri.contains("%20%231.png"));
    const QString entry = cacheRoot + "/normal/" +
        QCryptographicHash::hash(uri.toUtf8(), QCryptographicHash::Md5).toHex() + ".png";
    ASSERT_TRUE(QFile::exists(entry));
    const QImage stored(entry);
    EXPECT_EQ(stored.text("Thumb::URI"), uri);
    EXPECT_EQ(stored.text("Thumb::MTime"), QString::number(MTime(path)));
    EXPECT_EQ(stored.text("Thumb::Image::Width"), "400");
    EXPECT_EQ(stored.text("Thumb::Image::Height"), "300");
    EXPECT_EQ(stored.size(), QSize(128, 96));
    EXPECT_EQ(QFileInfo(entry).permissions() & (QFile::ReadOther | QFile::ReadGroup), 0);
}

TEST_F(ThumbnailCacheTest, AValidForeignEntryIsUsedWithoutDecoding) {
    // The file itself does not decode: only the entry can give its picture.
    const QString path = dir + "/photo.png";
    test::WriteFile(path, "not decodable");
    CThumbnailCache cache;
    QImage foreign(128, 64, QImage::Format_RGB32);
    foreign.fill(qRgb(250, 0, 0));
    foreign.setText("Thumb::URI", CThumbnailCache::Uri(path));
    foreign.setText("Thumb::MTime", QString::number(MTime(path)));
    QDir().mkpath(cacheRoot + "/normal");
    ASSERT_TRUE(foreign.save(cache.EntryPath(path), "PNG"));
    const QImage cell = BuildThumbnail(path);
    ASSERT_FALSE(cell.isNull());
    EXPECT_EQ(cell.pixel(50, 37), qRgb(250, 0, 0)); // 100 x 50 at (0, 12)
    EXPECT_EQ(cell.pixel(50, 5), qRgb(255, 255, 255));
}

TEST_F(ThumbnailCacheTest, ATouchedFileGetsANewThumbnail) {
    const QString path = Picture("p.png", 40, 20, qRgb(0, 0, 200));
    ASSERT_EQ(BuildThumbnail(path).pixel(50, 37), qRgb(0, 0, 200));
    // New pixels with a new time: the stale entry is never used, and is replaced.
    const qint64 before = MTime(path);
    Picture("p.png", 40, 20, qRgb(0, 200, 0));
    SetMTime(path, before + 10);
    EXPECT_EQ(BuildThumbnail(path).pixel(50, 37), qRgb(0, 200, 0));
    const QImage stored(CThumbnailCache().EntryPath(path));
    EXPECT_EQ(stored.text("Thumb::MTime"), QString::number(before + 10));
    // A small picture keeps its own size in the cache and in the cell.
    EXPECT_EQ(stored.size(), QSize(40, 20));
    EXPECT_EQ(BuildThumbnail(path).pixel(29, 27), qRgb(255, 255, 255));
}

TEST_F(ThumbnailCacheTest, AFailureIsRecordedAndNotRetriedUntilTheFileChanges) {
    const QString path = dir + "/bad.png";
    test::WriteFile(path, "broken");
    const qint64 when = MTime(path);
    EXPECT_TRUE(BuildThumbnail(path).isNull());
    CThumbnailCache cache;
    ASSERT_TRUE(QFile::exists(cache.FailurePath(path)));
    EXPECT_TRUE(cache.FailurePath(path).contains("/fail/tessaly-"));
    // Good pixels behind the same time: still the recorded failure.
    QImage good(8, 8, QImage::Format_RGB32);
    good.fill(qRgb(1, 2, 3));
    ASSERT_TRUE(good.save(path, "PNG"));
    SetMTime(path, when);
    EXPECT_TRUE(BuildThumbnail(path).isNull());
    SetMTime(path, when + 5);
    EXPECT_EQ(BuildThumbnail(path).pixel(50, 37), qRgb(1, 2, 3));
}

} // namespace
} // namespace tsl
