#pragma once
// Thumbnails of the image browser: listing a folder's image files, drawing one 100 x 75 cell,
// and building the cells of a folder on the preview workers.
//
// CThumbnailBuilder takes the file entries of one folder and builds their cells off the
// user-interface thread, one task per file, a few at a time, the entries the view shows first.
// Each result comes back on the builder's thread through a queued call, with the entry's index.
// Start or Cancel drops what is still queued for the previous folder; a result of an earlier
// folder is never delivered.

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace tsl {

inline constexpr int kThumbWidth = 100;
inline constexpr int kThumbHeight = 75;


// The plain files of folder (no directories, FIFOs or devices) that count as images by their
// extension, sorted by name ignoring case (ties by exact name). Empty when it cannot be read.
QStringList ListImageFiles(const QString& folder);

// The 100 x 75 cell of a picture of the given own size: white, the picture stretched into its
// fit rectangle when larger than it, else drawn at its own size in the middle of the cell.
// picture may already be reduced (a scaled decode); its own size decides the placement.
QImage ThumbnailCell(const QImage& picture, QSize ownSize);

// A file's cell from the desktop's thumbnail cache or its decoded picture, quietly (a null
// cell when it does not load), and the cache entry still to be written for a decoded picture
// (empty when there is none): the builder writes it after the cell is on its way to the
// window. Safe on a worker thread.
struct ThumbnailWork {
    QImage cell;
    std::function<void()> store;
};
ThumbnailWork PrepareThumbnail(const QString& path);

// PrepareThumbnail with its cache entry written at once.
using ThumbnailFunction = std::function<QImage(const QString& path)>;
QImage BuildThumbnail(const QString& path);

class CThumbnailBuilder : public QObject {
    Q_OBJECT
public:
    // build: how a file becomes its cell; none: PrepareThumbnail, its cache entry written
    // after the cell is delivered.
    explicit CThumbnailBuilder(ThumbnailFunction build = {}, QObject* parent = nullptr);
    ~CThumbnailBuilder() override;

    // Lists folder's image files on a worker (a slow or hung file system never holds up the
    // window) and reports them through listed; the earlier folder's work is dropped.
    void List(const QString& folder);
    bool Listing() const { return m_listing; }
    // Builds the cells of folder + "/" + each name; the earlier folder's work is dropped.
    void Start(const QString& folder, const QStringList& names);
    void Cancel();
    // Which entries the view shows now: they are built before the others.
    void SetVisible(int first, int last);
    // Entries not yet delivered.
    int Pending() const { return m_outstanding; }

signals:
    void listed(const QString& folder, const QStringList& names);
    // The cell of entry index, or a null image when its file did not load.
    void built(int index, const QImage& cell);
    void finished();

private:
    struct Channel;
    void Pump();
    void Deliver(quint64 generation, int index, const QImage& cell);
    void DeliverList(quint64 generation, const QString& folder, const QStringList& names);

    ThumbnailFunction m_build;
    std::shared_ptr<Channel> m_channel;
    QString m_folder;
    QStringList m_names;
    std::vector<bool> m_queued; // still to be started
    int m_nextQueued = 0;       // no queued entry below this
    int m_running = 0;
    int m_outstanding = 0;
    bool m_listing = false;
    int m_visibleFirst = 0;
    int m_visibleLast = -1;
};

} // namespace tsl
