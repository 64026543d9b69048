#include "slideshow/SlideDecoder.h"

#include "codecs/CBmp.h"
#include "document/ImageFiles.h"

#include <QThreadPool>

#include <chrono>
#include <iterator>
#include <memory>

namespace tsl {

DecodedSlide CSlideDecoder::Decode(const QString& path) {
    DecodedSlide slide;
    CBmp holder;
    int bitsPerPixel = 0;
    slide.ok = TryLoadImageFile(path, holder, bitsPerPixel, slide.status);
    if (slide.ok) slide.image = holder.Bitmap();
    if (slide.ok && slide.image.isNull()) { // no memory for the screen's form
        slide.ok = false;
        slide.status = kOwnReaderFailed;
    }
    return slide;
}

void CSlideDecoder::Prefetch(const QString& path) {
    if (m_slides.count(path)) return;
    // A pool task with a promise: unlike std::async, dropping the future never waits for it.
    auto promise = std::make_shared<std::promise<DecodedSlide>>();
    m_slides[path] = promise->get_future().share();
    QThreadPool::globalInstance()->start([promise, path] { promise->set_value(Decode(path)); });
}

DecodedSlide CSlideDecoder::Take(const QString& path) {
    const auto found = m_slides.find(path);
    if (found == m_slides.end()) {
        DecodedSlide slide = Decode(path);
        std::promise<DecodedSlide> ready;
        ready.set_value(slide);
        m_slides[path] = ready.get_future().share();
        return slide;
    }
    return found->second.get();
}

bool CSlideDecoder::Ready(const QString& path) const {
    const auto found = m_slides.find(path);
    return found != m_slides.end() &&
           found->second.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

void CSlideDecoder::Retain(const QStringList& keep) {
    for (auto it = m_slides.begin(); it != m_slides.end();)
        it = keep.contains(it->first) ? std::next(it) : m_slides.erase(it);
}

} // namespace tsl
