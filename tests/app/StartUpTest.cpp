#include "AppFixture.h"

#include "app/AboutDlg.h"
#include "capture/ScanCommands.h"
#include "core/Extensions.h"
#include "core/SettingsFile.h"
#include "document/HandOff.h"
#include "framework/Document.h"
#include "framework/Ids.h"
#include "platform/FileDialog.h"
#include "ui/HyperlinkLabel.h"
#include "ui/PreviewDlg.h"

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QFileSystemModel>
#include <QItemSelectionModel>
#include <QListView>

#include <QFileInfo>
#include <QLabel>

#include <future>

namespace tsl::test {
namespace {

using StartUp = AppFixture;

TEST_F(StartUp, PlainStartOpensNoDocumentAndShowsTheFrameNormally) {
    WriteUsualSettings();
    ASSERT_TRUE(Start());
    EXPECT_EQ(DocumentCount(), 0u);
    EXPECT_TRUE(Frame().isVisible());
    EXPECT_FALSE(Frame().isMinimized() || Frame().isMaximized());
    EXPECT_TRUE(Frame().acceptDrops());
    EXPECT_EQ(Frame().CurrentMenuResource(), IDR_MAINFRAME);
    EXPECT_TRUE(Script().messages.empty());
}

TEST_F(StartUp, TheWindowShowsWhileScannersAreStillBeingLookedFor) {
    // Discovery held on the scanning thread until the window is up: start-up does not wait.
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    CSaneSession::SetHooks({[released] { released.wait(); }, {}});
    WriteUsualSettings();
    const bool started = Start();
    const bool visible = Frame().isVisible();
    const bool looked = app->Scan()->Twain().DiscoveryDone();
    release.set_value();
    ASSERT_TRUE(started);
    EXPECT_TRUE(visible);
    EXPECT_FALSE(looked);
    EXPECT_TRUE(WaitFor([&] { return app->Scan()->Twain().DiscoveryDone(); }, 10000));
    CSaneSession::SetHooks({});
    // This test environment has no scanner: both commands stay disabled, with a document too.
    Script().dialogScripts.push_back([](QDialog&) { return int(QDialog::Accepted); });
    Frame().ExecuteCommand(ID_FILE_NEW);
    EXPECT_FALSE(app->Scan()->TwainAvailable());
    for (int id : {ID_TWAIN_SELECT_SOURCE, ID_TWAIN_ACQUIRE_MULTI}) {
        EXPECT_FALSE(Frame().CommandState(id).IsEnabled()) << id;
        EXPECT_FALSE(Frame().ExecuteCommand(id)) << id;
        EXPECT_FALSE(Frame().ActionsFor(id).empty()) << id;
    }
    EXPECT_TRUE(Script().messages.empty());
}

TEST_F(StartUp, CommandLineOpensExistingFilesAndQuietlySkipsMissingOnes) {
    WriteUsualSettings();
    const QString image = MakeImage("sea.png");
    ASSERT_TRUE(Start({QStringLiteral("/no/such/file.gif"), image, QStringLiteral("-style")}));
    ASSERT_EQ(DocumentCount(), 1u);
    EXPECT_EQ(app->Template()->Documents()[0]->GetTitle(), QStringLiteral("sea.png"));
    EXPECT_EQ(Frame().RecentFiles().Files(), QStringList{QFileInfo(image).absoluteFilePath()});
    EXPECT_EQ(Frame().CurrentMenuResource(), IDR_IMAGE_TYPE);
    EXPECT_TRUE(Script().messages.empty());
    // Opening the same file again shows the open window instead of a second one.
    EXPECT_EQ(app->OpenDocumentFile(image), app->Template()->Documents()[0]);
    EXPECT_EQ(DocumentCount(), 1u);
}

TEST_F(StartUp, FirstRunOpensTheWelcomePageAndImageOnceAndRemembersIt) {
    QFile::copy(QStringLiteral(TSL_SOURCE_DIR "/res/program/WelcomeTsl.gif"),
                Env().programFolder + "WelcomeTsl.gif");
    WriteSettings("[General]\r\nProduct=https://example.org/\r\n");
    ASSERT_TRUE(Start());
    Frame().SetPaneText(1, "x");
    ASSERT_TRUE(WaitFor([&] { return DocumentCount() == 1; }));
    EXPECT_EQ(Script().opened, QStringList{Env().programFolder + "WelcomeTsl.htm"});
    EXPECT_EQ(app->Template()->Documents()[0]->GetTitle(), QStringLiteral("WelcomeTsl.gif"));
    EXPECT_EQ(Frame().PaneText(1), QString());

    CSettingsFile onDisk;
    ASSERT_TRUE(onDisk.Load((Env().programFolder + "Settings.ini").toStdString()));
    int value = 0;
    EXPECT_TRUE(onDisk.ReadInt("General", "FirstTimeUser", value));
    EXPECT_EQ(value, 1);
    EXPECT_EQ(onDisk.ReadGeneral("Product"), "https://example.org/");

    // The next start finds the key and opens nothing.
    app.reset();
    Settle();
    Settings() = CSettingsFile();
    Script().opened.clear();
    ASSERT_TRUE(Start());
    QTest::qWait(20);
    EXPECT_EQ(DocumentCount(), 0u);
    EXPECT_TRUE(Script().opened.isEmpty());
}

TEST_F(StartUp, HelpCommandsOpenTheirTargets) {
    WriteSettings("[General]\r\nFirstTimeUser=1\r\nProduct=https://p.example/\r\n"
                  "Download=https://d.example/\r\nMailList=https://m.example/\r\n"
                  "Email=mailto:tessaly@x.example\r\n");
    ASSERT_TRUE(Start());
    for (int id : {ID_HELP_MANUAL, ID_HELP_WEB, ID_HELP_DOWNLOAD, ID_HELP_NEWSLETTER, ID_HELP_EMAIL})
        EXPECT_TRUE(Frame().ExecuteCommand(id)) << id;
    EXPECT_EQ(Script().opened,
              (QStringList{Env().programFolder + "ManualTsl.html", "https://p.example/",
                           "https://d.example/", "https://m.example/", "mailto:tessaly@x.example"}));
}

TEST_F(StartUp, AnEmptyWebValueOpensNothing) {
    WriteUsualSettings();
    ASSERT_TRUE(Start());
    Frame().ExecuteCommand(ID_HELP_WEB);
    EXPECT_TRUE(Script().opened.isEmpty());
}

TEST_F(StartUp, AboutBoxShowsTheMakersLinksAndAddress) {
    WriteSettings("[General]\r\nFirstTimeUser=1\r\nEmail=mailto:tessaly@x.example\r\n"
                  "Web=https://x.example/\r\nAddress=1 Example Road\r\nTitle=Orvane\r\n");
    ASSERT_TRUE(Start());
    QStringList seen;
    Script().dialogScripts.push_back([&](QDialog& dialog) {
        auto& about = dynamic_cast<CAboutDlg&>(dialog);
        seen << about.EmailLink()->text() << about.WebLink()->text()
             << dialog.findChild<QLabel*>("Control1148")->text()
             << dialog.findChild<QLabel*>("Control1149")->text();
        QTest::mouseClick(about.EmailLink(), Qt::LeftButton, {}, QPoint(3, 3));
        return 1;
    });
    Frame().ExecuteCommand(ID_APP_ABOUT);
    EXPECT_EQ(seen, (QStringList{"tessaly@x.example", "https://x.example/", "1 Example Road", "Orvane"}));
    EXPECT_EQ(Script().opened, QStringList{"mailto:tessaly@x.example"});
}

TEST_F(StartUp, HandOffWithoutAnImageReportsAndMakesNothing) {
    WriteUsualSettings();
    ASSERT_TRUE(Start());
    EXPECT_FALSE(app->NewFromHandOff(nullptr));
    QImage empty;
    EXPECT_FALSE(app->NewFromHandOff(&empty));
    ASSERT_EQ(Script().messages.size(), 2u);
    EXPECT_EQ(Script().messages[0].text, QStringLiteral("Error : Create window"));
    EXPECT_EQ(DocumentCount(), 0u);

    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    Frame().showMinimized();
    EXPECT_TRUE(app->NewFromHandOff(&image, QStringLiteral("Capture Full Screen")));
    EXPECT_FALSE(Frame().isMinimized()) << "the restore request brings the frame back";
    ASSERT_EQ(DocumentCount(), 1u);
    CDocument* doc = app->Template()->Documents()[0];
    EXPECT_EQ(doc->GetTitle(), QStringLiteral("Image1"));
    EXPECT_TRUE(doc->IsModified());
    EXPECT_FALSE(HandOff().IsAllocated()) << "the document took the image";
}

TEST_F(StartUp, FileOpenOffersTheFiltersInOrderAndRemembersTheFolder) {
    WriteSettings("[General]\r\nFirstTimeUser=1\r\n[Dir]\r\nOpenSave=/previous\r\n");
    ASSERT_TRUE(Start());
    const QString a = MakeImage("a.png"), b = MakeImage("b.png");
    Script().openAnswers.push_back({a, b});
    Frame().ExecuteCommand(ID_FILE_OPEN);

    ASSERT_EQ(Script().fileRequests.size(), 1u);
    const platform::FileRequest& r = Script().fileRequests[0];
    EXPECT_EQ(r.filter.toStdString(), ImageFilesFilter() + PerFormatFilter() + AllFilesFilter());
    EXPECT_TRUE(r.multiple);
    EXPECT_TRUE(r.mustExist);
    EXPECT_EQ(r.defaultExtension, QStringLiteral("bmp"));
    EXPECT_EQ(r.folder, QStringLiteral("/previous"));
    ASSERT_EQ(DocumentCount(), 2u);
    EXPECT_EQ(app->Template()->Documents()[0]->GetTitle(), QStringLiteral("a.png"));
    EXPECT_EQ(app->Template()->Documents()[1]->GetTitle(), QStringLiteral("b.png"));

    CSettingsFile onDisk;
    onDisk.Load((Env().programFolder + "Settings.ini").toStdString());
    EXPECT_EQ(QString::fromStdString(onDisk.ReadFolder("OpenSave")), QFileInfo(a).absolutePath());
}

TEST_F(StartUp, FileOpenPreviewsThroughTheDocumentLoaderAndOpensTheChosenFiles) {
    WriteUsualSettings();
    ASSERT_TRUE(Start());
    const QString folder = MakeTempFolder("open");
    QImage picture(400, 200, QImage::Format_RGB32);
    picture.fill(qRgb(1, 2, 3));
    // A PNG (the imaging layer reads it) and a JPEG (the program's own reader, previewed from
    // a reduced DCT scale).
    const QString first = folder + "/first.png", jpg = folder + "/second.jpg";
    ASSERT_TRUE(picture.save(first, "PNG"));
    ASSERT_TRUE(picture.save(jpg, "JPG"));

    Script().fileDialogScripts.push_back([&](platform::CFileDialog& d) {
        auto* dialog = dynamic_cast<CPreviewDlg2*>(&d);
        EXPECT_NE(dialog, nullptr) << "File Open is the preview dialog";
        if (!dialog) return int(platform::IDCANCEL);
        d.show();
        d.setDirectory(folder);
        auto* list = d.Control<QListView>("listView");
        auto* model = qobject_cast<QFileSystemModel*>(list->model());
        auto* selection = list->selectionModel();
        selection->setCurrentIndex(model->index(jpg), QItemSelectionModel::ClearAndSelect |
                                                          QItemSelectionModel::Rows);
        EXPECT_TRUE(WaitFor([&] { return !dialog->IsLoading(); }, 10000));
        EXPECT_EQ(dialog->LineText(0), QStringLiteral("Width: 400 pixels"));
        EXPECT_EQ(dialog->LineText(1), QStringLiteral("Height: 200 pixels"));
        EXPECT_EQ(dialog->PreviewBitsPerPixel(), 24) << "as the document records it";
        selection->select(model->index(first),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
        for (QAbstractButton* b : d.Control<QDialogButtonBox>("buttonBox")->buttons())
            if (d.Control<QDialogButtonBox>("buttonBox")->buttonRole(b) ==
                QDialogButtonBox::AcceptRole)
                b->click();
        return d.result() == QDialog::Accepted ? int(platform::IDOK) : int(platform::IDCANCEL);
    });
    Frame().ExecuteCommand(ID_FILE_OPEN);
    ASSERT_EQ(DocumentCount(), 2u);
    QStringList titles;
    for (CDocument* doc : app->Template()->Documents()) titles << doc->GetTitle();
    titles.sort();
    EXPECT_EQ(titles, (QStringList{"first.png", "second.jpg"}));
    EXPECT_TRUE(Script().messages.empty());
}

TEST_F(StartUp, TipOfTheDayShowsAtStartUpOnlyWhenItsFlagSaysSo) {
    WriteUsualSettings();
    Script().profileValues["Tip/StartUp"] = 0;
    ASSERT_TRUE(Start({}, true));
    EXPECT_EQ(Script().dialogTitles, QStringList{"Tip of the Day"});
    app.reset();
    Settle();
    Script().dialogTitles.clear();
    Script().profileValues["Tip/StartUp"] = 1;
    ASSERT_TRUE(Start({}, true));
    EXPECT_TRUE(Script().dialogTitles.isEmpty());
}

TEST_F(StartUp, SettingsAreReadFromTheProgramFolder) {
    WriteSettings("junk before any section\r\n[General]\r\nFirstTimeUser=1\r\nTitle=Orvane\r\n");
    ASSERT_TRUE(Start());
    EXPECT_EQ(Settings().ReadGeneral("Title"), "Orvane");
    EXPECT_EQ(Settings().Path(), (Env().programFolder + "Settings.ini").toStdString());
}

} // namespace
} // namespace tsl::test
