#include "capture/SaneFrames.h"

#include "core/Dib.h"

#include <algorithm>
#include <cstring>

namespace tsl {
namespace {

constexpr std::size_t kFirstReserve = std::size_t{16} << 20; // grown as data arrives past it

int Channels(int format) { return format == int(SaneFrame::Rgb) ? 3 : 1; }

// One sample at index i of a row, reduced to 8 bits.
std::uint8_t Sample(const std::uint8_t* row, int depth, int i) {
    switch (depth) {
    case 1: return (row[i >> 3] >> (7 - (i & 7))) & 1 ? 255 : 0;
    case 16: {
        std::uint16_t v; // host byte order, as SANE delivers it
        std::memcpy(&v, row + 2 * static_cast<std::size_t>(i), 2);
        return static_cast<std::uint8_t>(v >> 8);
    }
    default: return row[i];
    }
}

} // namespace

CSanePage::Result CSanePage::BeginFrame(const SaneFrameParams& p) {
    if (m_inFrame || Complete()) return kBadParameters;
    if (p.format < 0 || p.format > int(SaneFrame::Blue)) return kBadParameters;
    if (p.depth != 1 && p.depth != 8 && p.depth != 16) return kBadParameters;
    if (p.pixelsPerLine < 1 || p.lines < -1 || p.lines == 0 || p.bytesPerLine < 1)
        return kBadParameters;
    const std::uint64_t width = static_cast<std::uint64_t>(p.pixelsPerLine);
    if (width > kPixelLimit) return kTooLarge;
    const std::uint64_t needed = (width * Channels(p.format) * p.depth + 7) / 8;
    if (static_cast<std::uint64_t>(p.bytesPerLine) < needed) return kBadParameters;
    // Padding past a few samples per line is no frame SANE defines.
    if (static_cast<std::uint64_t>(p.bytesPerLine) > needed + 64) return kBadParameters;
    if (p.lines > 0 && width * static_cast<std::uint64_t>(p.lines) > kPixelLimit) return kTooLarge;

    const bool plane = p.format >= int(SaneFrame::Red);
    if (m_haveSingle) return kBadParameters;
    if (plane) {
        if (m_havePlane[p.format - int(SaneFrame::Red)]) return kBadParameters;
        const bool any = m_havePlane[0] || m_havePlane[1] || m_havePlane[2];
        if (any && (p.pixelsPerLine != m_width || p.depth != m_depth ||
                    p.bytesPerLine != m_bytesPerLine ||
                    (p.lines > 0 && m_rows != p.lines)))
            return kBadParameters;
    } else if (m_havePlane[0] || m_havePlane[1] || m_havePlane[2]) {
        return kBadParameters;
    }
    m_params = p;
    m_width = p.pixelsPerLine;
    m_depth = p.depth;
    m_bytesPerLine = p.bytesPerLine;
    m_data.clear();
    const std::uint64_t claim = p.lines > 0 ? static_cast<std::uint64_t>(p.bytesPerLine) * p.lines : 0;
    m_data.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(claim, kFirstReserve)));
    m_inFrame = true;
    return kOk;
}

std::uint64_t CSanePage::BytesExpected() const {
    return m_params.lines > 0 ? static_cast<std::uint64_t>(m_params.bytesPerLine) * m_params.lines : 0;
}

CSanePage::Result CSanePage::Append(const std::uint8_t* data, std::size_t size) {
    if (!m_inFrame) return kBadParameters;
    const std::uint64_t total = m_data.size() + static_cast<std::uint64_t>(size);
    if (m_params.lines > 0) {
        if (total > BytesExpected()) return kTooLarge;
    } else {
        const std::uint64_t rows = total / static_cast<std::uint64_t>(m_params.bytesPerLine) + 1;
        if (rows * static_cast<std::uint64_t>(m_width) > kPixelLimit) return kTooLarge;
    }
    m_data.insert(m_data.end(), data, data + size);
    return kOk;
}

CSanePage::Result CSanePage::EndFrame() {
    if (!m_inFrame) return kBadParameters;
    m_inFrame = false;
    const std::size_t rows = m_data.size() / static_cast<std::size_t>(m_bytesPerLine);
    if (rows == 0 || (m_params.lines > 0 && rows < static_cast<std::size_t>(m_params.lines))) {
        m_data.clear();
        return kIncomplete;
    }
    const int frameRows = static_cast<int>(rows);
    const bool plane = m_params.format >= int(SaneFrame::Red);
    const bool firstPlane = !(m_havePlane[0] || m_havePlane[1] || m_havePlane[2]);
    m_rows = plane && !firstPlane ? std::min(m_rows, frameRows) : frameRows;
    m_data.resize(rows * static_cast<std::size_t>(m_bytesPerLine)); // a partial last line is dropped
    if (plane) {
        m_planes[m_params.format - int(SaneFrame::Red)] = std::move(m_data);
        m_havePlane[m_params.format - int(SaneFrame::Red)] = true;
    } else {
        m_single = std::move(m_data);
        m_haveSingle = true;
        m_isRgb = m_params.format == int(SaneFrame::Rgb);
    }
    m_data = {};
    if (m_params.lastFrame) m_lastSeen = true;
    return kOk;
}

bool CSanePage::Complete() const {
    if (m_inFrame) return false;
    if (m_haveSingle) return true;
    // Three-pass: all three colours, whatever the order; the last-frame flag only ends the page.
    return m_havePlane[0] && m_havePlane[1] && m_havePlane[2] && m_lastSeen;
}

QImage CSanePage::Image(double dpi) const {
    if (!Complete()) return {};
    QImage image(m_width, m_rows, QImage::Format_RGB32);
    if (image.isNull()) return {};
    const std::size_t bpl = static_cast<std::size_t>(m_bytesPerLine);
    for (int y = 0; y < m_rows; ++y) {
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        const std::size_t at = static_cast<std::size_t>(y) * bpl;
        if (m_haveSingle && m_isRgb) {
            const std::uint8_t* row = m_single.data() + at;
            for (int x = 0; x < m_width; ++x)
                out[x] = qRgb(Sample(row, m_depth, 3 * x), Sample(row, m_depth, 3 * x + 1),
                              Sample(row, m_depth, 3 * x + 2));
        } else if (m_haveSingle) {
            const std::uint8_t* row = m_single.data() + at;
            for (int x = 0; x < m_width; ++x) {
                std::uint8_t v = Sample(row, m_depth, x);
                if (m_depth == 1) v = static_cast<std::uint8_t>(255 - v);
                out[x] = qRgb(v, v, v);
            }
        } else {
            const std::uint8_t* r = m_planes[0].data() + at;
            const std::uint8_t* g = m_planes[1].data() + at;
            const std::uint8_t* b = m_planes[2].data() + at;
            for (int x = 0; x < m_width; ++x)
                out[x] = qRgb(Sample(r, m_depth, x), Sample(g, m_depth, x), Sample(b, m_depth, x));
        }
    }
    if (dpi > 0) {
        const int dpm = static_cast<int>(dpi / 0.0254 + 0.5);
        image.setDotsPerMeterX(dpm);
        image.setDotsPerMeterY(dpm);
    }
    return image;
}

} // namespace tsl
