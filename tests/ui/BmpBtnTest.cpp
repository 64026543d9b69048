#include "ui/BmpBtn.h"
#include "ui/BmpBtnImages.h"

#include "support/TestEnvironment.h"

#include <QEnterEvent>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace tsl {
namespace {

using test::Env;
using test::Script;

QString S(const char* text) {
    return QString::fromLatin1(text);
}

QRgb Rgb(COLORREF c) {
    return qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
}

// The button's pixels as the screen shows them now.
QImage Pixels(CBmpBtn& button) {
    return button.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QImage Draw(CBmpBtn& button, CBmpBtn::State state) {
    QImage image(button.size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    QPainter painter(&image);
    button.DrawState(painter, state);
    return image;
}

int Count(const QImage& image, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
    return n;
}

void Enter(QWidget& widget) {
    QEnterEvent event(QPointF(5, 5), QPointF(5, 5), widget.mapToGlobal(QPointF(5, 5)));
    QApplication::sendEvent(&widget, &event);
}

void Move(QWidget& widget, QPoint pos) {
    QMouseEvent event(QEvent::MouseMove, QPointF(pos), widget.mapToGlobal(QPointF(pos)),
                      Qt::NoButton, Qt::NoButton, {});
    QApplication::sendEvent(&widget, &event);
}

void Leave(QWidget& widget) {
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(&widget, &event);
}

// A parent with radio buttons of consecutive ids.
struct RadioPanel {
    QWidget parent;
    std::vector<CBmpBtn*> buttons;
    RadioPanel(int first, int count) {
        for (int i = 0; i < count; ++i)
            buttons.push_back(new CBmpBtn(S("s:R~C:r~"), first + i, &parent));
    }
    CBmpBtn* ById(int id) {
        for (CBmpBtn* b : buttons)
            if (b->ControlId() == id) return b;
        return nullptr;
    }
    void CheckAll() {
        for (CBmpBtn* b : buttons)
            b->SetCheckState(QLatin1Char('C'));
    }
    QString States() const {
        QString s;
        for (CBmpBtn* b : buttons)
            s += b->CheckState();
        return s;
    }
};

TEST(BmpBtn, RadioClickClearsItsGroupBetweenGroupStarts) {
    RadioPanel panel(100, 8);
    panel.ById(103)->SetGroupStart(true);
    panel.ById(106)->SetGroupStart(true);
    panel.CheckAll();
    // 104 clears down to and including the group start 103, up to before 106.
    QTest::mouseClick(panel.ById(104), Qt::LeftButton);
    EXPECT_EQ(panel.States(), S("CCCUCUCC"));
    // A group start clicked itself ends the downward walk at once.
    panel.CheckAll();
    QTest::mouseClick(panel.ById(103), Qt::LeftButton);
    EXPECT_EQ(panel.States(), S("CCCCUUCC"));
    // Clicking a checked radio button keeps it checked.
    QTest::mouseClick(panel.ById(103), Qt::LeftButton);
    EXPECT_EQ(panel.ById(103)->CheckState(), QLatin1Char('C'));
}

TEST(BmpBtn, RadioWalkStopsAtMissingOrForeignItemsAndAfterSeventeen) {
    RadioPanel panel(200, 40);
    panel.CheckAll();
    QTest::mouseClick(panel.ById(220), Qt::LeftButton);
    QString expected(40, QLatin1Char('C'));
    for (int id = 203; id <= 237; ++id)
        expected[id - 200] = QLatin1Char('U');
    expected[20] = QLatin1Char('C');
    EXPECT_EQ(panel.States(), expected);

    // A missing id and a widget of another kind with an id both end a walk.
    RadioPanel gaps(300, 10);
    gaps.buttons[2]->setProperty(CBmpBtn::kControlIdProperty, 9999); // 302 is missing
    auto* foreign = new QWidget(&gaps.parent);
    foreign->setProperty(CBmpBtn::kControlIdProperty, 306);
    gaps.buttons[6]->SetControlId(9998);
    gaps.CheckAll();
    QTest::mouseClick(gaps.ById(304), Qt::LeftButton);
    EXPECT_EQ(gaps.States(), S("CCCUCUCCCC"));
}

TEST(BmpBtn, CheckBoxTogglesAndPushButtonsDoNotCheck) {
    CBmpBtn box(S("s:C~C:Option~"), 10);
    box.resize(100, 20);
    EXPECT_EQ(box.ButtonType(), QLatin1Char('C'));
    QSignalSpy clicks(&box, &QAbstractButton::clicked);
    QTest::mouseClick(&box, Qt::LeftButton);
    EXPECT_EQ(box.CheckState(), QLatin1Char('C'));
    QTest::mouseClick(&box, Qt::LeftButton);
    EXPECT_EQ(box.CheckState(), QLatin1Char('U'));
    EXPECT_EQ(clicks.count(), 2);
    // While pressed, an unchecked box shows down, a checked one up.
    box.setDown(true);
    EXPECT_EQ(box.CurrentState(), CBmpBtn::State::Down);
    box.setDown(false);
    box.SetCheckState(QLatin1Char('C'));
    EXPECT_EQ(box.CurrentState(), CBmpBtn::State::Down);
    box.setDown(true);
    EXPECT_EQ(box.CurrentState(), CBmpBtn::State::Up);
    box.setDown(false);
    // Released outside: nothing toggles.
    QTest::mousePress(&box, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&box, Qt::LeftButton, {}, QPoint(500, 5));
    EXPECT_EQ(box.CheckState(), QLatin1Char('C'));

    CBmpBtn push(S("OK"), 11);
    push.resize(60, 24);
    QTest::mouseClick(&push, Qt::LeftButton);
    EXPECT_EQ(push.CheckState(), QLatin1Char('U'));
    push.SetCheckState(QLatin1Char('C'));
    EXPECT_EQ(push.CheckState(), QLatin1Char('U'));
}

TEST(BmpBtn, AutoRepeatNotifiesAtEachTickWhileHeld) {
    CBmpBtn spin(S("T:SU5~"), 42);
    spin.resize(16, 16);
    QSignalSpy notes(&spin, &CBmpBtn::notified);
    QTest::mousePress(&spin, Qt::LeftButton, {}, QPoint(8, 8));
    ASSERT_EQ(notes.count(), 1);
    EXPECT_EQ(notes.at(0).at(0).toInt(), 42);
    EXPECT_EQ(notes.at(0).at(1).toInt(), CBmpBtn::kNotifyCode);
    EXPECT_TRUE(spin.RepeatTimer()->isActive());
    EXPECT_EQ(spin.RepeatTimer()->interval(), 500);
    spin.RepeatTick();
    spin.RepeatTick();
    EXPECT_EQ(notes.count(), 3);
    QTest::mouseRelease(&spin, Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_FALSE(spin.RepeatTimer()->isActive());
    spin.RepeatTick();
    EXPECT_EQ(notes.count(), 3);

    // Leaving the button while held ends the repeats.
    QTest::mousePress(&spin, Qt::LeftButton, {}, QPoint(8, 8));
    QMouseEvent away(QEvent::MouseMove, QPointF(100, 100), spin.mapToGlobal(QPointF(100, 100)),
                     Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(&spin, &away);
    spin.RepeatTick();
    EXPECT_EQ(notes.count(), 4);
    EXPECT_FALSE(spin.RepeatTimer()->isActive());
    QTest::mouseRelease(&spin, Qt::LeftButton, {}, QPoint(100, 100));

    // Digit 0 repeats every 100 ms, like digit 1.
    CBmpBtn fast(S("T:SD0~"), 43);
    fast.resize(16, 16);
    QTest::mousePress(&fast, Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_EQ(fast.RepeatTimer()->interval(), 100);
    QTest::mouseRelease(&fast, Qt::LeftButton, {}, QPoint(8, 8));
    // The real timer repeats too.
    CBmpBtn timed(S("T:SU1~"), 44);
    timed.resize(16, 16);
    QSignalSpy timedNotes(&timed, &CBmpBtn::notified);
    QTest::mousePress(&timed, Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_TRUE(QTest::qWaitFor([&] { return timedNotes.count() >= 3; }, 2000));
    QTest::mouseRelease(&timed, Qt::LeftButton, {}, QPoint(8, 8));
}

TEST(BmpBtn, MouseOverNotifiesPushButtonsOrSendsTheCursorCommand) {
    CBmpBtn push(S("C:Go~"), 7);
    push.resize(50, 20);
    QSignalSpy notes(&push, &CBmpBtn::notified);
    Move(push, QPoint(5, 5));
    Move(push, QPoint(6, 6));
    EXPECT_EQ(notes.count(), 2);
    EXPECT_EQ(notes.at(1).at(1).toInt(), 5);

    CBmpBtn check(S("s:C~C:x~"), 8);
    check.resize(50, 20);
    QSignalSpy checkNotes(&check, &CBmpBtn::notified);
    Move(check, QPoint(5, 5));
    EXPECT_EQ(checkNotes.count(), 0) << "only push buttons notify on mouse moves";

    CBmpBtn link(S("C:Go~u:IDC_HAND~"), 9);
    link.resize(50, 20);
    EXPECT_TRUE(link.HasCursor());
    EXPECT_EQ(link.cursor().shape(), Qt::PointingHandCursor);
    QSignalSpy linkNotes(&link, &CBmpBtn::notified);
    QSignalSpy commands(&link, &CBmpBtn::cursorCommand);
    Move(link, QPoint(5, 5));
    EXPECT_EQ(linkNotes.count(), 0);
    ASSERT_EQ(commands.count(), 1);
    EXPECT_EQ(commands.at(0).at(0).toInt(), 9 + 1024);

    CBmpBtn unknown(S("C:Go~u:NoSuchCursor~"), 10);
    EXPECT_FALSE(unknown.HasCursor());
}

TEST(BmpBtn, ClickSoundPlaysThroughThePlatformOnPress) {
    CBmpBtn button(S("C:Play~w:click~"), 1);
    button.resize(50, 20);
    QTest::mousePress(&button, Qt::LeftButton);
    EXPECT_EQ(Script().played, QStringList{Env().programFolder + S("click.wav")});
    QTest::mouseRelease(&button, Qt::LeftButton);
    button.SetDirective(S("w"), S("/sounds/ding"));
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(Script().played.last(), S("/sounds/ding.wav"));
    CBmpBtn quiet(S("Quiet"), 2);
    QTest::mouseClick(&quiet, Qt::LeftButton);
    EXPECT_EQ(Script().played.size(), 2);
}

TEST(BmpBtn, RolloverStateFollowsEnterAndLeave) {
    const QString over = test::MakeTempFolder(S("img")) + S("/over.png");
    QImage red(4, 4, QImage::Format_RGB32);
    red.fill(qRgb(255, 0, 0));
    ASSERT_TRUE(red.save(over));
    CBmpBtn button(S("R:") + over + S("~"), 1);
    button.resize(30, 30);
    Enter(button);
    EXPECT_TRUE(button.IsHot());
    EXPECT_EQ(button.CurrentState(), CBmpBtn::State::Rollover);
    EXPECT_EQ(Pixels(button).pixel(15, 15), qRgb(255, 0, 0));
    Leave(button);
    EXPECT_FALSE(button.IsHot());
    EXPECT_EQ(button.CurrentState(), CBmpBtn::State::Up);
    EXPECT_EQ(Pixels(button).pixel(15, 15), Rgb(0xC0C0C0));
    // Without a rollover image, hot changes nothing.
    CBmpBtn plain(S("L:2~"), 2);
    Enter(plain);
    EXPECT_EQ(plain.CurrentState(), CBmpBtn::State::Up);
}

TEST(BmpBtn, FaceColourHelpers) {
    CBmpBtn button(S("L:1~"), 1);
    EXPECT_EQ(button.FaceColour(), 0xC0C0C0u);
    button.SetFaceColour(RGB(12, 34, 56));
    EXPECT_EQ(button.Caption(), S("L:1~W:R12G34B56~"));
    EXPECT_EQ(button.FaceColour(), RGB(12, 34, 56));
    button.SetFaceColour(RGB(255, 255, 0));
    EXPECT_EQ(button.Caption(), S("L:1~W:R255G255B0~"));
    EXPECT_EQ(button.GetDirective(S("W")), S("R255G255B0"));
    button.SetCaption(S("W:9~"));
    EXPECT_EQ(button.FaceColour(), 0x0000FFu);
    button.resize(20, 20);
    EXPECT_EQ(Pixels(button).pixel(10, 10), qRgb(255, 0, 0));
}

// Default caption: outline, then a 2-pixel raised bevel, then the grey face.
TEST(BmpBtn, UpDownAndDisabledPixels) {
    CBmpBtn button(S("W:B~"), 1); // yellow face, no text
    button.resize(40, 24);
    const int r = 39, b = 23;
    QImage up = Pixels(button);
    for (QPoint p : {QPoint(0, 0), QPoint(r, b), QPoint(r, 0), QPoint(0, b)})
        EXPECT_EQ(up.pixel(p), qRgb(0, 0, 0));
    EXPECT_EQ(up.pixel(1, 1), qRgb(255, 255, 255));
    EXPECT_EQ(up.pixel(2, 10), qRgb(255, 255, 255));
    EXPECT_EQ(up.pixel(r - 1, 10), qRgb(128, 128, 128));
    EXPECT_EQ(up.pixel(r - 2, 10), qRgb(128, 128, 128));
    EXPECT_EQ(up.pixel(20, b - 2), qRgb(128, 128, 128));
    EXPECT_EQ(up.pixel(3, 3), qRgb(255, 255, 0));
    EXPECT_EQ(up.pixel(20, 12), qRgb(255, 255, 0));

    // Pressed: the highlight becomes the shadow colour, the shadow the face, and a black
    // frame lies one pixel inside the drawing rectangle.
    button.setDown(true);
    QImage down = Pixels(button);
    EXPECT_EQ(down.pixel(1, 10), qRgb(128, 128, 128));
    EXPECT_EQ(down.pixel(2, 10), qRgb(0, 0, 0));
    EXPECT_EQ(down.pixel(r - 1, 10), qRgb(255, 255, 0));
    EXPECT_EQ(down.pixel(r - 2, 10), qRgb(0, 0, 0));
    EXPECT_EQ(down.pixel(20, 12), qRgb(255, 255, 0));
    button.setDown(false);

    // Disabled: a grey face whatever the W item says.
    button.setEnabled(false);
    QImage off = Pixels(button);
    EXPECT_EQ(off.pixel(20, 12), Rgb(0xC0C0C0));
    EXPECT_EQ(off.pixel(1, 1), qRgb(255, 255, 255));
    // Type I keeps its face and swaps the outer colours instead.
    button.SetCaption(S("W:B~T:I~"));
    off = Pixels(button);
    EXPECT_EQ(off.pixel(20, 12), qRgb(255, 255, 0));
    EXPECT_EQ(off.pixel(1, 1), qRgb(128, 128, 128));
    EXPECT_EQ(off.pixel(r - 1, 10), qRgb(255, 255, 255));
}

TEST(BmpBtn, PreviewCaptionDrawsTheNoneResourceWithoutOutline) {
    CBmpBtn button(S("W:7~U:<NONE~L:1~O:0~"), 1098);
    button.resize(60, 50);
    const QImage image = Pixels(button);
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255)) << "no outline: the highlight is at the edge";
    EXPECT_EQ(image.pixel(1, 1), Rgb(0xC0C0C0));
    EXPECT_EQ(image.pixel(59, 49), qRgb(128, 128, 128));
    EXPECT_EQ(image.pixel(58, 48), Rgb(0xC0C0C0));
    // The resource: a 32 x 32 white card with a red sign, centred.
    EXPECT_EQ(image.pixel(14 + 4, 9 + 4), qRgb(255, 255, 255));
    EXPECT_GT(Count(image, qRgb(255, 0, 0)), 100);
    for (const char* name : {"<FIRST", "<UP", "<DOWN", "<LAST"}) {
        CBmpBtn arrow(S("U:") + S(name) + S("~"), 1);
        arrow.resize(24, 24);
        EXPECT_GT(Count(Pixels(arrow), qRgb(0, 0, 0)), 60) << name;
    }
    CBmpBtn missing(S("U:<NOSUCH~"), 1);
    missing.resize(24, 24);
    EXPECT_EQ(Count(Pixels(missing), qRgb(0, 0, 0)), 4 * 23) << "only the outline";
}

TEST(BmpBtn, FrameKinds) {
    CBmpBtn button(S("O:0~S:T~"), 1);
    button.resize(30, 20);
    QImage t = Draw(button, CBmpBtn::State::Up);
    EXPECT_EQ(t.pixel(0, 10), qRgb(0, 0, 0)) << "kind 0: black frame";
    EXPECT_EQ(t.pixel(1, 10), qRgb(255, 255, 255));
    EXPECT_EQ(t.pixel(28, 10), qRgb(0, 0, 0));
    EXPECT_EQ(t.pixel(2, 10), qRgb(0, 0, 0)) << "sunken edge inset by the bevel width";
    EXPECT_EQ(t.pixel(27, 10), qRgb(255, 255, 255));

    button.SetCaption(S("O:0~S:R~"));
    QImage etched = Draw(button, CBmpBtn::State::Up);
    EXPECT_EQ(etched.pixel(0, 10), qRgb(128, 128, 128));
    EXPECT_EQ(etched.pixel(1, 10), qRgb(255, 255, 255));
    EXPECT_EQ(etched.pixel(28, 10), qRgb(128, 128, 128));
    EXPECT_EQ(etched.pixel(29, 10), qRgb(255, 255, 255));
    EXPECT_EQ(etched.pixel(10, 10), Rgb(0xC0C0C0));

    // Kind 2: outer bevel 1, inset 2, inner bevel 1 (sunken: grey then white).
    button.SetCaption(S("O:0~S:D1210~"));
    QImage groove = Draw(button, CBmpBtn::State::Up);
    EXPECT_EQ(groove.pixel(0, 10), qRgb(255, 255, 255));
    EXPECT_EQ(groove.pixel(29, 10), qRgb(128, 128, 128));
    EXPECT_EQ(groove.pixel(3, 10), qRgb(128, 128, 128));
    EXPECT_EQ(groove.pixel(26, 10), qRgb(255, 255, 255));
    EXPECT_EQ(groove.pixel(2, 10), Rgb(0xC0C0C0));
    // The V preset: outer 1, inset 1, inner 1.
    button.SetCaption(S("s:V~"));
    QImage v = Draw(button, CBmpBtn::State::Up);
    EXPECT_EQ(v.pixel(2, 10), qRgb(128, 128, 128));
    // Kind 3 with bevel width 3 and no outline.
    button.SetCaption(S("O:0~L:3~"));
    QImage wide = Draw(button, CBmpBtn::State::Up);
    for (int x : {0, 1, 2})
        EXPECT_EQ(wide.pixel(x, 10), qRgb(255, 255, 255)) << x;
    EXPECT_EQ(wide.pixel(3, 10), Rgb(0xC0C0C0));
    for (int x : {27, 28, 29})
        EXPECT_EQ(wide.pixel(x, 10), qRgb(128, 128, 128)) << x;
}

TEST(BmpBtn, TextShadowAndDisabledTextColours) {
    CBmpBtn button(S("C:MMMM~F:-14,1,0,DejaVu Sans~f:5#9~f:8#A~"), 1);
    button.resize(80, 30);
    QImage image = Draw(button, CBmpBtn::State::Up);
    EXPECT_GT(Count(image, qRgb(255, 0, 0)), 20) << "text colour";
    EXPECT_GT(Count(image, qRgb(0, 255, 0)), 5) << "shadow colour";
    button.SetCaption(S("C:MMMM~F:-14,1,0,DejaVu Sans~f:5#9~f:8#A~o:0~"));
    EXPECT_EQ(Count(Draw(button, CBmpBtn::State::Up), qRgb(0, 255, 0)), 0) << "no shadow";
    // Disabled text takes the colour letter of index 15 (default '8', grey).
    button.SetCaption(S("C:MMMM~F:-14,1,0,DejaVu Sans~f:5#9~o:0~d:C~"));
    image = Draw(button, CBmpBtn::State::Disabled);
    EXPECT_EQ(Count(image, qRgb(255, 0, 0)), 0);
    EXPECT_GT(Count(image, qRgb(0, 0, 255)), 20);
    // Left alignment moves the text to the left edge; the text x offset adds to it.
    button.SetCaption(S("C:MMMM~F:-14,1,0,DejaVu Sans~f:5#9~o:0~J:L~"));
    image = Draw(button, CBmpBtn::State::Up);
    int leftmost = image.width();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == 0xFF0000) leftmost = std::min(leftmost, x);
    EXPECT_GE(leftmost, 5);
    EXPECT_LE(leftmost, 8);
}

TEST(BmpBtn, GroupBoxFormDrawsTheFrameBelowHalfTheTextLine) {
    CBmpBtn box(S("s:G~C:Options~F:-12,0,0,DejaVu Sans~o:0~O:0~W:B~"), 1);
    box.resize(120, 60);
    const QImage image = Draw(box, CBmpBtn::State::Up);
    int frameTop = -1;
    for (int y = 0; y < 30 && frameTop < 0; ++y)
        if (image.pixel(2, y) == qRgb(128, 128, 128)) frameTop = y;
    EXPECT_GE(frameTop, 4);
    EXPECT_LE(frameTop, 10);
    EXPECT_EQ(image.pixel(2, 1), qRgb(255, 255, 0)) << "face strip above the frame";
    EXPECT_EQ(image.pixel(60, 30), qRgb(255, 255, 0));
    // The text sits on the top line, 10 pixels in; the frame line does not cross it.
    int textLeft = image.width();
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == qRgb(0, 0, 0)) textLeft = std::min(textLeft, x);
    EXPECT_GE(textLeft, 10);
    EXPECT_LE(textLeft, 13);
}

TEST(BmpBtn, ImagesArePlacedScaledAndTiled) {
    const QString folder = test::MakeTempFolder(S("img"));
    QImage blue(8, 6, QImage::Format_RGB32);
    blue.fill(qRgb(0, 0, 255));
    ASSERT_TRUE(blue.save(folder + S("/blue.png")));
    QImage big(100, 50, QImage::Format_RGB32);
    big.fill(qRgb(0, 255, 0));
    ASSERT_TRUE(big.save(folder + S("/big.png")));
    QImage tile(2, 2, QImage::Format_RGB32);
    tile.setPixel(0, 0, qRgb(255, 0, 0));
    tile.setPixel(1, 0, qRgb(0, 0, 255));
    tile.setPixel(0, 1, qRgb(0, 0, 255));
    tile.setPixel(1, 1, qRgb(255, 0, 0));
    ASSERT_TRUE(tile.save(folder + S("/tile.png")));

    CBmpBtn button(S("U:") + folder + S("/blue.png~O:0~"), 1);
    button.resize(40, 30);
    QImage image = Draw(button, CBmpBtn::State::Up);
    EXPECT_EQ(Count(image, qRgb(0, 0, 255)), 48);
    EXPECT_EQ(image.pixel(16, 12), qRgb(0, 0, 255)) << "centred";
    EXPECT_EQ(image.pixel(15, 12), Rgb(0xC0C0C0));
    // Bevel alignment L: 6 pixels inside the bevel.
    button.SetDirective(S("B"), S("L"));
    image = Draw(button, CBmpBtn::State::Up);
    EXPECT_EQ(image.pixel(8, 12), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(7, 12), Rgb(0xC0C0C0));
    button.SetDirective(S("B"), S("R"));
    image = Draw(button, CBmpBtn::State::Up);
    EXPECT_EQ(image.pixel(31, 12), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(32, 12), Rgb(0xC0C0C0));
    // Too large: scaled down proportionally to 40 - 2*2 - 2 = 34 wide, 17 high.
    button.SetCaption(S("U:") + folder + S("/big.png~O:0~"));
    image = Draw(button, CBmpBtn::State::Up);
    EXPECT_EQ(Count(image, qRgb(0, 255, 0)), 34 * 17);
    // The down state falls back to the up image; the disabled state uses its own.
    button.SetCaption(S("U:") + folder + S("/blue.png~P:") + folder + S("/big.png~O:0~"));
    EXPECT_EQ(Count(Draw(button, CBmpBtn::State::Down), qRgb(0, 0, 255)), 48);
    EXPECT_EQ(Count(Draw(button, CBmpBtn::State::Disabled), qRgb(0, 0, 255)), 0);
    // Tiling fills the whole drawing rectangle with the pattern under the bevel.
    button.SetCaption(S("U:") + folder + S("/tile.png~N:1~O:0~L:0~"));
    image = Draw(button, CBmpBtn::State::Up);
    EXPECT_EQ(Count(image, qRgb(255, 0, 0)), 600);
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(39, 29), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(1, 0), qRgb(0, 0, 255));
}

TEST(BmpBtn, BuiltInCheckRadioAndSpinImages) {
    CBmpBtn box(S("s:C~C:Check~"), 1);
    box.resize(100, 21);
    QImage image = Pixels(box);
    // The 13 x 13 box sits 6 pixels inside the outline, vertically centred: white inside.
    EXPECT_EQ(image.pixel(7 + 6, 4 + 6), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(7, 4), qRgb(128, 128, 128));
    box.SetCheckState(QLatin1Char('C'));
    image = Pixels(box);
    EXPECT_EQ(image.pixel(7 + 5, 4 + 7), qRgb(0, 0, 0)) << "tick";
    box.setEnabled(false);
    image = Pixels(box);
    EXPECT_EQ(image.pixel(7 + 6, 4 + 3), Rgb(0xC0C0C0)) << "disabled box";

    CBmpBtn radio(S("s:R~C:Radio~"), 2);
    radio.resize(100, 20);
    radio.SetCheckState(QLatin1Char('C'));
    image = Pixels(radio);
    EXPECT_EQ(image.pixel(7 + 6, 4 + 6), qRgb(0, 0, 0)) << "dot";
    radio.SetCheckState(QLatin1Char('U'));
    EXPECT_EQ(Pixels(radio).pixel(7 + 6, 4 + 6), qRgb(255, 255, 255));

    // A radio button without text and bevel is surrounded by light grey whatever its face.
    CBmpBtn bare(S("s:R~W:9~"), 3);
    bare.resize(30, 30);
    EXPECT_EQ(Pixels(bare).pixel(25, 15), Rgb(0xC0C0C0));

    CBmpBtn spin(S("T:SU2~"), 4);
    spin.resize(18, 18); // the 16 x 16 image fits inside 18 - 2
    image = Pixels(spin);
    EXPECT_EQ(image.pixel(1 + 8, 1 + 7), qRgb(0, 0, 0)) << "arrow";
    EXPECT_EQ(image.pixel(1 + 15, 1 + 15), qRgb(0, 0, 0)) << "the image's own raised edge";
    EXPECT_EQ(image.pixel(0, 0), Rgb(0xC0C0C0)) << "no bevel, no outline";
    spin.setDown(true);
    EXPECT_EQ(Pixels(spin).pixel(1, 1), qRgb(0, 0, 0)) << "pressed image";
    for (const char* name : {"=C", "=T", "=F", "=L", "=U", "=D", "=P", "=sU", "=sDH", "=sLD", "=sR",
                             "=sP", "=sM", "_H", "_P"})
        EXPECT_FALSE(BmpBtnBuiltinImage(S(name)).isNull()) << name;
    for (const char* name : {"=", "=X", "=sQ", "=sUX", "_Q", "x"})
        EXPECT_TRUE(BmpBtnBuiltinImage(S(name)).isNull()) << name;
}

} // namespace
} // namespace tsl
