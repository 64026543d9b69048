// The geometric image commands through the real view and paint control: Flip, Mirror (menu and
// bar ids), the quarter turns, Any Angle, Shear, Resample and Resize (menu and the paint bar's
// Resize), Change Size and Trim Blank Space; one undo step each, undo giving back the exact
// pixels, every cancel changing nothing, and results beyond the pixel limit refused.

#include "ImageCommandsFixture.h"

#include "document/ImageFiles.h"
#include "document/TransformDlgs.h"
#include "framework/ChildFrame.h"
#include "imaging/dialogs/LDialogForms.h"
#include "paint/PntToolBar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>

namespace tsl::test {
namespace {

TEST_F(ImageCommands, FlipAndMirrorTheSelectionOnly) {
    Open(40, 30);
    Ctrl().SetSelectionRect({10, 5, 20, 25});
    ASSERT_TRUE(Frame().ExecuteCommand(ID_IMAGE_FLIP));
    QImage image = Shown();
    EXPECT_EQ(image.pixel(10, 5), Pattern(10, 24));
    EXPECT_EQ(image.pixel(19, 24), Pattern(19, 5));
    EXPECT_EQ(image.pixel(9, 5), Pattern(9, 5));
    EXPECT_EQ(Ctrl().GetSelectionRect(), (CRect{10, 5, 20, 25}));
    EXPECT_EQ(Pane(1), QStringLiteral("(10, 5) -> (20, 25) = (10 x 20)"));
    for (int id : {ID_IMAGE_MIRROR, ID_IMAGE_MIRROR_BAR}) {
        Ctrl().SetSelectionRect({0, 0, 40, 30});
        ASSERT_TRUE(Frame().ExecuteCommand(id));
        EXPECT_EQ(Shown().pixel(0, 0), image.pixel(39, 0)) << id;
        EXPECT_EQ(Shown().pixel(39, 29), image.pixel(0, 29)) << id;
        Frame().ExecuteCommand(ID_EDIT_UNDO);
    }
    for (int id : {ID_IMAGE_FLIP, ID_IMAGE_MIRROR, ID_IMAGE_MIRROR_BAR, ID_ROTATE_90_CW, ID_ROTATE_90_ACW}) {
        Ctrl().SetSelectionRect({3, 4, 17, 9});
        ExpectOneUndoStep(id);
    }
}

TEST_F(ImageCommands, AFullHistoryKeepsTheLastFiveCommands) {
    Open(30, 20);
    std::vector<QImage> states{Shown()};
    for (int i = 0; i < 7; ++i) {
        Ctrl().SetSelectionRect({i, i, i + 10, i + 8});
        ASSERT_TRUE(Frame().ExecuteCommand(i % 2 ? ID_IMAGE_FLIP : ID_IMAGE_MIRROR));
        states.push_back(Shown());
    }
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(Frame().ExecuteCommand(ID_EDIT_UNDO));
        EXPECT_EQ(Shown(), states[states.size() - 2 - i]) << i;
    }
    EXPECT_FALSE(Frame().ExecuteCommand(ID_EDIT_UNDO));
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(Frame().ExecuteCommand(ID_EDIT_REDO));
    EXPECT_EQ(Shown(), states.back());
}

TEST_F(ImageCommands, RotatingAPartFillsItsOldPlaceAndSelectsTheTurnedPart) {
    Open(300, 300);
    Ctrl().SetBackColour(RGB(1, 2, 3));
    Ctrl().SetSelectionRect({20, 30, 120, 80}); // 100 x 50
    ASSERT_TRUE(Frame().ExecuteCommand(ID_ROTATE_90_CW));
    EXPECT_EQ(Ctrl().GetSelectionRect(), (CRect{20, 30, 70, 130}));
    const QImage image = Shown();
    EXPECT_EQ(image.size(), QSize(300, 300));
    // The old area beyond the turned part took the background colour.
    EXPECT_EQ(image.pixel(100, 40), qRgb(1, 2, 3));
    EXPECT_EQ(image.pixel(119, 79), qRgb(1, 2, 3));
    // Clockwise: the part's top-left pixel is now its top-right one, its bottom-left the top-left.
    EXPECT_EQ(image.pixel(69, 30), Pattern(20, 30));
    EXPECT_EQ(image.pixel(20, 30), Pattern(20, 79));
    EXPECT_EQ(image.pixel(20, 129), Pattern(119, 79));
    EXPECT_EQ(image.pixel(19, 30), Pattern(19, 30));
    EXPECT_EQ(image.pixel(20, 130), Pattern(20, 130));
    // Anti-clockwise turns it back (the area it covered beyond the old part keeps the fill).
    ASSERT_TRUE(Frame().ExecuteCommand(ID_ROTATE_90_ACW));
    EXPECT_EQ(Ctrl().GetSelectionRect(), (CRect{20, 30, 120, 80}));
    EXPECT_EQ(Shown().pixel(20, 30), Pattern(20, 30));
    EXPECT_EQ(Shown().pixel(119, 79), Pattern(119, 79));
    EXPECT_EQ(Shown().pixel(30, 100), qRgb(1, 2, 3));
}

TEST_F(ImageCommands, APartsBackgroundPixelsAreLeftOutOnlyWithTheTransparentBackgroundFlag) {
    Open(60, 60);
    Ctrl().SetBackColour(RGB(255, 255, 255));
    // A 20 x 10 white part with one black pixel, over a pattern it will cover after turning.
    for (bool transparent : {true, false}) {
        SCOPED_TRACE(transparent);
        Ctrl().SetTransparentBackground(transparent);
        Ctrl().Image().FillRect({0, 0, 20, 10}, RGB(255, 255, 255));
        Ctrl().Image().SetPixel(0, 0, RGB(0, 0, 0));
        Ctrl().SetSelectionRect({0, 0, 20, 10});
        ASSERT_TRUE(Frame().ExecuteCommand(ID_ROTATE_90_CW));
        const QImage image = Shown();
        EXPECT_EQ(image.pixel(9, 0), qRgb(0, 0, 0));
        // Below the old part the turned part's white shows only without transparency.
        EXPECT_EQ(image.pixel(3, 15), transparent ? Pattern(3, 15) : qRgb(255, 255, 255));
        Frame().ExecuteCommand(ID_EDIT_UNDO);
    }
}

TEST_F(ImageCommands, WholeImageRotationSwapsTheSizeAndRefitsTheFrame) {
    Open(80, 30);
    CChildFrame* frame = CChildFrame::Of(view);
    ASSERT_NE(frame, nullptr);
    view->FitFrame();
    const QSize before = frame->size();
    ASSERT_TRUE(Frame().ExecuteCommand(ID_ROTATE_90_ACW));
    EXPECT_EQ(Ctrl().Image().Size(), (CSize{30, 80}));
    EXPECT_EQ(Shown().pixel(0, 79), Pattern(0, 0));
    EXPECT_EQ(Shown().pixel(0, 0), Pattern(79, 0));
    EXPECT_EQ(frame->width(), before.width() - 50);
    EXPECT_EQ(frame->height(), before.height() + 50);
    EXPECT_EQ(Pane(2), QStringLiteral("30 x 80 x 24"));
    EXPECT_EQ(Ctrl().GetSelectionRect(), (CRect{0, 0, 30, 80}));
    // Undo gives back the size and the frame.
    ASSERT_TRUE(Frame().ExecuteCommand(ID_EDIT_UNDO));
    EXPECT_EQ(Ctrl().Image().Size(), (CSize{80, 30}));
    EXPECT_EQ(frame->size(), before);
}

TEST_F(ImageCommands, AnyAngleAndShearAskOnThePartAndCancelChangesNothing) {
    Open(100, 80);
    Ctrl().SetBackColour(RGB(9, 9, 9));
    Ctrl().SetSelectionRect({10, 10, 50, 30});
    ExpectCancelChangesNothing(ID_ROTATE_ANY);
    ExpectCancelChangesNothing(ID_IMAGE_SHEAR);
    OnDialog<CAngleDlg>([](CAngleDlg& d) {
        EXPECT_EQ(d.Preview()->Copy().GetWidth(), 40) << "the dialog sees the part";
        EXPECT_EQ(d.BackColour(), RGB(9, 9, 9));
        d.AngleBox()->setValue(45);
        return 1;
    });
    ASSERT_TRUE(Frame().ExecuteCommand(ID_ROTATE_ANY));
    // 40 x 20 turned by 45 degrees with resize: 43 x 43.
    EXPECT_EQ(Ctrl().GetSelectionRect(), (CRect{10, 10, 53, 53}));
    EXPECT_EQ(Shown().pixel(11, 11), qRgb(9, 9, 9)) << "a corner of the rotated part";
    Ctrl().ResetSelection();
    OnDialog<CAngleDlg>([](CAngleDlg& d) {
        EXPECT_TRUE(d.IsShear());
        d.AngleBox()->setValue(20);
        return 1;
    });
    ASSERT_TRUE(Frame().ExecuteCommand(ID_IMAGE_SHEAR));
    EXPECT_EQ(Ctrl().Image().Size(), (CSize{100 + 29, 80})); // ceil(tan 20 x 79)
    Script().dialogScripts.push_back([](QDialog& d) {
        static_cast<CAngleDlg&>(d).AngleBox()->setValue(-10);
        return 1;
    });
    ExpectOneUndoStep(ID_IMAGE_SHEAR);
}

TEST_F(ImageCommands, ResampleFromTheMenuAndThePaintBarsResize) {
    Open(120, 60);
    ExpectCancelChangesNothing(ID_IMAGE_RESAMPLE);
    OnDialog<CSizeDlg>([](CSizeDlg& d) {
        EXPECT_EQ(d.WidthBox()->value(), 120);
        EXPECT_EQ(d.HeightBox()->value(), 60);
        d.UnitBox()->setCurrentIndex(1);
        d.WidthBox()->setValue(50);
        d.MethodBox()->setCurrentIndex(2);
        return 1;
    });
    ASSERT_TRUE(Frame().ExecuteCommand(ID_IMAGE_RESAMPLE));
    EXPECT_EQ(Ctrl().Image().Size(), (CSize{60, 30}));
    EXPECT_EQ(Pane(2), QStringLiteral("60 x 30 x 24"));
    // The paint bar's Resize runs the same command through the control.
    OnDialog<CSizeDlg>([](CSizeDlg& d) {
        d.KeepAspectBox()->setChecked(false);
        d.WidthBox()->setValue(61);
        return 1;
    });
    ASSERT_TRUE(Frame().PaintBar()->RunCommand(ID_PAINT_RESIZE));
    EXPECT_EQ(Ctrl().Image().Size(), (CSize{61, 30}));
    EXPECT_EQ(Script().dialogTitles.back(), QStringLiteral("Resize"));
    ASSERT_TRUE(Frame().ExecuteCommand(ID_EDIT_UNDO));
    EXPECT_EQ(Ctrl().Image().Size(), (CSize{60, 30}));
}

TEST_F(ImageCommands, AResultBeyondThePixelLimitIsRefusedWithTheErrorReport) {
    Open(50, 40);
    const QImage before = Shown();
    OnDialog<CSizeDlg>([](CSizeDlg& d) {
        d.KeepAspectBox()->setChecked(false);
        d.WidthBox()->setValue(100000);
        d.HeightBox()->setValue(100000);
        return 1;
    });
    ASSERT_TRUE(Frame().ExecuteCommand(ID_IMAGE_RESAMPLE));
    ASSERT_EQ(Script().messages.size(), 1u);
    EXPECT_EQ(Script().messages[0].text, ImageErrorText(kErrorTooLarge));
    EXPECT_EQ(Shown(), before);
    EXPECT_EQ(Ctrl().HistorySize(), 0);
    EXPECT_FALSE(doc->IsModified());
    // The canvas change refuses the same way.
    OnDialog<CImageSizeDlg>([](CImageSizeDlg& d) {
        d.WidthBox()->setText(QStringLiteral("100000"));
        d.HeightBox()->setText(QStringLiteral("100000"));
        return 1;
    });
    ASSERT_TRUE(Frame().ExecuteCommand(ID_IMAGE_CHANGE_SIZE));
    EXPECT_EQ(Script().messages.size(), 2u);
    EXPECT_EQ(Shown(), before);
    EXPECT_EQ(Ctrl().HistorySize(), 0);
}

TEST_F(ImageCommands, ChangeSizeCutsOrCentresOnTheBackground) {
    Open(100, 100);
    Ctrl().SetBackColour(RGB(200, 100, 50));
    ExpectCancelChangesNothing(ID_IMAGE_CHANGE_SIZE);
    OnDialog<CImageSizeDlg>([](CImageSizeDlg& d) {
        EXPECT_EQ(d.objectName(), QStringLiteral("Dialog169"));
        EXPECT_EQ(d.WidthBox()->text(), QStringLiteral("100"));
        EXPECT_EQ(d.HeightBox()->objectName(), QStringLiteral("Control1106"));
        EXPECT_TRUE(d.CentreBox()->isChecked());
        EXPECT_EQ(d.CentreBox()->text(), QStringLiteral("Center Image"));
        d.WidthBox()->setText(QStringLiteral("50"));
        d.HeightBox()->setText(QStringLiteral("50"));
        return 1;
    });
    ASSERT_TRUE(Frame().ExecuteCommand(ID_IMAGE_CHANGE_SIZE));
    EXPECT_EQ(Ctrl().Image().Size(), (CSize{50, 50}));
    EXPECT_EQ(Shown().pixel(0, 0), Pattern(0, 0));
    EXPECT_EQ(Shown().pixel(49, 49), Pattern(49, 49)) << "the top-left quarter is kept";
    ASSERT_TRUE(Frame().ExecuteCommand(ID_EDIT_UNDO));
    OnDialog<CImageSizeDlg>([](CImageSizeDlg& d) {
        d.WidthBox()->setText(QStringLiteral("200"));
        d.HeightBox()->setText(QStringLiteral("300"));
        return 1;
    });
    ASSERT_TRUE(Frame().ExecuteCommand(ID_IMAGE_CHANGE_SIZE));
    EXPECT_EQ(Ctrl().Image().Size(), (CSize{200, 300}));
    EXPECT_EQ(Shown().pixel(50, 100), Pattern(0, 0));
    EXPECT_EQ(Shown().pixel(149, 199), Pattern(99, 99));
    EXPECT_EQ(Shown().pixel(49, 100), qRgb(200, 100, 50));
    EXPECT_EQ(Shown().pixel(150, 200), qRgb(200, 100, 50));
    EXPECT_EQ(Pane(2), QStringLiteral("200 x 300 x 24"));
    // Without centring the old image sits at (0, 0).
    OnDialog<CImageSizeDlg>([](CImageSizeDlg& d) {
        d.WidthBox()->setText(QStringLiteral("210"));
        d.CentreBox()->setChecked(false);
        return 1;
    });
    ASSERT_TRUE(Frame().ExecuteCommand(ID_IMAGE_CHANGE_SIZE));
    EXPECT_EQ(Shown().pixel(50, 100), Pattern(0, 0));
    EXPECT_EQ(Shown().pixel(209, 0), qRgb(200, 100, 50));
}

TEST_F(ImageCommands, ChangeSizeNeverTakesAZeroNegativeOrUnreadableSize) {
    Open(30, 20);
    const QImage before = Shown();
    for (const char* text : {"0", "-5", "abc", "", "12x"}) {
        OnDialog<CImageSizeDlg>([text](CImageSizeDlg& d) {
            d.WidthBox()->setText(QString::fromLatin1(text));
            EXPECT_FALSE(d.OkButton()->isEnabled()) << text;
            d.WidthBox()->setText(QStringLiteral("40"));
            EXPECT_TRUE(d.OkButton()->isEnabled());
            d.HeightBox()->setText(QString::fromLatin1(text));
            EXPECT_FALSE(d.OkButton()->isEnabled()) << text;
            return 1; // confirmed anyway, as a script can
        });
        ASSERT_TRUE(Frame().ExecuteCommand(ID_IMAGE_CHANGE_SIZE));
        EXPECT_EQ(Shown(), before) << text;
        EXPECT_EQ(Ctrl().HistorySize(), 0) << text;
    }
}

TEST_F(ImageCommands, TrimBlankSpaceWithTheThresholdSlider) {
    Open(60, 40);
    Ctrl().Image().FillRect({0, 0, 60, 40}, RGB(255, 255, 255));
    Ctrl().Image().FillRect({10, 5, 30, 25}, RGB(235, 235, 235));
    Ctrl().Image().FillRect({15, 10, 20, 15}, RGB(0, 0, 0));
    ExpectCancelChangesNothing(ID_IMAGE_TRIM);
    OnDialog<CTrimDlg>([](CTrimDlg& d) {
        EXPECT_EQ(d.objectName(), QStringLiteral("Dialog170"));
        EXPECT_EQ(d.Slider()->objectName(), QStringLiteral("Control1118"));
        EXPECT_EQ(d.Slider()->value(), 30);
        EXPECT_EQ(d.ValueBox()->text(), QStringLiteral("30"));
        EXPECT_TRUE(d.ValueBox()->isReadOnly());
        d.Slider()->setValue(-4);
        EXPECT_EQ(d.ValueBox()->text(), QStringLiteral("0"));
        d.Slider()->setValue(300);
        EXPECT_EQ(d.ValueBox()->text(), QStringLiteral("244"));
        d.Slider()->setValue(10);
        EXPECT_EQ(d.ValueBox()->text(), QStringLiteral("10"));
        return 1;
    });
    ASSERT_TRUE(Frame().ExecuteCommand(ID_IMAGE_TRIM));
    EXPECT_EQ(Ctrl().Image().Size(), (CSize{20, 20}));
    ASSERT_TRUE(Frame().ExecuteCommand(ID_EDIT_UNDO));
    // At 30 the light grey counts as blank too.
    Script().dialogScripts.push_back([](QDialog&) { return 1; });
    ASSERT_TRUE(Frame().ExecuteCommand(ID_IMAGE_TRIM));
    EXPECT_EQ(Ctrl().Image().Size(), (CSize{5, 5}));
    EXPECT_EQ(Pane(2), QStringLiteral("5 x 5 x 24"));
}

TEST_F(ImageCommands, PixelCommandsNeedAWritableImage) {
    for (int id : {ID_IMAGE_FLIP, ID_IMAGE_RESAMPLE, ID_ROTATE_ANY, ID_IMAGE_SWAP_COLORS, ID_SET_TRANSPARENT_BG})
        EXPECT_FALSE(Frame().CommandState(id).IsEnabled()) << "without a document: " << id;
    Open(20, 20);
    const std::vector<int> pixels = {ID_IMAGE_FLIP, ID_IMAGE_MIRROR, ID_IMAGE_MIRROR_BAR, ID_IMAGE_SHEAR,
                                     ID_ROTATE_90_CW, ID_ROTATE_90_ACW, ID_ROTATE_ANY, ID_IMAGE_RESAMPLE,
                                     ID_IMAGE_CHANGE_SIZE, ID_IMAGE_TRIM, ID_IMAGE_COLOR_DEPTH,
                                     ID_IMAGE_GRAYSCALE, ID_IMAGE_REPLACE_COLOR};
    const std::vector<int> always = {ID_IMAGE_SWAP_COLORS, ID_IMAGE_TRANSPARENCY, ID_SET_TRANSPARENT_FG,
                                     ID_SET_TRANSPARENT_BG};
    for (int id : pixels) EXPECT_TRUE(Frame().CommandState(id).IsEnabled()) << id;
    ASSERT_TRUE(Frame().ExecuteCommand(ID_DISPLAY_ONLY));
    for (int id : pixels) EXPECT_FALSE(Frame().CommandState(id).IsEnabled()) << id;
    for (int id : always) EXPECT_TRUE(Frame().CommandState(id).IsEnabled()) << id;
    // The bar's Color replacer stays enabled on a read-only control but changes nothing.
    const QImage before = Shown();
    Frame().PaintBar()->RunCommand(ID_PAINT_REPLACE_COLOUR);
    EXPECT_EQ(Ctrl().HistorySize(), 0);
    EXPECT_EQ(Shown(), before);
}

} // namespace
} // namespace tsl::test
