// The text tool through the real paint control and its bar: boxes dragged with mouse events,
// text typed into the bar's edits (and into the control), the bar's buttons, the scripted font
// dialog and the profile. Every rendering is checked against the image buffer's own text
// primitive drawn on the image as it was before the text.

#include "paint/PntCtrl.h"
#include "paint/PntTextFmtBar.h"
#include "paint/TextFontDesc.h"

#include "framework/Ids.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>
#include <QToolButton>

#include <gtest/gtest.h>

namespace tsl {
namespace {

using test::Script;

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
const QString kSection = QStringLiteral("Text Tool/");

class PntTextToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        QGuiApplication::clipboard()->clear();
        ctrl.resize(400, 300);
        ASSERT_TRUE(ctrl.CreateBlank(160, 80, 1, 24));
        ctrl.Image().FillAll(RGB(200, 220, 240));
        ctrl.SetModified(false);
    }

    QPoint At(int x, int y) const {
        const CPoint c = ctrl.ImageToClient(CPoint{x, y});
        return {c.x, c.y};
    }
    void Mouse(QEvent::Type type, QPoint p, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(p), QPointF(ctrl.viewport()->mapToGlobal(p)),
                          Qt::LeftButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(ctrl.viewport(), &event);
    }
    void Drag(QPoint from, QPoint to) {
        Mouse(QEvent::MouseButtonPress, from, Qt::LeftButton);
        Mouse(QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
        Mouse(QEvent::MouseMove, to, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, to, Qt::NoButton);
    }
    // Drags a new text box over image pixels r (right and bottom exclusive).
    void Box(const CRect& r) { Drag(At(r.left, r.top), At(r.right, r.bottom)); }

    CPntTextFmtBar& Bar() { return ctrl.TextBar(); }
    QPlainTextEdit* Edit() { return Bar().VisibleEdit(); }
    QToolButton* Button(int id) { return Bar().findChild<QToolButton*>(ControlName(id)); }
    void Type(const QString& text) { QTest::keyClicks(Edit(), text); }

    std::vector<COLORREF> Pixels(const CDIBSection& image) const {
        std::vector<COLORREF> out;
        for (int y = 0; y < image.Height(); ++y)
            for (int x = 0; x < image.Width(); ++x) out.push_back(image.GetPixel(x, y));
        return out;
    }
    std::vector<COLORREF> Pixels() const { return Pixels(ctrl.Image()); }
    // What the image buffer's primitive draws on `before` for the control's current text state.
    std::vector<COLORREF> Expected(const CDIBSection& before, const QString& text, const CRect& box,
                                   COLORREF colour) {
        CDIBSection image;
        image.CopyFrom(before);
        image.Text(text, box, ctrl.TextFormat(), colour, &ctrl.TextFont());
        return Pixels(image);
    }
    CDIBSection Snapshot() const {
        CDIBSection copy;
        copy.CopyFrom(ctrl.Image());
        return copy;
    }

    CPntCtrl ctrl;
    const CRect box{10, 8, 150, 70};
};

// ---- typing, undo steps and the primitive's pixels

TEST_F(PntTextToolTest, TypingRendersEachChangeAsOneStepAndDeletingRestoresTheImage) {
    ctrl.SetMode(kModeText);
    ASSERT_TRUE(Bar().Exists());
    const CDIBSection before = Snapshot();
    Box(box);
    EXPECT_EQ(ctrl.GetSelectionRect(), box);
    EXPECT_EQ(Pixels(), Pixels(before)) << "an empty box draws nothing";

    Type(QStringLiteral("abc"));
    EXPECT_EQ(ctrl.Text(), QStringLiteral("abc"));
    EXPECT_NE(Pixels(), Pixels(before));
    EXPECT_EQ(Pixels(), Expected(before, QStringLiteral("abc"), box, kBlack));
    EXPECT_EQ(ctrl.HistorySize(), 1) << "each keystroke replaces the text's one step";
    EXPECT_TRUE(ctrl.IsModified());

    for (int i = 0; i < 3; ++i) QTest::keyClick(Edit(), Qt::Key_Backspace);
    EXPECT_TRUE(ctrl.Text().isEmpty());
    EXPECT_EQ(Pixels(), Pixels(before));
    EXPECT_FALSE(ctrl.CanUndo()) << "nothing of the text is left to take back";
    EXPECT_EQ(ctrl.HistorySize(), 2) << "the state before the text, and its last rendering to redo";
}

TEST_F(PntTextToolTest, ReturnBreaksLinesAndAColourChangeRedrawsInTheNewColour) {
    ctrl.SetMode(kModeText);
    const CDIBSection before = Snapshot();
    Box(box);
    Type(QStringLiteral("one"));
    QTest::keyClick(Edit(), Qt::Key_Return);
    Type(QStringLiteral("two"));
    EXPECT_EQ(ctrl.Text(), QStringLiteral("one\ntwo"));
    ctrl.SetForeColour(kBlue);
    EXPECT_EQ(Pixels(), Expected(before, QStringLiteral("one\ntwo"), box, kBlue));
    EXPECT_EQ(ctrl.HistorySize(), 1);
}

TEST_F(PntTextToolTest, KeysSentToTheControlGoToTheEditAndCtrlZEndsTheText) {
    ctrl.SetMode(kModeText);
    const CDIBSection before = Snapshot();
    Box(box);
    QTest::keyClicks(&ctrl, QStringLiteral("xy"));
    EXPECT_EQ(Edit()->toPlainText(), QStringLiteral("xy"));
    EXPECT_EQ(Pixels(), Expected(before, QStringLiteral("xy"), box, kBlack));

    QTest::keyClick(&ctrl, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(Edit()->toPlainText().isEmpty());
    EXPECT_EQ(Pixels(), Pixels(before));
    QTest::keyClick(&ctrl, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Pixels(), Expected(before, QStringLiteral("xy"), box, kBlack));
    EXPECT_TRUE(Edit()->toPlainText().isEmpty());
}

TEST_F(PntTextToolTest, APreeditStringStaysInTheEditAndOnlyCommittedTextIsDrawn) {
    ctrl.SetMode(kModeText);
    const CDIBSection before = Snapshot();
    Box(box);
    QInputMethodEvent preedit(QStringLiteral("ma"), {});
    QCoreApplication::sendEvent(Edit(), &preedit);
    EXPECT_TRUE(Edit()->toPlainText().isEmpty());
    EXPECT_EQ(Pixels(), Pixels(before));

    // Right-to-left text that joins: drawn through Qt's shaping as the primitive draws it.
    const QString arabic = QString::fromUtf8("\u0645\u0631\u062d\u0628\u0627 \u05e9\u05dc\u05d5\u05dd");
    QInputMethodEvent commit;
    commit.setCommitString(arabic);
    QCoreApplication::sendEvent(Edit(), &commit);
    EXPECT_EQ(ctrl.Text(), arabic);
    EXPECT_NE(Pixels(), Pixels(before));
    EXPECT_EQ(Pixels(), Expected(before, arabic, box, kBlack));
}

// ---- the box

TEST_F(PntTextToolTest, MovingALiveBoxRendersAtTheNewPlaceAsOneStep) {
    ctrl.SetMode(kModeText);
    const CDIBSection before = Snapshot();
    const CRect small{10, 8, 80, 40};
    Box(small);
    Type(QStringLiteral("move"));
    Drag(At(30, 20), At(50, 35)); // inside the box: 20 right, 15 down
    const CRect moved{30, 23, 100, 55};
    EXPECT_EQ(ctrl.GetSelectionRect(), moved);
    EXPECT_EQ(Pixels(), Expected(before, QStringLiteral("move"), moved, kBlack));
    EXPECT_EQ(ctrl.HistorySize(), 1);
    EXPECT_EQ(Edit()->toPlainText(), QStringLiteral("move")) << "the text stays live";

    // Resizing on the bottom-right handle lays the text out in the new box.
    const CPoint corner = ctrl.ImageToClient(CPoint{moved.right, moved.bottom});
    Drag(QPoint(corner.x + 2, corner.y + 2), At(140, 75));
    EXPECT_EQ(ctrl.GetSelectionRect().TopLeft(), moved.TopLeft());
    EXPECT_GT(ctrl.GetSelectionRect().Width(), moved.Width() + 30);
    EXPECT_EQ(Pixels(), Expected(before, QStringLiteral("move"), ctrl.GetSelectionRect(), kBlack));
    EXPECT_EQ(ctrl.HistorySize(), 1);

    ctrl.Undo();
    EXPECT_EQ(Pixels(), Pixels(before));
}

TEST_F(PntTextToolTest, APressInTheBoxThatMovesNothingKeepsTheText) {
    ctrl.SetMode(kModeText);
    const CDIBSection before = Snapshot();
    Box(box);
    Type(QStringLiteral("stay"));
    const auto drawn = Pixels();
    Mouse(QEvent::MouseButtonPress, At(40, 30), Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, At(40, 30), Qt::NoButton);
    EXPECT_EQ(Pixels(), drawn);
    Type(QStringLiteral("s"));
    EXPECT_EQ(Pixels(), Expected(before, QStringLiteral("stays"), box, kBlack));
}

TEST_F(PntTextToolTest, EnteringTextModeNeverUndoesAnEarlierEdit) {
    ctrl.SetMode(kModeSelect);
    Drag(At(20, 20), At(60, 50));
    ctrl.SaveUndoStep();
    ctrl.Image().FillRect({0, 0, 5, 5}, kRed); // an edit of its own
    const CDIBSection edited = Snapshot();
    ctrl.SetMode(kModeText);
    Drag(At(30, 30), At(35, 32)); // inside the visible selection: a box move, no text yet
    EXPECT_EQ(ctrl.Image().GetPixel(1, 1), kRed);
    EXPECT_EQ(Pixels(), Pixels(edited));
}

TEST_F(PntTextToolTest, EndingTheTextKeepsItsPixels) {
    ctrl.SetMode(kModeText);
    Box({10, 8, 70, 40});
    Type(QStringLiteral("first"));
    const auto first = Pixels();

    Box({80, 40, 150, 75}); // a new box outside the first ends it
    EXPECT_EQ(Pixels(), first);
    EXPECT_TRUE(Edit()->toPlainText().isEmpty());
    Type(QStringLiteral("second"));
    EXPECT_NE(Pixels(), first);
    const auto both = Pixels();

    ctrl.SetMode(kModePen);
    EXPECT_EQ(Pixels(), both);
    EXPECT_FALSE(Bar().Exists());
    EXPECT_TRUE(ctrl.Text().isEmpty());
    for (int a = 0; a < 3; ++a) EXPECT_TRUE(Bar().Edit(a)->toPlainText().isEmpty());

    ctrl.SetMode(kModeText);
    Box(box);
    Type(QStringLiteral("third"));
    const auto three = Pixels();
    Bar().close(); // closing the bar ends the text and selects
    EXPECT_EQ(ctrl.GetMode(), kModeSelect);
    EXPECT_FALSE(Bar().isVisible());
    EXPECT_EQ(Pixels(), three);
}

TEST_F(PntTextToolTest, HugeTextsAndTinyBoxesRender) {
    ctrl.SetMode(kModeText);
    Box({20, 20, 21, 21});
    EXPECT_EQ(ctrl.GetSelectionRect(), (CRect{20, 20, 21, 21}));
    QString words;
    while (words.size() < 100'000) words += QStringLiteral("lorem ipsum ");
    Edit()->setPlainText(words);
    EXPECT_EQ(ctrl.Text().size(), words.size());
    for (int y = 0; y < ctrl.Image().Height(); ++y)
        for (int x = 0; x < ctrl.Image().Width(); ++x)
            if (x != 20 || y != 20) {
                ASSERT_EQ(ctrl.Image().GetPixel(x, y), RGB(200, 220, 240));
            }

    Box(box); // the whole text again in a large box, and one long word
    Edit()->setPlainText(words);
    Edit()->setPlainText(QString(100'000, u'w'));
    EXPECT_EQ(ctrl.HistorySize(), 2) << "one step for each of the two texts";
}

// ---- the bar's buttons

TEST_F(PntTextToolTest, AlignmentRedrawsTheTextAndMovesTextAndSelectionToTheNewEdit) {
    ctrl.SetMode(kModeText);
    const CDIBSection before = Snapshot();
    Box(box);
    Type(QStringLiteral("hello world"));
    QTextCursor cursor = Edit()->textCursor();
    cursor.setPosition(2);
    cursor.setPosition(7, QTextCursor::KeepAnchor);
    Edit()->setTextCursor(cursor);
    QPlainTextEdit* left = Edit();

    Button(IDC_TEXT_ALIGN_CENTRE)->click();
    EXPECT_EQ(ctrl.TextFormat(), 0x811u);
    EXPECT_EQ(Pixels(), Expected(before, QStringLiteral("hello world"), box, kBlack));
    QPlainTextEdit* centre = Edit();
    EXPECT_EQ(centre, Bar().Edit(1));
    EXPECT_FALSE(left->isVisibleTo(&Bar()));
    EXPECT_TRUE(centre->isVisibleTo(&Bar()));
    EXPECT_EQ(centre->toPlainText(), QStringLiteral("hello world"));
    EXPECT_EQ(centre->textCursor().anchor(), 2);
    EXPECT_EQ(centre->textCursor().position(), 7);
    EXPECT_TRUE(Button(IDC_TEXT_ALIGN_CENTRE)->isChecked());
    EXPECT_FALSE(Button(IDC_TEXT_ALIGN_LEFT)->isChecked());
    EXPECT_EQ(Script().profileValues.value(kSection + "Alignment").toInt(), 1);
    EXPECT_EQ(ctrl.HistorySize(), 1);

    Button(IDC_TEXT_ALIGN_RIGHT)->click();
    EXPECT_EQ(ctrl.TextFormat(), 0x812u);
    EXPECT_EQ(Pixels(), Expected(before, QStringLiteral("hello world"), box, kBlack));
    Type(QStringLiteral("!")); // typing goes on in the right-aligned edit
    EXPECT_EQ(ctrl.Text(), QStringLiteral("he!orld")) << "the selection came along";
}

TEST_F(PntTextToolTest, BoldItalicAndUnderlineFollowTheirRules) {
    ctrl.SetMode(kModeText);
    QToolButton* bold = Button(IDC_TEXT_BOLD);
    EXPECT_EQ(Bar().FontDesc().weight, 0);
    bold->click();
    EXPECT_EQ(Bar().FontDesc().weight, 400);
    EXPECT_FALSE(bold->isChecked()) << "400 is not bold";
    bold->click();
    EXPECT_EQ(Bar().FontDesc().weight, 700);
    EXPECT_TRUE(bold->isChecked());
    EXPECT_EQ(ctrl.TextFont().weight(), QFont::Bold);
    bold->click();
    EXPECT_EQ(Bar().FontDesc().weight, 400);
    EXPECT_FALSE(bold->isChecked());

    Button(IDC_TEXT_ITALIC)->click();
    Button(IDC_TEXT_UNDERLINE)->click();
    EXPECT_TRUE(ctrl.TextFont().italic());
    EXPECT_TRUE(ctrl.TextFont().underline());
    EXPECT_TRUE(Edit()->font().italic()) << "the edits share the font";
    EXPECT_EQ(Script().profileValues.value(kSection + "Font").toString(),
              QStringLiteral("0,0,0,0,400,1,1,0,0,0,0,0,0,System"));
    Button(IDC_TEXT_ITALIC)->click();
    EXPECT_FALSE(ctrl.TextFont().italic());
    EXPECT_FALSE(Button(IDC_TEXT_ITALIC)->isChecked());
}

TEST_F(PntTextToolTest, TheStoredSystemFontIsTheDesktopsFont) {
    Script().profileValues[kSection + "Font"] = QStringLiteral("0,0,0,0,0,0,0,0,0,0,0,0,0,System");
    Script().profileValues[kSection + "Alignment"] = 2;
    ctrl.SetMode(kModeText);
    EXPECT_EQ(Bar().FontDesc().face, QStringLiteral("System"));
    EXPECT_EQ(Bar().FontDesc().height, 0);
    const QFont general = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    EXPECT_EQ(ctrl.TextFont().family(), general.family());
    EXPECT_GT(QFontMetrics(ctrl.TextFont()).height(), 5);
    EXPECT_EQ(Bar().windowTitle(), QStringLiteral("Text Tool [System, 0pt]"));
    EXPECT_EQ(Bar().Alignment(), 2);
    EXPECT_EQ(ctrl.TextFormat() & 3u, 2u);
    EXPECT_TRUE(Button(IDC_TEXT_ALIGN_RIGHT)->isChecked());
}

TEST_F(PntTextToolTest, TheFontDialogsColourBecomesTheForegroundColour) {
    ctrl.SetMode(kModeText);
    const CDIBSection before = Snapshot();
    Box(box);
    Type(QStringLiteral("Colour"));
    QFont chosen(QStringLiteral("DejaVu Serif"));
    chosen.setPixelSize(20);
    chosen.setItalic(true);
    Script().fontAnswers.push_back({platform::DialogResult::Ok, chosen});
    Script().fontColourAnswers.push_back(QColor(255, 0, 0));
    Bar().findChild<QPushButton*>(ControlName(IDC_TEXT_FONT))->click();

    ASSERT_EQ(Script().fontColoursShown.size(), 1u);
    EXPECT_EQ(Script().fontColoursShown[0], QColor(0, 0, 0)) << "starts from the pen colour";
    EXPECT_EQ(ctrl.ForeColour(), kRed);
    EXPECT_EQ(Bar().FontDesc().height, -20);
    EXPECT_EQ(Bar().FontDesc().italic, 1u);
    EXPECT_EQ(Bar().FontDesc().face, QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(Bar().windowTitle(), QStringLiteral("Text Tool [DejaVu Serif, %1pt]")
                                       .arg(-MulDiv(-20, 72, qRound(Bar().screen()->logicalDotsPerInchY()))));
    EXPECT_EQ(ctrl.TextFont().pixelSize(), 20);

    // Drawn again in the new colour and font.
    EXPECT_NE(Pixels(), Pixels(before));
    EXPECT_EQ(Pixels(), Expected(before, QStringLiteral("Colour"), box, kRed));

    // A cancelled dialog changes nothing.
    Bar().findChild<QPushButton*>(ControlName(IDC_TEXT_FONT))->click();
    EXPECT_EQ(ctrl.ForeColour(), kRed);
    EXPECT_EQ(Bar().FontDesc().height, -20);
    ctrl.SetMode(kModePen);
    EXPECT_EQ(ctrl.ForeColour(), kRed) << "the pen colour of every tool";
}

// ---- the bar's window

TEST_F(PntTextToolTest, TheEditsStretchAndThePicturesTakeTheButtonFace) {
    ctrl.SetMode(kModeText);
    const QRect first = Edit()->geometry();
    Bar().resize(Bar().width() + 100, Bar().height() + 50);
    const QRect grown = Edit()->geometry();
    EXPECT_EQ(grown.topLeft(), first.topLeft());
    EXPECT_EQ(Bar().width() - (grown.right() + 1), grown.left());
    EXPECT_EQ(Bar().height() - (grown.bottom() + 1), grown.top());
    EXPECT_EQ(Bar().Edit(0)->geometry(), Bar().Edit(2)->geometry());

    QPalette palette = Bar().palette();
    palette.setColor(QPalette::Button, QColor(10, 200, 30));
    Bar().setPalette(palette);
    const QImage picture =
        Button(IDC_TEXT_BOLD)->icon().pixmap(QSize(16, 15)).toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(QColor(picture.pixel(0, 0)), QColor(10, 200, 30));
    EXPECT_EQ(QColor(picture.pixel(4, 2)), QColor(0, 0, 0)) << "the B's ink";
}

TEST_F(PntTextToolTest, EditCommandsGoToTheVisibleEdit) {
    ctrl.SetMode(kModeText);
    Box(box);
    Type(QStringLiteral("cut me"));
    Edit()->selectAll();
    EXPECT_TRUE(ctrl.CanCopy());
    ctrl.Cut();
    EXPECT_TRUE(Edit()->toPlainText().isEmpty());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("cut me"));
    EXPECT_TRUE(ctrl.CanPaste());
    ctrl.Paste();
    ctrl.Paste();
    EXPECT_EQ(ctrl.Text(), QStringLiteral("cut mecut me"));

    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    QGuiApplication::clipboard()->setImage(image);
    EXPECT_FALSE(ctrl.CanPaste()) << "a bitmap is no text";
}

// ---- the stored font

TEST(TextFontDesc, ReadsWhatIsThereAndKeepsWhatQtDoesNotUse) {
    const CTextFontDesc full =
        CTextFontDesc::Parse(QStringLiteral("-16,7,900,900,700,1,0,1,204,3,2,5,34,DejaVu Sans"));
    EXPECT_EQ(full.height, -16);
    EXPECT_EQ(full.weight, 700);
    EXPECT_EQ(full.charSet, 204u);
    EXPECT_EQ(full.face, QStringLiteral("DejaVu Sans"));
    // A font dialog's answer changes only the fields Qt knows.
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPixelSize(30);
    EXPECT_EQ(full.WithFont(font, 96).Format(),
              QStringLiteral("-30,7,900,900,400,0,0,0,204,3,2,5,34,DejaVu Serif"));
    EXPECT_EQ(CTextFontDesc::Parse(full.Format()), full);

    const CTextFontDesc few = CTextFontDesc::Parse(QStringLiteral("-12,0,Mono"));
    EXPECT_EQ(few.height, -12);
    EXPECT_EQ(few.weight, 0);
    EXPECT_EQ(few.face, QStringLiteral("Mono"));

    const CTextFontDesc junk = CTextFontDesc::Parse(QStringLiteral("-9,x,5,5,700,1,,,,,,,,Face"));
    EXPECT_EQ(junk.height, -9);
    EXPECT_EQ(junk.weight, 0) << "reading stops at the first non-number";

    const CTextFontDesc commas = CTextFontDesc::Parse(QStringLiteral("-10,0,0,0,0,0,0,0,0,0,0,0,0,Times, Roman"));
    EXPECT_EQ(commas.face, QStringLiteral(" Roman"));
    EXPECT_EQ(commas.height, -10);

    const CTextFontDesc none = CTextFontDesc::Parse(QStringLiteral("no commas at all"));
    EXPECT_EQ(none.height, 0);
    EXPECT_TRUE(none.face.isEmpty());
    EXPECT_EQ(none.ToFont().family(), QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());

    const CTextFontDesc bytes = CTextFontDesc::Parse(QStringLiteral("0,0,0,0,0,999,-4,1,99999999999999,0,0,0,0,F"));
    EXPECT_EQ(bytes.italic, 255u);
    EXPECT_EQ(bytes.underline, 0u);
    EXPECT_EQ(bytes.charSet, 255u);
    EXPECT_EQ(CTextFontDesc::Parse(QString()).face, QString());
}

TEST(TextFontDesc, HeightsMapToPixelSizesAndPointSizes) {
    CTextFontDesc d;
    d.height = -24;
    EXPECT_EQ(d.ToFont().pixelSize(), 24);
    EXPECT_EQ(d.PointSize(96), 18);
    d.height = -13;
    EXPECT_EQ(d.PointSize(96), 10) << "9.75 rounds to 10";
    d.height = 30; // a cell height: the font's line is about that high
    EXPECT_NEAR(QFontMetrics(d.ToFont()).height(), 30, 2);
    d.height = -2'000'000'000;
    EXPECT_EQ(d.ToFont().pixelSize(), CTextFontDesc::kMaxPixelSize);
    EXPECT_EQ(MulDiv(-7, 3, 2), -11);
    EXPECT_EQ(MulDiv(7, 3, 2), 11);
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
    d.weight = 5000;
    EXPECT_EQ(d.ToFont().weight(), 1000);
}

} // namespace
} // namespace tsl
