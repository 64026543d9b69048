// The paint control driven as a user drives it: mouse and key events with positions and
// modifiers on the events, the clipboard, the scripted crop prompt and dimensions dialog, and
// the pixels of the image and of the widget.

#include "paint/PntCtrl.h"
#include "paint/PntDimDlg.h"
#include "paint/ScaledRender.h"

#include "framework/Ids.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCheckBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace tsl {
namespace {

using test::Script;

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

class PntCtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        QGuiApplication::clipboard()->clear();
        ctrl.resize(400, 300);
        ASSERT_TRUE(ctrl.CreateBlank(40, 30, 1, 24));
    }

    // The client point at the middle of image pixel (x, y).
    QPoint At(int x, int y) const {
        const CPoint c = ctrl.ImageToClient(CPoint{x, y});
        const int half = static_cast<int>(ctrl.Magnification() / 2);
        return {c.x + half, c.y + half};
    }
    void Send(QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons,
              Qt::KeyboardModifiers mods) {
        QMouseEvent event(type, QPointF(p), QPointF(ctrl.viewport()->mapToGlobal(p)), button,
                          buttons, mods);
        QCoreApplication::sendEvent(ctrl.viewport(), &event);
    }
    void Press(QPoint p, Qt::KeyboardModifiers mods = Qt::NoModifier,
               Qt::MouseButton button = Qt::LeftButton) {
        Send(QEvent::MouseButtonPress, p, button, button, mods);
    }
    void Drag(QPoint p, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        Send(QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton, mods);
    }
    void Release(QPoint p, Qt::KeyboardModifiers mods = Qt::NoModifier,
                 Qt::MouseButton button = Qt::LeftButton) {
        Send(QEvent::MouseButtonRelease, p, button, Qt::NoButton, mods);
    }
    void Click(QPoint p, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        Press(p, mods);
        Release(p, mods);
    }
    void Stroke(QPoint from, QPoint to, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        Press(from, mods);
        Drag(to, mods);
        Release(to, mods);
    }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(&ctrl, static_cast<Qt::Key>(key), mods);
    }
    int CountNot(COLORREF colour) const {
        int n = 0;
        for (int y = 0; y < ctrl.Image().Height(); ++y) {
            for (int x = 0; x < ctrl.Image().Width(); ++x) n += ctrl.Image().GetPixel(x, y) != colour;
        }
        return n;
    }
    std::vector<COLORREF> Pixels() const {
        std::vector<COLORREF> out;
        for (int y = 0; y < ctrl.Image().Height(); ++y) {
            for (int x = 0; x < ctrl.Image().Width(); ++x) out.push_back(ctrl.Image().GetPixel(x, y));
        }
        return out;
    }
    void PutClipboard(int w, int h, QColor colour) {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(colour);
        QGuiApplication::clipboard()->setImage(image);
    }

    CPntCtrl ctrl;
};

// ---- zoom, coordinates and scroll bars

TEST_F(PntCtrlTest, ZoomStepsFollowTheTableAndStopAtItsEnds) {
    EXPECT_EQ(ctrl.NextZoomStep(150, true), 200);
    EXPECT_EQ(ctrl.NextZoomStep(150, false), 100);
    EXPECT_EQ(ctrl.NextZoomStep(600, true), -1);
    EXPECT_EQ(ctrl.NextZoomStep(10, false), -1);
    ctrl.SetZoomPercent(300);
    EXPECT_EQ(ctrl.NextZoomStep(-1, true), 400);

    ctrl.SetMode(kModeZoom);
    QSignalSpy mag(&ctrl, &CPntCtrl::magChanged);
    ctrl.SetZoomPercent(100);
    Click(At(1, 1));
    EXPECT_EQ(ctrl.GetZoomPercent(), 200);
    Click(At(1, 1), Qt::AltModifier);
    EXPECT_EQ(ctrl.GetZoomPercent(), 100);
    Press(At(1, 1), Qt::NoModifier, Qt::RightButton);
    Release(At(1, 1), Qt::NoModifier, Qt::RightButton);
    EXPECT_EQ(ctrl.GetZoomPercent(), 50);
    EXPECT_EQ(mag.count(), 4);

    ctrl.SetZoomPercent(600);
    Click(At(1, 1));
    EXPECT_EQ(ctrl.GetZoomPercent(), 600) << "no step above the table's end";
}

TEST_F(PntCtrlTest, ZoomIsHeldToSaneBounds) {
    ctrl.SetZoomPercent(0);
    EXPECT_EQ(ctrl.GetZoomPercent(), 1);
    ctrl.SetZoomPercent(-50);
    EXPECT_EQ(ctrl.GetZoomPercent(), 1);
    ctrl.SetZoomPercent(1'000'000);
    EXPECT_EQ(ctrl.GetZoomPercent(), 6400);

    ctrl.resize(4, 4); // smaller than the margins: the fit would be negative
    ctrl.ZoomToFit();
    EXPECT_EQ(ctrl.GetZoomPercent(), 1);
    ASSERT_TRUE(ctrl.CreateBlank(1, 1, 1, 24));
    ctrl.resize(2000, 2000);
    ctrl.ZoomToFit();
    EXPECT_EQ(ctrl.GetZoomPercent(), 6400);
}

TEST_F(PntCtrlTest, ZoomToFitUsesTheClientWithoutBars) {
    ASSERT_TRUE(ctrl.CreateBlank(2000, 1000, 1, 24));
    ctrl.ZoomToFit();
    EXPECT_EQ(ctrl.HorizontalRange(), 0);
    EXPECT_EQ(ctrl.VerticalRange(), 0);
    EXPECT_DOUBLE_EQ(ctrl.Magnification(), (ctrl.width() - 11) / 2000.0);
    ASSERT_TRUE(ctrl.CreateBlank(300, 2000, 1, 24));
    ctrl.SetZoomPercent(100); // both bars shown; the fit ignores them
    ctrl.ZoomToFit();
    EXPECT_DOUBLE_EQ(ctrl.Magnification(), (ctrl.height() - 11) / 2000.0);
}

TEST_F(PntCtrlTest, CoordinatesRoundTripAtEveryZoomWithScrolling) {
    ASSERT_TRUE(ctrl.CreateBlank(500, 400, 1, 24));
    for (int zoom : CPntCtrl::kZoomTable) {
        ctrl.SetZoomPercent(zoom);
        ctrl.horizontalScrollBar()->setValue(ctrl.horizontalScrollBar()->maximum() / 3);
        ctrl.verticalScrollBar()->setValue(ctrl.verticalScrollBar()->maximum() / 2);
        const int sx = ctrl.HorizontalRange() > 0 ? ctrl.horizontalScrollBar()->value() : 0;
        const int sy = ctrl.VerticalRange() > 0 ? ctrl.verticalScrollBar()->value() : 0;
        for (CPoint p : {CPoint{0, 0}, CPoint{7, 3}, CPoint{123, 77}, CPoint{499, 399}}) {
            const CPoint c = ctrl.ImageToClient(p);
            EXPECT_EQ(c.x, static_cast<int>((p.x) * zoom / 100) + 5 - sx) << zoom;
            EXPECT_EQ(c.y, static_cast<int>((p.y) * zoom / 100) + 5 - sy) << zoom;
            // Below 100 % several pixels share a client pixel: the first of them comes back.
            const CPoint back{p.x * zoom / 100 * 100 / zoom, p.y * zoom / 100 * 100 / zoom};
            EXPECT_EQ(ctrl.ClientToImage(c), back) << "zoom " << zoom << " at " << p.x << "," << p.y;
        }
    }
    // Truncation: 150 % puts pixel 3 at 4.5 -> 4, and client 9 back at 4 / 1.5 = 2.67 -> 2.
    ctrl.SetZoomPercent(150);
    ctrl.horizontalScrollBar()->setValue(0);
    ctrl.verticalScrollBar()->setValue(0);
    EXPECT_EQ(ctrl.ImageToClient(CPoint{3, 3}).x, 9);
    EXPECT_EQ(ctrl.ClientToImage(CPoint{9, 9}).x, 2);
}

TEST_F(PntCtrlTest, ScrollRangesAreTheDisplayedSize) {
    EXPECT_EQ(ctrl.HorizontalRange(), 0);
    EXPECT_EQ(ctrl.VerticalRange(), 0);
    ASSERT_TRUE(ctrl.CreateBlank(1000, 100, 1, 24));
    EXPECT_EQ(ctrl.HorizontalRange(), 1010);
    EXPECT_EQ(ctrl.VerticalRange(), 0);
    QScrollBar* h = ctrl.horizontalScrollBar();
    EXPECT_EQ(h->maximum(), 1010 - h->pageStep());
    EXPECT_EQ(h->singleStep(), h->pageStep() / 10);
    ctrl.SetZoomPercent(400);
    EXPECT_EQ(ctrl.VerticalRange(), 410);
    EXPECT_EQ(ctrl.HorizontalRange(), 4010);

    // Centred: a small image sits in the middle of the client.
    ASSERT_TRUE(ctrl.CreateBlank(40, 30, 1, 24));
    ctrl.SetZoomPercent(100);
    ctrl.SetCentred(true);
    EXPECT_EQ(ctrl.DisplayOffset().x, (ctrl.width() - 50) / 2 + 5);
    EXPECT_EQ(ctrl.DisplayOffset().y, (ctrl.height() - 40) / 2 + 5);
}

// ---- tools

TEST_F(PntCtrlTest, PenClickSetsOnePixelAndAStrokeIsOneUndoStep) {
    ctrl.SetMode(kModePen);
    ctrl.SetForeColour(kRed);
    Click(At(10, 10));
    EXPECT_EQ(CountNot(kWhite), 1);
    EXPECT_EQ(ctrl.Image().GetPixel(10, 10), kRed);

    Press(At(2, 20));
    Drag(At(12, 20));
    Drag(At(12, 25));
    Release(At(12, 25));
    for (int x = 2; x <= 12; ++x) EXPECT_EQ(ctrl.Image().GetPixel(x, 20), kRed) << x;
    EXPECT_EQ(ctrl.Image().GetPixel(12, 25), kRed);
    EXPECT_TRUE(ctrl.Undo());
    EXPECT_EQ(CountNot(kWhite), 1) << "one undo takes the whole stroke back";

    // Shift paints with the background colour; a width below 1 counts as 1.
    ctrl.SetBackColour(kBlue);
    ctrl.SetLineWidth(0);
    Click(At(30, 5), Qt::ShiftModifier);
    EXPECT_EQ(ctrl.Image().GetPixel(30, 5), kBlue);
    EXPECT_EQ(CountNot(kWhite), 2);
}

TEST_F(PntCtrlTest, EscDuringAPenStrokeTakesTheStrokeBack) {
    ctrl.SetMode(kModePen);
    Press(At(2, 2));
    Drag(At(20, 2));
    Key(Qt::Key_Escape);
    Drag(At(20, 20)); // ignored: the drag is cancelled
    Release(At(20, 20));
    EXPECT_EQ(CountNot(kWhite), 0);
}

TEST_F(PntCtrlTest, EraserPaintsWhiteWithoutABackground) {
    ctrl.Image().FillAll(kBlack);
    ctrl.SetMode(kModeEraser);
    ctrl.SetEraserWidth(0);
    ctrl.SetBackColour(kNoColour);
    ctrl.SetForeColour(kRed);
    Click(At(5, 5));
    Click(At(9, 9), Qt::ShiftModifier);
    EXPECT_EQ(ctrl.Image().GetPixel(5, 5), kWhite);
    EXPECT_EQ(ctrl.Image().GetPixel(9, 9), kWhite);
    EXPECT_EQ(CountNot(kBlack), 2);

    ctrl.SetBackColour(kBlue);
    ctrl.SetEraserWidth(4);
    Click(At(20, 20));
    EXPECT_EQ(ctrl.Image().GetPixel(20, 20), kBlue);
    Click(At(30, 20), Qt::ShiftModifier);
    EXPECT_EQ(ctrl.Image().GetPixel(30, 20), kRed);
}

TEST_F(PntCtrlTest, ShapesOnARubberBand) {
    ctrl.SetMode(kModeRectangle);
    Click(At(5, 5));
    EXPECT_EQ(CountNot(kWhite), 1) << "a click with the rectangle draws one pixel";
    ctrl.Undo();

    // A rounded rectangle of no size fails, except that width 1 sets the one pixel as every
    // primitive does.
    ctrl.SetMode(kModeRoundRect);
    ctrl.SetLineWidth(3);
    Click(At(5, 5));
    ctrl.SetMode(kModeFilledRoundRect);
    Click(At(9, 9));
    EXPECT_EQ(CountNot(kWhite), 0) << "a click with the rounded rectangles draws nothing";
    ctrl.SetLineWidth(1);

    ctrl.SetMode(kModeRectangle);
    Press(At(3, 4));
    Drag(At(30, 25));
    Drag(At(15, 12)); // the band shrinks: nothing of the larger one stays
    Release(At(15, 12));
    const auto forward = Pixels();
    EXPECT_EQ(ctrl.Image().GetPixel(3, 4), kBlack);
    EXPECT_EQ(ctrl.Image().GetPixel(15, 12), kBlack);
    EXPECT_EQ(ctrl.Image().GetPixel(30, 25), kWhite);
    ctrl.Undo();
    Press(At(15, 12));
    Drag(At(3, 4));
    Release(At(3, 4));
    EXPECT_EQ(Pixels(), forward) << "drawn the other way round";

    // Esc during a shape drag leaves the image as it was, and records nothing.
    const auto before = Pixels();
    const int steps = ctrl.HistorySize();
    ctrl.SetMode(kModeFilledEllipse);
    Press(At(2, 2));
    Drag(At(20, 20));
    Key(Qt::Key_Escape);
    Release(At(20, 20));
    EXPECT_EQ(Pixels(), before);
    EXPECT_EQ(ctrl.HistorySize(), steps);
}

TEST_F(PntCtrlTest, FillAndSamplerIgnoreClicksOutsideTheImage) {
    ctrl.SetMode(kModeFill);
    ctrl.SetFillColour(kRed);
    Click(At(-3, 5));
    EXPECT_EQ(CountNot(kWhite), 0);
    EXPECT_EQ(ctrl.HistorySize(), 0);
    Click(At(5, 5));
    EXPECT_EQ(CountNot(kRed), 0);

    ctrl.Image().SetPixel(7, 7, kBlue);
    ctrl.SetMode(kModePen);
    ctrl.SetMode(kModeSampler);
    QSignalSpy sampled(&ctrl, &CPntCtrl::colourSampled);
    Click(At(45, 5));
    EXPECT_EQ(sampled.count(), 0);
    EXPECT_EQ(ctrl.GetMode(), kModeSampler);
    Click(At(7, 7));
    EXPECT_EQ(sampled.count(), 1);
    EXPECT_EQ(ctrl.ForeColour(), kBlue);
    EXPECT_EQ(ctrl.FillColour(), kBlue);
    EXPECT_EQ(ctrl.GetMode(), kModePen) << "back in the mode before the sampler";

    ctrl.SetMode(kModeSampler);
    Click(At(1, 1), Qt::ShiftModifier);
    EXPECT_EQ(ctrl.BackColour(), kRed);
    EXPECT_EQ(ctrl.FillColour(), kBlue);
}

TEST_F(PntCtrlTest, AirbrushSpraysAroundTheLastMousePosition) {
    unsigned seed = 12345;
    ctrl.SetRandomSource([&seed] { return seed = seed * 1103515245u + 12345u, seed >> 8; });
    ctrl.SetMode(kModeAirbrush);
    ctrl.SetLineWidth(0); // counts as 1: radius 4
    ctrl.SetForeColour(kRed);
    Press(At(20, 15));
    EXPECT_TRUE(ctrl.AirbrushRunning());
    ctrl.AirbrushTick();
    ctrl.AirbrushTick();
    const int painted = CountNot(kWhite);
    EXPECT_GT(painted, 0);
    EXPECT_LE(painted, 20);
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) {
            if (ctrl.Image().GetPixel(x, y) != kWhite) {
                EXPECT_LE(std::abs(x - 20), 4);
                EXPECT_LE(std::abs(y - 15), 4);
            }
        }
    }
    Drag(At(5, 5));
    const int before = CountNot(kWhite);
    ctrl.AirbrushTick(); // sprays where the mouse went
    int nearCorner = 0;
    for (int y = 0; y <= 9; ++y) {
        for (int x = 0; x <= 9; ++x) nearCorner += ctrl.Image().GetPixel(x, y) == kRed;
    }
    EXPECT_GT(nearCorner, 0);
    EXPECT_GT(CountNot(kWhite), before);
    Release(At(5, 5));
    EXPECT_FALSE(ctrl.AirbrushRunning());
    EXPECT_TRUE(ctrl.Undo());
    EXPECT_EQ(CountNot(kWhite), 0) << "the whole spray is one step";
}

TEST_F(PntCtrlTest, NoToolReactsAtZeroMagnificationOrWhenReadOnly) {
    ctrl.SetMode(kModePen);
    ctrl.SetReadOnly(true);
    Click(At(5, 5));
    ctrl.SetMode(kModeFill);
    Click(At(5, 5));
    ctrl.SetMode(kModeRectangle);
    Stroke(At(1, 1), At(9, 9));
    EXPECT_EQ(CountNot(kWhite), 0);
    EXPECT_EQ(ctrl.HistorySize(), 0);
    // The zoom tool is a tool too.
    ctrl.SetZoomPercent(100);
    ctrl.SetMode(kModeZoom);
    Click(At(5, 5));
    Press(At(5, 5), Qt::NoModifier, Qt::RightButton);
    Release(At(5, 5), Qt::NoModifier, Qt::RightButton);
    EXPECT_EQ(ctrl.GetZoomPercent(), 100);
}

// ---- undo

TEST_F(PntCtrlTest, SixEditsSixUndos) {
    ctrl.SetMode(kModePen);
    std::vector<std::vector<COLORREF>> states;
    for (int i = 0; i < 6; ++i) {
        states.push_back(Pixels());
        Click(At(i, i));
    }
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(ctrl.Undo()) << i;
    EXPECT_FALSE(ctrl.Undo());
    EXPECT_EQ(Pixels(), states[1]) << "the state before the second edit";
    EXPECT_FALSE(ctrl.CanUndo());
    EXPECT_TRUE(ctrl.CanRedo());
}

TEST_F(PntCtrlTest, RedoAndTheDiscardedBranch) {
    ctrl.SetMode(kModePen);
    Click(At(1, 1));
    const auto edited = Pixels();
    EXPECT_TRUE(ctrl.Undo());
    EXPECT_EQ(CountNot(kWhite), 0);
    EXPECT_TRUE(ctrl.Redo());
    EXPECT_EQ(Pixels(), edited);
    EXPECT_FALSE(ctrl.Redo());

    EXPECT_TRUE(ctrl.Undo());
    Click(At(2, 2)); // a new edit discards what could be redone
    EXPECT_FALSE(ctrl.CanRedo());
    EXPECT_FALSE(ctrl.Redo());
    EXPECT_EQ(ctrl.Image().GetPixel(1, 1), kWhite);
    EXPECT_TRUE(ctrl.Undo());
    EXPECT_EQ(CountNot(kWhite), 0);

    // Ctrl+Z and Ctrl+Y reach the same operations.
    Key(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(ctrl.Image().GetPixel(2, 2), kBlack);
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(ctrl.Image().GetPixel(2, 2), kWhite);

    ctrl.SetModified(false);
    EXPECT_FALSE(ctrl.CanUndo());
    EXPECT_FALSE(ctrl.CanRedo());
}

TEST_F(PntCtrlTest, EscInEachMode) {
    // Modes that undo on Esc even without a drag.
    for (int mode : {kModeNone, kModeSelect, kModePen, kModeFill, kModeEraser, kModeZoom}) {
        ASSERT_TRUE(ctrl.CreateBlank(40, 30, 1, 24));
        ctrl.SaveUndoStep();
        ctrl.Image().FillAll(kRed);
        ctrl.SetMode(mode);
        Key(Qt::Key_Escape);
        EXPECT_EQ(CountNot(kWhite), 0) << "mode " << mode;
    }
    // Modes that do not.
    for (int mode : {kModeLine, kModeRectangle, kModeFilledEllipse, kModeSampler, kModeAirbrush}) {
        ASSERT_TRUE(ctrl.CreateBlank(40, 30, 1, 24));
        ctrl.SaveUndoStep();
        ctrl.Image().FillAll(kRed);
        ctrl.SetMode(mode);
        Key(Qt::Key_Escape);
        EXPECT_EQ(CountNot(kRed), 0) << "mode " << mode;
    }
    // The airbrush undoes during a drag.
    ASSERT_TRUE(ctrl.CreateBlank(40, 30, 1, 24));
    ctrl.SetMode(kModeAirbrush);
    Press(At(10, 10));
    ctrl.AirbrushTick();
    Key(Qt::Key_Escape);
    EXPECT_FALSE(ctrl.AirbrushRunning());
    EXPECT_EQ(CountNot(kWhite), 0);
}

TEST_F(PntCtrlTest, NotificationsForEachKindOfChange) {
    QSignalSpy image(&ctrl, &CPntCtrl::imageChanged);
    QSignalSpy mode(&ctrl, &CPntCtrl::modeChanged);
    QSignalSpy mag(&ctrl, &CPntCtrl::magChanged);
    ctrl.SetMode(kModePen);
    EXPECT_EQ(mode.count(), 1);
    Press(At(1, 1));
    Drag(At(5, 1));
    Drag(At(9, 1));
    Release(At(9, 1));
    EXPECT_EQ(image.count(), 3) << "the press and each move";
    ctrl.Undo();
    ctrl.Redo();
    EXPECT_EQ(image.count(), 5);
    ASSERT_TRUE(ctrl.CreateBlank(10, 10, 1, 8));
    EXPECT_EQ(image.count(), 5) << "a replacement sends nothing";
    EXPECT_FALSE(ctrl.IsModified());
    ctrl.SetZoomPercent(200);
    ctrl.ZoomToFit();
    EXPECT_EQ(mag.count(), 2);
}

// ---- selection, move and clipboard

TEST_F(PntCtrlTest, SelectingCapturesThePixels) {
    ctrl.Image().FillRect({10, 10, 20, 20}, kRed);
    ctrl.SetMode(kModeSelect);
    QSignalSpy image(&ctrl, &CPntCtrl::imageChanged);
    Press(At(10, 10));
    Drag(At(15, 15));
    EXPECT_TRUE(ctrl.IsTracking());
    Release(At(20, 20));
    EXPECT_EQ(ctrl.GetSelectionRect(), (CRect{10, 10, 20, 20}));
    EXPECT_EQ(ctrl.FloatingBuffer().Width(), 10);
    EXPECT_EQ(ctrl.FloatingBuffer().GetPixel(0, 0), kRed);
    EXPECT_EQ(image.count(), 0);

    // A click without moving keeps the selection; a band past the image is clamped to it.
    Click(At(2, 2));
    EXPECT_EQ(ctrl.GetSelectionRect(), (CRect{10, 10, 20, 20}));
    Press(At(30, 25));
    Drag(At(60, 60));
    Release(At(60, 60));
    EXPECT_EQ(ctrl.GetSelectionRect(), (CRect{30, 25, 40, 30}));
}

TEST_F(PntCtrlTest, MovingAndCopyingTheSelection) {
    ctrl.Image().FillRect({5, 5, 10, 10}, kRed);
    ctrl.SetMode(kModeSelect);
    Stroke(At(5, 5), At(10, 10));
    ASSERT_EQ(ctrl.GetSelectionRect(), (CRect{5, 5, 10, 10}));

    // Move: the source becomes the background colour.
    Press(At(7, 7));
    Drag(At(12, 7));
    EXPECT_EQ(ctrl.GetMode(), kModeMove);
    EXPECT_EQ(ctrl.Image().GetPixel(10, 6), kRed) << "live feedback";
    Release(At(17, 7));
    EXPECT_EQ(ctrl.GetMode(), kModeSelect);
    EXPECT_EQ(ctrl.GetSelectionRect(), (CRect{15, 5, 20, 10}));
    EXPECT_EQ(ctrl.Image().GetPixel(5, 5), kWhite);
    EXPECT_EQ(ctrl.Image().GetPixel(15, 5), kRed);
    EXPECT_EQ(CountNot(kWhite), 25);
    EXPECT_TRUE(ctrl.IsFloatingLive());

    // A second drag moves the first-selected pixels again instead of piling up copies.
    Press(At(17, 7));
    Release(At(17, 7)); // a click that does not move keeps the move
    EXPECT_EQ(ctrl.Image().GetPixel(15, 5), kRed);
    Stroke(At(17, 7), At(17, 17));
    EXPECT_EQ(ctrl.GetSelectionRect(), (CRect{15, 15, 20, 20}));
    EXPECT_EQ(CountNot(kWhite), 25);
    EXPECT_EQ(ctrl.Image().GetPixel(15, 15), kRed);
    EXPECT_TRUE(ctrl.Undo());
    EXPECT_EQ(ctrl.Image().GetPixel(5, 5), kRed) << "one undo restores the original place";

    // Ctrl copies: the source stays.
    ASSERT_TRUE(ctrl.CreateBlank(40, 30, 1, 24));
    ctrl.Image().FillRect({5, 5, 10, 10}, kRed);
    ctrl.SetMode(kModePen);
    ctrl.SetMode(kModeSelect);
    Stroke(At(5, 5), At(10, 10));
    Stroke(At(7, 7), At(27, 7), Qt::ControlModifier);
    EXPECT_EQ(CountNot(kWhite), 50);

    // Esc during a move puts everything back.
    const auto before = Pixels();
    Press(At(27, 7));
    Drag(At(30, 20));
    Key(Qt::Key_Escape);
    Release(At(30, 20));
    EXPECT_EQ(Pixels(), before);
}

TEST_F(PntCtrlTest, AWholeImageSelectionIsCopiedOnlyWhenMoved) {
    ctrl.Image().FillRect({0, 0, 5, 5}, kRed);
    ctrl.SetMode(kModeSelect);
    EXPECT_FALSE(ctrl.FloatingBuffer().HasImage()) << "no copy of the whole image up front";
    ctrl.SetSelectionRect({1, 0, 41, 30}); // nudged: no longer the whole image
    Stroke(At(20, 10), At(30, 10));
    EXPECT_EQ(ctrl.FloatingBuffer().Size(), (CSize{40, 30}));
    // The captured picture lands at the moved selection's corner, 11.
    EXPECT_EQ(ctrl.Image().GetPixel(11, 0), kRed);
    EXPECT_EQ(ctrl.Image().GetPixel(15, 4), kRed);
    EXPECT_EQ(ctrl.Image().GetPixel(10, 0), kWhite);
    EXPECT_EQ(ctrl.Image().GetPixel(0, 0), kWhite);
}

TEST_F(PntCtrlTest, SelectionPartlyOutsideTheImageIsSafe) {
    ctrl.Image().FillRect({30, 20, 40, 30}, kRed);
    ctrl.SetMode(kModeSelect);
    Stroke(At(30, 20), At(40, 30));
    // An inside move may carry the selection past the image.
    Stroke(At(35, 25), At(40, 28));
    const CRect moved = ctrl.GetSelectionRect();
    EXPECT_GT(moved.right, 40);
    ctrl.CaptureSelection(moved);
    EXPECT_LE(ctrl.FloatingBuffer().Width(), 40);
    EXPECT_TRUE(ctrl.Copy());
    EXPECT_TRUE(ctrl.Cut());
    ctrl.Image().FillAll(kRed);
    ctrl.SetSelectionRect({-20, -20, 5, 5});
    Key(Qt::Key_Delete);
    EXPECT_EQ(CountNot(kRed), 25);
    const CRect outside{100, 100, 120, 120};
    EXPECT_FALSE(ctrl.EraseSelection(&outside, true));
    ctrl.SetSelectionRect({35, 25, 400, 300});
    PutClipboard(8, 8, Qt::blue);
    EXPECT_TRUE(ctrl.Paste());
}

TEST_F(PntCtrlTest, CopyCutAndTheirEnableRules) {
    EXPECT_FALSE(ctrl.CanCopy()) << "mode none, selection hidden";
    ctrl.SetMode(kModeSelect);
    EXPECT_TRUE(ctrl.CanCopy());
    ctrl.Image().FillRect({0, 0, 4, 4}, kRed);
    ctrl.SetSelectionRect({0, 0, 4, 2});
    ASSERT_TRUE(ctrl.Copy());
    EXPECT_EQ(CDIBSection::ClipboardBitmapSize(), (CSize{4, 2}));
    ctrl.SetBackColour(kBlue);
    ASSERT_TRUE(ctrl.Cut());
    EXPECT_EQ(ctrl.Image().GetPixel(0, 0), kBlue);
    EXPECT_EQ(ctrl.Image().GetPixel(0, 3), kRed);
    EXPECT_TRUE(ctrl.IsModified());

    CCmdUI ui(ID_EDIT_PASTE);
    ctrl.OnUpdateCmdUI(ui);
    EXPECT_TRUE(ui.IsEnabled());
    QGuiApplication::clipboard()->clear();
    ctrl.OnUpdateCmdUI(ui);
    EXPECT_FALSE(ui.IsEnabled());
}

TEST_F(PntCtrlTest, PasteAsksBeforeCroppingALargerBitmap) {
    ASSERT_TRUE(ctrl.CreateBlank(120, 80, 1, 24));
    ctrl.SetMode(kModeSelect);
    const QString prompt = QString::fromUtf8(CPntCtrl::kCropPrompt);

    // Yes: cropped to the selection.
    PutClipboard(200, 100, Qt::red);
    ctrl.SetSelectionRect({10, 10, 60, 60});
    Script().promptAnswers.push_back(platform::IDYES);
    ASSERT_TRUE(ctrl.Paste());
    ASSERT_FALSE(Script().messages.empty());
    EXPECT_EQ(Script().messages.back().text, prompt);
    EXPECT_EQ(Script().messages.back().buttons, platform::Buttons::YesNoCancel);
    EXPECT_EQ(ctrl.GetSelectionRect(), (CRect{10, 10, 60, 60}));
    EXPECT_EQ(CountNot(kWhite), 50 * 50);
    EXPECT_TRUE(ctrl.IsFloatingLive());

    // No: full size, clipped to the image.
    ASSERT_TRUE(ctrl.CreateBlank(120, 80, 1, 24));
    ctrl.SetSelectionRect({10, 10, 60, 60});
    Script().promptAnswers.push_back(platform::IDNO);
    ASSERT_TRUE(ctrl.Paste());
    EXPECT_EQ(ctrl.GetSelectionRect(), (CRect{10, 10, 120, 80}));
    EXPECT_EQ(CountNot(kWhite), 110 * 70);

    // Cancel: nothing.
    ASSERT_TRUE(ctrl.CreateBlank(120, 80, 1, 24));
    ctrl.SetSelectionRect({10, 10, 60, 60});
    Script().promptAnswers.push_back(platform::IDCANCEL);
    EXPECT_FALSE(ctrl.Paste());
    EXPECT_EQ(CountNot(kWhite), 0);
    EXPECT_EQ(ctrl.HistorySize(), 0);

    // The whole image as the selection: no question, top-left, full size.
    const std::size_t asked = Script().messages.size();
    ctrl.ResetSelection();
    ASSERT_TRUE(ctrl.Paste());
    EXPECT_EQ(Script().messages.size(), asked);
    EXPECT_EQ(ctrl.GetSelectionRect(), (CRect{0, 0, 200, 100}));
    EXPECT_EQ(CountNot(kRed), 0) << "every pixel is red";
    EXPECT_EQ(ctrl.Image().GetPixel(0, 0), kRed);
    EXPECT_EQ(ctrl.Image().GetPixel(119, 79), kRed);
    EXPECT_TRUE(ctrl.Undo());

    // A smaller bitmap lands at the selection's top-left, and a drag moves it without erasing
    // what lay under its first place.
    ctrl.Image().FillAll(kBlue);
    PutClipboard(5, 5, Qt::red);
    ctrl.SetSelectionRect({20, 20, 60, 60});
    ASSERT_TRUE(ctrl.Paste());
    EXPECT_EQ(ctrl.Image().GetPixel(20, 20), kRed);
    EXPECT_EQ(ctrl.Image().GetPixel(25, 25), kBlue);
    Stroke(At(22, 22), At(42, 22));
    EXPECT_EQ(ctrl.Image().GetPixel(20, 20), kBlue);
    EXPECT_EQ(ctrl.Image().GetPixel(40, 20), kRed);
}

TEST_F(PntCtrlTest, KeyedPasteLeavesTheBackgroundColourOut) {
    ctrl.Image().FillAll(kBlue);
    QImage image(4, 1, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(255, 0, 0));
    image.setPixel(1, 0, qRgb(255, 255, 255));
    image.setPixel(2, 0, qRgb(255, 255, 255));
    image.setPixel(3, 0, qRgb(255, 0, 0));
    QGuiApplication::clipboard()->setImage(image);
    ctrl.SetBackColour(kWhite);
    ctrl.SetTransparentBackground(true);
    ASSERT_TRUE(ctrl.Paste());
    EXPECT_EQ(ctrl.Image().GetPixel(0, 0), kRed);
    EXPECT_EQ(ctrl.Image().GetPixel(1, 0), kBlue);
    EXPECT_EQ(ctrl.Image().GetPixel(2, 0), kBlue);
    EXPECT_EQ(ctrl.Image().GetPixel(3, 0), kRed);
}

TEST_F(PntCtrlTest, ReadOnlySelectsButDoesNotEdit) {
    ctrl.SetReadOnly(true);
    ctrl.SetMode(kModeSelect);
    Stroke(At(2, 2), At(12, 12));
    EXPECT_EQ(ctrl.GetSelectionRect(), (CRect{2, 2, 12, 12}));
    // A press inside starts a new rectangle instead of a move.
    Stroke(At(5, 5), At(8, 9));
    EXPECT_EQ(ctrl.GetSelectionRect(), (CRect{5, 5, 8, 9}));
    EXPECT_EQ(CountNot(kWhite), 0);

    PutClipboard(3, 3, Qt::red);
    EXPECT_FALSE(ctrl.CanPaste());
    EXPECT_FALSE(ctrl.Paste());
    EXPECT_FALSE(ctrl.Cut());
    EXPECT_TRUE(ctrl.Copy());
    EXPECT_EQ(CountNot(kWhite), 0);

    ctrl.Image().FillAll(kRed);
    ctrl.SetBackColour(kBlue);
    Key(Qt::Key_Delete);
    EXPECT_EQ(CountNot(kRed), 3 * 4) << "Delete still erases";
    EXPECT_EQ(ctrl.GetSelectionRect(), ctrl.ImageRect());
}

TEST_F(PntCtrlTest, ModesShowAndHideTheSelection) {
    EXPECT_FALSE(ctrl.IsSelectionVisible());
    ctrl.SetMode(kModeSelect);
    EXPECT_TRUE(ctrl.IsSelectionVisible());
    ctrl.SetMode(kModePen);
    EXPECT_FALSE(ctrl.IsSelectionVisible());
    EXPECT_EQ(ctrl.PreviousMode(), kModeSelect);
    EXPECT_EQ(ctrl.GetToolDescription(kModePen),
              QStringLiteral("Draws using a pen with the current width."));
    EXPECT_EQ(ctrl.CursorAt({1, 1}).shape(), Qt::BitmapCursor);
}

// ---- the tracker

TEST(PntTrackerTest, HitCodesSnappingAndClamping) {
    // 200 %, image at client (5, 5), 50 x 40 pixels.
    CTrackerSpace space;
    space.toImage = [](CPoint p) { return CPoint{(p.x - 5) / 2, (p.y - 5) / 2}; };
    space.toClient = [](CPoint p) { return CPoint{p.x * 2 + 5, p.y * 2 + 5}; };
    space.imageSize = {50, 40};
    CPntTracker tracker({10, 10, 20, 20}, space);
    EXPECT_EQ(tracker.ClientRect(), (CRect{25, 25, 45, 45}));
    EXPECT_EQ(tracker.HitTest({22, 22}), hitTopLeft);
    EXPECT_EQ(tracker.HitTest({47, 22}), hitTopRight);
    EXPECT_EQ(tracker.HitTest({47, 47}), hitBottomRight);
    EXPECT_EQ(tracker.HitTest({22, 47}), hitBottomLeft);
    EXPECT_EQ(tracker.HitTest({35, 22}), hitTop);
    EXPECT_EQ(tracker.HitTest({47, 35}), hitRight);
    EXPECT_EQ(tracker.HitTest({35, 47}), hitBottom);
    EXPECT_EQ(tracker.HitTest({22, 35}), hitLeft);
    EXPECT_EQ(tracker.HitTest({30, 30}), hitMiddle);
    EXPECT_EQ(tracker.HitTest({60, 60}), hitNothing);

    // The right edge snaps to whole pixels and stops at the image's edge.
    tracker.Begin({47, 35}, hitRight);
    tracker.Move({60, 36});
    EXPECT_EQ(tracker.Tracked(), (CRect{10, 10, 27, 20}));
    ASSERT_TRUE(tracker.End({500, 36}));
    EXPECT_EQ(tracker.Rect(), (CRect{10, 10, 50, 20}));

    // A corner moved across the opposite one is normalised.
    tracker.Begin({22, 22}, hitTopLeft);
    ASSERT_TRUE(tracker.End({85, 65}));
    EXPECT_EQ(tracker.Rect(), (CRect{40, 20, 50, 30}));

    // An inside move keeps the size and may leave the image; an empty result changes nothing.
    CPntTracker mover({10, 10, 20, 20}, space);
    mover.Begin({30, 30}, hitMiddle);
    ASSERT_TRUE(mover.End({100, 30}));
    EXPECT_EQ(mover.Rect(), (CRect{45, 10, 55, 20}));
    mover.Begin({500, 500}, hitNothing); // pointer held to the image + handle size
    ASSERT_TRUE(mover.End({0, 0}));
    EXPECT_EQ(mover.Rect(), (CRect{0, 0, 50, 40}));
    mover.Begin({30, 30}, hitNothing);
    EXPECT_FALSE(mover.End({31, 30})) << "empty";
    EXPECT_EQ(mover.Rect(), (CRect{0, 0, 50, 40}));
}

// ---- drawing

TEST_F(PntCtrlTest, GridAndSelectionFrameInTheWidgetsPixels) {
    ctrl.resize(300, 300);
    ASSERT_TRUE(ctrl.CreateBlank(20, 20, 1, 24));
    ctrl.Image().FillAll(kRed);
    ctrl.SetZoomPercent(600);
    const QImage shot = ctrl.viewport()->grab().toImage();
    const QRgb face = ctrl.palette().color(QPalette::Button).rgb();
    const QRgb shadow = ctrl.palette().color(QPalette::Mid).rgb();
    // Grid lines every 6 pixels from the image's corner, patterned face/shadow.
    const CPoint corner = ctrl.ImageToClient(CPoint{0, 0});
    const auto pix = [&](int x, int y) { return shot.pixel(x, y) & 0xFFFFFFu; };
    int gridPixels = 0;
    for (int y = corner.y; y < corner.y + 120; ++y) {
        const QRgb c = pix(corner.x + 12, y);
        EXPECT_TRUE(c == (face & 0xFFFFFFu) || c == (shadow & 0xFFFFFFu)) << y;
        ++gridPixels;
    }
    EXPECT_EQ(pix(corner.x + 3, corner.y + 3), 0xFF0000u) << "inside a cell: the image";
    // The pattern alternates along the line: rows 0xAA, 0xAA, 0x55, 0x55.
    const int x = corner.x + 12;
    const bool set0 = ((0xAA >> (7 - (x & 7))) & 1) != 0;
    const int y0 = (corner.y + 8) & ~7;
    EXPECT_EQ(pix(x, y0), (set0 ? face : shadow) & 0xFFFFFFu);
    EXPECT_EQ(pix(x, y0 + 2), (set0 ? shadow : face) & 0xFFFFFFu);

    // Not at 500 % or 300 % unless the minimum allows it; never below 200 %.
    ctrl.SetZoomPercent(500);
    const QImage five = ctrl.viewport()->grab().toImage();
    EXPECT_EQ(five.pixel(corner.x + 10, corner.y + 3) & 0xFFFFFFu, 0xFF0000u);

    // The selection frame: blue dots one pixel outside, blue handles outside.
    ctrl.SetZoomPercent(100);
    ASSERT_TRUE(ctrl.CreateBlank(40, 30, 1, 24));
    ctrl.Image().FillAll(kRed);
    ctrl.SetMode(kModeSelect);
    ctrl.SetSelectionRect({5, 5, 35, 25});
    const QImage sel = ctrl.viewport()->grab().toImage();
    const CPoint tl = ctrl.ImageToClient(CPoint{5, 5});
    int blue = 0;
    for (int i = 0; i < 10; ++i) blue += (sel.pixel(tl.x + i, tl.y - 1) & 0xFFFFFFu) == 0x0000FFu;
    EXPECT_GE(blue, 4);
    EXPECT_LE(blue, 6) << "dotted";
    EXPECT_EQ(sel.pixel(tl.x + 2, tl.y + 2) & 0xFFFFFFu, 0xFF0000u);
    EXPECT_EQ(sel.pixel(tl.x - 3, tl.y - 3) & 0xFFFFFFu, 0x0000FFu) << "top-left handle";
}

// ---- image properties

TEST_F(PntCtrlTest, EditImagePropertiesCropsOrResizes) {
    ctrl.Image().FillRect({10, 10, 20, 20}, kRed);
    ctrl.SetMode(kModeSelect);
    ctrl.SetSelectionRect({10, 10, 20, 20});
    Script().dialogScripts.push_back([](QDialog& d) {
        auto& dlg = dynamic_cast<CPntDimDlg&>(d);
        EXPECT_EQ(dlg.Width(), 40);
        EXPECT_TRUE(dlg.CropBox()->isEnabled());
        dlg.CropBox()->setChecked(true);
        return 1;
    });
    ASSERT_TRUE(ctrl.EditImageProperties());
    EXPECT_EQ(ctrl.Image().Size(), (CSize{10, 10}));
    EXPECT_EQ(CountNot(kRed), 0);
    EXPECT_EQ(ctrl.GetSelectionRect(), ctrl.ImageRect());
    EXPECT_TRUE(ctrl.IsModified());
    EXPECT_TRUE(ctrl.Undo());
    EXPECT_EQ(ctrl.Image().Size(), (CSize{40, 30}));

    Script().dialogScripts.push_back([](QDialog& d) {
        auto& dlg = dynamic_cast<CPntDimDlg&>(d);
        EXPECT_FALSE(dlg.CropBox()->isEnabled()) << "the selection is the whole image";
        dlg.WidthEdit()->setText(QStringLiteral("64"));
        dlg.DepthList()->setCurrentIndex(3);
        return 1;
    });
    ASSERT_TRUE(ctrl.EditImageProperties());
    EXPECT_EQ(ctrl.Image().Size(), (CSize{64, 30}));
    EXPECT_EQ(ctrl.Image().BitsPerPixel(), 16);

    Script().dialogScripts.push_back([](QDialog&) { return 0; });
    EXPECT_FALSE(ctrl.EditImageProperties());
    EXPECT_EQ(ctrl.Image().Size(), (CSize{64, 30}));

    CPntCtrl empty;
    Script().dialogScripts.push_back([](QDialog& d) {
        auto& dlg = dynamic_cast<CPntDimDlg&>(d);
        EXPECT_EQ(dlg.Width(), 32);
        EXPECT_EQ(dlg.BitsPerPixel(), 8);
        EXPECT_FALSE(dlg.CropBox()->isEnabled());
        return 1;
    });
    ASSERT_TRUE(empty.EditImageProperties());
    EXPECT_EQ(empty.Image().Size(), (CSize{32, 32}));
    EXPECT_EQ(empty.Image().BitsPerPixel(), 8);
}

TEST(ScaledRender, ShowsWhatGetPixelReadsAtEveryDepth) {
    for (int depth : {1, 4, 8, 16, 24, 32}) {
        SCOPED_TRACE(depth);
        CDIBSection image;
        ASSERT_TRUE(image.Create(13, 7, 1, depth));
        unsigned seed = 7;
        for (int y = 0; y < 7; ++y) {
            for (int x = 0; x < 13; ++x) {
                seed = seed * 1103515245u + 12345u;
                image.SetPixel(x, y, (seed >> 8) & 0xFFFFFFu);
            }
        }
        image.SetPixel(4, 4, kWhite);
        // Every other column twice, rows reversed: any mapping is served.
        std::vector<int> xs, ys;
        for (int x = 0; x < 13; ++x) xs.insert(xs.end(), {x, x});
        for (int y = 6; y >= 0; --y) ys.push_back(y);
        const QImage shown = RenderScaled(image.Surface(), xs, ys, kWhite, qRgb(1, 2, 3));
        ASSERT_EQ(shown.size(), QSize(26, 7));
        for (int j = 0; j < 7; ++j) {
            for (int i = 0; i < 26; ++i) {
                const COLORREF c = image.GetPixel(xs[static_cast<std::size_t>(i)], ys[static_cast<std::size_t>(j)]);
                const QRgb expected = c == kWhite ? qRgb(1, 2, 3) : qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
                ASSERT_EQ(shown.pixel(i, j), expected) << i << "," << j;
            }
        }
    }
}

TEST(PntCtrlFactory, CreatesByClassName) {
    QWidget parent;
    std::unique_ptr<QWidget> made(CreateControlByClass(QStringLiteral("MFCPaintCtrl"), &parent));
    ASSERT_NE(dynamic_cast<CPntCtrl*>(made.get()), nullptr);
    EXPECT_EQ(CreateControlByClass(QStringLiteral("Edit"), &parent), nullptr);
    auto* ctrl = static_cast<CPntCtrl*>(made.get());
    ASSERT_TRUE(ctrl->create(kWsVisible, {10, 20, 110, 90}, &parent, 7));
    EXPECT_EQ(ctrl->Id(), 7);
    EXPECT_EQ(ctrl->geometry(), QRect(10, 20, 100, 70));
    QSignalSpy mode(ctrl, &CPntCtrl::modeChanged);
    ctrl->SetMode(kModeLine);
    ASSERT_EQ(mode.count(), 1);
    EXPECT_EQ(mode.at(0).at(0).toInt(), 7);
}

} // namespace
} // namespace tsl
