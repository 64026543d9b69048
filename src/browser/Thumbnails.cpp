#include "browser/Thumbnails.h"

#include "browser/ThumbnailCache.h"
#include "core/Extensions.h"
#include "document/ImageFiles.h"
#include "platform/FileNames.h"
#include "ui/PreviewLoad.h"
#include "ui/WorkerChannel.h"

#include <QPainter>
#include <QThreadPool>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <exception>

namespace tsl {

QStringList ListImageFiles(const QString& folder) {
    QStringList names = FolderEntryNames(folder, FolderEntryKind::PlainFiles);
    names.removeIf([](const QString& name) { return !IsImageFile(EncodeFileName(name).toStdString()); });
    std::sort(names.begin(), names.end(), FileNameLess);
    return names;
}

QImage ThumbnailCell(const QImage& picture, QSize ownSize) {
    QImage cell(kThumbWidth, kThumbHeight, QImage::Format_RGB32);
    cell.fill(Qt::white);
    if (picture.isNull() || ownSize.isEmpty()) return cell;
    const QRect fit = FitRect(ownSize, QSize(kThumbWidth, kThumbHeight));
    QPainter painter(&cell);
    if (ownSize.width() > fit.width() || ownSize.height() > fit.height()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        // A smooth reduction first: the painter's own filter samples too few pixels.
        painter.drawImage(fit.topLeft(), picture.scaled(fit.size(), Qt::IgnoreAspectRatio,
                                                        Qt::SmoothTransformation));
    } else {
        painter.drawImage(QPoint((kThumbWidth - ownSize.width()) / 2,
                                 (kThumbHeight - ownSize.height()) / 2),
                          picture.size() == ownSize ? picture : picture.scaled(ownSize));
    }
    return cell;
}

ThumbnailWork PrepareThumbnail(const QString& path) {
    const CThumbnailCache cache;
    QSize ownSize;
    const QImage cached = cache.Find(path, ownSize);
    if (!cached.isNull()) return {ThumbnailCell(cached, ownSize), {}};
    if (cache.HasFailed(path)) return {};
    PreviewPicture loaded;
    // At least the cache's size on the long side: the entry written serves other programs.
    const QSize box(CThumbnailCache::kSize, CThumbnailCache::kSize);
    if (!LoadQuietly(&LoadPreviewImage, path, box, loaded))
        return {QImage(), [cache, path] { cache.StoreFailure(path); }};
    ownSize = QSize(loaded.width, loaded.height);
    return {ThumbnailCell(loaded.image, ownSize),
            [cache, path, picture = loaded.image, ownSize] { cache.Store(path, picture, ownSize); }};
}

QImage BuildThumbnail(const QString& path) {
    ThumbnailWork work = PrepareThumbnail(path);
    if (work.store) work.store();
    return work.cell;
}

// The number of the current folder's work, and the builder while it lives.
struct CThumbnailBuilder::Channel : CWorkerChannel<CThumbnailBuilder> {
    using CWorkerChannel::CWorkerChannel;
};

CThumbnailBuilder::CThumbnailBuilder(ThumbnailFunction build, QObject* parent)
    : QObject(parent), m_build(std::move(build)), m_channel(std::make_shared<Channel>(this)) {}

CThumbnailBuilder::~CThumbnailBuilder() { m_channel->Detach(); }

void CThumbnailBuilder::Cancel() {
    m_channel->Next();
    m_listing = false;
    m_names.clear();
    m_queued.clear();
    m_nextQueued = 0;
    m_running = 0;
    m_outstanding = 0;
}

void CThumbnailBuilder::List(const QString& folder) {
    Cancel();
    m_listing = true;
    const quint64 generation = m_channel->Generation();
    std::shared_ptr<Channel> channel = m_channel;
    PreviewWorkers().start([channel, generation, folder] {
        if (!channel->IsCurrent(generation)) return;
        channel->Post(generation, [generation, folder, names = ListImageFiles(folder)](
                                      CThumbnailBuilder* owner) {
            owner->DeliverList(generation, folder, names);
        });
    });
}

void CThumbnailBuilder::DeliverList(quint64 generation, const QString& folder,
                                    const QStringList& names) {
    if (!m_channel->IsCurrent(generation)) return;
    m_listing = false;
    emit listed(folder, names);
}

void CThumbnailBuilder::Start(const QString& folder, const QStringList& names) {
    Cancel();
    m_folder = folder;
    m_names = names;
    m_queued.assign(static_cast<std::size_t>(names.size()), true);
    m_outstanding = static_cast<int>(names.size());
    Pump();
    if (m_outstanding == 0) emit finished();
}

void CThumbnailBuilder::SetVisible(int first, int last) {
    m_visibleFirst = first;
    m_visibleLast = last;
}

void CThumbnailBuilder::Pump() {
    // Leave one worker of the shared pool to the previews of the file dialogs.
    const int width = std::max(1, PreviewWorkers().maxThreadCount() - 1);
    const int count = static_cast<int>(m_queued.size());
    while (m_running < width) {
        int index = -1;
        for (int i = std::max(0, m_visibleFirst); i <= m_visibleLast && i < count; ++i)
            if (m_queued[static_cast<std::size_t>(i)]) {
                index = i;
                break;
            }
        while (index < 0 && m_nextQueued < count) {
            if (m_queued[static_cast<std::size_t>(m_nextQueued)]) index = m_nextQueued;
            ++m_nextQueued;
        }
        if (index < 0) return;
        m_queued[static_cast<std::size_t>(index)] = false;
        ++m_running;
        const quint64 generation = m_channel->Generation();
        std::shared_ptr<Channel> channel = m_channel;
        const QString path = m_folder + QLatin1Char('/') + m_names[index];
        ThumbnailFunction build = m_build;
        PreviewWorkers().start([channel, generation, index, path, build] {
            if (!channel->IsCurrent(generation)) return; // another folder since
            ThumbnailWork work;
            try {
                work = build ? ThumbnailWork{build(path), {}} : PrepareThumbnail(path);
            } catch (const std::exception&) { // out of memory for one file: no thumbnail
                work = {};
            }
            channel->Post(generation, [generation, index, cell = std::move(work.cell)](
                                          CThumbnailBuilder* owner) {
                owner->Deliver(generation, index, cell);
            });
            // The cache entry after the cell: the window does not wait for the disk.
            try {
                if (work.store) work.store();
            } catch (const std::exception&) {
            }
        });
    }
}

void CThumbnailBuilder::Deliver(quint64 generation, int index, const QImage& cell) {
    if (!m_channel->IsCurrent(generation)) return;
    --m_running;
    --m_outstanding;
    Pump();
    emit built(index, cell);
    if (m_outstanding == 0) emit finished();
}

} // namespace tsl
