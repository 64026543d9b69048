#include "framework/ChildFrame.h"
#include "framework/DocTemplate.h"
#include "framework/Document.h"
#include "platform/Platform.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QLabel>
#include <QMdiArea>

#include <gtest/gtest.h>

namespace tsl {
namespace {

class Doc : public CDocument {
public:
    bool OnOpenDocument(const QString& path) override {
        return !path.endsWith(QStringLiteral("bad")) && CDocument::OnOpenDocument(path);
    }
    bool OnSaveDocument(const QString&) override { return ++saves, true; }
    int saves = 0;
};

class View : public QLabel, public CView {
public:
    QWidget* Widget() override { return this; }
    void OnInitialUpdate() override { initialised = true; }
    bool initialised = false;
};

struct Fixture : testing::Test {
    QMdiArea area;
    CMultiDocTemplate docs{129, QStringLiteral("\nImage\n\nBitmap Files (*.bmp)\n.bmp\nTessaly.Document\n"),
                           {[] { return new Doc; }, [] { return new CChildFrame; },
                            [](CDocument*) { return new View; }}};
    Fixture() { docs.SetMdiArea(&area); }
    static void Settle() {
        for (int i = 0; i < 3; ++i) QApplication::processEvents();
    }
};

TEST_F(Fixture, DocStringsSplitAtNewlines) {
    EXPECT_EQ(docs.GetDocString(CMultiDocTemplate::windowTitle), QString());
    EXPECT_EQ(docs.GetDocString(CMultiDocTemplate::docName), QStringLiteral("Image"));
    EXPECT_EQ(docs.GetDocString(CMultiDocTemplate::filterName), QStringLiteral("Bitmap Files (*.bmp)"));
    EXPECT_EQ(docs.GetDocString(CMultiDocTemplate::filterExt), QStringLiteral(".bmp"));
    EXPECT_EQ(docs.GetDocString(CMultiDocTemplate::regFileTypeId), QStringLiteral("Tessaly.Document"));
}

TEST_F(Fixture, NewDocumentsAreNumberedAndOpenedOnesTakeTheFileName) {
    CDocument* first = docs.OpenDocumentFile(QString());
    CDocument* second = docs.OpenDocumentFile(QString());
    CDocument* opened = docs.OpenDocumentFile(QStringLiteral("/pictures/sea.gif"));
    ASSERT_TRUE(first && second && opened);
    EXPECT_EQ(first->GetTitle(), QStringLiteral("Image1"));
    EXPECT_EQ(second->GetTitle(), QStringLiteral("Image2"));
    EXPECT_EQ(opened->GetTitle(), QStringLiteral("sea.gif"));
    EXPECT_EQ(opened->GetPathName(), QStringLiteral("/pictures/sea.gif"));
    EXPECT_EQ(area.subWindowList().size(), 3);
    EXPECT_EQ(area.activeSubWindow(), opened->Frame());
    EXPECT_TRUE(static_cast<View*>(opened->Views()[0])->initialised);
    EXPECT_EQ(opened->Frame()->windowTitle(), QStringLiteral("sea.gif"));
}

TEST_F(Fixture, AFailedOpenLeavesNoDocumentAndNoWindow) {
    EXPECT_EQ(docs.OpenDocumentFile(QStringLiteral("/x/bad")), nullptr);
    EXPECT_TRUE(docs.Documents().empty());
    EXPECT_TRUE(area.subWindowList().isEmpty());
}

TEST_F(Fixture, ClosingAModifiedDocumentAsksAndHonoursTheAnswer) {
    using namespace platform;
    auto* doc = static_cast<Doc*>(docs.OpenDocumentFile(QStringLiteral("/p/a.bmp")));
    doc->SetModifiedFlag(true);

    test::Script().promptAnswers = {IDCANCEL};
    doc->Frame()->close();
    Settle();
    ASSERT_EQ(docs.Documents().size(), 1u) << "Cancel keeps the document";
    EXPECT_EQ(test::Script().messages.back().text, QStringLiteral("Save changes to /p/a.bmp?"));

    test::Script().promptAnswers = {IDYES};
    doc->Frame()->close();
    EXPECT_EQ(doc->saves, 1);
    Settle();
    EXPECT_TRUE(docs.Documents().empty());
    EXPECT_TRUE(area.subWindowList().isEmpty());
}

TEST_F(Fixture, CloseAllClosesWithoutAsking) {
    docs.OpenDocumentFile(QString())->SetModifiedFlag(true);
    docs.OpenDocumentFile(QString());
    docs.CloseAllDocuments();
    Settle();
    EXPECT_TRUE(docs.Documents().empty());
    EXPECT_TRUE(area.subWindowList().isEmpty());
    EXPECT_TRUE(test::Script().messages.empty());
}

TEST_F(Fixture, SaveAllModifiedStopsAtTheFirstCancel) {
    docs.OpenDocumentFile(QString())->SetModifiedFlag(true);
    docs.OpenDocumentFile(QString())->SetModifiedFlag(true);
    test::Script().promptAnswers = {platform::IDNO, platform::IDCANCEL};
    EXPECT_FALSE(docs.SaveAllModified());
    EXPECT_EQ(test::Script().messages.size(), 2u);
    test::Script().promptAnswers = {platform::IDNO, platform::IDNO};
    EXPECT_TRUE(docs.SaveAllModified());
}

} // namespace
} // namespace tsl
