#include "ui/PreviewLoad.h"

#include "core/Services.h"
#include "platform/FileNames.h"
#include "ui/WorkerChannel.h"

#include <QRect>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <exception>

namespace tsl {

// At least three workers, so that a new preview request finds one free even while two
// overtaken decodes of large files are still running. At exit the pool waits for a decode
// still running, before the libraries it uses go.
QThreadPool& PreviewWorkers() {
    static QThreadPool pool;
    static const bool configured = [] {
        pool.setMaxThreadCount(std::max(3, QThread::idealThreadCount()));
        pool.setExpiryTimeout(5000);
        return true;
    }();
    (void)configured;
    return pool;
}

QRect FitRect(QSize picture, QSize box) {
    if (picture.isEmpty() || box.isEmpty()) return {};
    QSize size = picture.scaled(box, Qt::KeepAspectRatio);
    size = size.expandedTo(QSize(1, 1));
    return {(box.width() - size.width()) / 2, (box.height() - size.height()) / 2, size.width(),
            size.height()};
}

bool LoadQuietly(const PreviewLoadFunction& load, const QString& path, QSize box,
                 PreviewPicture& out) {
    out = {};
    if (path.isEmpty() || !load || !IsRegularFile(path)) return false;
    CQuietReports quiet;
    try {
        if (load(path, box, out) && !out.image.isNull()) return true;
    } catch (const std::exception&) {
    }
    out = {};
    return false;
}

bool LoadPreview(const PreviewLoadFunction& load, const QString& path, QSize box,
                 PreviewPicture& out) {
    if (!LoadQuietly(load, path, box, out)) return false;
    try {
        const QRect target = FitRect(out.image.size(), box);
        if (target.isEmpty()) return false;
        if (target.size() != out.image.size()) {
            // Smooth when shrinking; enlarged small pictures keep their crisp pixels.
            const bool shrink = target.width() < out.image.width();
            out.image = out.image.scaled(target.size(), Qt::IgnoreAspectRatio,
                                         shrink ? Qt::SmoothTransformation
                                                : Qt::FastTransformation);
        }
        return !out.image.isNull();
    } catch (const std::exception&) {
        out = {};
        return false;
    }
}

// The number of the newest request, and the loader while it lives.
struct CPreviewLoader::Channel : CWorkerChannel<CPreviewLoader> {
    using CWorkerChannel::CWorkerChannel;
};

CPreviewLoader::CPreviewLoader(PreviewLoadFunction load, QObject* parent)
    : QObject(parent), m_load(std::move(load)), m_channel(std::make_shared<Channel>(this)) {}

CPreviewLoader::~CPreviewLoader() { m_channel->Detach(); }

void CPreviewLoader::Request(const QString& path, QSize box) {
    const quint64 generation = m_channel->Next();
    std::shared_ptr<Channel> channel = m_channel;
    PreviewLoadFunction load = m_load;
    PreviewWorkers().start([channel, generation, path, box, load] {
        if (!channel->IsCurrent(generation)) return; // overtaken while waiting
        PreviewPicture picture;
        const bool ok = LoadPreview(load, path, box, picture);
        channel->Post(generation, [generation, path, picture = std::move(picture),
                                   ok](CPreviewLoader* owner) {
            owner->Deliver(generation, path, picture, ok);
        });
    });
}

void CPreviewLoader::Cancel() { m_channel->Next(); }

void CPreviewLoader::Deliver(quint64 generation, const QString& path,
                             const PreviewPicture& picture, bool ok) {
    if (!m_channel->IsCurrent(generation)) return;
    emit loaded(path, picture, ok);
}

} // namespace tsl
