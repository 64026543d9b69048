// The colour commands through the real view and paint control: Change Color Depth and Convert
// to Grayscale (the document's depth, pane 2 and the depth of the file saved afterwards),
// Replace Color (Shift taken from the click or key that ran it, by menu and by the paint bar),
// Swap Colors, and the document's transparency with dialog 172 and the Set Transparent
// commands.

#include "ImageCommandsFixture.h"

#include "document/TransformDlgs.h"
#include "paint/PntToolBar.h"
#include "ui/BmpBtn.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QToolButton>

namespace tsl::test {
namespace {

// The bits per pixel a BMP file's header gives.
int BmpDepth(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return -1;
    const QByteArray head = file.read(30);
    return head.size() < 30 ? -1 : static_cast<std::uint8_t>(head[28]) | static_cast<std::uint8_t>(head[29]) << 8;
}

QString SaveAsBmp(CPntUtilDoc* doc, const QString& name) {
    const QString path = MakeTempFolder("saved") + "/" + name;
    EXPECT_TRUE(doc->OnSaveDocument(path));
    return path;
}

TEST_F(ImageCommands, ColorDepthDialogShowsTheDocumentsDepthAndTheChangeIsSaved) {
    Open(32, 16);
    ASSERT_EQ(doc->BitsPerPixel(), 24);
    ExpectCancelChangesNothing(ID_IMAGE_COLOR_DEPTH);
    // OK on the depth the document has is a cancel.
    OnDialog<CColorDepthDlg>([](CColorDepthDlg& d) {
        EXPECT_EQ(d.objectName(), QStringLiteral("Dialog168"));
        EXPECT_EQ(d.Options()->checkedId(), 24);
        EXPECT_EQ(d.Options()->button(1)->text(), QStringLiteral("1 bit (2 colors)"));
        EXPECT_EQ(d.Options()->button(4)->text(), QStringLiteral("4 bit (16 colors)"));
        EXPECT_EQ(d.Options()->button(8)->text(), QStringLiteral("8 bit (256 colors)"));
        EXPECT_EQ(d.Options()->button(24)->text(), QStringLiteral("24 bit (millions of colors)"));
        EXPECT_EQ(d.Options()->button(24)->objectName(), QStringLiteral("Control1138"));
        return 1;
    });
    ASSERT_TRUE(Frame().ExecuteCommand(ID_IMAGE_COLOR_DEPTH));
    EXPECT_EQ(Ctrl().HistorySize(), 0);
    OnDialog<CColorDepthDlg>([](CColorDepthDlg& d) {
        d.Options()->button(1)->click();
        return 1;
    });
    ASSERT_TRUE(Frame().ExecuteCommand(ID_IMAGE_COLOR_DEPTH));
    EXPECT_EQ(doc->BitsPerPixel(), 1);
    EXPECT_EQ(Pane(2), QStringLiteral("32 x 16 x 1"));
    for (int x = 0; x < 32; ++x) {
        const QRgb p = Shown().pixel(x, 3);
        EXPECT_TRUE(p == qRgb(0, 0, 0) || p == qRgb(255, 255, 255)) << x;
    }
    EXPECT_EQ(BmpDepth(SaveAsBmp(doc, QStringLiteral("mono.bmp"))), 1);
    // From 1 bit, OK with 8 chosen; the saved file follows.
    OnDialog<CColorDepthDlg>([](CColorDepthDlg& d) {
        EXPECT_EQ(d.Options()->checkedId(), 1);
        d.Options()->button(8)->click();
        return 1;
    });
    ASSERT_TRUE(Frame().ExecuteCommand(ID_IMAGE_COLOR_DEPTH));
    EXPECT_EQ(BmpDepth(SaveAsBmp(doc, QStringLiteral("eight.bmp"))), 8);
}

TEST_F(ImageCommands, ColorDepthOfSixteenOrThirtyTwoBitsSelectsNoneAndOkMeansTwentyFour) {
    Open(8, 8);
    doc->SetBitsPerPixel(32);
    OnDialog<CColorDepthDlg>([](CColorDepthDlg& d) {
        EXPECT_EQ(d.Options()->checkedId(), -1);
        return 1;
    });
    ASSERT_TRUE(Frame().ExecuteCommand(ID_IMAGE_COLOR_DEPTH));
    EXPECT_EQ(doc->BitsPerPixel(), 24);
    EXPECT_EQ(Ctrl().HistorySize(), 1);
    EXPECT_EQ(BmpDepth(SaveAsBmp(doc, QStringLiteral("true.bmp"))), 24);
}

TEST_F(ImageCommands, GrayscaleMakesAnEightBitDocument) {
    Open(20, 10);
    ExpectOneUndoStep(ID_IMAGE_GRAYSCALE);
    ASSERT_TRUE(Frame().ExecuteCommand(ID_IMAGE_GRAYSCALE));
    EXPECT_EQ(doc->BitsPerPixel(), 8);
    EXPECT_EQ(Pane(2), QStringLiteral("20 x 10 x 8"));
    const QRgb p = Shown().pixel(13, 7);
    EXPECT_TRUE(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p));
    EXPECT_NE(Shown().pixel(13, 7), Shown().pixel(1, 1));
    // Undo gives back the colours and the depth they are saved at; redo takes both again.
    ASSERT_TRUE(Frame().ExecuteCommand(ID_EDIT_UNDO));
    EXPECT_EQ(doc->BitsPerPixel(), 24);
    EXPECT_EQ(Pane(2), QStringLiteral("20 x 10 x 24"));
    ASSERT_TRUE(Frame().ExecuteCommand(ID_EDIT_REDO));
    EXPECT_EQ(doc->BitsPerPixel(), 8);
    EXPECT_EQ(BmpDepth(SaveAsBmp(doc, QStringLiteral("grey.bmp"))), 8);
}

struct ReplaceColor : ImageCommands {
    void SetUp() override {
        ImageCommands::SetUp();
        Open(20, 20);
        Ctrl().Image().FillRect({0, 0, 20, 20}, RGB(255, 255, 255));
        Ctrl().Image().FillRect({0, 0, 10, 20}, RGB(255, 0, 0));
        Ctrl().SetForeColour(RGB(255, 0, 0));
        Ctrl().SetBackColour(RGB(255, 255, 255));
        Ctrl().SetSelectionRect({5, 5, 15, 15});
    }
    // Counts of red and white pixels inside and outside the selection.
    int Count(QRgb colour, bool inside) {
        const QImage image = Shown();
        int n = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) {
                const bool in = x >= 5 && x < 15 && y >= 5 && y < 15;
                n += in == inside && image.pixel(x, y) == colour;
            }
        return n;
    }
    static constexpr QRgb kRed = qRgb(255, 0, 0);
    static constexpr QRgb kWhite = qRgb(255, 255, 255);
};

TEST_F(ReplaceColor, BackgroundBecomesForegroundInsideTheSelectionOnly) {
    ASSERT_TRUE(Frame().ExecuteCommand(ID_IMAGE_REPLACE_COLOR)); // no event: no Shift
    EXPECT_EQ(Count(kRed, true), 100);
    EXPECT_EQ(Count(kWhite, false), 150);
    EXPECT_EQ(Ctrl().GetSelectionRect(), (CRect{5, 5, 15, 15}));
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(Ctrl().HistorySize(), 1);
    // Nothing of the background left: nothing changes, but the step is still recorded.
    const QImage before = Shown();
    ASSERT_TRUE(Frame().ExecuteCommand(ID_IMAGE_REPLACE_COLOR));
    EXPECT_EQ(Shown(), before);
    EXPECT_EQ(Ctrl().HistorySize(), 2);
    ASSERT_TRUE(Frame().ExecuteCommand(ID_EDIT_UNDO));
    ASSERT_TRUE(Frame().ExecuteCommand(ID_EDIT_UNDO));
    EXPECT_EQ(Count(kRed, true), 50);
}

TEST_F(ReplaceColor, ShiftOnTheMenuItemSwapsTheColours) {
    QMenu* image = nullptr;
    for (QMenu* menu : Frame().Menus(IDR_IMAGE_TYPE))
        if (menu->title() == QStringLiteral("&Image")) image = menu;
    ASSERT_NE(image, nullptr);
    QAction* item = nullptr;
    for (QAction* action : image->actions())
        if (action->text() == QStringLiteral("Replace Color")) item = action;
    ASSERT_NE(item, nullptr);
    for (const bool shift : {true, false}) {
        SCOPED_TRACE(shift);
        image->popup(QPoint(10, 10));
        ASSERT_TRUE(WaitFor([&] { return image->isVisible(); }));
        QTest::mouseClick(image, Qt::LeftButton, shift ? Qt::ShiftModifier : Qt::NoModifier,
                          image->actionGeometry(item).center());
        Settle();
        EXPECT_EQ(Count(kWhite, true), shift ? 100 : 0);
        EXPECT_EQ(Count(kRed, true), shift ? 0 : 100);
        Frame().ExecuteCommand(ID_EDIT_UNDO);
        Ctrl().SetSelectionRect({5, 5, 15, 15});
    }
}

TEST_F(ReplaceColor, ShiftClickOnThePaintBarsColorReplacerSwapsTheColours) {
    QAction* button = Frame().PaintBar()->ButtonAction(ID_PAINT_REPLACE_COLOUR);
    ASSERT_NE(button, nullptr);
    QWidget* widget = Frame().PaintBar()->widgetForAction(button);
    ASSERT_NE(widget, nullptr);
    QTest::mouseClick(widget, Qt::LeftButton, Qt::ShiftModifier);
    Settle();
    EXPECT_EQ(Count(kWhite, true), 100);
    EXPECT_EQ(Count(kRed, false), 150);
    Frame().ExecuteCommand(ID_EDIT_UNDO);
    Ctrl().SetSelectionRect({5, 5, 15, 15});
    QTest::mouseClick(widget, Qt::LeftButton);
    Settle();
    EXPECT_EQ(Count(kRed, true), 100);
    // A later command run by code sees no Shift left over from the click.
    Frame().ExecuteCommand(ID_EDIT_UNDO);
    QTest::mouseClick(widget, Qt::LeftButton, Qt::ShiftModifier);
    Frame().ExecuteCommand(ID_EDIT_UNDO);
    Ctrl().SetSelectionRect({5, 5, 15, 15});
    ASSERT_TRUE(Frame().ExecuteCommand(ID_IMAGE_REPLACE_COLOR));
    EXPECT_EQ(Count(kRed, true), 100);
}

TEST_F(ImageCommands, SwapColorsExchangesForegroundAndBackground) {
    Open(4, 4);
    Ctrl().SetForeColour(RGB(1, 2, 3));
    Ctrl().SetBackColour(RGB(4, 5, 6));
    Ctrl().SetFillColour(RGB(7, 8, 9));
    ASSERT_TRUE(Frame().ExecuteCommand(ID_IMAGE_SWAP_COLORS));
    EXPECT_EQ(Ctrl().ForeColour(), RGB(4, 5, 6));
    EXPECT_EQ(Ctrl().BackColour(), RGB(1, 2, 3));
    EXPECT_EQ(Ctrl().FillColour(), RGB(4, 5, 6));
    EXPECT_EQ(Ctrl().HistorySize(), 0);
}

TEST_F(ImageCommands, ImageTransparencyDialogAndTheCheckMark) {
    Open(4, 4);
    Ctrl().SetForeColour(RGB(10, 20, 30));
    Ctrl().SetBackColour(RGB(40, 50, 60));
    ASSERT_FALSE(doc->Transparent());
    EXPECT_FALSE(Frame().CommandState(ID_IMAGE_TRANSPARENCY).IsChecked());
    ExpectCancelChangesNothing(ID_IMAGE_TRANSPARENCY);
    OnDialog<CTransparencyDlg>([start = doc->TransparentColour()](CTransparencyDlg& d) {
        EXPECT_EQ(d.objectName(), QStringLiteral("Dialog172"));
        EXPECT_EQ(d.Option(), 0);
        EXPECT_FALSE(d.ColourButton()->isEnabled());
        EXPECT_TRUE(d.ColourButton()->Caption().startsWith(QStringLiteral("L:1~")));
        EXPECT_EQ(d.ColourButton()->FaceColour(), start) << "the document's transparent colour";
        EXPECT_EQ(d.Note()->text(),
                  QStringLiteral("Note: transparency is ignored unless you save the file in the gif format."));
        const QStringList texts = {QStringLiteral("No transparency"),
                                   QStringLiteral("Set transparency to the current background color"),
                                   QStringLiteral("Set transparency to the current foreground color"),
                                   QStringLiteral("Set transparent color")};
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(d.Options()->button(i)->text(), texts[i]);
            EXPECT_EQ(d.Options()->button(i)->objectName(), QStringLiteral("Control%1").arg(1151 + i));
        }
        d.Options()->button(1)->click();
        EXPECT_TRUE(d.ColourButton()->isEnabled());
        EXPECT_EQ(d.Colour(), RGB(40, 50, 60));
        d.Options()->button(2)->click();
        EXPECT_EQ(d.ColourButton()->FaceColour(), RGB(10, 20, 30));
        return 1;
    });
    ASSERT_TRUE(Frame().ExecuteCommand(ID_IMAGE_TRANSPARENCY));
    EXPECT_TRUE(doc->Transparent());
    EXPECT_EQ(doc->TransparentColour(), RGB(10, 20, 30));
    EXPECT_TRUE(Frame().CommandState(ID_IMAGE_TRANSPARENCY).IsChecked());
    // Reopened on "Set transparent color"; the button's colour dialog sets any colour.
    Script().colourAnswers.push_back({platform::DialogResult::Ok, QColor(7, 8, 9)});
    OnDialog<CTransparencyDlg>([](CTransparencyDlg& d) {
        EXPECT_EQ(d.Option(), 3);
        EXPECT_EQ(d.Colour(), RGB(10, 20, 30));
        d.ColourButton()->click();
        return 1;
    });
    ASSERT_TRUE(Frame().ExecuteCommand(ID_IMAGE_TRANSPARENCY));
    EXPECT_EQ(doc->TransparentColour(), RGB(7, 8, 9));
    ExpectCancelChangesNothing(ID_IMAGE_TRANSPARENCY);
    EXPECT_EQ(doc->TransparentColour(), RGB(7, 8, 9));
    // "No transparency" turns it off and the colour to white.
    OnDialog<CTransparencyDlg>([](CTransparencyDlg& d) {
        d.Options()->button(0)->click();
        return 1;
    });
    ASSERT_TRUE(Frame().ExecuteCommand(ID_IMAGE_TRANSPARENCY));
    EXPECT_FALSE(doc->Transparent());
    EXPECT_EQ(doc->TransparentColour(), RGB(255, 255, 255));
    EXPECT_FALSE(Frame().CommandState(ID_IMAGE_TRANSPARENCY).IsChecked());
}

TEST_F(ImageCommands, SetTransparentForegroundAndBackgroundColour) {
    Open(4, 4);
    Ctrl().SetForeColour(RGB(1, 1, 1));
    Ctrl().SetBackColour(RGB(2, 2, 2));
    ASSERT_TRUE(Frame().ExecuteCommand(ID_SET_TRANSPARENT_FG));
    EXPECT_EQ(doc->TransparentColour(), RGB(1, 1, 1));
    ASSERT_TRUE(Frame().ExecuteCommand(ID_SET_TRANSPARENT_BG));
    EXPECT_EQ(doc->TransparentColour(), RGB(2, 2, 2));
    EXPECT_FALSE(doc->Transparent());
    EXPECT_EQ(Ctrl().HistorySize(), 0);
}

} // namespace
} // namespace tsl::test
