#pragma once
// CSlideDecoder: the player's pictures, decoded ahead on a worker so that the next slide is
// ready when it is asked for. Each picture is read with the image loader (the program's own
// readers or the imaging layer, by extension) and turned into the screen's RGB32 form on the
// worker; the player keeps the slides around the current one and lets the rest go.

#include <QImage>
#include <QString>
#include <QStringList>

#include <future>
#include <map>

namespace tsl {

struct DecodedSlide {
    QImage image; // null when the load failed
    bool ok = false;
    int status = 0; // after a failure: what the loader reports (0: nothing to report)
};

class CSlideDecoder {
public:
    CSlideDecoder() = default;
    CSlideDecoder(const CSlideDecoder&) = delete;
    CSlideDecoder& operator=(const CSlideDecoder&) = delete;

    // Starts decoding path on a worker unless it is held or under way.
    void Prefetch(const QString& path);
    // The picture of path: held, awaited, or decoded now.
    DecodedSlide Take(const QString& path);
    // Lets go of every picture but those of keep (work under way finishes on its own).
    void Retain(const QStringList& keep);
    bool Holds(const QString& path) const { return m_slides.count(path) != 0; }
    // Held and decoded: Take returns at once.
    bool Ready(const QString& path) const;

    static DecodedSlide Decode(const QString& path);

private:
    std::map<QString, std::shared_future<DecodedSlide>> m_slides;
};

} // namespace tsl
