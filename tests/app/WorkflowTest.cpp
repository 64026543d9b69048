// A new user's first session through the real main frame: the keys of the accelerator table
// against the menus' mnemonics, where image windows go and how Cascade lines them up, saving
// from the close question, the captions, Zoom to Window on a large picture, the status readouts,
// the colour choosers of a 1-bit image and the dialogs' widths.

#include "AppFixture.h"

#include "document/PntUtilDoc.h"
#include "document/PntUtilView.h"
#include "framework/ChildFrame.h"
#include "framework/Ids.h"
#include "paint/PntToolBar.h"
#include "platform/Platform.h"
#include "platform/QtServices.h"

#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>

namespace tsl::test {
namespace {

struct Workflow : AppFixture {
    void SetUp() override {
        QGuiApplication::clipboard()->clear();
        WriteUsualSettings();
        ASSERT_TRUE(Start());
        Frame().activateWindow();
        ASSERT_TRUE(WaitFor([&] { return QApplication::activeWindow() == &Frame(); }));
    }
    CPntUtilDoc* Open(const QString& path) {
        auto* doc = static_cast<CPntUtilDoc*>(app->OpenDocumentFile(path));
        Settle();
        return doc;
    }
    static CPntUtilView* ViewOf(CDocument* doc) {
        return dynamic_cast<CPntUtilView*>(doc->Views().front());
    }
    static CChildFrame* FrameOf(CDocument* doc) { return CChildFrame::Of(ViewOf(doc)); }
    // The frame size that holds the image at the control's zoom, within nothing smaller.
    static QSize Fitted(CDocument* doc) {
        CPntUtilView* view = ViewOf(doc);
        return CPntUtilView::FittedFrameSize(FrameOf(doc)->size(), view->size(),
                                             view->Control().Image().Size(),
                                             view->Control().GetZoomPercent(), QSize());
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(Frame().windowHandle(), key, modifiers);
        Settle();
    }
    // Closes an open menu.
    static void CloseMenu() {
        if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
        Settle();
    }
    static QString OpenMenuTitle() {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        return menu ? menu->title() : QString();
    }
};

TEST_F(Workflow, AcceleratorsWinOverMenuMnemonicsAndTheMenusStayReachable) {
    const QString path = MakeImage(QStringLiteral("keys.png"), 40, 30);
    CPntUtilDoc* doc = Open(path);
    ASSERT_NE(doc, nullptr);
    CViewPaintCtrl& ctrl = ViewOf(doc)->Control();
    // Alt+S saves although "Effect&s" has the same mnemonic; so does Ctrl+S.
    for (auto modifier : {Qt::AltModifier, Qt::ControlModifier}) {
        ctrl.SetModified(true);
        const QDateTime old = QDateTime::currentDateTime().addDays(-1);
        {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::ReadWrite));
            ASSERT_TRUE(file.setFileTime(old, QFileDevice::FileModificationTime));
        }
        Key(Qt::Key_S, modifier);
        EXPECT_FALSE(doc->IsModified()) << modifier;
        EXPECT_GT(QFileInfo(path).lastModified(), old.addSecs(60)) << "written again";
        EXPECT_EQ(OpenMenuTitle(), QString()) << "no menu opened instead";
        CloseMenu();
    }
    // Alt+C takes the clipboard picture's size although "&Capture" is a menu's mnemonic too.
    QGuiApplication::clipboard()->setImage(QImage(7, 5, QImage::Format_RGB32));
    Frame().UpdateCommandUI();
    Key(Qt::Key_C, Qt::AltModifier);
    EXPECT_EQ(ctrl.GetSelectionRect().Size(), (CSize{7, 5}));
    CloseMenu();
    // Alt with a letter no accelerator takes opens its menu, and F10 the first one.
    Key(Qt::Key_F, Qt::AltModifier);
    EXPECT_EQ(OpenMenuTitle(), QStringLiteral("&File"));
    CloseMenu();
    Key(Qt::Key_W, Qt::AltModifier);
    EXPECT_EQ(OpenMenuTitle(), QStringLiteral("&Window"));
    CloseMenu();
    Key(Qt::Key_F10);
    EXPECT_EQ(OpenMenuTitle(), QStringLiteral("&File"));
    CloseMenu();
}

TEST_F(Workflow, KeypadKeysZoom) {
    CPntUtilDoc* doc = Open(MakeImage(QStringLiteral("pad.png"), 40, 30));
    ASSERT_NE(doc, nullptr);
    CViewPaintCtrl& ctrl = ViewOf(doc)->Control();
    ASSERT_EQ(ctrl.GetZoomPercent(), 100);
    Key(Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(ctrl.GetZoomPercent(), ctrl.NextZoomStep(100, true));
    Key(Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_EQ(ctrl.GetZoomPercent(), 100);
    Key(Qt::Key_Asterisk, Qt::KeypadModifier);
    EXPECT_EQ(ctrl.GetZoomPercent(), 600);
    Key(Qt::Key_Equal);
    EXPECT_EQ(ctrl.GetZoomPercent(), 100);
}

TEST_F(Workflow, FilesOpenedTogetherCascadeEachFittedToItsImage) {
    QStringList files;
    for (const char* name : {"a.png", "b.png", "c.png"}) files << MakeImage(QString::fromLatin1(name), 480, 320);
    Script().openAnswers.push_back(files);
    ASSERT_TRUE(Frame().ExecuteCommand(ID_FILE_OPEN));
    Settle();
    ASSERT_EQ(DocumentCount(), 3u);
    // One step down and right each, from the top-left corner.
    const QPoint step = FrameOf(app->Template()->Documents()[1])->pos();
    EXPECT_GT(step.x(), 0);
    EXPECT_EQ(step.x(), step.y());
    for (int i = 0; i < 3; ++i) {
        CDocument* doc = app->Template()->Documents()[static_cast<std::size_t>(i)];
        EXPECT_EQ(FrameOf(doc)->pos(), i * step) << i;
        EXPECT_EQ(FrameOf(doc)->size(), Fitted(doc)) << i;
        EXPECT_GE(ViewOf(doc)->width(), 480) << i;
    }
}

TEST_F(Workflow, CascadeKeepsEachWindowFittedToItsImage) {
    std::vector<CPntUtilDoc*> docs;
    for (int i = 0; i < 3; ++i)
        docs.push_back(Open(MakeImage(QStringLiteral("cascade%1.png").arg(i), 120 + 40 * i, 90)));
    // Windows left where the user put them.
    FrameOf(docs[0])->move(300, 200);
    FrameOf(docs[1])->move(10, 150);
    ASSERT_TRUE(Frame().ExecuteCommand(ID_WINDOW_CASCADE));
    Settle();
    const QList<QMdiSubWindow*> stacked = Frame().MdiArea()->subWindowList(QMdiArea::StackingOrder);
    ASSERT_EQ(stacked.size(), 3);
    const QPoint step = stacked[1]->pos();
    EXPECT_GT(step.x(), 0);
    EXPECT_EQ(step.x(), step.y());
    for (int i = 0; i < 3; ++i) {
        auto* child = qobject_cast<CChildFrame*>(stacked[i]);
        ASSERT_NE(child, nullptr);
        CDocument* doc = child->Document();
        EXPECT_EQ(child->pos(), i * step) << i;
        EXPECT_EQ(child->size(), Fitted(doc)) << i;
        EXPECT_GE(ViewOf(doc)->height(), 90) << i;
    }
    EXPECT_EQ(stacked.back(), Frame().MdiArea()->activeSubWindow()) << "the active one on top";
}

TEST_F(Workflow, ZoomToWindowShowsTheWholeOfALargeImage) {
    const QString path = MakeTempFolder(QStringLiteral("large")) + "/large.png";
    QImage picture(6000, 4000, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    ASSERT_TRUE(picture.save(path));
    CPntUtilDoc* doc = Open(path);
    ASSERT_NE(doc, nullptr);
    CViewPaintCtrl& ctrl = ViewOf(doc)->Control();
    Key(Qt::Key_W);
    ASSERT_LT(ctrl.GetZoomPercent(), 100);
    EXPECT_EQ(ctrl.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(ctrl.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    const CSize shown = ctrl.DisplayedSize();
    EXPECT_LE(shown.cx, ctrl.viewport()->width());
    EXPECT_LE(shown.cy, ctrl.viewport()->height());
}

TEST_F(Workflow, TheCloseQuestionSavesANameWithoutExtensionInTheDefaultFormat) {
    const QString folder = MakeTempFolder(QStringLiteral("query"));
    // What the user typed, and what a dialog with the default extension "*" may hand back.
    for (const QString& answer : {folder + "/new3", folder + "/new4.*"}) {
        Script().dialogScripts.push_back([](QDialog&) { return int(QDialog::Accepted); });
        ASSERT_TRUE(Frame().ExecuteCommand(ID_FILE_NEW));
        CDocument* doc = app->Template()->Documents().back();
        doc->SetModifiedFlag(true);
        Script().promptAnswers = {platform::IDYES};
        Script().saveAnswers = {answer};
        const std::size_t shown = Script().messages.size();
        ASSERT_TRUE(Frame().ExecuteCommand(ID_FILE_CLOSE));
        Settle();
        ASSERT_EQ(Script().messages.size(), shown + 1) << "the question only, no error";
        EXPECT_EQ(Script().fileRequests.back().defaultExtension, QStringLiteral("*"));
    }
    EXPECT_EQ(QDir(folder).entryList(QDir::Files),
              (QStringList{QStringLiteral("new3.bmp"), QStringLiteral("new4.bmp")}));
    EXPECT_EQ(DocumentCount(), 0u);
    QImage saved(folder + "/new3.bmp");
    EXPECT_EQ(saved.size(), QSize(300, 200));
}

TEST_F(Workflow, TheMainCaptionFollowsSaveAs) {
    Script().dialogScripts.push_back([](QDialog&) { return int(QDialog::Accepted); });
    ASSERT_TRUE(Frame().ExecuteCommand(ID_FILE_NEW));
    ASSERT_EQ(Frame().windowTitle(), QStringLiteral("Tessaly - Image1"));
    Script().saveAnswers = {MakeTempFolder(QStringLiteral("renamed")) + "/harbour.png"};
    ASSERT_TRUE(Frame().ExecuteCommand(ID_FILE_SAVE_AS));
    EXPECT_EQ(Frame().ActiveChild()->windowTitle(), QStringLiteral("harbour.png"));
    EXPECT_EQ(Frame().windowTitle(), QStringLiteral("Tessaly - harbour.png"));
}

TEST_F(Workflow, CloseAllAsksWithYesNoYesToAllNoToAllCancelInThatOrder) {
    CPntUtilDoc* doc = Open(MakeImage(QStringLiteral("order.png")));
    ASSERT_NE(doc, nullptr);
    doc->SetModifiedFlag(true);
    // The program's own question box, as the user sees it.
    platform::QtServices real(MakeTempFolder(QStringLiteral("profile")) + "/Tessaly.ini");
    platform::Services services = platform::Platform();
    services.prompt = real.services().prompt;
    platform::Install(services);
    QStringList order;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        QList<QPushButton*> buttons = box->findChildren<QPushButton*>();
        std::sort(buttons.begin(), buttons.end(), [](QPushButton* a, QPushButton* b) {
            return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
        });
        QPushButton* cancel = nullptr;
        for (QPushButton* b : buttons) {
            order << b->text();
            if (b->text() == QStringLiteral("Cancel")) cancel = b;
        }
        poll.stop();
        if (cancel) cancel->click();
    });
    poll.start();
    Frame().ExecuteCommand(ID_FILE_CLOSE_ALL);
    Script().Install();
    EXPECT_EQ(order, (QStringList{"&Yes", "&No", "Yes to &all", "No to a&ll", "Cancel"}));
    EXPECT_EQ(DocumentCount(), 1u) << "Cancel keeps the image open";
}

TEST_F(Workflow, PaneOneShowsOnlyTheActiveViewsReadout) {
    CPntUtilDoc* first = Open(MakeImage(QStringLiteral("first.png"), 40, 30));
    CPntUtilDoc* second = Open(MakeImage(QStringLiteral("second.png"), 40, 30));
    ASSERT_TRUE(first && second);
    CViewPaintCtrl& ctrl = ViewOf(second)->Control();
    const auto moveTo = [&](int x, int y) {
        const CPoint c = ctrl.ImageToClient(CPoint{x, y});
        const QPointF p(c.x, c.y);
        QMouseEvent event(QEvent::MouseMove, p, ctrl.viewport()->mapToGlobal(p), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(ctrl.viewport(), &event);
    };
    moveTo(5, 7);
    ASSERT_EQ(Frame().PaneText(1), QStringLiteral("5, 7"));
    ctrl.SetSelectionRect({2, 2, 20, 12});
    ASSERT_TRUE(Frame().ExecuteCommand(ID_CROP_TO_SELECTION));
    EXPECT_EQ(ctrl.Image().Size(), (CSize{18, 10}));
    EXPECT_EQ(Frame().PaneText(1), QString()) << "no position of the old image";
    ASSERT_TRUE(Frame().ExecuteCommand(ID_NUDGE_DOWN));
    ASSERT_FALSE(Frame().PaneText(1).isEmpty());
    Frame().MdiArea()->setActiveSubWindow(FrameOf(first));
    Settle();
    EXPECT_EQ(Frame().PaneText(1), QString()) << "not the other window's selection";
    Frame().MdiArea()->setActiveSubWindow(FrameOf(second));
    Settle();
    moveTo(3, 3);
    ASSERT_EQ(Frame().PaneText(1), QStringLiteral("3, 3"));
    app->Template()->CloseAllDocuments();
    Settle();
    for (int pane = 1; pane <= 3; ++pane) EXPECT_EQ(Frame().PaneText(pane), QString()) << pane;
}

TEST_F(Workflow, AOneBitImageOffersBlackAndWhiteOnly) {
    const QString folder = MakeTempFolder(QStringLiteral("depths"));
    QImage mono(32, 16, QImage::Format_Mono);
    mono.fill(1);
    ASSERT_TRUE(mono.save(folder + "/mono.bmp"));
    CPntUtilDoc* oneBit = Open(folder + "/mono.bmp");
    ASSERT_NE(oneBit, nullptr);
    ASSERT_EQ(oneBit->BitsPerPixel(), 1);
    CPntToolBar& bar = *Frame().PaintBar();
    Frame().UpdateCommandUI();
    EXPECT_EQ(bar.OfferedColourCount(), 2);
    // Another image window of full colour offers any colour again.
    CPntUtilDoc* full = Open(MakeImage(QStringLiteral("full.png")));
    ASSERT_NE(full, nullptr);
    Frame().UpdateCommandUI();
    EXPECT_EQ(bar.OfferedColourCount(), 0);
    Frame().MdiArea()->setActiveSubWindow(FrameOf(oneBit));
    Settle();
    Frame().UpdateCommandUI();
    EXPECT_EQ(bar.OfferedColourCount(), 2);
}

TEST_F(Workflow, DialogsAreWideEnoughForTheirCaptions) {
    CPntUtilDoc* doc = Open(MakeImage(QStringLiteral("captions.png")));
    ASSERT_NE(doc, nullptr);
    QStringList checked;
    const auto measure = [&](QDialog& dialog) {
        dialog.show();
        Settle();
        QFont bold = QApplication::font();
        bold.setBold(true);
        // The title beside an icon and three title-bar buttons.
        const int title = QFontMetrics(bold).horizontalAdvance(dialog.windowTitle());
        EXPECT_GE(dialog.width(), title + 4 * QFontMetrics(bold).height()) << dialog.windowTitle().toStdString();
        checked << dialog.windowTitle();
        dialog.hide();
        return int(QDialog::Rejected);
    };
    Script().dialogScripts.push_back(measure);
    Frame().ExecuteCommand(ID_ZOOM_SPECIFY);
    Script().dialogScripts.push_back(measure);
    Frame().ExecuteCommand(ID_FILE_NEW);
    Script().dialogScripts.push_back(measure);
    Frame().ExecuteCommand(ID_APP_ABOUT);
    EXPECT_EQ(checked.size(), 3);
    EXPECT_TRUE(checked.contains(QStringLiteral("Specify magnification %")));
}

} // namespace
} // namespace tsl::test
