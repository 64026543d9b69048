// The effects through the real view and paint control: the blends with their captions and the
// clipboard's enable rule, Drop Shadow, Buttonize (states, Auto-set, settings files, Create
// Images), Frame, and the imaging layer's filters with their dialogs; one undo step each and
// every cancel changing nothing.

#include "ImageCommandsFixture.h"

#include "core/SettingsFile.h"
#include "document/ButtonFile.h"
#include "document/EffectDlgs.h"
#include "imaging/Filters.h"
#include "imaging/dialogs/LDialogFilterForms.h"
#include "ui/ColourPicker.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>

namespace tsl::test {
namespace {

struct Effects : ImageCommands {
    void SetUp() override {
        ImageCommands::SetUp();
        Platform().clipboard->Clear();
    }
    void TearDown() override {
        Platform().clipboard->Clear();
        ImageCommands::TearDown();
    }
    static const platform::Services& Platform() { return platform::Platform(); }
    // Opens a w x h picture of one colour.
    void OpenSolid(int w, int h, QRgb colour) {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = MakeTempFolder("pictures") + "/solid.png";
        ASSERT_TRUE(image.save(path, "PNG"));
        doc = static_cast<CPntUtilDoc*>(app->OpenDocumentFile(path));
        ASSERT_NE(doc, nullptr);
        view = dynamic_cast<CPntUtilView*>(doc->Views().front());
        Settle();
    }
    // Answers the Blend dialog with a percentage, recording its caption.
    void BlendAt(int percent, QString* caption = nullptr) {
        OnDialog<CBlendDlg>([percent, caption](CBlendDlg& d) {
            if (caption) *caption = d.windowTitle();
            d.PercentBar()->Box()->setText(QString::number(percent));
            return 1;
        });
    }
    static int Blended(int t, int o, int p) { return o < t ? t - p * (t - o) / 100 : t + p * (o - t) / 100; }
};

TEST_F(Effects, LightenAndDarkenBlendTheSelectionWithTheirCaptions) {
    Open(24, 18);
    const QImage before = Shown();
    Ctrl().SetSelectionRect({3, 2, 11, 9});
    QString caption;
    BlendAt(50, &caption);
    ASSERT_TRUE(Frame().ExecuteCommand(ID_EFFECT_LIGHTEN));
    EXPECT_EQ(caption, QStringLiteral("Lighen"));
    QImage after = Shown();
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < 24; ++x) {
            const QRgb b = before.pixel(x, y);
            const bool inside = x >= 3 && x < 11 && y >= 2 && y < 9;
            const QRgb expected = inside ? qRgb(Blended(qRed(b), 255, 50), Blended(qGreen(b), 255, 50),
                                                Blended(qBlue(b), 255, 50))
                                         : b;
            ASSERT_EQ(after.pixel(x, y), expected) << x << "," << y;
        }
    EXPECT_EQ(Ctrl().GetSelectionRect().Normalised(), (CRect{3, 2, 11, 9}));
    BlendAt(30, &caption);
    ASSERT_TRUE(Frame().ExecuteCommand(ID_EFFECT_DARKEN));
    EXPECT_EQ(caption, QStringLiteral("Darken"));
    const QRgb lit = after.pixel(5, 5);
    EXPECT_EQ(Shown().pixel(5, 5), qRgb(Blended(qRed(lit), 0, 30), Blended(qGreen(lit), 0, 30), Blended(qBlue(lit), 0, 30)));
}

TEST_F(Effects, LightenAtFiftyMixesHalfWayToWhiteAndZeroChangesNothingInOneStep) {
    OpenSolid(6, 4, qRgb(100, 200, 0));
    BlendAt(50);
    ASSERT_TRUE(Frame().ExecuteCommand(ID_EFFECT_LIGHTEN));
    EXPECT_EQ(Shown().pixel(2, 2), qRgb(177, 227, 127));
    const QImage before = Shown();
    const int steps = Ctrl().HistorySize();
    BlendAt(0);
    ASSERT_TRUE(Frame().ExecuteCommand(ID_EFFECT_DARKEN));
    EXPECT_EQ(Shown(), before);
    EXPECT_EQ(Ctrl().HistorySize(), steps + 1);
    BlendAt(100);
    ASSERT_TRUE(Frame().ExecuteCommand(ID_EFFECT_DARKEN));
    EXPECT_EQ(Shown().pixel(5, 3), qRgb(0, 0, 0));
}

TEST_F(Effects, ClipboardBlendsTileFromThePartsCornerAndStretchOnlyWithAnImage) {
    Open(30, 20);
    Frame().UpdateCommandUI();
    for (int id : {ID_EFFECT_TILE_BLEND, ID_EFFECT_STRETCH_BLEND}) {
        EXPECT_FALSE(Frame().CommandState(id).IsEnabled()) << id;
        EXPECT_FALSE(Frame().ExecuteCommand(id)) << id;
    }
    QImage tile(4, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) tile.setPixel(x, y, qRgb(60 * x, 80 * y, 200));
    Platform().clipboard->SetImage(tile);
    EXPECT_TRUE(Frame().CommandState(ID_EFFECT_TILE_BLEND).IsEnabled());
    EXPECT_TRUE(Frame().CommandState(ID_EFFECT_STRETCH_BLEND).IsEnabled());
    const QImage before = Shown();
    // A 10 x 7 part from (5, 6): two whole tiles and a cut-off third across, two rows and a
    // cut-off third down, from the part's corner.
    Ctrl().SetSelectionRect({5, 6, 15, 13});
    QString caption;
    BlendAt(100, &caption);
    ASSERT_TRUE(Frame().ExecuteCommand(ID_EFFECT_TILE_BLEND));
    EXPECT_EQ(caption, QStringLiteral("Tiler blending"));
    QImage after = Shown();
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x) {
            const bool inside = x >= 5 && x < 15 && y >= 6 && y < 13;
            ASSERT_EQ(after.pixel(x, y), inside ? tile.pixel((x - 5) % 4, (y - 6) % 3) : before.pixel(x, y))
                << x << "," << y;
        }
    ASSERT_TRUE(Frame().ExecuteCommand(ID_EDIT_UNDO));
    Ctrl().SetSelectionRect({0, 0, 8, 6});
    BlendAt(100, &caption);
    ASSERT_TRUE(Frame().ExecuteCommand(ID_EFFECT_STRETCH_BLEND));
    EXPECT_EQ(caption, QStringLiteral("Stretch blending"));
    after = Shown();
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(after.pixel(x, y), tile.pixel(x / 2, y / 2)) << x << "," << y;
    EXPECT_EQ(after.pixel(8, 0), before.pixel(8, 0));
}

TEST_F(Effects, FrameDrawsRingsOfTheLineWidthAndWidthZeroIsStillOneStep) {
    Open(20, 16);
    const QImage before = Shown();
    Ctrl().SetForeColour(RGB(250, 10, 20));
    Ctrl().SetLineWidth(2);
    Ctrl().SetSelectionRect({4, 3, 12, 10});
    ASSERT_TRUE(Frame().ExecuteCommand(ID_EFFECT_FRAME));
    const QImage after = Shown();
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool inside = x >= 4 && x < 12 && y >= 3 && y < 10;
            const bool ring = inside && (x < 6 || x > 9 || y < 5 || y > 7);
            ASSERT_EQ(after.pixel(x, y), ring ? qRgb(250, 10, 20) : before.pixel(x, y)) << x << "," << y;
        }
    Ctrl().SetLineWidth(0);
    const int steps = Ctrl().HistorySize();
    ASSERT_TRUE(Frame().ExecuteCommand(ID_EFFECT_FRAME));
    EXPECT_EQ(Shown(), after);
    EXPECT_EQ(Ctrl().HistorySize(), steps + 1);
}

TEST_F(Effects, EveryEffectIsOneUndoStepAndEveryCancelChangesNothing) {
    Open(40, 30);
    Platform().clipboard->SetImage(QImage(5, 4, QImage::Format_RGB32));
    Ctrl().SetSelectionRect({5, 4, 30, 22});
    const int withDialog[] = {ID_EFFECT_TILE_BLEND, ID_EFFECT_STRETCH_BLEND, ID_EFFECT_LIGHTEN, ID_EFFECT_DARKEN,
                              ID_EFFECT_DROP_SHADOW, ID_EFFECT_BUTTONIZE, ID_EFFECT_SHARPEN, ID_EFFECT_BLUR,
                              ID_EFFECT_POSTERIZE, ID_EFFECT_MOSAIC, ID_EFFECT_MEDIAN, ID_EFFECT_OILIFY,
                              ID_EFFECT_ADD_NOISE, ID_EFFECT_EMBOSS, ID_FILTER_GRADIENT, ID_FILTER_LAPLACIAN,
                              ID_FILTER_SOBEL, ID_FILTER_PREWITT, ID_FILTER_SHIFT_DIFFERENCE,
                              ID_FILTER_LINE_SEGMENT};
    for (int id : withDialog) ExpectCancelChangesNothing(id);
    for (int id : withDialog) {
        // Undo selects the whole image again; a drop shadow of all of it would fall outside.
        Ctrl().SetSelectionRect({5, 4, 30, 22});
        Script().dialogScripts.push_back([](QDialog&) { return 1; });
        ExpectOneUndoStep(id);
        EXPECT_TRUE(Script().dialogScripts.empty()) << id;
    }
    ExpectOneUndoStep(ID_EFFECT_EDGE_ENHANCE);
    ExpectOneUndoStep(ID_EFFECT_FRAME);
    EXPECT_TRUE(Script().messages.empty());
    // The change filters and Edge Enhance show the wait cursor while the library works.
    const int uses = Script().waitCursorUses;
    Frame().ExecuteCommand(ID_EFFECT_EDGE_ENHANCE);
    EXPECT_GT(Script().waitCursorUses, uses);
    EXPECT_EQ(Script().waitCursorDepth, 0);
    // Read-only: all disabled.
    Ctrl().SetReadOnly(true);
    for (int id : withDialog) EXPECT_FALSE(Frame().CommandState(id).IsEnabled()) << id;
    EXPECT_FALSE(Frame().CommandState(ID_EFFECT_FRAME).IsEnabled());
}

TEST_F(Effects, ConstantPicturesStayConstantUnderBlurMedianAndMosaicThroughTheView) {
    OpenSolid(30, 20, qRgb(90, 140, 10));
    const QImage before = Shown();
    for (int id : {ID_EFFECT_BLUR, ID_EFFECT_MEDIAN, ID_EFFECT_MOSAIC, ID_EFFECT_OILIFY}) {
        OnDialog<CChangeDlg>([](CChangeDlg& d) {
            d.ValueBox()->setValue(7);
            return 1;
        });
        ASSERT_TRUE(Frame().ExecuteCommand(id));
        EXPECT_EQ(Shown(), before) << id;
    }
}

TEST_F(Effects, NoiseChangesOnlyTheChosenChannelAndPosterizeKeepsItsLevels) {
    OpenSolid(40, 30, qRgb(100, 120, 140));
    OnDialog<CNoiseDlg>([](CNoiseDlg& d) {
        d.RangeBox()->setValue(500);
        d.ChannelBox()->setCurrentIndex(kNoiseChannelGreen);
        return 1;
    });
    ASSERT_TRUE(Frame().ExecuteCommand(ID_EFFECT_ADD_NOISE));
    QImage noisy = Shown();
    int changed = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            ASSERT_EQ(qRed(noisy.pixel(x, y)), 100);
            ASSERT_EQ(qBlue(noisy.pixel(x, y)), 140);
            changed += qGreen(noisy.pixel(x, y)) != 120;
        }
    EXPECT_GT(changed, 600);
    OnDialog<CChangeDlg>([](CChangeDlg& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Posterize"));
        d.ValueBox()->setValue(3);
        return 1;
    });
    ASSERT_TRUE(Frame().ExecuteCommand(ID_EFFECT_POSTERIZE));
    QSet<int> greens;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) greens.insert(qGreen(Shown().pixel(x, y)));
    EXPECT_LE(greens.size(), 3);
}

TEST_F(Effects, SpatialFiltersTakeTheDirectionChosenInTheirDialog) {
    // Dark above, bright below: Sobel south answers on the edge, Sobel north gives 0.
    QImage image(12, 10, QImage::Format_RGB32);
    for (int y = 0; y < 10; ++y) image.fill(0), (void)y;
    for (int y = 5; y < 10; ++y)
        for (int x = 0; x < 12; ++x) image.setPixel(x, y, qRgb(100, 100, 100));
    const QString path = MakeTempFolder("pictures") + "/edge.png";
    ASSERT_TRUE(image.save(path, "PNG"));
    doc = static_cast<CPntUtilDoc*>(app->OpenDocumentFile(path));
    view = dynamic_cast<CPntUtilView*>(doc->Views().front());
    Settle();
    for (auto [filter, expected] : {std::pair{kSpatialSobelSouth, 255}, std::pair{kSpatialSobelNorth, 0}}) {
        OnDialog<CFilterDlg>([filter = filter](CFilterDlg& d) {
            EXPECT_EQ(d.windowTitle(), QStringLiteral("Sobel"));
            EXPECT_EQ(d.Ids(), SpatialFilterIds(kSpatialFamilySobel));
            d.FilterBox()->setCurrentIndex(static_cast<int>(std::find(d.Ids().begin(), d.Ids().end(), filter) - d.Ids().begin()));
            return 1;
        });
        ASSERT_TRUE(Frame().ExecuteCommand(ID_FILTER_SOBEL));
        // Row 4 (just above the edge): 1*0+2*0+1*0 ... rows below 100: south = 4 * 100 -> 255.
        EXPECT_EQ(qRed(Shown().pixel(6, 4)), expected) << filter;
        EXPECT_EQ(qRed(Shown().pixel(6, 1)), 0) << filter;
        ASSERT_TRUE(Frame().ExecuteCommand(ID_EDIT_UNDO));
    }
}

TEST_F(Effects, DropShadowFallsAtTheOffsetWithThePreviewAtActualSize) {
    OpenSolid(40, 30, qRgb(255, 255, 255));
    Ctrl().SetBackColour(RGB(255, 255, 255));
    Ctrl().SetForeColour(RGB(0, 0, 255));
    Ctrl().SetLineWidth(3);
    Ctrl().SetSelectionRect({10, 8, 20, 16});
    ASSERT_TRUE(Frame().ExecuteCommand(ID_EFFECT_FRAME)); // a blue outline to cast a shadow
    const QImage before = Shown();
    Ctrl().SetSelectionRect({10, 8, 20, 16});
    OnDialog<CDropShadowDlg>([](CDropShadowDlg& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Drop Shadow"));
        // The defaults of the dialog.
        EXPECT_EQ(d.Opacity()->Box()->text(), QStringLiteral("30"));
        EXPECT_EQ(d.Blur()->Box()->text(), QStringLiteral("5"));
        EXPECT_EQ(d.HorizontalOffset()->Box()->text(), QStringLiteral("6"));
        EXPECT_EQ(d.VerticalOffset()->Bar()->orientation(), Qt::Vertical);
        EXPECT_EQ(d.ColourPicker()->Colour(), RGB(0, 0, 0));
        d.RenderNow();
        EXPECT_EQ(d.Preview()->Shown().size(), QSize(10, 8));
        const int renders = d.Preview()->RenderCount();
        d.Opacity()->Bar()->setValue(100);
        d.Blur()->Box()->setText(QStringLiteral("99")); // limited to 11
        EXPECT_EQ(d.Blur()->Bar()->value(), 11);
        d.Blur()->Box()->setText(QStringLiteral("3"));
        d.HorizontalOffset()->Box()->setText(QStringLiteral("8"));
        d.VerticalOffset()->Box()->setText(QStringLiteral("-40")); // limited to -30
        d.VerticalOffset()->Box()->setText(QStringLiteral("0"));
        QApplication::processEvents();
        EXPECT_GT(d.Preview()->RenderCount(), renders);
        return 1;
    });
    ASSERT_TRUE(Frame().ExecuteCommand(ID_EFFECT_DROP_SHADOW));
    const QImage after = Shown();
    // The outline's right side at x 17..19 casts its shadow 8 further right: x 25..27 dark.
    EXPECT_LT(qRed(after.pixel(26, 12)), 200);
    EXPECT_EQ(after.pixel(26, 12), qRgb(qRed(after.pixel(26, 12)), qRed(after.pixel(26, 12)), qRed(after.pixel(26, 12))));
    // The part itself stays on top; far away nothing changed.
    EXPECT_EQ(after.pixel(18, 12), qRgb(0, 0, 255));
    EXPECT_EQ(after.pixel(36, 12), before.pixel(36, 12));
    EXPECT_EQ(after.pixel(5, 5), before.pixel(5, 5));
    ASSERT_TRUE(Frame().ExecuteCommand(ID_EDIT_UNDO));
    EXPECT_EQ(Shown(), before);
}

TEST_F(Effects, ButtonizeAtSizeZeroAppliesOnlyTheBrightness) {
    Open(16, 12);
    const QImage before = Shown();
    OnDialog<CButtonizeDlg>([](CButtonizeDlg& d) {
        d.Size()->Box()->setText(QStringLiteral("0"));
        d.Brightness()->Box()->setText(QStringLiteral("50"));
        return 1;
    });
    ASSERT_TRUE(Frame().ExecuteCommand(ID_EFFECT_BUTTONIZE));
    EXPECT_EQ(Shown(), before);
    OnDialog<CButtonizeDlg>([](CButtonizeDlg& d) {
        d.Size()->Bar()->setValue(0);
        d.Brightness()->Bar()->setValue(100); // offset 100: white
        return 1;
    });
    ASSERT_TRUE(Frame().ExecuteCommand(ID_EFFECT_BUTTONIZE));
    EXPECT_EQ(Shown().pixel(7, 7), qRgb(255, 255, 255));
}

TEST_F(Effects, ButtonizeAutoSetFollowsTheStateAndStatesKeepTheirRecords) {
    Open(16, 12);
    OnDialog<CButtonizeDlg>([](CButtonizeDlg& d) {
        EXPECT_TRUE(d.AutoSet()->isChecked());
        EXPECT_TRUE(d.StateButton(kButtonNormal)->isChecked());
        d.PickUpperLeft(RGB(200, 200, 50));
        EXPECT_EQ(d.BottomRight()->Colour(), RGB(121, 121, 0));
        d.PickBottomRight(RGB(10, 20, 250));
        EXPECT_EQ(d.UpperLeft()->Colour(), RGB(89, 99, 255));
        d.Size()->Box()->setText(QStringLiteral("7"));
        d.StateButton(kButtonPressed)->click();
        EXPECT_EQ(d.State(), kButtonPressed);
        d.PickUpperLeft(RGB(200, 200, 50));
        EXPECT_EQ(d.BottomRight()->Colour(), RGB(255, 255, 129));
        d.PickBottomRight(RGB(100, 50, 30));
        EXPECT_EQ(d.UpperLeft()->Colour(), RGB(21, 0, 0));
        d.SelectState(kButtonNormal);
        EXPECT_EQ(d.Size()->Value(), 7);
        EXPECT_EQ(d.UpperLeft()->Colour(), RGB(89, 99, 255));
        d.AutoSet()->setChecked(false);
        d.PickUpperLeft(RGB(1, 1, 1));
        EXPECT_EQ(d.BottomRight()->Colour(), RGB(10, 20, 250));
        EXPECT_EQ(d.Records()[kButtonPressed].bottomRight, RGB(100, 50, 30));
        return 0;
    });
    Frame().ExecuteCommand(ID_EFFECT_BUTTONIZE);
}

TEST_F(Effects, ButtonizeSavesAndReloadsAllThreeStatesAndRemembersTheFile) {
    Open(16, 12);
    const QString file = MakeTempFolder("buttons") + "/mine.btn";
    Script().saveAnswers.push_back(file);
    Script().openAnswers.push_back({file});
    CButtonRecords saved{};
    OnDialog<CButtonizeDlg>([&](CButtonizeDlg& d) {
        for (int s : {kButtonNormal, kButtonPressed, kButtonRollOver}) {
            d.SelectState(s);
            d.Size()->Box()->setText(QString::number(3 + s));
            d.Opacity()->Box()->setText(QString::number(20 + 10 * s));
            d.Brightness()->Box()->setText(QString::number(40 + 5 * s));
            d.PickUpperLeft(RGB(150 + s, 160, 170));
        }
        d.SaveSettings();
        saved = d.Records();
        for (int s : {kButtonNormal, kButtonPressed, kButtonRollOver}) {
            d.SelectState(s);
            d.Size()->Box()->setText(QStringLiteral("30"));
        }
        d.LoadSettings();
        EXPECT_EQ(d.State(), kButtonNormal);
        EXPECT_TRUE(d.StateButton(kButtonNormal)->isChecked());
        EXPECT_EQ(d.Size()->Value(), 3);
        EXPECT_EQ(d.Records(), saved);
        return 0;
    });
    Frame().ExecuteCommand(ID_EFFECT_BUTTONIZE);
    ASSERT_EQ(Script().fileRequests.size(), 2u);
    const platform::FileRequest& save = Script().fileRequests[0];
    EXPECT_EQ(save.caption, QStringLiteral("Save Button Settings"));
    EXPECT_EQ(save.filter, QStringLiteral("Settings Files (*.btn)|*.btn||"));
    EXPECT_EQ(save.defaultExtension, QStringLiteral("btn"));
    EXPECT_TRUE(save.overwritePrompt);
    EXPECT_EQ(QDir::cleanPath(save.folder), QDir::cleanPath(Env().programFolder + "Bin"));
    EXPECT_EQ(Script().fileRequests[1].caption, QStringLiteral("Load Button Settings"));
    EXPECT_TRUE(Script().fileRequests[1].mustExist);
    EXPECT_EQ(QString::fromStdString(Settings().ReadGeneral(keys::LastBtn)), file);
    CButtonRecords onDisk = DefaultButtonRecords();
    ASSERT_TRUE(LoadButtonFile(file.toStdString(), onDisk));
    EXPECT_EQ(onDisk, saved);
    // The next Buttonize starts from the remembered file.
    OnDialog<CButtonizeDlg>([&](CButtonizeDlg& d) {
        EXPECT_EQ(d.Records(), saved);
        return 0;
    });
    Frame().ExecuteCommand(ID_EFFECT_BUTTONIZE);
}

TEST_F(Effects, ButtonizeStartsFromTheDefaultFileAndCreatesThreeDocuments) {
    // A default file in the program folder: its Normal record is what the dialog shows.
    CButtonRecords shipped = DefaultButtonRecords();
    shipped[kButtonNormal].bevel = 9;
    shipped[kButtonNormal].upperLeft = RGB(12, 34, 56);
    QDir().mkpath(Env().programFolder + "Bin");
    ASSERT_TRUE(SaveButtonFile((Env().programFolder + "Bin/Default.btn").toStdString(), shipped));
    Open(16, 12);
    const std::size_t documents = DocumentCount();
    OnDialog<CButtonizeDlg>([&](CButtonizeDlg& d) {
        EXPECT_EQ(d.Size()->Value(), 9);
        EXPECT_EQ(d.UpperLeft()->Colour(), RGB(12, 34, 56));
        d.CreateImages();
        return 0;
    });
    Frame().ExecuteCommand(ID_EFFECT_BUTTONIZE);
    Settle();
    EXPECT_EQ(DocumentCount(), documents + 3);
    EXPECT_EQ(QString::fromStdString(Settings().ReadGeneral(keys::LastBtn)), Env().programFolder + "Bin/Default.btn");
    std::remove((Env().programFolder + "Bin/Default.btn").toStdString().c_str());
}

} // namespace
} // namespace tsl::test
