// Save All, Close All and Paste as New Image over open documents.

#include "AppFixture.h"

#include "framework/Document.h"
#include "framework/Ids.h"
#include "platform/Platform.h"

#include <QDialog>
#include <QFileInfo>

namespace tsl::test {
namespace {

struct DocumentCommands : AppFixture {
    void SetUp() override {
        WriteUsualSettings();
        ASSERT_TRUE(Start());
    }
    CDocument* Open(const QString& name) {
        CDocument* doc = app->OpenDocumentFile(MakeImage(name));
        if (doc) doc->SetModifiedFlag(true);
        return doc;
    }
    static qint64 Size(const QString& path) { return QFileInfo(path).size(); }
};

TEST_F(DocumentCommands, CloseAllWithNoToAllClosesEverythingUnsaved) {
    CDocument* a = Open(QStringLiteral("a.png"));
    CDocument* b = Open(QStringLiteral("b.png"));
    ASSERT_TRUE(a && b);
    const QString pathA = a->GetPathName();
    const qint64 before = Size(pathA);
    Script().promptAnswers = {platform::IDNOTOALL};
    ASSERT_TRUE(Frame().ExecuteCommand(ID_FILE_CLOSE_ALL));
    Settle();
    EXPECT_EQ(DocumentCount(), 0u);
    ASSERT_EQ(Script().messages.size(), 1u) << "asked once, the answer remembered";
    EXPECT_EQ(Script().messages[0].text, QStringLiteral("Save changes to %1?").arg(pathA));
    EXPECT_EQ(Size(pathA), before);
}

TEST_F(DocumentCommands, YesToAllSavesFilesAndLeavesNewImagesToTheQuery) {
    CDocument* a = Open(QStringLiteral("a.png"));
    ASSERT_TRUE(a);
    Script().dialogScripts.push_back([](QDialog&) { return int(QDialog::Accepted); });
    ASSERT_TRUE(Frame().ExecuteCommand(ID_FILE_NEW));
    CDocument* fresh = app->Template()->Documents().back();
    fresh->SetModifiedFlag(true);
    // Yes to all for the file; then the new image's own prompt, cancelled.
    Script().promptAnswers = {platform::IDYESTOALL, platform::IDCANCEL};
    ASSERT_TRUE(Frame().ExecuteCommand(ID_FILE_CLOSE_ALL));
    Settle();
    ASSERT_EQ(DocumentCount(), 1u);
    EXPECT_EQ(app->Template()->Documents()[0], fresh);
    EXPECT_TRUE(fresh->IsModified()) << "not cleared by the remembered Yes to all";
    EXPECT_EQ(Script().messages.back().text, QStringLiteral("Save changes to Image1?"));
}

TEST_F(DocumentCommands, AFailedSaveKeepsTheDocumentOpenAndModified) {
    CDocument* a = Open(QStringLiteral("a.png"));
    ASSERT_TRUE(a);
    // A path whose format cannot be written.
    const QString avi = MakeTempFolder(QStringLiteral("images")) + QStringLiteral("/clip.avi");
    WriteFile(avi, "old");
    a->SetPathName(avi);
    Script().promptAnswers = {platform::IDYES};
    ASSERT_TRUE(Frame().ExecuteCommand(ID_FILE_CLOSE_ALL));
    Settle();
    ASSERT_EQ(DocumentCount(), 1u);
    EXPECT_TRUE(a->IsModified());
    // The error report, then the save-modified query of step 2 (cancelled: no answer left).
    ASSERT_GE(Script().messages.size(), 3u);
    EXPECT_TRUE(Script().messages[1].text.endsWith(QStringLiteral("read/write permissions")));
    EXPECT_EQ(Script().messages[2].text, QStringLiteral("Save changes to clip.avi?"));
    EXPECT_EQ(Size(avi), 3);
}

TEST_F(DocumentCommands, SaveAllNeverPromptsForDocumentsWithFiles) {
    CDocument* a = Open(QStringLiteral("a.png"));
    CDocument* b = Open(QStringLiteral("b.png"));
    ASSERT_TRUE(a && b);
    EXPECT_TRUE(Frame().CommandState(ID_FILE_SAVE_ALL).IsEnabled());
    ASSERT_TRUE(Frame().ExecuteCommand(ID_FILE_SAVE_ALL));
    EXPECT_TRUE(Script().messages.empty());
    EXPECT_FALSE(a->IsModified());
    EXPECT_FALSE(b->IsModified());
    EXPECT_EQ(DocumentCount(), 2u);
}

TEST_F(DocumentCommands, PasteAsNewImageTakesTheClipboard) {
    platform::Platform().clipboard->Clear();
    Frame().UpdateCommandUI();
    EXPECT_FALSE(Frame().CommandState(ID_PASTE_AS_NEW_IMAGE).IsEnabled());
    QImage image(5, 3, QImage::Format_RGB32);
    image.fill(qRgb(1, 2, 3));
    platform::Platform().clipboard->SetImage(image);
    EXPECT_TRUE(Frame().CommandState(ID_PASTE_AS_NEW_IMAGE).IsEnabled());
    ASSERT_TRUE(Frame().ExecuteCommand(ID_PASTE_AS_NEW_IMAGE));
    ASSERT_EQ(DocumentCount(), 1u);
    EXPECT_TRUE(app->Template()->Documents()[0]->IsModified());
}

} // namespace
} // namespace tsl::test

#include <QPrintDialog>
#include <QPrinter>

namespace tsl::test {
namespace {

TEST_F(DocumentCommands, PrintingGoesThroughThePrintDialogAndFitToPageToggles) {
    ASSERT_TRUE(Open(QStringLiteral("p.png")));
    EXPECT_TRUE(Frame().CommandState(ID_FIT_TO_PAGE).IsChecked());
    ASSERT_TRUE(Frame().ExecuteCommand(ID_FIT_TO_PAGE));
    EXPECT_FALSE(Frame().CommandState(ID_FIT_TO_PAGE).IsChecked());
    const QString pdf = MakeTempFolder(QStringLiteral("print")) + QStringLiteral("/page.pdf");
    Script().dialogScripts.push_back([pdf](QDialog& d) {
        QPrinter* printer = static_cast<QPrintDialog&>(d).printer();
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(pdf);
        return int(QDialog::Accepted);
    });
    ASSERT_TRUE(Frame().ExecuteCommand(ID_FILE_PRINT));
    EXPECT_GT(QFileInfo(pdf).size(), 0);
    // A cancelled print dialog prints nothing.
    QFile::remove(pdf);
    ASSERT_TRUE(Frame().ExecuteCommand(ID_FILE_PRINT));
    EXPECT_FALSE(QFileInfo::exists(pdf));
}

} // namespace
} // namespace tsl::test
