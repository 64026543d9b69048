// The New Image dialog's unit conversions and settings, and the new document it shapes.

#include "document/NewImageDlg.h"

#include "core/SettingsFile.h"
#include "document/PntUtilDoc.h"
#include "support/TestEnvironment.h"

#include <QButtonGroup>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace tsl {
namespace {

using test::Script;

TEST(NewImage, UnitsConvertAsTheDialogWritesThem) {
    EXPECT_EQ(ConvertUnitText(QStringLiteral("72"), Unit::Pixels, Unit::Inches), QStringLiteral("1.000000e+00"));
    EXPECT_EQ(ConvertUnitText(QStringLiteral("1.000000e+00"), Unit::Inches, Unit::Pixels), QStringLiteral("72"));
    EXPECT_EQ(ConvertUnitText(QStringLiteral("1"), Unit::Inches, Unit::Centimetres), QStringLiteral("2.540000e+00"));
    EXPECT_EQ(ConvertUnitText(QStringLiteral("2.54"), Unit::Centimetres, Unit::Inches), QStringLiteral("1.000000e+00"));
    EXPECT_EQ(ConvertUnitText(QStringLiteral("2.54"), Unit::Centimetres, Unit::Pixels), QStringLiteral("72"));
    EXPECT_EQ(ConvertUnitText(QStringLiteral("300"), Unit::Pixels, Unit::Centimetres), QStringLiteral("1.058333e+01"));
    // Pixels from any unit, at least 1.
    EXPECT_EQ(PixelsOf(QStringLiteral("0"), Unit::Pixels), 1);
    EXPECT_EQ(PixelsOf(QStringLiteral("-5"), Unit::Pixels), 1);
    EXPECT_EQ(PixelsOf(QStringLiteral("abc"), Unit::Inches), 1);
    EXPECT_EQ(PixelsOf(QStringLiteral("2"), Unit::Inches), 144);
    EXPECT_EQ(DepthForIndex(0), 1);
    EXPECT_EQ(DepthForIndex(5), 32);
}

TEST(NewImage, TheDialogReadsAndWritesItsSettings) {
    {
        CNewImageDlg dialog;
        EXPECT_EQ(dialog.WidthBox()->text(), QStringLiteral("300"));
        EXPECT_EQ(dialog.HeightBox()->text(), QStringLiteral("200"));
        EXPECT_EQ(dialog.Depths()->checkedId(), 4);
        EXPECT_EQ(dialog.Background(), RGB(255, 255, 255));
        // Switching to inches and back gives the same texts.
        dialog.Units()->button(1)->click();
        EXPECT_EQ(dialog.WidthBox()->text(), QStringLiteral("4.166667e+00"));
        dialog.Units()->button(0)->click();
        EXPECT_EQ(dialog.WidthBox()->text(), QStringLiteral("300"));
        // The colour button asks the colour dialog and keeps the choice.
        Script().colourAnswers.push_back({platform::DialogResult::Ok, QColor(10, 20, 30)});
        dialog.ColourButton()->click();
        EXPECT_EQ(dialog.Background(), RGB(10, 20, 30));
        dialog.Depths()->button(2)->click();
        dialog.Units()->button(2)->click();
        dialog.accept();
    }
    int depth = -1, unit = -1;
    COLORREF colour = 0;
    std::string width;
    ASSERT_TRUE(Settings().ReadInt(keys::New, keys::ColorDepth, depth));
    Settings().ReadInt(keys::New, keys::MeasureType, unit);
    Settings().ReadColour(keys::New, keys::Bgd, colour);
    Settings().ReadString(keys::New, keys::Width, width);
    EXPECT_EQ(depth, 2);
    EXPECT_EQ(unit, 2);
    EXPECT_EQ(colour, RGB(10, 20, 30));
    EXPECT_EQ(width, "1.058333e+01");
    CNewImageDlg again;
    EXPECT_EQ(again.Depths()->checkedId(), 2);
    EXPECT_EQ(again.WidthPixels(), 299) << "10.58333 cm, truncated";
}

TEST(NewImage, ANewDocumentTakesTheDialogsSizeAndBackground) {
    Script().dialogScripts.push_back([](QDialog& d) {
        auto& dialog = static_cast<CNewImageDlg&>(d);
        dialog.WidthBox()->setText(QStringLiteral("0"));
        dialog.HeightBox()->setText(QStringLiteral("7"));
        dialog.Depths()->button(1)->click(); // 16 colours
        return int(QDialog::Accepted);
    });
    Settings().WriteColour(keys::New, keys::Bgd, RGB(200, 100, 50));
    CPntUtilDoc doc;
    ASSERT_TRUE(doc.OnNewDocument());
    EXPECT_EQ(doc.BitsPerPixel(), 24) << "a new image keeps 24 bits per pixel";
    const QImage image = ImageFromDdb(doc.TakeBitmap());
    EXPECT_EQ(image.width(), 1);
    EXPECT_EQ(image.height(), 7);
    EXPECT_EQ(image.pixel(0, 6), qRgb(200, 100, 50));
    CPntUtilDoc cancelled;
    EXPECT_FALSE(cancelled.OnNewDocument()) << "no script: the dialog is cancelled";
}

} // namespace
} // namespace tsl
