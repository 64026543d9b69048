#include "codecs/JpegExif.h"

#include <cstring>

namespace tsl {
namespace {

// The Exif segment's TIFF structure, read in its own byte order with every read bounded.
class TiffReader {
public:
    explicit TiffReader(std::span<const std::uint8_t> tiff) : m_tiff(tiff) {
        m_ok = tiff.size() >= 8 && ((tiff[0] == 'I' && tiff[1] == 'I') || (tiff[0] == 'M' && tiff[1] == 'M'));
        m_little = m_ok && tiff[0] == 'I';
        m_ok = m_ok && U16(2) == 42;
    }
    bool Ok() const { return m_ok; }
    bool Has(std::uint64_t offset, std::uint64_t size) const {
        return offset <= m_tiff.size() && size <= m_tiff.size() - offset;
    }
    std::uint32_t U16(std::uint64_t at) const {
        if (!Has(at, 2)) return 0;
        const std::uint32_t a = m_tiff[at], b = m_tiff[at + 1];
        return m_little ? a | b << 8 : a << 8 | b;
    }
    std::uint32_t U32(std::uint64_t at) const {
        if (!Has(at, 4)) return 0;
        const std::uint32_t lo = U16(m_little ? at : at + 2), hi = U16(m_little ? at + 2 : at);
        return lo | hi << 16;
    }
    std::span<const std::uint8_t> Bytes() const { return m_tiff; }

private:
    std::span<const std::uint8_t> m_tiff;
    bool m_ok = false;
    bool m_little = true;
};

std::span<const std::uint8_t> ExifThumbnail(std::span<const std::uint8_t> segment) {
    static constexpr std::uint8_t kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (segment.size() < 6 || std::memcmp(segment.data(), kExif, 6) != 0) return {};
    const TiffReader tiff(segment.subspan(6));
    if (!tiff.Ok()) return {};
    const std::uint32_t ifd0 = tiff.U32(4);
    if (!tiff.Has(ifd0, 2)) return {};
    const std::uint64_t ifd1Link = ifd0 + 2 + 12ull * tiff.U16(ifd0);
    const std::uint32_t ifd1 = tiff.U32(ifd1Link);
    if (ifd1 == 0 || ifd1 == ifd0 || !tiff.Has(ifd1, 2)) return {};
    std::uint32_t offset = 0, length = 0;
    const std::uint32_t count = tiff.U16(ifd1);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t entry = ifd1 + 2 + 12ull * i;
        if (!tiff.Has(entry, 12)) return {};
        const std::uint32_t tag = tiff.U16(entry);
        if (tag == 0x0201) offset = tiff.U32(entry + 8);
        if (tag == 0x0202) length = tiff.U32(entry + 8);
    }
    if (length < 4 || !tiff.Has(offset, length)) return {};
    std::span<const std::uint8_t> thumbnail = tiff.Bytes().subspan(offset, length);
    if (thumbnail[0] != 0xFF || thumbnail[1] != 0xD8) return {};
    return thumbnail;
}

} // namespace

JpegMarkers ScanJpegMarkers(std::span<const std::uint8_t> bytes) {
    JpegMarkers markers;
    if (bytes.size() < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8) return markers;
    std::size_t at = 2;
    while (at + 4 <= bytes.size()) {
        if (bytes[at] != 0xFF) return markers;
        const std::uint8_t marker = bytes[at + 1];
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
            at += 2;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) return markers; // the first scan: no more headers
        const std::size_t length = std::size_t{bytes[at + 2]} << 8 | bytes[at + 3];
        if (length < 2 || length > bytes.size() - at - 2) return markers;
        const std::span<const std::uint8_t> segment = bytes.subspan(at + 4, length - 2);
        if (marker == 0xE1 && markers.exifThumbnail.empty()) markers.exifThumbnail = ExifThumbnail(segment);
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
                           marker != 0xCC;
        if (frame && segment.size() >= 5) {
            markers.height = segment[1] << 8 | segment[2];
            markers.width = segment[3] << 8 | segment[4];
        }
        at += 2 + length;
    }
    return markers;
}

} // namespace tsl
