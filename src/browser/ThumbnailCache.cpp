#include "browser/ThumbnailCache.h"

#include "platform/FileNames.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>

#include <sys/stat.h>
#include <unistd.h>

namespace tsl {
namespace {

QString CacheFolder() {
    QString base = qEnvironmentVariable("XDG_CACHE_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) base = QDir::homePath() + "/.cache";
    return base + QStringLiteral("/thumbnails");
}

QString Digest(const QString& uri) {
    return QString::fromLatin1(
        QCryptographicHash::hash(uri.toUtf8(), QCryptographicHash::Md5).toHex());
}

bool FileStat(const QString& path, struct stat& st) {
    return ::stat(EncodeFileName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

QString MTimeText(const struct stat& st) { return QString::number(qint64(st.st_mtime)); }

// Reads an entry's picture when its URI and MTime match the file now. The keys are taken from
// the decoded image: the reader's own text lookup splits keys at their first colon.
QImage ReadEntry(const QString& entry, const QString& uri, const struct stat& st, QSize* own) {
    QImageReader reader(entry, "png");
    QImage image = reader.read();
    if (image.isNull() || image.text(QStringLiteral("Thumb::URI")) != uri ||
        image.text(QStringLiteral("Thumb::MTime")) != MTimeText(st))
        return {};
    if (!own) return image;
    bool okW = false, okH = false;
    const int w = image.text(QStringLiteral("Thumb::Image::Width")).toInt(&okW);
    const int h = image.text(QStringLiteral("Thumb::Image::Height")).toInt(&okH);
    *own = okW && okH && w > 0 && h > 0 ? QSize(w, h) : image.size();
    return image;
}

bool WriteEntry(const QString& entry, QImage image, const QString& uri, const struct stat& st,
                QSize own) {
    const QFileInfo info(entry);
    if (!QDir().mkpath(info.absolutePath())) return false;
    ::chmod(QFile::encodeName(info.absolutePath()).constData(), 0700);
    image.setText(QStringLiteral("Thumb::URI"), uri);
    image.setText(QStringLiteral("Thumb::MTime"), MTimeText(st));
    image.setText(QStringLiteral("Thumb::Size"), QString::number(qint64(st.st_size)));
    if (own.isValid()) {
        image.setText(QStringLiteral("Thumb::Image::Width"), QString::number(own.width()));
        image.setText(QStringLiteral("Thumb::Image::Height"), QString::number(own.height()));
    }
    image.setText(QStringLiteral("Software"), QStringLiteral("Tessaly"));
    // Beside the final name, then renamed: a reader never sees half an entry.
    const QString temp = entry + QStringLiteral(".%1.tmp").arg(::getpid());
    {
        QFile file(temp);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QImageWriter writer(&file, "png");
        if (!writer.write(image) || !file.flush()) {
            file.close();
            QFile::remove(temp);
            return false;
        }
    }
    if (::rename(QFile::encodeName(temp).constData(), QFile::encodeName(entry).constData()) != 0) {
        QFile::remove(temp);
        return false;
    }
    return true;
}

} // namespace

CThumbnailCache::CThumbnailCache() : m_folder(CacheFolder()) {}
CThumbnailCache::CThumbnailCache(const QString& folder) : m_folder(folder) {}

QString CThumbnailCache::Uri(const QString& path) {
    return QString::fromLatin1(FileUri(AbsoluteFilePath(path)));
}

QString CThumbnailCache::EntryPath(const QString& path) const {
    return m_folder + QStringLiteral("/normal/") + Digest(Uri(path)) + QStringLiteral(".png");
}

QString CThumbnailCache::FailurePath(const QString& path) const {
    return m_folder + QStringLiteral("/fail/tessaly-" TSL_VERSION "/") + Digest(Uri(path)) +
           QStringLiteral(".png");
}

QImage CThumbnailCache::Find(const QString& path, QSize& ownSize) const {
    struct stat st {};
    if (!FileStat(path, st)) return {};
    // The cache's own files are never thumbnailed from the cache.
    if (AbsoluteFilePath(path).startsWith(m_folder + QLatin1Char('/'))) return {};
    return ReadEntry(EntryPath(path), Uri(path), st, &ownSize);
}

bool CThumbnailCache::HasFailed(const QString& path) const {
    struct stat st {};
    return FileStat(path, st) && !ReadEntry(FailurePath(path), Uri(path), st, nullptr).isNull();
}

bool CThumbnailCache::Store(const QString& path, const QImage& picture, QSize ownSize) const {
    struct stat st {};
    if (picture.isNull() || !FileStat(path, st)) return false;
    if (AbsoluteFilePath(path).startsWith(m_folder + QLatin1Char('/'))) return false;
    QImage image = picture;
    if (image.width() > kSize || image.height() > kSize)
        image = image.scaled(kSize, kSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (image.format() != QImage::Format_ARGB32) image = image.convertToFormat(QImage::Format_RGB32);
    return WriteEntry(EntryPath(path), image, Uri(path), st, ownSize);
}

bool CThumbnailCache::StoreFailure(const QString& path) const {
    struct stat st {};
    if (!FileStat(path, st)) return false;
    QImage mark(1, 1, QImage::Format_ARGB32);
    mark.fill(Qt::transparent);
    return WriteEntry(FailurePath(path), mark, Uri(path), st, {});
}

} // namespace tsl
