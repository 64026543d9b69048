// The image view in the running program: the hand-over to its paint control, the zoom and
// selection commands, the status readouts, frame fitting, Reload, and the document's modified
// state as the control reports it.

#include "AppFixture.h"

#include "document/InputDlg.h"
#include "document/PntUtilDoc.h"
#include "document/PntUtilView.h"
#include "framework/ChildFrame.h"
#include "framework/Ids.h"
#include "platform/Platform.h"

#include <QClipboard>
#include <QLineEdit>
#include <QMdiArea>
#include <QMouseEvent>
#include <QPushButton>

namespace tsl::test {
namespace {

struct ImageView : AppFixture {
    void SetUp() override {
        QGuiApplication::clipboard()->clear();
        WriteUsualSettings();
        ASSERT_TRUE(Start());
        path = MakeImage(QStringLiteral("view.png"), 40, 30);
        doc = static_cast<CPntUtilDoc*>(app->OpenDocumentFile(path));
        ASSERT_NE(doc, nullptr);
        view = dynamic_cast<CPntUtilView*>(doc->Views().front());
        ASSERT_NE(view, nullptr);
        Settle();
    }
    CViewPaintCtrl& Ctrl() { return view->Control(); }
    QString Pane(int i) { return Frame().PaneText(i); }
    void MoveTo(int x, int y) {
        const CPoint c = Ctrl().ImageToClient(CPoint{x, y});
        const QPointF p(c.x, c.y);
        QMouseEvent event(QEvent::MouseMove, p, Ctrl().viewport()->mapToGlobal(p), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(Ctrl().viewport(), &event);
    }

    QString path;
    CPntUtilDoc* doc = nullptr;
    CPntUtilView* view = nullptr;
};

TEST_F(ImageView, HandOverGivesTheControlTheImage) {
    EXPECT_EQ(Ctrl().Image().Size(), (CSize{40, 30}));
    EXPECT_EQ(Ctrl().Image().GetPixel(3, 3), RGB(10, 200, 30));
    EXPECT_EQ(Ctrl().GetMode(), kModeSelect);
    EXPECT_TRUE(Ctrl().TransparentBackground());
    EXPECT_EQ(Ctrl().BackColour(), RGB(255, 255, 255));
    EXPECT_FALSE(Ctrl().IsModified());
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(Pane(2), QStringLiteral("40 x 30 x %1").arg(doc->BitsPerPixel()));
    EXPECT_EQ(Ctrl().Id(), 1);
    EXPECT_EQ(Ctrl().geometry(), view->rect());
}

TEST_F(ImageView, TheActiveViewsControlDrivesThePaintBar) {
    EXPECT_EQ(Frame().ActivePaintCtrl(), &Ctrl());
    auto* second = static_cast<CPntUtilDoc*>(app->OpenDocumentFile(MakeImage(QStringLiteral("b.png"))));
    ASSERT_NE(second, nullptr);
    Settle();
    auto* other = dynamic_cast<CPntUtilView*>(second->Views().front());
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(Frame().ActivePaintCtrl(), &other->Control());
    Frame().MdiArea()->setActiveSubWindow(CChildFrame::Of(view));
    Settle();
    EXPECT_EQ(Frame().ActivePaintCtrl(), &Ctrl());
}

TEST_F(ImageView, ZoomCommandsAndReadout) {
    ASSERT_TRUE(Frame().ExecuteCommand(ID_ZOOM_200));
    EXPECT_EQ(Ctrl().GetZoomPercent(), 200);
    EXPECT_EQ(Pane(3), QStringLiteral("200%"));
    EXPECT_TRUE(Frame().CommandState(ID_ZOOM_200).IsChecked());
    EXPECT_FALSE(Frame().CommandState(ID_ZOOM_100).IsChecked());
    ASSERT_TRUE(Frame().ExecuteCommand(ID_ZOOM_PIXEL_LEVEL));
    EXPECT_TRUE(Frame().CommandState(ID_ZOOM_600).IsChecked());
    EXPECT_TRUE(Frame().CommandState(ID_ZOOM_PIXEL_LEVEL).IsChecked());
    Frame().ExecuteCommand(ID_ZOOM_IN);
    EXPECT_EQ(Ctrl().GetZoomPercent(), 600) << "no step above 600";
    Frame().ExecuteCommand(ID_ZOOM_10);
    Frame().ExecuteCommand(ID_ZOOM_OUT);
    EXPECT_EQ(Ctrl().GetZoomPercent(), 10) << "no step below 10";
    Frame().ExecuteCommand(ID_ZOOM_IN);
    EXPECT_EQ(Ctrl().GetZoomPercent(), 50);
    EXPECT_EQ(Pane(3), QStringLiteral("50%"));
}

TEST_F(ImageView, SpecifyMagnification) {
    Script().dialogScripts.push_back([](QDialog& d) {
        auto& dialog = dynamic_cast<CInputDlg&>(d);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Specify magnification %"));
        EXPECT_EQ(dialog.Text(), QStringLiteral("100"));
        EXPECT_EQ(dialog.Edit()->selectedText(), QStringLiteral("100"));
        dialog.Edit()->clear();
        EXPECT_FALSE(dialog.OkButton()->isEnabled());
        dialog.Edit()->setText(QStringLiteral("250"));
        EXPECT_TRUE(dialog.OkButton()->isEnabled());
        return int(QDialog::Accepted);
    });
    ASSERT_TRUE(Frame().ExecuteCommand(ID_ZOOM_SPECIFY));
    EXPECT_EQ(Ctrl().GetZoomPercent(), 250);
    // Not a number: zoom 0, which the control raises to its minimum.
    Script().dialogScripts.push_back([](QDialog& d) {
        dynamic_cast<CInputDlg&>(d).Edit()->setText(QStringLiteral("big"));
        return int(QDialog::Accepted);
    });
    ASSERT_TRUE(Frame().ExecuteCommand(ID_ZOOM_SPECIFY));
    EXPECT_EQ(Ctrl().GetZoomPercent(), 1);
    // The leading digits are the magnification, as the text boxes of the other dialogs read them.
    for (const auto& [text, percent] : {std::pair{"150%", 150}, {"12.5", 12}, {" 40 %", 40}}) {
        Script().dialogScripts.push_back([text = QString::fromLatin1(text)](QDialog& d) {
            dynamic_cast<CInputDlg&>(d).Edit()->setText(text);
            return int(QDialog::Accepted);
        });
        ASSERT_TRUE(Frame().ExecuteCommand(ID_ZOOM_SPECIFY));
        EXPECT_EQ(Ctrl().GetZoomPercent(), percent) << text;
    }
}

TEST_F(ImageView, FrameFitting) {
    // (frame - client) + zoom x image / 100 + 12, cut at the free area, small sizes replaced.
    EXPECT_EQ(CPntUtilView::FittedFrameSize({300, 200}, {280, 170}, {100, 50}, 200, {2000, 2000}),
              QSize(20 + 200 + 12, 30 + 100 + 12));
    EXPECT_EQ(CPntUtilView::FittedFrameSize({300, 200}, {280, 170}, {1000, 500}, 100, {640, 480}),
              QSize(640, 480));
    EXPECT_EQ(CPntUtilView::FittedFrameSize({10, 10}, {30, 30}, {1, 1}, 100, {640, 480}),
              QSize(160, 100));

    CChildFrame* frame = CChildFrame::Of(view);
    ASSERT_NE(frame, nullptr);
    Frame().ExecuteCommand(ID_ZOOM_200);
    Settle();
    const QSize before = frame->size();
    Frame().ExecuteCommand(ID_ZOOM_300);
    Settle();
    EXPECT_EQ(frame->width() - before.width(), 40) << "40 more image pixels across";
    EXPECT_EQ(frame->height() - before.height(), 30);
    frame->showMaximized();
    Settle();
    const QSize maximised = frame->size();
    Frame().ExecuteCommand(ID_ZOOM_100);
    Settle();
    EXPECT_EQ(frame->size(), maximised) << "a maximised frame is left alone";
}

TEST_F(ImageView, PointerAndSelectionReadouts) {
    MoveTo(5, 7);
    EXPECT_EQ(Pane(1), QStringLiteral("5, 7"));
    Ctrl().SetMode(kModeSampler);
    MoveTo(2, 3);
    EXPECT_EQ(Pane(1), QStringLiteral("2, 3  RGB ( 10, 200, 30 )"));
    MoveTo(40, 3);
    EXPECT_EQ(Pane(1), QString()) << "column equal to the width";

    Ctrl().SetMode(kModeSelect);
    Ctrl().SetSelectionRect({2, 3, 12, 9});
    ASSERT_TRUE(Frame().ExecuteCommand(ID_NUDGE_RIGHT));
    EXPECT_EQ(Ctrl().GetSelectionRect(), (CRect{3, 3, 13, 9}));
    EXPECT_EQ(Pane(1), QStringLiteral("(3, 3) -> (13, 9) = (10 x 6)"));
    Frame().ExecuteCommand(ID_SHRINK_HEIGHT);
    Frame().ExecuteCommand(ID_GROW_WIDTH);
    Frame().ExecuteCommand(ID_NUDGE_UP);
    EXPECT_EQ(Ctrl().GetSelectionRect(), (CRect{3, 2, 14, 7}));

    // While a selection is tracked, pane 1 follows it, and is cleared at the end.
    const auto send = [&](QEvent::Type type, int x, int y, Qt::MouseButtons buttons) {
        const CPoint c = Ctrl().ImageToClient(CPoint{x, y});
        const QPointF p(c.x, c.y);
        QMouseEvent event(type, p, Ctrl().viewport()->mapToGlobal(p),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(Ctrl().viewport(), &event);
    };
    send(QEvent::MouseButtonPress, 20, 20, Qt::LeftButton);
    send(QEvent::MouseMove, 30, 25, Qt::LeftButton);
    EXPECT_EQ(Pane(1), QStringLiteral("(20, 20) -> (30, 25) = (10 x 5)"));
    send(QEvent::MouseButtonRelease, 30, 25, Qt::NoButton);
    EXPECT_EQ(Pane(1), QString());
}

TEST_F(ImageView, SelectionCommands) {
    Ctrl().SetMode(kModePen); // selection hidden
    ASSERT_TRUE(Frame().ExecuteCommand(ID_SHOW_SELECTION));
    EXPECT_TRUE(Ctrl().IsSelectionVisible());
    EXPECT_TRUE(Frame().CommandState(ID_SHOW_SELECTION).IsChecked());
    Ctrl().SetSelectionRect({1, 1, 3, 3});
    ASSERT_TRUE(Frame().ExecuteCommand(ID_SELECT_ENTIRE_IMAGE));
    EXPECT_EQ(Ctrl().GetSelectionRect(), Ctrl().ImageRect());

    EXPECT_FALSE(Frame().CommandState(ID_SELECT_TO_CLIPBOARD_SIZE).IsEnabled());
    QImage clip(7, 4, QImage::Format_RGB32);
    clip.fill(Qt::red);
    QGuiApplication::clipboard()->setImage(clip);
    Ctrl().SetSelectionRect({35, 5, 38, 6});
    ASSERT_TRUE(Frame().ExecuteCommand(ID_SELECT_TO_CLIPBOARD_SIZE));
    EXPECT_EQ(Ctrl().GetSelectionRect(), (CRect{35, 5, 42, 9})) << "may reach past the image";

    // Crop keeps only what lies on the image, as one undoable step.
    ASSERT_TRUE(Frame().ExecuteCommand(ID_CROP_TO_SELECTION));
    EXPECT_EQ(Ctrl().Image().Size(), (CSize{5, 4}));
    EXPECT_EQ(Pane(2), QStringLiteral("5 x 4 x %1").arg(doc->BitsPerPixel()));
    EXPECT_TRUE(doc->IsModified());
    ASSERT_TRUE(Frame().ExecuteCommand(ID_EDIT_UNDO));
    EXPECT_EQ(Ctrl().Image().Size(), (CSize{40, 30}));
    EXPECT_EQ(Pane(2), QStringLiteral("40 x 30 x %1").arg(doc->BitsPerPixel()));

    ASSERT_TRUE(Frame().ExecuteCommand(ID_DISPLAY_ONLY));
    EXPECT_TRUE(Ctrl().IsReadOnly());
    EXPECT_TRUE(Frame().CommandState(ID_DISPLAY_ONLY).IsChecked());
    ASSERT_TRUE(Frame().ExecuteCommand(ID_CENTRE_IMAGE));
    EXPECT_TRUE(Ctrl().IsCentred());
    EXPECT_TRUE(Frame().CommandState(ID_CENTRE_IMAGE).IsChecked());
}

TEST_F(ImageView, EditsSavesAndReload) {
    // An edit through the control makes the document modified; the edit commands are the
    // control's.
    ASSERT_TRUE(Ctrl().EraseSelection(nullptr, true));
    EXPECT_TRUE(doc->IsModified());
    EXPECT_TRUE(Frame().CommandState(ID_EDIT_UNDO).IsEnabled());

    // Saving clears the control's flag and its history.
    ASSERT_TRUE(Frame().ExecuteCommand(ID_FILE_SAVE));
    EXPECT_FALSE(doc->IsModified());
    EXPECT_FALSE(Ctrl().CanUndo());
    QImage saved(path);
    EXPECT_EQ(saved.pixel(3, 3) & 0xFFFFFFu, 0xFFFFFFu) << "the erased image was written";

    // Reload brings the file back as an undoable, modified step.
    QImage other(20, 10, QImage::Format_RGB32);
    other.fill(qRgb(1, 2, 3));
    other.save(path, "PNG");
    ASSERT_TRUE(Frame().ExecuteCommand(ID_FILE_RELOAD));
    EXPECT_EQ(Ctrl().Image().Size(), (CSize{20, 10}));
    EXPECT_EQ(Ctrl().Image().GetPixel(0, 0), RGB(1, 2, 3));
    EXPECT_TRUE(doc->IsModified());
    ASSERT_TRUE(Frame().ExecuteCommand(ID_EDIT_UNDO));
    EXPECT_EQ(Ctrl().Image().Size(), (CSize{40, 30}));

    // The save-modified query moves the control's flag to the document (and empties the
    // history, even when cancelled).
    Script().promptAnswers.push_back(platform::IDCANCEL);
    EXPECT_FALSE(doc->SaveModified());
    EXPECT_FALSE(Ctrl().IsModified());
    EXPECT_TRUE(doc->IsModified());
    EXPECT_FALSE(Ctrl().CanUndo());
}

} // namespace
} // namespace tsl::test
