#include "document/ImagePrinter.h"

#include <QPainter>
#include <QPrinter>

#include <algorithm>

namespace tsl {

QRect PrintPlacement(QSize image, QSize printable, int dpiX, int dpiY, bool fit, bool preview) {
    if (image.isEmpty() || printable.isEmpty()) return {};
    if (!fit) return preview ? QRect(QPoint(0, 0), image) : QRect(20, 20, image.width() * 4, image.height() * 4);
    if (preview) {
        const int scale = std::max(1, std::min(printable.width() / image.width(),
                                               printable.height() / image.height()));
        const QSize size = image * scale;
        return QRect((printable.width() - size.width()) / 2, (printable.height() - size.height()) / 2,
                     size.width(), size.height());
    }
    const long long height = static_cast<long long>(printable.width()) * image.height() * dpiY /
                             (static_cast<long long>(dpiX) * image.width());
    const int h = static_cast<int>(std::min<long long>(height, 1 << 30));
    return QRect(0, (printable.height() - h) / 2, printable.width(), h);
}

void PaintPrintedImage(QPainter& painter, const QImage& image, QSize printable, int dpiX, int dpiY,
                       bool fit, bool preview) {
    const QRect target = PrintPlacement(image.size(), printable, dpiX, dpiY, fit, preview);
    if (target.isEmpty()) return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(target, image);
    painter.restore();
}

bool PrintImage(QPrinter& printer, const QImage& image, bool fit) {
    printer.setFromTo(1, 1);
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    PaintPrintedImage(painter, image, page.size(), printer.logicalDpiX(), printer.logicalDpiY(), fit,
                      false);
    return painter.end();
}

} // namespace tsl
