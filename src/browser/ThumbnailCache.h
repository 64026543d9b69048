#pragma once
// The desktop's shared thumbnail cache ($XDG_CACHE_HOME/thumbnails, else ~/.cache/thumbnails):
// 128-pixel PNGs in normal/, named by the MD5 of the file's URI, carrying Thumb::URI and
// Thumb::MTime. An entry is used only when both match the file as it is now (any program's
// entry will do); a file that failed to load is remembered in fail/tessaly-<version>/ so it is
// not decoded again until it changes. Entries are written beside their final name and renamed,
// readable by the user only. Safe on worker threads.

#include <QImage>
#include <QSize>
#include <QString>

namespace tsl {

class CThumbnailCache {
public:
    static constexpr int kSize = 128;

    CThumbnailCache(); // the cache folder from the environment
    explicit CThumbnailCache(const QString& folder);

    static QString Uri(const QString& path);
    // The entry that would hold path's thumbnail, and the failure record.
    QString EntryPath(const QString& path) const;
    QString FailurePath(const QString& path) const;

    // The valid entry's picture and the file's own size (the entry's size when it does not say);
    // null when there is none.
    QImage Find(const QString& path, QSize& ownSize) const;
    bool HasFailed(const QString& path) const;
    // Writes the entry from a picture of the file (reduced to 128 on the long side).
    bool Store(const QString& path, const QImage& picture, QSize ownSize) const;
    bool StoreFailure(const QString& path) const;

private:
    QString m_folder;
};

} // namespace tsl
