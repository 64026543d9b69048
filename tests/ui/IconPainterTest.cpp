#include "ui/IconPainter.h"

#include "framework/Ids.h"

#include <QSet>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tsl {
namespace {

struct Command {
    int id;
    const char* name;
};

// The buttons of the main toolbar and of the common operations bar.
const Command kCommands[] = {
    {ID_FILE_NEW, "New"},
    {ID_FILE_OPEN, "Open"},
    {ID_FILE_SAVE, "Save"},
    {ID_FILE_SAVE_ALL, "Save All"},
    {ID_FILE_PRINT, "Print"},
    {ID_FILE_PRINT_PREVIEW, "Print Preview"},
    {ID_EDIT_CUT, "Cut"},
    {ID_EDIT_COPY, "Copy"},
    {ID_EDIT_PASTE, "Paste"},
    {ID_PASTE_AS_NEW_IMAGE, "Paste as New Image"},
    {ID_BROWSE, "Browse"},
    {ID_IMAGE_PROCESSOR, "Image Processor"},
    {ID_SLIDE_SHOW, "Slide Show"},
    {ID_QUICK_SLIDE_SHOW, "Quick Slide Show"},
    {ID_QUICK_MULTI_SLIDE_SHOW, "Quick Multi-folder Slide Show"},
    {ID_CAPTURE_START, "Start Capture"},
    {ID_CAPTURE_SETUP, "Capture Setup"},
    {ID_HELP_MANUAL, "Manual"},
    {ID_APP_ABOUT, "About"},
    {ID_IMAGE_FLIP, "Flip"},
    {ID_IMAGE_MIRROR_BAR, "Mirror"},
    {ID_IMAGE_MIRROR, "Mirror"},
    {ID_IMAGE_RESAMPLE, "Resample and Resize"},
    {ID_ROTATE_90_CW, "Rotate 90 Degrees Clockwise"},
    {ID_ROTATE_ANY, "Any Angle"},
    {ID_EFFECT_DROP_SHADOW, "Drop Shadow"},
    {ID_EFFECT_BUTTONIZE, "Buttonize"},
    {ID_EFFECT_SHARPEN, "Sharpen"},
    {ID_EFFECT_EMBOSS, "Emboss"},
    {ID_EFFECT_TILE_BLEND, "Tile Blend"},
};

struct Coverage {
    int opaque = 0;      // alpha above half
    int transparent = 0; // alpha 0
    QSet<QRgb> colours;
    QRect bounds; // of the opaque pixels
};

Coverage Measure(const QImage& image) {
    Coverage c;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb px = argb.pixel(x, y);
            c.colours.insert(px);
            if (qAlpha(px) == 0) ++c.transparent;
            if (qAlpha(px) > 127) {
                ++c.opaque;
                c.bounds |= QRect(x, y, 1, 1);
            }
        }
    return c;
}

// The image reduced to 4 x 4 averages.
QImage Coarse(const QImage& image) {
    return image.scaled(4, 4, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_ARGB32);
}

TEST(IconPainter, ToolbarCommandsHaveExactPixmapsThatShowSomething) {
    for (const Command& command : kCommands) {
        SCOPED_TRACE(command.name);
        const QIcon icon = CommandIcon(command.id);
        ASSERT_FALSE(icon.isNull());
        EXPECT_EQ(icon.availableSizes(), (QList<QSize>{{16, 16}, {24, 24}}));
        for (int size : {16, 24}) {
            SCOPED_TRACE(size);
            const QImage image = icon.pixmap(size).toImage();
            ASSERT_EQ(image.size(), QSize(size, size));
            // The icon holds the drawing itself, not a rescaled other size.
            EXPECT_EQ(image, PaintCommandIcon(command.id, size).toImage());
            const Coverage c = Measure(image);
            EXPECT_GT(c.opaque, size * size / 8);
            EXPECT_GT(c.transparent, 0) << "background not transparent";
            EXPECT_GE(c.colours.size(), 4);
        }
    }
}

TEST(IconPainter, SmallAndLargeIconsShowTheSameLayout) {
    // The 16 px drawing covers the part of the canvas that the 24 px drawing covers, scaled:
    // catches a size that is drawn at the wrong scale or shifted off its canvas.
    for (const Command& command : kCommands) {
        SCOPED_TRACE(command.name);
        const QRect small = Measure(PaintCommandIcon(command.id, 16).toImage()).bounds;
        const QRect large = Measure(PaintCommandIcon(command.id, 24).toImage()).bounds;
        const QRectF expected(QPointF(large.topLeft()) * 2 / 3, QSizeF(large.size()) * 2 / 3);
        EXPECT_LE(std::abs(small.left() - expected.left()), 1.5);
        EXPECT_LE(std::abs(small.top() - expected.top()), 1.5);
        EXPECT_LE(std::abs(small.right() + 1 - expected.right()), 1.5);
        EXPECT_LE(std::abs(small.bottom() + 1 - expected.bottom()), 1.5);
    }
}

TEST(IconPainter, DifferentCommandsHaveDifferentPictures) {
    for (int size : {16, 24}) {
        for (const Command& a : kCommands)
            for (const Command& b : kCommands) {
                if (&a >= &b) continue;
                const bool same = QString::fromLatin1(a.name) == QLatin1String(b.name);
                EXPECT_EQ(PaintCommandIcon(a.id, size).toImage() ==
                              PaintCommandIcon(b.id, size).toImage(),
                          same)
                    << a.name << " and " << b.name << " at " << size << " px";
            }
    }
}

TEST(IconPainter, OtherCommandsHaveNoIcon) {
    // Commands without a button, and numbers no command has.
    for (int id : {ID_FILE_CLOSE, ID_FILE_SAVE_AS, ID_IMAGE_RESIZE, ID_VIEW_TOOLBAR, 0, -1, 1,
                   32800, 32884, 65535}) {
        SCOPED_TRACE(id);
        EXPECT_TRUE(CommandIcon(id).isNull());
        EXPECT_TRUE(PaintCommandIcon(id, 24).isNull());
    }
    QList<int> listed;
    for (const Command& command : kCommands)
        listed.append(command.id);
    EXPECT_EQ(CommandIconIds(), listed);
}

TEST(IconPainter, ApplicationIconComesInEverySize) {
    const QList<int> sizes{16, 24, 32, 48, 128, 256};
    QList<QSize> expected;
    for (int size : sizes)
        expected.append(QSize(size, size));
    const QIcon icon = ApplicationIcon();
    EXPECT_EQ(icon.availableSizes(), expected);

    const QImage reference = PaintApplicationIcon(256);
    for (int size : sizes) {
        SCOPED_TRACE(size);
        const QImage image = icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(size, size));
        EXPECT_EQ(image, PaintApplicationIcon(size).convertToFormat(QImage::Format_ARGB32));
        const Coverage c = Measure(image);
        EXPECT_GT(c.opaque, size * size / 2);
        EXPECT_GT(c.transparent, 0);
        // Every size shows the same picture: each sixteenth of it has nearly the colour of
        // the same part of the largest size.
        const QImage coarse = Coarse(image), expectedCoarse = Coarse(reference);
        int worst = 0;
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) {
                const QRgb p = coarse.pixel(x, y), q = expectedCoarse.pixel(x, y);
                for (int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q),
                              qAlpha(p) - qAlpha(q)})
                    worst = std::max(worst, std::abs(d));
            }
        // A mirrored picture differs by more than 100.
        EXPECT_LT(worst, 80);
    }
    EXPECT_TRUE(PaintApplicationIcon(0).isNull());
}

} // namespace
} // namespace tsl
