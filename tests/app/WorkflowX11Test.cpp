// The main frame on a real X server with a window manager (Xvfb and openbox), the keys typed
// through the X server by xdotool as a user types them: Alt+S and Ctrl+S against the menus'
// mnemonics, the keypad's zoom keys, Window > Cascade from the keyboard, several files opened
// at once, and Zoom to Window on a large picture.

#include "AppFixture.h"

#include "document/PntUtilDoc.h"
#include "document/PntUtilView.h"
#include "framework/ChildFrame.h"
#include "framework/Ids.h"

#include <QDateTime>
#include <QFileInfo>
#include <QMdiArea>
#include <QMenu>
#include <QProcess>

namespace tsl::test {
namespace {

QStringList& Warnings() {
    static QStringList warnings;
    return warnings;
}

void Collect(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type != QtDebugMsg) Warnings() << text;
}

struct WorkflowX11 : AppFixture {
    QtMessageHandler previous = nullptr;

    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "no X server";
        WriteUsualSettings();
        ASSERT_TRUE(Start());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&Frame()));
        // The window manager gives the focus; xdotool asks it to.
        Xdotool({"windowactivate", "--sync", QString::number(Frame().winId())});
        ASSERT_TRUE(WaitFor([&] { return QApplication::activeWindow() == &Frame(); }, 5000));
        Warnings().clear();
        previous = qInstallMessageHandler(Collect);
    }
    void TearDown() override {
        if (previous) qInstallMessageHandler(previous);
        AppFixture::TearDown();
    }
    static void Xdotool(const QStringList& arguments) {
        QProcess tool;
        tool.start(QStringLiteral("xdotool"), arguments);
        ASSERT_TRUE(tool.waitForFinished(10000));
        ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    }
    // Types keys ("alt+s", "KP_Add") into the focused window and lets the program take them.
    static void Type(const QString& keys) {
        Xdotool({"key", "--delay", "40", keys});
        QTest::qWait(150);
    }
    CPntUtilDoc* Open(const QString& path) {
        auto* doc = static_cast<CPntUtilDoc*>(app->OpenDocumentFile(path));
        QTest::qWait(100);
        return doc;
    }
    static CPntUtilView* ViewOf(CDocument* doc) {
        return dynamic_cast<CPntUtilView*>(doc->Views().front());
    }
    static QSize Fitted(CDocument* doc) {
        CPntUtilView* view = ViewOf(doc);
        CChildFrame* frame = CChildFrame::Of(view);
        return CPntUtilView::FittedFrameSize(frame->size(), view->size(),
                                             view->Control().Image().Size(),
                                             view->Control().GetZoomPercent(), QSize());
    }
    static QString OpenMenuTitle() {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        return menu ? menu->title() : QString();
    }
    static bool NoAmbiguousShortcut() {
        return Warnings().filter(QStringLiteral("Ambiguous")).isEmpty();
    }
};

TEST_F(WorkflowX11, AltSAndCtrlSSaveAndTheMenusOpenFromTheKeyboard) {
    const QString path = MakeImage(QStringLiteral("typed.png"), 40, 30);
    CPntUtilDoc* doc = Open(path);
    ASSERT_NE(doc, nullptr);
    for (const char* keys : {"alt+s", "ctrl+s"}) {
        ViewOf(doc)->Control().SetModified(true);
        Type(QString::fromLatin1(keys));
        EXPECT_TRUE(WaitFor([&] { return !doc->IsModified(); })) << keys;
        EXPECT_EQ(OpenMenuTitle(), QString()) << keys;
    }
    EXPECT_TRUE(NoAmbiguousShortcut()) << Warnings().join('\n').toStdString();
    Type(QStringLiteral("alt+f"));
    EXPECT_TRUE(WaitFor([] { return OpenMenuTitle() == QStringLiteral("&File"); }));
    Type(QStringLiteral("Escape"));
    Type(QStringLiteral("Escape"));
    Type(QStringLiteral("F10"));
    EXPECT_TRUE(WaitFor([] { return OpenMenuTitle() == QStringLiteral("&File"); }));
    Type(QStringLiteral("Escape"));
}

TEST_F(WorkflowX11, KeypadPlusMinusAndStarZoom) {
    CPntUtilDoc* doc = Open(MakeImage(QStringLiteral("pad.png"), 40, 30));
    ASSERT_NE(doc, nullptr);
    CViewPaintCtrl& ctrl = ViewOf(doc)->Control();
    ASSERT_EQ(ctrl.GetZoomPercent(), 100);
    Type(QStringLiteral("KP_Add"));
    EXPECT_TRUE(WaitFor([&] { return ctrl.GetZoomPercent() == ctrl.NextZoomStep(100, true); }));
    Type(QStringLiteral("KP_Subtract"));
    EXPECT_TRUE(WaitFor([&] { return ctrl.GetZoomPercent() == 100; }));
    Type(QStringLiteral("KP_Multiply"));
    EXPECT_TRUE(WaitFor([&] { return ctrl.GetZoomPercent() == 600; }));
}

TEST_F(WorkflowX11, CascadeFromTheWindowMenuKeepsTheFittedSizes) {
    std::vector<CPntUtilDoc*> docs;
    for (int i = 0; i < 3; ++i)
        docs.push_back(Open(MakeImage(QStringLiteral("c%1.png").arg(i), 160 + 40 * i, 120)));
    CChildFrame::Of(ViewOf(docs[0]))->move(320, 240);
    Type(QStringLiteral("alt+w"));
    ASSERT_TRUE(WaitFor([] { return OpenMenuTitle() == QStringLiteral("&Window"); }));
    Type(QStringLiteral("c"));
    QTest::qWait(200);
    const QList<QMdiSubWindow*> stacked = Frame().MdiArea()->subWindowList(QMdiArea::StackingOrder);
    ASSERT_EQ(stacked.size(), 3);
    const QPoint step = stacked[1]->pos();
    EXPECT_GT(step.x(), 0);
    for (int i = 0; i < 3; ++i) {
        auto* child = qobject_cast<CChildFrame*>(stacked[i]);
        EXPECT_EQ(child->pos(), i * step) << i;
        EXPECT_EQ(child->size(), Fitted(child->Document())) << i;
        EXPECT_GE(ViewOf(child->Document())->height(), 120) << i;
    }
}

TEST_F(WorkflowX11, FilesOpenedTogetherCascadeFitted) {
    QStringList files;
    for (const char* name : {"a.png", "b.png", "c.png"}) files << MakeImage(QString::fromLatin1(name), 480, 320);
    Script().openAnswers.push_back(files);
    Type(QStringLiteral("ctrl+o"));
    ASSERT_TRUE(WaitFor([&] { return DocumentCount() == 3u; }));
    QTest::qWait(200);
    const QPoint step = CChildFrame::Of(ViewOf(app->Template()->Documents()[1]))->pos();
    EXPECT_GT(step.x(), 0);
    for (std::size_t i = 0; i < 3; ++i) {
        CDocument* doc = app->Template()->Documents()[i];
        EXPECT_EQ(CChildFrame::Of(ViewOf(doc))->pos(), int(i) * step) << i;
        EXPECT_EQ(CChildFrame::Of(ViewOf(doc))->size(), Fitted(doc)) << i;
        EXPECT_GE(ViewOf(doc)->width(), 480) << i;
    }
}

TEST_F(WorkflowX11, ZoomToWindowLeavesNoScrollBars) {
    const QString path = MakeTempFolder(QStringLiteral("large")) + "/large.png";
    QImage picture(6000, 4000, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    ASSERT_TRUE(picture.save(path));
    CPntUtilDoc* doc = Open(path);
    ASSERT_NE(doc, nullptr);
    CViewPaintCtrl& ctrl = ViewOf(doc)->Control();
    Type(QStringLiteral("w"));
    ASSERT_TRUE(WaitFor([&] { return ctrl.GetZoomPercent() < 100; }));
    QTest::qWait(200);
    EXPECT_EQ(ctrl.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(ctrl.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_LE(ctrl.DisplayedSize().cx, ctrl.viewport()->width());
    EXPECT_LE(ctrl.DisplayedSize().cy, ctrl.viewport()->height());
}

} // namespace
} // namespace tsl::test
