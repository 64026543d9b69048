// Printing an image to a PDF file and reading the page back as pixels: the placement without
// fit, with fit, and the preview's whole-number scale.

#include "document/ImagePrinter.h"

#include "support/ImageTestKit.h"
#include "support/TestEnvironment.h"

#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <gtest/gtest.h>

namespace tsl {
namespace {

// The bounding box of the clearly red pixels of a page rendered at dpi.
QRect RedBox(const QString& pdf, int dpi) {
    const QString base = pdf + QStringLiteral("-page");
    testkit::Shell("pdftoppm -r " + std::to_string(dpi) + " -singlefile -png '" + pdf.toStdString() +
                   "' '" + base.toStdString() + "'");
    const QImage page(base + QStringLiteral(".png"));
    QRect box;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const QRgb p = page.pixel(x, y);
            if (qRed(p) > 200 && qGreen(p) < 80 && qBlue(p) < 80) box |= QRect(x, y, 1, 1);
        }
    return box;
}

QRect Print(const QString& pdf, bool fit) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    printer.setResolution(100);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QImage image(100, 50, QImage::Format_RGB32);
    image.fill(qRgb(255, 0, 0));
    EXPECT_TRUE(PrintImage(printer, image, fit));
    return RedBox(pdf, 100);
}

bool Near(const QRect& a, const QRect& b, int slack = 2) {
    return std::abs(a.left() - b.left()) <= slack && std::abs(a.top() - b.top()) <= slack &&
           std::abs(a.right() - b.right()) <= slack && std::abs(a.bottom() - b.bottom()) <= slack;
}

TEST(ImagePrinter, PagesPlaceTheImageAsPrintedOnPaper) {
    const QString dir = test::MakeTempFolder(QStringLiteral("print"));
    const QRect plain = Print(dir + QStringLiteral("/plain.pdf"), false);
    EXPECT_TRUE(Near(plain, QRect(20, 20, 400, 200))) << plain.x() << "," << plain.y() << " "
                                                      << plain.width() << "x" << plain.height();
    // A4 at 100 dpi is 827 x 1169 device pixels: the image spans the width, centred vertically.
    const QRect fitted = Print(dir + QStringLiteral("/fit.pdf"), true);
    EXPECT_TRUE(Near(fitted, QRect(0, (1169 - 413) / 2, 827, 413), 3))
        << fitted.x() << "," << fitted.y() << " " << fitted.width() << "x" << fitted.height();
}

TEST(ImagePrinter, PlacementArithmetic) {
    EXPECT_EQ(PrintPlacement({100, 50}, {800, 1000}, 300, 300, false, false), QRect(20, 20, 400, 200));
    EXPECT_EQ(PrintPlacement({100, 50}, {800, 1000}, 300, 300, false, true), QRect(0, 0, 100, 50));
    // Non-square dots stretch the height.
    EXPECT_EQ(PrintPlacement({100, 50}, {800, 1000}, 300, 600, true, false), QRect(0, 100, 800, 800));
    // Preview: the largest whole scale that fits 800 x 1000 is 8 (800 x 400), centred.
    EXPECT_EQ(PrintPlacement({100, 50}, {800, 1000}, 300, 300, true, true), QRect(0, 300, 800, 400));
    EXPECT_EQ(PrintPlacement({1000, 50}, {800, 1000}, 300, 300, true, true).width(), 1000)
        << "at least scale 1";
    EXPECT_TRUE(PrintPlacement({0, 50}, {800, 1000}, 300, 300, true, true).isEmpty());
}

} // namespace
} // namespace tsl
