// The paint dialogs: the resizable base (minimum size, apply, validation), the remembered
// window rectangle, the bitmap dimensions dialog, and the seven tool cursors.

#include "paint/PntCursors.h"
#include "paint/PntDimDlg.h"

#include "core/Dib.h"
#include "framework/Ids.h"
#include "support/TestEnvironment.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

namespace tsl {
namespace {

using test::Script;

QVariant Stored(int id, const char* key) {
    return Script().profileValues.value(
        QStringLiteral("PaintDlg:%1/%2").arg(id).arg(QLatin1String(key)));
}

void Store(int id, const QRect& r) {
    auto& values = Script().profileValues;
    const QString section = QStringLiteral("PaintDlg:%1/").arg(id);
    values[section + QStringLiteral("X")] = r.x();
    values[section + QStringLiteral("Y")] = r.y();
    values[section + QStringLiteral("Width")] = r.width();
    values[section + QStringLiteral("Height")] = r.height();
}

// gtest prints a QRect as bytes otherwise.
std::string Text(const QRect& r) {
    return QStringLiteral("%1,%2 %3x%4")
        .arg(r.x())
        .arg(r.y())
        .arg(r.width())
        .arg(r.height())
        .toStdString();
}

QRect WorkArea() {
    return QGuiApplication::primaryScreen()->availableGeometry();
}

// Frame centres may differ by the rounding of an odd size.
void ExpectCentredOn(const QRect& frame, const QRect& on) {
    EXPECT_LE(std::abs(frame.center().x() - on.center().x()), 1) << frame.x() << " " << on.x();
    EXPECT_LE(std::abs(frame.center().y() - on.center().y()), 1) << frame.y() << " " << on.y();
}

// A paint dialog with an apply button whose validation the test decides.
class ApplyDialog : public CPntDlg {
public:
    ApplyDialog() : CPntDlg(28105) {
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(new QLineEdit);
        applyButton = new QPushButton(QStringLiteral("&Apply"));
        applyButton->setObjectName(QStringLiteral("Control%1").arg(IDC_APPLY));
        layout->addWidget(applyButton);
    }
    bool valid = true;
    int validations = 0;
    QPushButton* applyButton;

protected:
    bool TransferAndValidate() override {
        ++validations;
        return valid;
    }
};

TEST(FlexDialog, StartsAtItsMinimumSizeWithApplyDisabledAndValidatesOkAndApply) {
    ApplyDialog dialog;
    EXPECT_TRUE(dialog.applyButton->isEnabled()) << "disabled only when the dialog is initialised";
    dialog.show();
    const QSize initial = dialog.size();
    EXPECT_EQ(dialog.minimumSize(), initial);
    EXPECT_FALSE(dialog.applyButton->isEnabled());
    dialog.resize(initial / 2);
    EXPECT_EQ(dialog.size(), initial) << "cannot shrink below the first size";
    dialog.resize(initial + QSize(100, 50));
    EXPECT_EQ(dialog.size(), initial + QSize(100, 50));

    // Apply: validation first; a refusal leaves the button enabled.
    dialog.EnableApply();
    dialog.valid = false;
    dialog.applyButton->click();
    EXPECT_EQ(dialog.validations, 1);
    EXPECT_TRUE(dialog.applyButton->isEnabled());
    dialog.valid = true;
    dialog.applyButton->click();
    EXPECT_EQ(dialog.validations, 2);
    EXPECT_FALSE(dialog.applyButton->isEnabled());
    EXPECT_TRUE(dialog.isVisible()) << "apply keeps the dialog open";

    // OK: a refusal keeps the dialog open; acceptance closes it.
    dialog.valid = false;
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    dialog.valid = true;
    dialog.accept();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.validations, 4);
}

TEST(PntDlg, RemembersItsRectangleInTheProfile) {
    const QRect area = WorkArea();
    const QRect stored(area.x() + 40, area.y() + 30, 560, 300);
    Store(IDD_BITMAP_DIMENSIONS, stored);
    {
        CPntDimDlg dialog;
        EXPECT_EQ(dialog.TemplateId(), IDD_BITMAP_DIMENSIONS);
        dialog.show();
        EXPECT_EQ(Text(dialog.frameGeometry()), Text(stored));
        dialog.move(area.x() + 70, area.y() + 90);
        dialog.resize(dialog.width() + 20, dialog.height() + 10);
        dialog.reject();
    }
    EXPECT_EQ(Stored(IDD_BITMAP_DIMENSIONS, "X").toInt(), area.x() + 70);
    EXPECT_EQ(Stored(IDD_BITMAP_DIMENSIONS, "Y").toInt(), area.y() + 90);
    EXPECT_EQ(Stored(IDD_BITMAP_DIMENSIONS, "Width").toInt(), 580);
    EXPECT_EQ(Stored(IDD_BITMAP_DIMENSIONS, "Height").toInt(), 310);

    // Each template has its own section; a dialog destroyed while shown saves too.
    {
        ApplyDialog other;
        other.show();
        other.move(area.x() + 5, area.y() + 6);
    }
    EXPECT_EQ(Stored(28105, "X").toInt(), area.x() + 5);
    EXPECT_EQ(Stored(28105, "Y").toInt(), area.y() + 6);
    EXPECT_EQ(Stored(IDD_BITMAP_DIMENSIONS, "X").toInt(), area.x() + 70);
}

TEST(PntDlg, OpensCentredWithoutAUsableStoredRectangle) {
    const QRect area = WorkArea();
    QWidget owner;
    owner.setGeometry(area.x() + 100, area.y() + 150, 500, 400);
    owner.show();
    struct Case {
        const char* what;
        std::optional<QRect> stored;
    } cases[] = {
        {"first use, no keys", std::nullopt},
        {"partly right of the work area", QRect(area.right() - 100, area.y() + 10, 300, 200)},
        {"partly below the work area", QRect(area.x() + 10, area.bottom() - 50, 300, 200)},
        {"negative X", QRect(-10, area.y() + 10, 300, 200)},
        {"no size", QRect(area.x() + 10, area.y() + 10, 0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Script().profileValues.clear();
        if (c.stored) Store(IDD_BITMAP_DIMENSIONS, *c.stored);
        CPntDimDlg withParent(&owner);
        withParent.show();
        ExpectCentredOn(withParent.frameGeometry(), owner.frameGeometry());
        withParent.hide();

        if (c.stored)
            Store(IDD_BITMAP_DIMENSIONS, *c.stored);
        else
            Script().profileValues.clear();
        CPntDimDlg alone;
        alone.show();
        ExpectCentredOn(alone.frameGeometry(), area);
    }
}

TEST(PntDimDlg, ShowsItsControlsAndChoosesTheDepth) {
    CPntDimDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Enter Bitmap Dimensions"));
    EXPECT_EQ(dialog.WidthLabel()->text(), QStringLiteral("&Width:"));
    EXPECT_EQ(dialog.HeightLabel()->text(), QStringLiteral("&Height:"));
    EXPECT_EQ(dialog.CropBox()->text(), QStringLiteral("Crop to selection rectangle"));
    EXPECT_EQ(dialog.findChild<QLineEdit*>(QStringLiteral("Control%1").arg(IDC_DIM_HEIGHT)),
              dialog.HeightEdit());
    QStringList texts;
    for (int i = 0; i < dialog.DepthList()->count(); ++i)
        texts << dialog.DepthList()->itemText(i);
    EXPECT_EQ(texts, (QStringList{"Monochrome", "16 Colors", "256 Colors", "High Color",
                                  "True Color", "32 bit Colour"}));
    EXPECT_FALSE(dialog.Crop()) << "the crop flag starts clear";

    // Bits per pixel in, list index, bits per pixel out.
    const std::pair<int, int> depths[] = {{1, 0},  {4, 1}, {8, 2}, {16, 3}, {24, 4},
                                          {32, 5}, {0, 2}, {2, 2}, {15, 2}, {64, 2}};
    for (auto [bits, index] : depths) {
        dialog.SetValues(10, 20, bits);
        EXPECT_EQ(dialog.DepthList()->currentIndex(), index) << bits;
        EXPECT_EQ(dialog.BitsPerPixel(), index == 2 ? 8 : bits) << bits;
    }
    dialog.DepthList()->setCurrentIndex(-1);
    EXPECT_EQ(dialog.BitsPerPixel(), 8) << "no index";

    // Chosen through the dialog runner, as the paint control opens it.
    CPntDimDlg run;
    run.SetValues(64, 48, 24);
    run.SetCropAllowed(false);
    Script().dialogScripts.push_back([](QDialog& d) {
        auto& dim = static_cast<CPntDimDlg&>(d);
        dim.DepthList()->setCurrentIndex(dim.DepthList()->findText(QStringLiteral("High Color")));
        dim.WidthEdit()->setText(QStringLiteral(" 100 "));
        dim.accept();
        return dim.result();
    });
    ASSERT_EQ(platform::Platform().dialogs->RunModal(run), QDialog::Accepted);
    EXPECT_EQ(Script().dialogTitles.value(0), QStringLiteral("Enter Bitmap Dimensions"));
    EXPECT_EQ(run.BitsPerPixel(), 16);
    EXPECT_EQ(run.Width(), 100);
    EXPECT_EQ(run.Height(), 48);
    EXPECT_FALSE(run.Crop());
}

TEST(PntDimDlg, CropTakesTheSizeControlsOutOfPlay) {
    CPntDimDlg dialog;
    dialog.SetValues(640, 480, 24);
    dialog.SetCropAllowed(true);
    dialog.show();
    const QList<QWidget*> sizeControls{dialog.WidthLabel(), dialog.WidthEdit(),
                                       dialog.HeightLabel(), dialog.HeightEdit()};
    dialog.CropBox()->click();
    EXPECT_TRUE(dialog.Crop());
    for (QWidget* w : sizeControls)
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    dialog.CropBox()->click();
    for (QWidget* w : sizeControls)
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();

    // Ticked, the numbers are neither checked nor taken: the caller uses its selection.
    dialog.CropBox()->click();
    dialog.WidthEdit()->setText(QStringLiteral("abc"));
    dialog.HeightEdit()->setText(QStringLiteral("0"));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(Script().messages.empty());
    EXPECT_TRUE(dialog.Crop());
    EXPECT_EQ(dialog.Width(), 640) << "not a number: the value set";

    // Not allowed: the box is cleared and disabled, and the size controls come back.
    dialog.SetCropAllowed(false);
    EXPECT_FALSE(dialog.CropBox()->isEnabled());
    EXPECT_FALSE(dialog.CropBox()->isChecked());
    EXPECT_FALSE(dialog.Crop());
    for (QWidget* w : sizeControls)
        EXPECT_TRUE(w->isEnabled());
}

TEST(PntDimDlg, RefusesSizesItCannotMakeAndStaysOpen) {
    const QString side =
        QStringLiteral("Please enter an integer between 1 and %1.").arg(kSideLimit);
    struct Case {
        const char* width;
        const char* height;
        QString message;
        bool blameHeight;
    } cases[] = {
        {"12x", "10", QStringLiteral("Please enter an integer."), false},
        {"", "10", QStringLiteral("Please enter an integer."), false},
        {"10", "1.5", QStringLiteral("Please enter an integer."), true},
        {"10", "99999999999", QStringLiteral("Please enter an integer."), true},
        {"0", "10", side, false},
        {"-4", "10", side, false},
        {"10", "262145", side, true},
        {"40000", "40000", QString(), false}, // above the pixel limit
    };
    CPntDimDlg dialog;
    dialog.SetValues(32, 32, 8);
    dialog.show();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.width) + " x " + c.height);
        Script().messages.clear();
        dialog.WidthEdit()->setText(QString::fromLatin1(c.width));
        dialog.HeightEdit()->setText(QString::fromLatin1(c.height));
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        ASSERT_EQ(Script().messages.size(), 1u);
        if (c.message.isEmpty())
            EXPECT_TRUE(Script().messages[0].text.contains(QString::number(kPixelLimit)))
                << Script().messages[0].text.toStdString();
        else
            EXPECT_EQ(Script().messages[0].text, c.message);
        QLineEdit* blamed = c.blameHeight ? dialog.HeightEdit() : dialog.WidthEdit();
        EXPECT_EQ(dialog.focusWidget(), blamed);
    }
    EXPECT_EQ(dialog.Width(), 40000) << "the edit's number, even when refused";

    // The largest square the pixel limit allows is accepted.
    Script().messages.clear();
    dialog.WidthEdit()->setText(QStringLiteral("32768"));
    dialog.HeightEdit()->setText(QStringLiteral("32768"));
    dialog.accept();
    EXPECT_TRUE(Script().messages.empty());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(std::uint64_t(dialog.Width()) * dialog.Height(), kPixelLimit);
}

TEST(PaintCursor, EachToolHasItsOwnDrawnCursor) {
    std::vector<QImage> images;
    for (int id = kCursorCrosshair; id <= kCursorEraser; ++id) {
        SCOPED_TRACE(id);
        const QCursor cursor = PaintCursor(id);
        ASSERT_EQ(cursor.shape(), Qt::BitmapCursor);
        const QImage image = cursor.pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(32, 32));
        const QPoint hot = cursor.hotSpot();
        EXPECT_TRUE(QRect(0, 0, 32, 32).contains(hot));
        int opaque = 0, clear = 0, black = 0, white = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const QRgb p = image.pixel(x, y);
                opaque += qAlpha(p) == 255;
                clear += qAlpha(p) == 0;
                black += p == qRgb(0, 0, 0);
                white += p == qRgb(255, 255, 255);
            }
        EXPECT_GT(opaque, 0);
        EXPECT_GT(clear, 0);
        EXPECT_GT(black, 0) << "the shape";
        EXPECT_GT(white, 0) << "its outline";
        // The hot spot lies within the drawing.
        QRect drawn;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                if (qAlpha(image.pixel(x, y)) == 255) drawn |= QRect(x, y, 1, 1);
        EXPECT_TRUE(drawn.contains(hot)) << hot.x() << "," << hot.y();
        for (const QImage& other : images)
            EXPECT_NE(image, other) << "each cursor differs";
        images.push_back(image);
    }
    for (int id : {0, 28144, 28152})
        EXPECT_EQ(PaintCursor(id).shape(), Qt::ArrowCursor) << id;
}

} // namespace
} // namespace tsl
