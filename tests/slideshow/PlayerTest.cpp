// The full-screen player on the offscreen platform (an 800 x 800 screen), with the test's timer
// and random source.

#include "slideshow/PlayerKit.h"
#include "slideshow/ScreenTransitionTarget.h"

#include <QMouseEvent>

namespace tsl {
namespace {

using test::PlayerTest;
using test::Script;

constexpr QRgb kBlack = 0xFF000000;
constexpr QRgb kBlue = 0xFF0000FF;

bool HasColourIn(const QImage& image, const QRect& area, QRgb colour) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixel(x, y) == colour) return true;
    return false;
}

class Player : public PlayerTest {
protected:
    void Slides(int count) {
        const QString one = Picture(QStringLiteral("one.png"));
        for (int i = 0; i < count; ++i)
            model.imageEntries << one;
    }
};

TEST_F(Player, NextAndPreviousAtTheEndsWithAndWithoutLoop) {
    for (int loop : {0, 1}) {
        model = CSlideShowModel();
        model.loop = loop;
        Slides(3);
        Play();
        EXPECT_EQ(player->CurrentIndex(), 0);
        Key(Qt::Key_Left); // previous on the first slide: the last, whatever loop says
        EXPECT_EQ(player->CurrentIndex(), 2);
        Key(Qt::Key_Home);
        EXPECT_EQ(player->CurrentIndex(), 0);
        Key(Qt::Key_End);
        EXPECT_EQ(player->CurrentIndex(), 2);
        Key(Qt::Key_Up);
        EXPECT_EQ(player->CurrentIndex(), 1);
        Key(Qt::Key_Space);
        EXPECT_EQ(player->CurrentIndex(), 2);
        Key(Qt::Key_Down);
        if (loop) {
            EXPECT_FALSE(player->Ended());
            EXPECT_EQ(player->CurrentIndex(), 0);
        } else {
            EXPECT_TRUE(player->Ended());
            EXPECT_FALSE(player->isVisible());
        }
    }
}

TEST_F(Player, PageDownOnSlide95Of100EndsTheShowOrGoesToTheFirstSlide) {
    for (int loop : {0, 1}) {
        model = CSlideShowModel();
        model.loop = loop;
        Slides(100);
        Play();
        Key(Qt::Key_End);
        Key(Qt::Key_PageUp);
        EXPECT_EQ(player->CurrentIndex(), 89);
        for (int i = 0; i < 5; ++i)
            Key(Qt::Key_Right);
        ASSERT_EQ(player->CurrentIndex(), 94);
        Key(Qt::Key_PageDown);
        EXPECT_EQ(player->Ended(), loop == 0);
        if (loop) {
            EXPECT_EQ(player->CurrentIndex(), 0);
        }
    }
    // Back ten from slide 5 goes to the last slide.
    Key(Qt::Key_Home);
    for (int i = 0; i < 4; ++i)
        Key(Qt::Key_Right);
    Key(Qt::Key_PageUp);
    EXPECT_EQ(player->CurrentIndex(), 99);
}

TEST_F(Player, EscapeAndEnterEndTheShowAndKeysWithModifiersDoNothing) {
    for (int key : {int(Qt::Key_Escape), int(Qt::Key_Return), int(Qt::Key_Enter)}) {
        model = CSlideShowModel();
        Slides(3);
        Play();
        Key(Qt::Key_Right, Qt::ControlModifier);
        Key(Qt::Key_Right, Qt::ShiftModifier);
        EXPECT_EQ(player->CurrentIndex(), 0);
        Key(key);
        EXPECT_TRUE(player->Ended()) << key;
    }
}

TEST_F(Player, ASmallerPictureIsCentredWithItsCaptionInBlueInTheBottomBand) {
    model.imageEntries << Picture(QStringLiteral("small.png"), 100, 50, qRgb(200, 40, 40));
    Play();
    ASSERT_EQ(player->ScreenSize(), QSize(800, 800));
    EXPECT_EQ(player->PanOffset(), QPoint(350, 375));
    const QImage& frame = player->Shown();
    EXPECT_EQ(frame.pixel(350, 375), qRgb(200, 40, 40));
    EXPECT_EQ(frame.pixel(449, 424), qRgb(200, 40, 40));
    EXPECT_EQ(frame.pixel(349, 375), kBlack);
    EXPECT_EQ(frame.pixel(450, 424), kBlack);
    EXPECT_EQ(frame.pixel(350, 425), kBlack);
    EXPECT_TRUE(HasColourIn(frame, QRect(0, 770, 400, 30), kBlue));
    EXPECT_FALSE(HasColourIn(frame, QRect(0, 0, 800, 770), kBlue));
    EXPECT_EQ(player->CurrentPath(), dir + QStringLiteral("/small.png"));
    EXPECT_EQ(player->cursor().shape(), Qt::ArrowCursor); // the cursor of before

    // Without the caption the band stays black.
    model.showFileName = 0;
    Key(Qt::Key_Home);
    EXPECT_FALSE(HasColourIn(player->Shown(), QRect(0, 770, 800, 30), kBlue));
}

TEST_F(Player, ALargerPictureStartsAtItsCornerAndPansWithinItsEdges) {
    QImage image(1000, 900, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x % 251 + 1, y % 251 + 1, 9));
    const QString path = dir + QStringLiteral("/large.png");
    ASSERT_TRUE(image.save(path, "PNG"));
    model.imageEntries << path;
    model.showFileName = 0;
    Play();
    EXPECT_EQ(player->PanOffset(), QPoint(0, 0));
    EXPECT_EQ(player->Shown().pixel(0, 0), image.pixel(0, 0));
    ASSERT_TRUE(player->testAttribute(Qt::WA_SetCursor));
    EXPECT_EQ(player->cursor().shape(), Qt::OpenHandCursor);

    QTest::mousePress(player.get(), Qt::LeftButton, Qt::NoModifier, QPoint(400, 400));
    EXPECT_TRUE(player->Panning());
    QMouseEvent move(QEvent::MouseMove, QPointF(300, 350), QPointF(300, 350), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(player.get(), &move);
    EXPECT_EQ(player->PanOffset(), QPoint(-100, -50));
    EXPECT_EQ(player->Shown().pixel(0, 0), image.pixel(100, 50));
    // Far past the edges: the picture's right and bottom edges stop at the screen's.
    QMouseEvent far(QEvent::MouseMove, QPointF(-5000, -5000), QPointF(-5000, -5000), Qt::NoButton,
                    Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(player.get(), &far);
    EXPECT_EQ(player->PanOffset(), QPoint(-200, -100));
    EXPECT_EQ(player->Shown().pixel(799, 799), image.pixel(999, 899));
    for (int i = 0; i < 800; ++i) {
        ASSERT_NE(player->Shown().pixel(799, i), kBlack) << i;
        ASSERT_NE(player->Shown().pixel(i, 799), kBlack) << i;
    }
    // Shift ends the drag; later moves change nothing.
    QMouseEvent shifted(QEvent::MouseMove, QPointF(0, 0), QPointF(0, 0), Qt::NoButton,
                        Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(player.get(), &shifted);
    EXPECT_FALSE(player->Panning());
    QMouseEvent after(QEvent::MouseMove, QPointF(5000, 5000), QPointF(5000, 5000), Qt::NoButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(player.get(), &after);
    EXPECT_EQ(player->PanOffset(), QPoint(-200, -100));
    QTest::mouseRelease(player.get(), Qt::LeftButton, Qt::NoModifier, QPoint(0, 0));

    // A wide but short picture pans only across, and is centred down the screen.
    model.imageEntries << Picture(QStringLiteral("wide.png"), 1200, 100, qRgb(5, 200, 5));
    Key(Qt::Key_Right);
    EXPECT_EQ(player->PanOffset(), QPoint(0, 350));
    EXPECT_EQ(player->cursor().shape(), Qt::OpenHandCursor);
    QTest::mousePress(player.get(), Qt::LeftButton, Qt::NoModifier, QPoint(400, 400));
    QMouseEvent across(QEvent::MouseMove, QPointF(100, 0), QPointF(100, 0), Qt::NoButton,
                       Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(player.get(), &across);
    EXPECT_EQ(player->PanOffset(), QPoint(-300, 350));
    QTest::mouseRelease(player.get(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 0));

    // A smaller one cannot be dragged and gives the cursor back.
    model.imageEntries << Picture(QStringLiteral("small.png"));
    Key(Qt::Key_Right);
    EXPECT_EQ(player->cursor().shape(), Qt::ArrowCursor);
    QTest::mousePress(player.get(), Qt::LeftButton, Qt::NoModifier, QPoint(400, 400));
    EXPECT_FALSE(player->Panning());
    QTest::mouseRelease(player.get(), Qt::LeftButton, Qt::NoModifier, QPoint(400, 400));
}

TEST_F(Player, TheTimerAdvancesUntilALeftClickHandsTheShowToTheKeyboard) {
    Slides(4);
    model.advanceMode = 1;
    model.delay = 1500;
    Play();
    ASSERT_TRUE(player->TimerActive());
    EXPECT_EQ(timer->period, 1500);
    timer->Fire();
    EXPECT_EQ(player->CurrentIndex(), 1);
    QTest::mouseClick(player.get(), Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_TRUE(player->TimerActive()); // only the left button ends automatic mode
    QTest::mouseClick(player.get(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_FALSE(player->TimerActive());
    EXPECT_FALSE(timer->active);
    EXPECT_EQ(model.advanceMode, 0);
    timer->active = true; // even a stray tick changes nothing now
    timer->Fire();
    EXPECT_EQ(player->CurrentIndex(), 1);
    Key(Qt::Key_Right);
    EXPECT_EQ(player->CurrentIndex(), 2);
}

TEST_F(Player, TheTimerEndsTheShowPastTheLastSlideWithoutLoop) {
    Slides(2);
    model.advanceMode = 1;
    Play();
    timer->Fire();
    EXPECT_EQ(player->CurrentIndex(), 1);
    EXPECT_GE(timer->starts, 2); // restarted with each slide
    timer->Fire();
    EXPECT_TRUE(player->Ended());
    EXPECT_FALSE(timer->active);
}

TEST_F(Player, TransitionVariantsComeFromTheRandomSourceAndNeverRepeat) {
    Slides(6);
    model.useTransitions = 1;
    randoms = {100, 200, 3000, 32760, 32767, 5000, 2977 * 3, 9000, 30000};
    Play();
    for (int i = 0; i < 4; ++i)
        Key(Qt::Key_Right);
    std::vector<int> variants;
    for (auto [variant, result] : transitions) {
        variants.push_back(variant);
        EXPECT_EQ(result, kTransitionDone);
    }
    // 100 gives 0; 200 (0 again) is drawn anew as 3000 (1); 32760 gives 11; 32767 (11 again)
    // is drawn anew as 5000 (1); 8931 gives 2.
    EXPECT_EQ(variants, (std::vector<int>{0, 1, 11, 1, 2}));
    EXPECT_EQ(player->LastVariant(), 2);
    // After each transition the window shows the whole slide.
    EXPECT_EQ(player->Shown(), player->Frame());
}

TEST_F(Player, EveryVariantCompletesTheSlide) {
    Slides(13);
    model.useTransitions = 1;
    for (int v = 0; v < 12; ++v)
        randoms.push_back(v == 11 ? 32758 : v * 2978);
    model.imageEntries[5] = Picture(QStringLiteral("other.png"), 500, 700, qRgb(1, 2, 250));
    Play();
    for (int v = 1; v < 12; ++v) {
        Key(Qt::Key_Right);
        ASSERT_EQ(transitions.back(), std::make_pair(v, kTransitionDone));
        EXPECT_EQ(player->Shown(), player->Frame()) << v;
    }
}

TEST_F(Player, AKeyOrAClickDuringATransitionCompletesTheSlideWithoutNavigating) {
    Slides(5);
    model.useTransitions = 1;
    model.advanceMode = 1;
    randoms = {0, 3000, 6000, 9000};
    Play(0);
    player->SetTransitionMilliseconds(60000); // far longer than the test runs
    // A key press waiting in the queue arrives during the transition of the next slide.
    QApplication::postEvent(player.get(),
                            new QKeyEvent(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier));
    Key(Qt::Key_Right);
    ASSERT_EQ(transitions.size(), 2u);
    EXPECT_EQ(transitions.back().second, kTransitionStopped);
    EXPECT_EQ(player->CurrentIndex(), 1);
    EXPECT_EQ(player->Shown(), player->Frame());

    // A mouse press stops it too, and is not the click that ends automatic mode.
    QApplication::postEvent(player.get(),
                            new QMouseEvent(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5),
                                            Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    timer->Fire();
    ASSERT_EQ(transitions.size(), 3u);
    EXPECT_EQ(transitions.back().second, kTransitionStopped);
    EXPECT_EQ(player->CurrentIndex(), 2);
    EXPECT_TRUE(player->TimerActive());
    EXPECT_EQ(model.advanceMode, 1);
    QApplication::processEvents();
    EXPECT_EQ(player->CurrentIndex(), 2);
}

TEST_F(Player, AMissingFileIsReportedAndTheScreenKeepsWhatItShows) {
    model.imageEntries << Picture(QStringLiteral("a.png")) << dir + QStringLiteral("/gone.png")
                       << Picture(QStringLiteral("c.png"));
    Play();
    const QImage before = player->Shown();
    Key(Qt::Key_Right);
    ASSERT_EQ(Script().messages.size(), 1u);
    EXPECT_EQ(Script().messages[0].text,
              QStringLiteral("File ") + dir + QStringLiteral("/gone.png does not exist."));
    EXPECT_EQ(player->CurrentIndex(), 1);
    EXPECT_EQ(player->Shown(), before);
    Key(Qt::Key_Right);
    EXPECT_EQ(player->CurrentIndex(), 2);
    EXPECT_TRUE(player->HasPicture());
}

TEST_F(Player, AnUndecodableImageShowsABlackFrameWithItsCaption) {
    model.imageEntries << Picture(QStringLiteral("a.png"));
    model.imageEntries << test::WriteFile(dir + QStringLiteral("/broken.png"), "not a picture");
    model.imageEntries << test::WriteFile(dir + QStringLiteral("/broken.gif"), "GIF89a");
    Play();
    Key(Qt::Key_Right);
    ASSERT_EQ(Script().messages.size(), 1u);
    EXPECT_TRUE(Script().messages[0].text.startsWith(dir + QStringLiteral("/broken.png: ")));
    EXPECT_FALSE(player->HasPicture());
    EXPECT_FALSE(HasColourIn(player->Shown(), QRect(0, 0, 800, 770), qRgb(200, 40, 40)));
    EXPECT_TRUE(HasColourIn(player->Shown(), QRect(0, 770, 400, 30), kBlue));
    Key(Qt::Key_Right); // the program's own reader fails too, and the show goes on
    ASSERT_EQ(Script().messages.size(), 2u) << player->HasPicture();
    EXPECT_EQ(player->CurrentIndex(), 2);
    EXPECT_FALSE(player->Ended());
}

TEST_F(Player, TheQuickShowsFolderPrefixGoesBeforeEveryEntry) {
    Picture(QStringLiteral("a.png"));
    model.imageEntries << QStringLiteral("a.png");
    model.folderPrefix = dir + QLatin1Char('/');
    Play();
    EXPECT_EQ(player->CurrentPath(), dir + QStringLiteral("/a.png"));
    EXPECT_TRUE(player->HasPicture());
    EXPECT_TRUE(Script().messages.empty());
}

TEST_F(Player, TheNextSlideIsDecodedAheadAndThePreviousOneKept) {
    for (const char* name : {"0.png", "1.png", "2.png", "3.png"})
        model.imageEntries << Picture(QString::fromLatin1(name));
    Play();
    QApplication::processEvents();
    EXPECT_TRUE(player->Decoder().Holds(model.imageEntries[1]));
    Key(Qt::Key_Right);
    QApplication::processEvents();
    Key(Qt::Key_Right);
    QApplication::processEvents();
    EXPECT_TRUE(player->Decoder().Holds(model.imageEntries[1]));
    EXPECT_TRUE(player->Decoder().Holds(model.imageEntries[3]));
    EXPECT_FALSE(player->Decoder().Holds(model.imageEntries[0]));
}

TEST_F(Player, AnEmptyShowEndsAtOnce) {
    Play();
    EXPECT_TRUE(player->Ended());
    EXPECT_TRUE(Script().messages.empty());
}

} // namespace
} // namespace tsl
