#include "codecs/CBmp.h"

#include "codecs/Bmp.h"
#include "codecs/Jpeg.h"

#include <QPainter>

#include <cstring>

namespace tsl {

QImage ImageFromDdb(const CDdb& bitmap) {
    if (bitmap.IsNull()) return {};
    if (bitmap.BitsPerPixel() != 32) {
        // Other depths go through a packed DIB, which decodes every depth.
        const PackedDib dib = MakePackedBitmap(bitmap, bitmap.Palette());
        const CDdb wide = MakeDeviceBitmap(dib);
        return wide.IsNull() ? QImage() : ImageFromDdb(wide);
    }
    QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_RGB32);
    if (image.isNull()) return {};
    const std::size_t row = static_cast<std::size_t>(bitmap.Width()) * 4;
    for (int y = 0; y < bitmap.Height(); ++y) {
        std::uint8_t* d = image.scanLine(bitmap.Height() - 1 - y);
        std::memcpy(d, bitmap.Row(y), row);
        for (std::size_t x = 3; x < row; x += 4) d[x] = 0xFF; // RGB32 keeps 0xFF there
    }
    return image;
}

CDdb DdbFromImage(const QImage& source) {
    if (source.isNull()) return {};
    const QImage image = source.format() == QImage::Format_RGB32
                             ? source
                             : source.convertToFormat(QImage::Format_RGB32);
    CDdb bitmap = CDdb::Create(image.width(), image.height(), 32);
    if (bitmap.IsNull()) return {};
    for (int y = 0; y < image.height(); ++y) {
        std::uint8_t* d = bitmap.Row(image.height() - 1 - y);
        std::memcpy(d, image.constScanLine(y), static_cast<std::size_t>(image.width()) * 4);
        for (int x = 3; x < image.width() * 4; x += 4) d[x] = 0;
    }
    return bitmap;
}

int CBmp::Load(const std::string& path) {
    Free();
    const std::string ext = UpperExtension(path);
    if (ext == "JPG" || ext == "JPEG") {
        // Decoded straight into the picture: no device bitmap in between.
        QImage image;
        const bool ok = ReadJpegRows(
            path,
            [&image](int width, int height) {
                image = QImage(width, height, QImage::Format_RGB32);
                return !image.isNull();
            },
            [&image](int y, const std::uint8_t* rgb) {
                auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < image.width(); ++x, rgb += 3) out[x] = qRgb(rgb[0], rgb[1], rgb[2]);
            });
        if (!ok) return 0;
        m_bitmap = std::move(image);
        return 1;
    }
    DecodedImage decoded;
    if (!ReadImageFile(path, decoded)) return 0;
    SetImage(decoded.bitmap, decoded.palette);
    if (m_bitmap.isNull()) return 0;
    if (decoded.transparent) {
        m_transparent = true;
        m_transparentColour = decoded.transparentColour;
    }
    return 1;
}

int CBmp::Save(const std::string& path, ScreenSize screen) const {
    if (m_bitmap.isNull()) return 0;
    return WriteImageFile(path, DdbFromImage(m_bitmap), m_palette, screen) ? 1 : 0;
}

void CBmp::SetImage(const CDdb& bitmap, const std::vector<RGBQUAD>& palette) {
    m_bitmap = ImageFromDdb(bitmap);
    m_palette = palette;
    m_mask = QImage();
}

void CBmp::SetTransparentColour(COLORREF colour) {
    if (colour != m_transparentColour) m_mask = QImage();
    m_transparentColour = colour;
}

void CBmp::Free() {
    m_bitmap = QImage();
    m_palette.clear();
    m_mask = QImage();
    m_transparent = false;
    m_transparentColour = 0;
}

void CBmp::Copy(CBmp& target) const {
    target.m_bitmap = m_bitmap;
    target.m_palette = m_palette;
    target.m_transparent = m_transparent;
    target.m_mask = QImage();
}

const QImage& CBmp::MaskImage() {
    if (m_mask.isNull()) {
        m_mask = m_bitmap.convertToFormat(QImage::Format_ARGB32);
        const QRgb key = qRgb(GetRValue(m_transparentColour), GetGValue(m_transparentColour),
                              GetBValue(m_transparentColour));
        for (int y = 0; y < m_mask.height(); ++y) {
            auto* p = reinterpret_cast<QRgb*>(m_mask.scanLine(y));
            for (int x = 0; x < m_mask.width(); ++x)
                if ((p[x] & 0xFFFFFF) == (key & 0xFFFFFF)) p[x] = 0;
        }
    }
    return m_mask;
}

int CBmp::Draw(QPainter& painter, int srcX, int srcY, int width, int height, int dstX, int dstY,
               bool stretch, bool /*realisePalette*/) {
    if (m_bitmap.isNull()) return 0;
    if (width == -1) width = m_bitmap.width();
    if (height == -1) height = m_bitmap.height();
    const QImage& source = m_transparent ? MaskImage() : m_bitmap;
    const QPainter::CompositionMode mode = painter.compositionMode();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (stretch)
        painter.drawImage(QRect(dstX, dstY, width, height), source, source.rect());
    else
        painter.drawImage(QPoint(dstX, dstY), source, QRect(srcX, srcY, width, height));
    painter.setCompositionMode(mode);
    return 1;
}

void CBmp::Tile(QPainter& painter, int left, int top, int right, int bottom, int xOffset,
                int yOffset) {
    const int w = Width(), h = Height();
    if (w <= 0 || h <= 0) return;
    for (int y = top - yOffset; y < bottom; y += h)
        for (int x = left - xOffset; x < right; x += w)
            Draw(painter, 0, 0, std::min(w, right - x), std::min(h, bottom - y), x, y);
}

} // namespace tsl
