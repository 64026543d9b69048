#pragma once
// Printing one image on one page.
//
// Real printing with "Fit to Page": the image spans the printable width, its height keeps the
// image's proportions in the device's dots (width × image height × vertical dpi / (horizontal
// dpi × image width)), centred vertically. Without fit: at (20, 20), each image pixel 4 × 4
// device pixels. A preview with fit: the largest whole-number scale that fits the printable
// area (at least 1), centred; a preview without fit: at (0, 0) at scale 1.

#include <QImage>
#include <QRect>
#include <QSize>

class QPainter;
class QPrinter;

namespace tsl {

// Where the image goes, in device pixels relative to the printable area's top-left corner.
QRect PrintPlacement(QSize image, QSize printable, int dpiX, int dpiY, bool fit, bool preview);

// Draws the image on a painter over the printable area.
void PaintPrintedImage(QPainter& painter, const QImage& image, QSize printable, int dpiX, int dpiY,
                       bool fit, bool preview);

// Prints the image as the page of printer (its page range one page); false when the printer
// could not start.
bool PrintImage(QPrinter& printer, const QImage& image, bool fit);

} // namespace tsl
