#pragma once
// Preview pictures loaded off the user-interface thread.
//
// A loader reads one file into a preview picture. It runs on a worker thread, so it must touch
// no widget; anything it reports is silenced (a preview fails quietly). Before it runs, a path
// that is not a regular file (a folder named "x.png", a FIFO, a device) fails without being
// opened, so nothing can block on it.
//
// CPreviewLoader hands each request to a worker and delivers the result on the thread it lives
// on through a queued call. The newest request wins: a result that a later request overtook is
// dropped, and a request still waiting for a worker when a later one comes is never started.
// A decode that is running is not waited for: the next request runs beside it.

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

class QThreadPool;

#include <functional>
#include <memory>

namespace tsl {

struct PreviewPicture {
    QImage image;          // the picture, scaled to fit the box it was asked for
    int width = 0;         // the file's own size and depth
    int height = 0;
    int bitsPerPixel = 0;
};

// Reads the file into out.image (any size; a loader may decode smaller when the box allows) and
// the file's own size and depth; false on failure.
using PreviewLoadFunction = std::function<bool(const QString& path, QSize fit, PreviewPicture& out)>;

// The picture's rectangle inside a box: the aspect ratio kept, the picture as large as the box
// allows (so its longer side, relative to the box, fills it), centred.
QRect FitRect(QSize picture, QSize box);

// Runs the loader for path as a worker must: regular files only (never opened otherwise),
// reports silenced, exceptions caught. The picture is left as the loader gave it.
bool LoadQuietly(const PreviewLoadFunction& load, const QString& path, QSize box,
                 PreviewPicture& out);

// LoadQuietly, then the picture scaled to FitRect(box).size(). False on failure.
bool LoadPreview(const PreviewLoadFunction& load, const QString& path, QSize box,
                 PreviewPicture& out);

// The workers that load previews and thumbnails for the whole process.
QThreadPool& PreviewWorkers();

class CPreviewLoader : public QObject {
    Q_OBJECT
public:
    explicit CPreviewLoader(PreviewLoadFunction load, QObject* parent = nullptr);
    ~CPreviewLoader() override;

    // Loads path to fit box; the result of any earlier request will not be delivered.
    void Request(const QString& path, QSize box);
    // Drops the pending request: nothing more is delivered until the next one.
    void Cancel();

signals:
    // The result of the latest request (ok false: the file could not be loaded).
    void loaded(const QString& path, const tsl::PreviewPicture& picture, bool ok);

private:
    struct Channel;
    void Deliver(quint64 generation, const QString& path, const PreviewPicture& picture, bool ok);

    PreviewLoadFunction m_load;
    std::shared_ptr<Channel> m_channel;
};

} // namespace tsl
