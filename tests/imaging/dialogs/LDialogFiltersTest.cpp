// LDialog's filter dialogs through the scripted modal-dialog runner: which filter each flag
// chooses and its range, the noise, emboss and spatial-filter choices, cancels, unknown flags,
// and previews that scale pixel sizes with the preview copy.

#include "imaging/dialogs/LDialog.h"

#include "imaging/Filters.h"
#include "imaging/LBase.h"
#include "imaging/dialogs/LDialogFilterForms.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QComboBox>
#include <QSlider>
#include <QSpinBox>

#include <gtest/gtest.h>

namespace tsl::test {
namespace {

template <class Dialog> void Answer(std::function<int(Dialog&)> fill) {
    test::Script().dialogScripts.push_back([fill](QDialog& d) {
        auto* dialog = dynamic_cast<Dialog*>(&d);
        EXPECT_NE(dialog, nullptr);
        return dialog ? fill(*dialog) : 0;
    });
}

struct LDialogFilters : testing::Test {
    static void SetUpTestSuite() { LBase::LoadLibraries(kAllLibraries); }
    void SetUp() override { picture.Create(64, 48, 32); }
    LBitmapBase picture;
};

TEST_F(LDialogFilters, ChangeFlagsChooseTheFilterItsTitleAndRange) {
    const struct {
        unsigned flag;
        const char* title;
        int min, max;
    } rows[] = {{kChangeSharpen, "Sharpen", -1000, 1000}, {kChangeBlur, "Blur", 1, 100},
                {kChangePosterize, "Posterize", 2, 256}, {kChangeMosaic, "Mosaic", 1, 256},
                {kChangeMedian, "Median", 1, 100}, {kChangeOilify, "Oilify", 1, 64}};
    for (const auto& r : rows) {
        LDialog dialog(&picture);
        Answer<CChangeDlg>([&](CChangeDlg& d) {
            EXPECT_EQ(d.windowTitle(), QString::fromLatin1(r.title));
            EXPECT_EQ(d.ValueBox()->minimum(), r.min);
            EXPECT_EQ(d.ValueBox()->maximum(), r.max);
            d.Slider()->setValue(r.max); // the slider drives the box
            EXPECT_EQ(d.ValueBox()->value(), r.max);
            d.ValueBox()->setValue(r.min + 1);
            return 1;
        });
        EXPECT_EQ(dialog.DoModalGetChange(r.flag), kSuccess) << r.flag;
        EXPECT_EQ(dialog.GetChange(), r.min + 1) << r.flag;
        // The next dialog starts at the value confirmed; a cancel keeps it.
        Answer<CChangeDlg>([&](CChangeDlg& d) {
            EXPECT_EQ(d.ValueBox()->value(), r.min + 1);
            d.ValueBox()->setValue(r.max);
            return 0;
        });
        EXPECT_EQ(dialog.DoModalGetChange(r.flag), kFailure);
        EXPECT_EQ(dialog.GetChange(), r.min + 1);
    }
    LDialog dialog(&picture);
    EXPECT_EQ(dialog.DoModalGetChange(3), kErrorInvalidParameter);
    EXPECT_EQ(dialog.DoModalGetChange(0), kErrorInvalidParameter);
    LDialog unbound;
    EXPECT_EQ(unbound.DoModalGetChange(kChangeBlur), kErrorNoBitmap);
    EXPECT_TRUE(Script().dialogScripts.empty());
}

TEST_F(LDialogFilters, NoiseEmbossAndSpatialFilterChoices) {
    LDialog dialog(&picture);
    Answer<CNoiseDlg>([](CNoiseDlg& d) {
        d.RangeBox()->setValue(640);
        d.ChannelBox()->setCurrentIndex(3);
        return 1;
    });
    ASSERT_EQ(dialog.DoModalGetNoise(), kSuccess);
    EXPECT_EQ(dialog.GetRange(), 640);
    EXPECT_EQ(dialog.GetChannel(), kNoiseChannelBlue);

    Answer<CEmbossDlg>([](CEmbossDlg& d) {
        EXPECT_EQ(d.DirectionBox()->count(), 8);
        d.DirectionBox()->setCurrentIndex(5);
        d.DepthBox()->setValue(250);
        return 1;
    });
    ASSERT_EQ(dialog.DoModalGetEmboss(), kSuccess);
    EXPECT_EQ(dialog.GetDirection(), kEmbossSouthWest);
    EXPECT_EQ(dialog.GetDepth(), 250);

    // Every family offers exactly its own filters, first one chosen by default.
    for (unsigned family : {kSpatialFamilyGradient, kSpatialFamilyLaplacian, kSpatialFamilySobel,
                            kSpatialFamilyPrewitt, kSpatialFamilyShiftDifference, kSpatialFamilyLineSegment}) {
        LDialog filter(&picture);
        Answer<CFilterDlg>([family](CFilterDlg& d) {
            EXPECT_EQ(d.Ids(), SpatialFilterIds(family));
            EXPECT_EQ(d.FilterBox()->count(), static_cast<int>(d.Ids().size()));
            d.FilterBox()->setCurrentIndex(d.FilterBox()->count() - 1);
            return 1;
        });
        ASSERT_EQ(filter.DoModalGetFilter(family), kSuccess);
        EXPECT_EQ(filter.GetSpatialFilter(), SpatialFilterIds(family).back());
        EXPECT_EQ(SpatialFilterFamily(filter.GetSpatialFilter()), family);
    }
    EXPECT_EQ(dialog.DoModalGetFilter(0), kErrorInvalidParameter);
}

TEST_F(LDialogFilters, PreviewScalesPixelSizesWithTheCopy) {
    EXPECT_EQ(CChangeDlg::PreviewValue(kChangeBlur, 21, 0.1), 2);
    EXPECT_EQ(CChangeDlg::PreviewValue(kChangeMosaic, 40, 0.25), 10);
    EXPECT_EQ(CChangeDlg::PreviewValue(kChangeMedian, 5, 0.01), 1);
    EXPECT_EQ(CChangeDlg::PreviewValue(kChangePosterize, 5, 0.01), 5);
    EXPECT_EQ(CChangeDlg::PreviewValue(kChangeSharpen, 500, 0.1), 500);
    // A 3200 x 2400 picture of 40-pixel stripes, mosaic 80: the preview at a tenth shows tiles
    // of 8, as the result would look shrunk.
    LBitmapBase big;
    ASSERT_EQ(big.Create(3200, 2400, 32), kSuccess);
    for (int y = 0; y < 2400; ++y)
        for (int x = 0; x < 3200; ++x)
            if ((x / 40) % 2) big.GetHandle().Row(y)[4 * x] = 0;
    CChangeDlg d(big, kChangeMosaic, 80);
    EXPECT_DOUBLE_EQ(d.Preview()->Scale(), 0.1);
    d.Preview()->RenderNow();
    const QImage shown = d.Preview()->Shown();
    ASSERT_EQ(shown.width(), 320);
    // Each tile of 8 holds one white and one yellow stripe of 4: one mean colour all across.
    const QRgb tile = shown.pixel(1, 1);
    for (int x = 0; x < 8; ++x) EXPECT_EQ(shown.pixel(x, 1), tile) << x;
    EXPECT_NEAR(qBlue(tile), 128, 4);
}

} // namespace
} // namespace tsl::test
