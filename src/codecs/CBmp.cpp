#include "codecs/CBmp.h"

#include "codecs/Bmp.h"

#include <QPainter>

#include <cstring>

namespace tsl {

CDdb ScreenDdb(CDdb bitmap) {
    if (bitmap.IsNull() || bitmap.BitsPerPixel() == 32) return bitmap;
    // Other depths go through a packed DIB, which decodes every depth.
    return MakeDeviceBitmap(MakePackedBitmap(bitmap, bitmap.Palette()));
}

QImage ImageFromDdb(const CDdb& bitmap) {
    if (bitmap.IsNull()) return {};
    if (bitmap.BitsPerPixel() != 32) {
        const CDdb wide = ScreenDdb(bitmap);
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
    DecodedImage decoded;
    if (!ReadImageFile(path, decoded) || decoded.bitmap.IsNull()) return 0;
    SetImage(std::move(decoded.bitmap), std::move(decoded.palette));
    if (decoded.transparent) {
        m_transparent = true;
        m_transparentColour = decoded.transparentColour;
    }
    return 1;
}

int CBmp::Save(const std::string& path, ScreenSize screen) const {
    if (IsNull()) return 0;
    // Written from the screen's 32 bits, as the picture is drawn.
    const bool ok = m_ddb.BitsPerPixel() == 32
                        ? WriteImageFile(path, m_ddb, m_palette, screen)
                        : WriteImageFile(path, ScreenDdb(m_ddb), m_palette, screen);
    return ok ? 1 : 0;
}

void CBmp::SetImage(CDdb bitmap, std::vector<RGBQUAD> palette) {
    m_ddb = std::move(bitmap);
    m_bitmap = QImage();
    m_palette = std::move(palette);
    m_mask = QImage();
}

const QImage& CBmp::Bitmap() const {
    if (m_bitmap.isNull() && !m_ddb.IsNull()) m_bitmap = ImageFromDdb(m_ddb);
    return m_bitmap;
}

CDdb CBmp::TakeBitmap() {
    CDdb out = std::move(m_ddb);
    Free();
    return out;
}

void CBmp::SetTransparentColour(COLORREF colour) {
    if (colour != m_transparentColour) m_mask = QImage();
    m_transparentColour = colour;
}

void CBmp::Free() {
    m_ddb = CDdb();
    m_bitmap = QImage();
    m_palette.clear();
    m_mask = QImage();
    m_transparent = false;
    m_transparentColour = 0;
}

void CBmp::Copy(CBmp& target) const {
    target.m_ddb = m_ddb;
    target.m_bitmap = m_bitmap;
    target.m_palette = m_palette;
    target.m_transparent = m_transparent;
    target.m_mask = QImage();
}

const QImage& CBmp::MaskImage() {
    if (m_mask.isNull()) {
        m_mask = Bitmap().convertToFormat(QImage::Format_ARGB32);
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
    const QImage& picture = Bitmap();
    if (picture.isNull()) return 0;
    if (width == -1) width = picture.width();
    if (height == -1) height = picture.height();
    const QImage& source = m_transparent ? MaskImage() : picture;
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
