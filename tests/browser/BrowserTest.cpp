// The browser window through its real tree, list and thumbnail workers.

#include "browser/Thumbnails.h"
#include "browser/BrowserKit.h"
#include "browser/ThumbnailCache.h"
#include "document/ImageFiles.h"
#include "platform/FileNames.h"

#include <QBuffer>
#include <QMenu>
#include <QScrollBar>
#include <QTreeWidget>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <thread>

namespace tsl {
namespace {

using test::BrowserTest;
using test::Script;

TEST_F(BrowserTest, ShowsImageFilesOnlyInNameOrderIgnoringCase) {
    Picture(QStringLiteral("c.PNG"));
    test::WriteFile(dir + "/b.txt", "text");
    QImage jpeg(16, 12, QImage::Format_RGB32);
    jpeg.fill(qRgb(90, 90, 90));
    ASSERT_TRUE(jpeg.save(dir + "/a.jpg", "JPEG"));
    Picture(QStringLiteral("B two.png"));
    QDir(dir).mkdir(QStringLiteral("folder.gif"));
    ASSERT_EQ(::mkfifo((dir + "/pipe.png").toLocal8Bit().constData(), 0600), 0);
    ASSERT_TRUE(Browse(dir));
    EXPECT_EQ(browser->CurrentFolder(), dir);
    EXPECT_EQ(browser->FileEntries(),
              QStringList({"a.jpg", "B two.png", "c.PNG"}));
    EXPECT_EQ(Labels(), QStringList({"a.jpg", "B two.png", "c.PNG"}));
    EXPECT_EQ(browser->CurrentItem(), 0);
    EXPECT_TRUE(browser->List()->item(0)->isSelected());
    EXPECT_TRUE(Script().messages.empty());
}

TEST_F(BrowserTest, CellsFollowTheFitRuleAndSmallPicturesStayUnscaled) {
    Picture(QStringLiteral("1small.png"), 40, 20, qRgb(0, 0, 255));
    Picture(QStringLiteral("2wide.png"), 400, 200, qRgb(0, 255, 0));
    Picture(QStringLiteral("3tall.png"), 30, 300, qRgb(255, 0, 0));
    ASSERT_TRUE(Browse(dir));
    ASSERT_EQ(browser->List()->count(), 3);
    const QRgb white = qRgb(255, 255, 255);

    const QImage small = browser->Thumbnail(0);
    ASSERT_EQ(small.size(), QSize(100, 75));
    EXPECT_EQ(small.pixel(30, 27), qRgb(0, 0, 255));
    EXPECT_EQ(small.pixel(69, 46), qRgb(0, 0, 255));
    EXPECT_EQ(small.pixel(29, 27), white);
    EXPECT_EQ(small.pixel(30, 26), white);
    EXPECT_EQ(small.pixel(70, 46), white);
    EXPECT_EQ(small.pixel(69, 47), white);

    const QImage wide = browser->Thumbnail(1); // 100 x 50 at (0, 12)
    EXPECT_EQ(wide.pixel(0, 12), qRgb(0, 255, 0));
    EXPECT_EQ(wide.pixel(99, 61), qRgb(0, 255, 0));
    EXPECT_EQ(wide.pixel(0, 11), white);
    EXPECT_EQ(wide.pixel(99, 62), white);

    const QImage tall = browser->Thumbnail(2); // 7 x 75 (75 x 30 / 300) at (46, 0)
    EXPECT_EQ(tall.pixel(46, 0), qRgb(255, 0, 0));
    EXPECT_EQ(tall.pixel(52, 74), qRgb(255, 0, 0));
    EXPECT_EQ(tall.pixel(45, 40), white);
    EXPECT_EQ(tall.pixel(53, 40), white);
}

TEST_F(BrowserTest, AFileThatFailsLeavesNoGap) {
    Picture(QStringLiteral("a.png"));
    test::WriteFile(dir + "/b.png", "not a picture at all");
    test::WriteFile(dir + "/c.jpg", QByteArray(2000, '\xff'));
    Picture(QStringLiteral("d.png"), 8, 6, qRgb(1, 2, 3));
    ASSERT_TRUE(Browse(dir));
    ASSERT_EQ(Labels(), QStringList({"a.png", "d.png"}));
    EXPECT_EQ(browser->Thumbnail(1).pixel(50, 37), qRgb(1, 2, 3));
    // Item k at x = 6 + 106 k: the second picture took the failed file's place.
    QListWidget* list = browser->List();
    const int scroll = list->horizontalScrollBar()->value();
    EXPECT_EQ(list->visualRect(list->model()->index(0, 0)).x() + scroll, 6);
    EXPECT_EQ(list->visualRect(list->model()->index(1, 0)).x() + scroll, 112);
    EXPECT_TRUE(Script().messages.empty());
}

TEST_F(BrowserTest, UnreadableOrMissingFolderShowsNothingAndSaysNothing) {
    Picture(QStringLiteral("a.png"));
    ASSERT_TRUE(Browse(dir));
    ASSERT_EQ(browser->List()->count(), 1);
    ASSERT_TRUE(Browse(dir + "/gone"));
    EXPECT_EQ(browser->List()->count(), 0);
    EXPECT_TRUE(Script().messages.empty());
}

TEST_F(BrowserTest, TreeFillsAnItemOnceOnExpansionOrOnSelection) {
    for (const char* sub : {"top/Beta/deep", "top/alpha/x", "top/gamma", "top/.hidden"})
        ASSERT_TRUE(QDir().mkpath(dir + "/" + sub));
    test::WriteFile(dir + "/top/file.png", "x");
    browser->SelectFolder(dir + "/top");
    QTreeWidgetItem* top = browser->FindItem(dir + "/top");
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(browser->Tree()->currentItem(), top);
    ASSERT_TRUE(browser->IsFilled(top));
    ASSERT_EQ(top->childCount(), 3); // folders only, no hidden ones, sorted ignoring case
    EXPECT_EQ(top->child(0)->text(0), "alpha");
    EXPECT_EQ(top->child(1)->text(0), "Beta");
    EXPECT_EQ(top->child(2)->text(0), "gamma");
    // Whether a child has sub-folders is found out on a worker; until then it shows an expander.
    ASSERT_TRUE(QTest::qWaitFor([&] { return browser->FolderChecksPending() == 0; }, 10000));
    EXPECT_EQ(top->child(0)->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    EXPECT_EQ(top->child(2)->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
    QTreeWidgetItem* alpha = top->child(0);
    QTreeWidgetItem* beta = top->child(1);
    EXPECT_FALSE(browser->IsFilled(alpha));

    alpha->setExpanded(true);
    EXPECT_TRUE(browser->IsFilled(alpha));
    ASSERT_EQ(alpha->childCount(), 1);
    // Once filled, a level is not filled again: a new folder shows only after a new tree.
    QDir().mkpath(dir + "/top/alpha/y");
    alpha->setExpanded(false);
    alpha->setExpanded(true);
    EXPECT_EQ(alpha->childCount(), 1);

    // Selecting a never-expanded item with children fills it without expanding it.
    browser->Tree()->setCurrentItem(beta);
    EXPECT_TRUE(browser->IsFilled(beta));
    EXPECT_FALSE(beta->isExpanded());
    ASSERT_EQ(beta->childCount(), 1);
    EXPECT_EQ(browser->CurrentFolder(), dir + "/top/Beta");

    // A right click selects the folder under the cursor.
    QTreeWidgetItem* gamma = top->child(2);
    browser->Tree()->scrollToItem(gamma);
    const QPoint at = browser->Tree()->visualItemRect(gamma).center();
    emit browser->Tree()->customContextMenuRequested(at);
    EXPECT_EQ(browser->Tree()->currentItem(), gamma);
    EXPECT_EQ(browser->CurrentFolder(), dir + "/top/gamma");
}

TEST_F(BrowserTest, TopLevelIsHomeAndTheFileSystem) {
    QTreeWidget* tree = browser->Tree();
    ASSERT_GE(tree->topLevelItemCount(), 2);
    EXPECT_EQ(tree->topLevelItem(0)->data(0, Qt::UserRole).toString(), QDir::homePath());
    EXPECT_TRUE(tree->topLevelItem(0)->isExpanded());
    EXPECT_EQ(tree->topLevelItem(1)->data(0, Qt::UserRole).toString(), "/");
}

TEST_F(BrowserTest, AnotherFolderDropsTheWorkOfTheFirst) {
    // Slow decodes, so that the first folder's work is still queued when the second comes.
    std::atomic<int> builds{0};
    browser = std::make_unique<CImageBrowser>(nullptr, [&builds](const QString& path) {
        ++builds;
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        return BuildThumbnail(path);
    });
    browser->show();
    const QString first = test::MakeTempFolder("first");
    const QString second = test::MakeTempFolder("second");
    for (int i = 0; i < 40; ++i)
        Picture(QStringLiteral("p%1.png").arg(i, 2, 10, QLatin1Char('0')), 4, 4, qRgb(9, 9, 9), first);
    Picture(QStringLiteral("only.png"), 4, 4, qRgb(7, 7, 7), second);
    browser->SelectFolder(first);
    QTest::qWait(50);
    ASSERT_TRUE(Browse(second));
    QTest::qWait(200); // anything of the first folder still running ends meanwhile
    QApplication::processEvents();
    EXPECT_EQ(Labels(), QStringList({"only.png"}));
    EXPECT_EQ(browser->Thumbnail(0).pixel(50, 37), qRgb(7, 7, 7));
    EXPECT_LT(builds.load(), 20);
}

TEST_F(BrowserTest, HidingKeepsFolderAndThumbnailsAndTheCloseBoxOnlyHides) {
    Picture(QStringLiteral("a.png"));
    ASSERT_TRUE(Browse(dir));
    browser->close();
    EXPECT_FALSE(browser->isVisible());
    browser->show();
    EXPECT_EQ(browser->CurrentFolder(), dir);
    EXPECT_EQ(Labels(), QStringList({"a.png"}));
    EXPECT_EQ(browser->Thumbnail(0).pixel(50, 37), qRgb(200, 30, 40));
}

TEST_F(BrowserTest, OpensSelectedFilesAscendingAndTheCurrentOneOnEnter) {
    for (const char* name : {"a.png", "b.png", "c.png"}) Picture(QString::fromLatin1(name));
    ASSERT_TRUE(Browse(dir));
    QListWidget* list = browser->List();
    QTest::keyClick(list, Qt::Key_Right);
    QTest::keyClick(list, Qt::Key_Right);
    QTest::keyClick(list, Qt::Key_Right); // not beyond the last
    EXPECT_EQ(browser->CurrentItem(), 2);
    QTest::keyClick(list, Qt::Key_Up);
    EXPECT_EQ(browser->CurrentItem(), 1);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(opened, QStringList({dir + "/b.png"}));

    opened.clear();
    SelectRows({2, 0});
    browser->OnCommand(ID_BROWSER_OPEN);
    EXPECT_EQ(opened, QStringList({dir + "/a.png", dir + "/c.png"}));

    opened.clear();
    const QRect cell = list->visualRect(list->model()->index(2, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(browser->CurrentItem(), 2);
    EXPECT_TRUE(opened.contains(dir + "/c.png"));
}

TEST_F(BrowserTest, PopupMenuHoldsItsFiveCommands) {
    QStringList texts;
    QList<int> ids;
    for (QAction* action : browser->PopupMenu()->actions()) {
        texts << action->text();
        ids << action->data().toInt();
    }
    EXPECT_EQ(texts, QStringList({"Open", "Copy to Clipboard", "Copy to...", "Move to...", "Delete"}));
    EXPECT_EQ(ids, QList<int>({32796, 32797, 32798, 32801, 32799}));
}

TEST_F(BrowserTest, ResizingGivesTheListTheRestOfTheWidth) {
    const int treeWidth = browser->Tree()->width();
    browser->resize(900, 500);
    QApplication::processEvents();
    EXPECT_EQ(browser->Tree()->width(), treeWidth);
    EXPECT_EQ(browser->Tree()->height(), browser->height());
    EXPECT_EQ(browser->List()->x(), treeWidth);
    EXPECT_EQ(browser->List()->width(), 900 - treeWidth);
    browser->resize(100, 300);
    QApplication::processEvents();
    EXPECT_GE(browser->List()->width(), 0);
}

TEST_F(BrowserTest, NamesWithSpacesQuotesAndNewlinesShowAndOpen) {
    const QString odd = QStringLiteral("it's a \"pic\"\nnew line.png");
    Picture(odd, 8, 6, qRgb(5, 6, 7));
    ASSERT_TRUE(Browse(dir));
    ASSERT_EQ(Labels(), QStringList({odd}));
    EXPECT_EQ(browser->Thumbnail(0).pixel(50, 37), qRgb(5, 6, 7));
    browser->OnCommand(ID_BROWSER_OPEN);
    EXPECT_EQ(opened, QStringList({dir + "/" + odd}));
}

TEST_F(BrowserTest, NamesThatAreNotUtf8ShowLoadAndOpen) {
    // Made by their bytes: Qt's own names could not hold them.
    const QByteArray folder = EncodeFileName(dir);
    const QByteArray raw[] = {"caf\xe9.png", "\xff\xfe odd.png", "caf\xc3\xa9.png"};
    const QRgb colours[] = {qRgb(10, 0, 0), qRgb(0, 20, 0), qRgb(0, 0, 30)};
    for (int i = 0; i < 3; ++i) {
        QImage image(8, 6, QImage::Format_RGB32);
        image.fill(colours[i]);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(image.save(&buffer, "PNG"));
        const int fd = ::open((folder + "/" + raw[i]).constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
        ::close(fd);
    }
    ASSERT_TRUE(Browse(dir));
    ASSERT_EQ(browser->List()->count(), 3);
    // Sorted ignoring case, "caf" then the kept byte or the UTF-8 letter, then 0xff.
    EXPECT_EQ(Labels(), QStringList({QString::fromUtf8("caf\xc3\xa9.png"), QStringLiteral("caf\uFFFD.png"),
                                     QStringLiteral("\uFFFD\uFFFD odd.png")}));
    const int order[] = {2, 0, 1};
    for (int row = 0; row < 3; ++row) {
        const QByteArray name = raw[order[row]];
        EXPECT_EQ(EncodeFileName(browser->FileEntries()[row]), name);
        EXPECT_EQ(browser->Thumbnail(row).pixel(50, 37), colours[order[row]]) << row;
        // Its cache entry (written after the cell is shown) names the file by its bytes.
        const QString entryPath = CThumbnailCache().EntryPath(dir + "/" + browser->FileEntries()[row]);
        ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(entryPath); }, 10000));
        const QImage entry(entryPath);
        EXPECT_EQ(entry.text("Thumb::URI").toLatin1(),
                  "file://" + (folder + "/" + name).toPercentEncoding("!$&'()*+,/:=@"));
    }
    EXPECT_TRUE(QImage(CThumbnailCache().EntryPath(dir + "/" + browser->FileEntries()[1]))
                    .text("Thumb::URI").endsWith("/caf%E9.png"));
    SelectRows({0, 1, 2});
    browser->OnCommand(ID_BROWSER_OPEN);
    ASSERT_EQ(opened.size(), 3);
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(EncodeFileName(opened[row]), folder + "/" + raw[order[row]]);
        CBmp holder; // the document's own loader
        int depth = 0;
        ASSERT_TRUE(LoadImageFile(opened[row], holder, false, depth)) << row;
        EXPECT_EQ(QColor(holder.Bitmap().pixel(0, 0)), QColor(colours[order[row]]));
    }
    EXPECT_TRUE(Script().messages.empty());
}

// A JPEG of w x h in one colour, with a camera's Exif thumbnail of tw x th in another.
QByteArray JpegWithExifThumbnail(int w, int h, QRgb colour, int tw, int th, QRgb thumbColour) {
    auto encode = [](int width, int height, QRgb fill) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(fill);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPEG", 95);
        return bytes;
    };
    const QByteArray main = encode(w, h, colour), thumb = encode(tw, th, thumbColour);
    // TIFF, little-endian: an empty IFD0 linking to IFD1 with the thumbnail's offset and length.
    QByteArray tiff("II*\0", 4);
    auto u16 = [&tiff](int v) { tiff.append(char(v & 255)).append(char(v >> 8 & 255)); };
    auto u32 = [&](quint32 v) { u16(int(v & 0xffff)); u16(int(v >> 16)); };
    u32(8);             // IFD0
    u16(0); u32(14);    // no entries; IFD1 at 14
    u16(2);
    u16(0x0201); u16(4); u32(1); u32(14 + 2 + 24 + 4);
    u16(0x0202); u16(4); u32(1); u32(quint32(thumb.size()));
    u32(0);
    tiff += thumb;
    QByteArray segment = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray app1("\xff\xe1", 2);
    app1.append(char((segment.size() + 2) >> 8)).append(char((segment.size() + 2) & 255));
    return main.left(2) + app1 + segment + main.mid(2);
}

TEST(Thumbnail, AJpegsExifThumbnailServesWhenItCoversTheCellWithoutBars) {
    const QString dir = test::MakeTempFolder("exif");
    const QRgb red = qRgb(220, 0, 0), green = qRgb(0, 220, 0);
    auto near = [](QRgb a, QRgb b) {
        return std::abs(qRed(a) - qRed(b)) < 12 && std::abs(qGreen(a) - qGreen(b)) < 12 &&
               std::abs(qBlue(a) - qBlue(b)) < 12;
    };
    test::WriteFile(dir + "/fits.jpg", JpegWithExifThumbnail(1600, 1200, red, 160, 120, green));
    test::WriteFile(dir + "/barred.jpg", JpegWithExifThumbnail(1800, 1200, red, 160, 120, green));
    test::WriteFile(dir + "/small.jpg", JpegWithExifThumbnail(1600, 1200, red, 80, 60, green));
    const QImage fits = BuildThumbnail(dir + "/fits.jpg");
    EXPECT_TRUE(near(fits.pixel(50, 37), green));
    EXPECT_EQ(fits.pixel(50, 0), fits.pixel(50, 37)); // 100 x 75: the picture's own shape
    EXPECT_TRUE(near(BuildThumbnail(dir + "/barred.jpg").pixel(50, 37), red));
    EXPECT_TRUE(near(BuildThumbnail(dir + "/small.jpg").pixel(50, 37), red));
}

} // namespace
} // namespace tsl
