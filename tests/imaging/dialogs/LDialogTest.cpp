// LDialog through the scripted modal-dialog runner: what each dialog confirms, what a cancel
// leaves, the ranges and links of its controls, and the preview's copy and coalesced renders.

#include "imaging/dialogs/LDialog.h"

#include "imaging/LBase.h"
#include "imaging/dialogs/LDialogForms.h"
#include "support/TestEnvironment.h"
#include "ui/ColourPicker.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QRadioButton>
#include <QSpinBox>

#include <gtest/gtest.h>

namespace tsl::test {
namespace {

LBitmapBase Picture(int w, int h) {
    LBitmapBase b;
    EXPECT_EQ(b.Create(w, h, 32), kSuccess);
    return b;
}

template <class Dialog> void Script(std::function<int(Dialog&)> fill) {
    test::Script().dialogScripts.push_back([fill](QDialog& d) {
        auto* dialog = dynamic_cast<Dialog*>(&d);
        EXPECT_NE(dialog, nullptr);
        return dialog ? fill(*dialog) : 0;
    });
}

struct LDialogTest : testing::Test {
    static void SetUpTestSuite() { LBase::LoadLibraries(kAllLibraries); }
};

TEST_F(LDialogTest, RotationAngleInHundredthsWithResizeFlagAndBackColour) {
    LBitmapBase picture = Picture(60, 40);
    LDialog dialog(&picture);
    Script<CAngleDlg>([](CAngleDlg& d) {
        EXPECT_FALSE(d.IsShear());
        EXPECT_TRUE(d.ResizeBox()->isChecked());
        EXPECT_EQ(d.AngleBox()->minimum(), -360.0);
        EXPECT_EQ(d.AngleBox()->decimals(), 2);
        d.AngleBox()->setValue(-12.34);
        d.ResizeBox()->setChecked(false);
        d.ColourPicker()->SelectColour(RGB(10, 20, 30));
        return 1;
    });
    ASSERT_EQ(dialog.DoModalGetAngle(kAngleDialogRotate), kSuccess);
    EXPECT_EQ(dialog.GetAngle(), -1234);
    EXPECT_EQ(dialog.GetAngleFlag(), 0u);
    EXPECT_EQ(dialog.GetBackColor(), RGB(10, 20, 30));
    // The next dialog starts where this one ended; a cancel keeps the values.
    Script<CAngleDlg>([](CAngleDlg& d) {
        EXPECT_EQ(d.Angle(), -1234);
        d.AngleBox()->setValue(90);
        return 0;
    });
    EXPECT_EQ(dialog.DoModalGetAngle(kAngleDialogRotate), kFailure);
    EXPECT_EQ(dialog.GetAngle(), -1234);
    EXPECT_EQ(picture.GetWidth(), 60) << "a dialog never changes its picture";
    EXPECT_EQ(test::Script().dialogTitles.back(), QStringLiteral("Rotate"));
}

TEST_F(LDialogTest, ShearStaysWithinFortyFiveDegreesEitherWay) {
    LBitmapBase picture = Picture(60, 40);
    LDialog dialog(&picture);
    Script<CAngleDlg>([](CAngleDlg& d) {
        EXPECT_TRUE(d.IsShear());
        EXPECT_EQ(d.ResizeBox(), nullptr);
        EXPECT_TRUE(d.HorizontalButton()->isChecked());
        d.AngleBox()->setValue(60);
        EXPECT_EQ(d.Angle(), 4500);
        d.AngleBox()->setValue(-99);
        d.VerticalButton()->setChecked(true);
        return 1;
    });
    ASSERT_EQ(dialog.DoModalGetAngle(kAngleDialogShear), kSuccess);
    EXPECT_EQ(dialog.GetAngle(), -4500);
    EXPECT_EQ(dialog.GetAngleFlag(), kShearVertical);
    EXPECT_EQ(LDialog().DoModalGetAngle(kAngleDialogShear), kErrorNoBitmap);
}

TEST_F(LDialogTest, SizeInPixelsOrPercentKeepingTheAspectRatio) {
    LBitmapBase picture = Picture(200, 100);
    LDialog dialog(&picture);
    dialog.SetNewWidth(200);
    dialog.SetNewHeight(100);
    Script<CSizeDlg>([](CSizeDlg& d) {
        EXPECT_EQ(d.MethodBox()->currentIndex(), 1) << "bilinear, as flag 2 asks";
        EXPECT_TRUE(d.KeepAspectBox()->isChecked());
        d.WidthBox()->setValue(50);
        EXPECT_EQ(d.HeightBox()->value(), 25);
        d.UnitBox()->setCurrentIndex(1);
        EXPECT_EQ(d.WidthBox()->value(), 25);
        EXPECT_EQ(d.HeightBox()->value(), 25);
        d.HeightBox()->setValue(150);
        EXPECT_EQ(d.WidthBox()->value(), 150);
        d.KeepAspectBox()->setChecked(false);
        d.HeightBox()->setValue(10);
        d.MethodBox()->setCurrentIndex(2);
        return 1;
    });
    ASSERT_EQ(dialog.DoModalGetSize(kSizeBilinear), kSuccess);
    EXPECT_EQ(dialog.GetNewWidth(), 300);
    EXPECT_EQ(dialog.GetNewHeight(), 10);
    EXPECT_EQ(dialog.GetSizeFlag(), kSizeBicubic);
    // Cancel: nothing taken.
    Script<CSizeDlg>([](CSizeDlg& d) {
        d.WidthBox()->setValue(7);
        return 0;
    });
    EXPECT_EQ(dialog.DoModalGetSize(kSizeNearest), kFailure);
    EXPECT_EQ(dialog.GetNewWidth(), 300);
    EXPECT_EQ(dialog.GetSizeFlag(), kSizeBicubic);
}

TEST_F(LDialogTest, PreviewWorksOnABoxSizedCopyAndCoalescesChanges) {
    LBitmapBase picture = Picture(4000, 3000);
    // A red diagonal band, so the copy can be checked for content.
    for (int y = 0; y < 3000; ++y)
        for (int x = std::max(0, y - 50); x < std::min(4000, y + 50); ++x) {
            std::uint8_t* p = picture.GetHandle().Row(2999 - y) + 4 * x;
            p[0] = 0, p[1] = 0, p[2] = 255;
        }
    CAngleDlg dialog(picture, kAngleDialogRotate);
    CImagePreview* preview = dialog.Preview();
    EXPECT_EQ(preview->Copy().GetWidth(), CImagePreview::kBoxWidth);
    EXPECT_EQ(preview->Copy().GetHeight(), CImagePreview::kBoxHeight);
    QApplication::processEvents();
    const int first = preview->RenderCount();
    EXPECT_GE(first, 1);
    EXPECT_EQ(preview->Shown().pixelColor(20, 20), QColor(255, 0, 0));
    EXPECT_EQ(preview->Shown().pixelColor(300, 20), QColor(255, 255, 255));
    for (double angle : {10.0, 20.0, 30.0, 90.0}) dialog.AngleBox()->setValue(angle);
    QApplication::processEvents();
    EXPECT_EQ(preview->RenderCount(), first + 1);
    // A quarter turn clockwise: the band now runs from the top-right corner.
    EXPECT_EQ(preview->Shown().size(), QSize(CImagePreview::kBoxHeight * 3 / 4, CImagePreview::kBoxHeight));
    const QImage shown = preview->Shown();
    EXPECT_EQ(shown.pixelColor(shown.width() - 10, 10), QColor(255, 0, 0));
    // Small pictures are previewed as they are.
    LBitmapBase small = Picture(30, 20);
    EXPECT_EQ(CImagePreview::FittingCopy(small, 320, 240, nullptr).GetWidth(), 30);
}

} // namespace
} // namespace tsl::test
