// The "Image Processor" dialog driven through its real controls offscreen: defaults, enabling
// rules, the file list, the output folder, runs with their messages, progress and Cancel, and
// the main frame's command.

#include "../app/AppFixture.h"

#include "batch/ImageProcessorDlg.h"
#include "core/FormatTable.h"
#include "framework/Ids.h"
#include "imaging/LBitmap.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <cstdlib>

namespace tsl::test {
namespace {

using D = CImageProcessorDlg;

// A 24-bit picture whose top-left pixel's red is column 0's (0), the columns counting up.
QString Picture(const QString& path, int width, int height, int format = kFormatBmp) {
    LBitmapBase image;
    EXPECT_GE(image.Create(width, height, 24), 1);
    CDdb& d = image.GetHandle();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = d.Row(height - 1 - y) + 3 * x;
            p[0] = static_cast<std::uint8_t>(x * 5 + y * 3), p[1] = static_cast<std::uint8_t>(y);
            p[2] = static_cast<std::uint8_t>(x);
        }
    EXPECT_GE(image.Save(path.toStdString(), format, 24, kQualityBest), 1) << path.toStdString();
    return path;
}

struct Picked {
    int width = 0, height = 0, bpp = 0, red = -1;
};
Picked Read(const QString& path) {
    LBitmapBase image;
    if (image.Load(path.toStdString()) < 1) return {};
    const CDdb top = image.ConvertToDDB();
    return {image.GetWidth(), image.GetHeight(), image.GetBitsPerPixel(),
            top.Row(top.Height() - 1)[2]};
}

class ImageProcessor : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = MakeTempFolder(QStringLiteral("processor"));
        m_dialog = std::make_unique<D>();
        m_dialog->show();
    }
    D& Dlg() { return *m_dialog; }
    template <class T> T* C(int id) {
        T* w = Dlg().Control<T>(id);
        EXPECT_NE(w, nullptr) << id;
        return w;
    }
    void Click(int id) { C<QAbstractButton>(id)->click(); }
    bool Enabled(int id) { return C<QWidget>(id)->isEnabled(); }
    void Add(const QStringList& paths) {
        Script().openAnswers.push_back(paths);
        Click(D::IDC_ADD);
    }
    // OK, then waits until the run ended.
    void RunAndWait() {
        Click(1);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !Dlg().IsRunning(); }, 60000));
    }
    QStringList Messages() const {
        QStringList texts;
        for (const auto& m : Script().messages) texts << m.text;
        return texts;
    }
    QString P(const QString& name) const { return m_dir + QLatin1Char('/') + name; }

    QString m_dir;
    std::unique_ptr<D> m_dialog;
};

TEST_F(ImageProcessor, StartsWithTheDefaultsAndTheListsEntries) {
    EXPECT_EQ(Dlg().windowTitle(), QStringLiteral("Image Processor"));
    EXPECT_EQ(Dlg().objectName(), QStringLiteral("Dialog102"));
    struct Box {
        int id;
        const char* text;
        bool checked;
    } boxes[] = {{D::IDC_CHANGE_FORMAT, "Change image format", false},
                 {D::IDC_SAME_LOCATION, "Same as the input location", true},
                 {D::IDC_DELETE_ORIGINALS, "Delete the original files", false},
                 {D::IDC_CHANGE_COLORS, "Change the number of colors", false},
                 {D::IDC_GRAY, "Gray scale", false},
                 {D::IDC_SYSTEM_PALETTE, "Insert Windows system palette", false},
                 {D::IDC_CHANGE_SIZE, "Change size", false},
                 {D::IDC_TRIM, "Trim / Crop", true},
                 {D::IDC_RESIZE, "Resize", false}};
    for (const Box& b : boxes) {
        EXPECT_EQ(C<QAbstractButton>(b.id)->text(), QString::fromUtf8(b.text));
        EXPECT_EQ(C<QAbstractButton>(b.id)->isChecked(), b.checked) << b.id;
    }
    for (auto [id, text] : {std::pair{D::IDC_ADD, "Add..."}, {D::IDC_REMOVE, "Remove"},
                            {D::IDC_CLEAR, "Clear"}, {D::IDC_BROWSE, "..."}})
        EXPECT_EQ(C<QPushButton>(id)->text(), QString::fromUtf8(text));
    for (auto [id, text] : {std::pair{D::IDC_WIDTH, "300"}, {D::IDC_HEIGHT, "200"},
                            {D::IDC_X, "0"}, {D::IDC_Y, "0"}, {D::IDC_OUTPUT_FOLDER, ""}})
        EXPECT_EQ(C<QLineEdit>(id)->text(), QString::fromUtf8(text));

    QComboBox* format = C<QComboBox>(D::IDC_FORMAT);
    ASSERT_EQ(format->count(), 30);
    EXPECT_EQ(format->currentText(), QStringLiteral("BMP - Windows Bitmap (*.bmp)"));
    EXPECT_EQ(format->itemText(0), QStringLiteral("Adobe Photoshop 3.0. (*.psd)"));
    EXPECT_EQ(format->itemText(29), QStringLiteral("ZSoft PCX (*.pcx)"));
    struct List {
        int id;
        int count;
        const char* current;
        const char* last;
    } lists[] = {{D::IDC_COLORS, 6, "24 - millions of colors", "32 - millions of colors"},
                 {D::IDC_PALETTE, 3, "Optimized", "Netscape/IE"},
                 {D::IDC_DITHER, 9, "No dithering", "Clustered"},
                 {D::IDC_QUALITY, 3, "Fast, standard quality", "Slowest, high quality (bicubic)"}};
    for (const List& l : lists) {
        QComboBox* box = C<QComboBox>(l.id);
        EXPECT_EQ(box->count(), l.count);
        EXPECT_EQ(box->currentText(), QString::fromUtf8(l.current));
        EXPECT_EQ(box->itemText(l.count - 1), QString::fromUtf8(l.last));
    }
    EXPECT_FALSE(C<QProgressBar>(D::IDC_PROGRESS)->isVisible());
    EXPECT_FALSE(Enabled(1));
    for (int id : {D::IDC_FORMAT, D::IDC_OUTPUT_FOLDER, D::IDC_BROWSE, D::IDC_COLORS, D::IDC_GRAY,
                   D::IDC_PALETTE, D::IDC_DITHER, D::IDC_SYSTEM_PALETTE, D::IDC_TRIM, D::IDC_RESIZE,
                   D::IDC_WIDTH, D::IDC_HEIGHT, D::IDC_X, D::IDC_Y, D::IDC_QUALITY})
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_TRUE(Enabled(2) && Enabled(D::IDC_ADD) && Enabled(D::IDC_CHANGE_SIZE));
}

TEST_F(ImageProcessor, ControlsFollowTheirBoxesAndOkStaysEnabledOnceClicked) {
    Click(D::IDC_CHANGE_FORMAT);
    EXPECT_TRUE(Enabled(1));
    EXPECT_TRUE(Enabled(D::IDC_FORMAT));
    Click(D::IDC_CHANGE_FORMAT);
    EXPECT_FALSE(Enabled(D::IDC_FORMAT));
    EXPECT_TRUE(Enabled(1)) << "never disabled again";

    Click(D::IDC_CHANGE_COLORS);
    EXPECT_TRUE(Enabled(D::IDC_COLORS) && Enabled(D::IDC_GRAY));
    EXPECT_FALSE(Enabled(D::IDC_PALETTE)) << "24 bits has no palette";
    C<QComboBox>(D::IDC_COLORS)->setCurrentIndex(1);
    EXPECT_TRUE(Enabled(D::IDC_PALETTE) && Enabled(D::IDC_DITHER) && Enabled(D::IDC_SYSTEM_PALETTE));
    Click(D::IDC_GRAY);
    EXPECT_FALSE(Enabled(D::IDC_COLORS));
    EXPECT_EQ(C<QComboBox>(D::IDC_COLORS)->currentIndex(), 2);
    EXPECT_FALSE(Enabled(D::IDC_PALETTE) || Enabled(D::IDC_DITHER) || Enabled(D::IDC_SYSTEM_PALETTE));
    Click(D::IDC_CHANGE_COLORS); // off: gray scale is cleared
    EXPECT_FALSE(C<QCheckBox>(D::IDC_GRAY)->isChecked());
    EXPECT_FALSE(Enabled(D::IDC_COLORS) || Enabled(D::IDC_GRAY) || Enabled(D::IDC_PALETTE));

    Click(D::IDC_CHANGE_SIZE);
    for (int id : {D::IDC_TRIM, D::IDC_RESIZE, D::IDC_WIDTH, D::IDC_HEIGHT, D::IDC_X, D::IDC_Y})
        EXPECT_TRUE(Enabled(id)) << id;
    EXPECT_FALSE(Enabled(D::IDC_QUALITY));
    Click(D::IDC_RESIZE);
    EXPECT_FALSE(Enabled(D::IDC_X) || Enabled(D::IDC_Y));
    EXPECT_TRUE(Enabled(D::IDC_QUALITY));
    Click(D::IDC_CHANGE_SIZE);
    for (int id : {D::IDC_TRIM, D::IDC_RESIZE, D::IDC_WIDTH, D::IDC_HEIGHT, D::IDC_X, D::IDC_Y,
                   D::IDC_QUALITY})
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_TRUE(Enabled(1));

    C<QLineEdit>(D::IDC_OUTPUT_FOLDER)->setText(QStringLiteral("/some/where"));
    Click(D::IDC_SAME_LOCATION);
    EXPECT_TRUE(Enabled(D::IDC_OUTPUT_FOLDER) && Enabled(D::IDC_BROWSE));
    EXPECT_EQ(C<QLineEdit>(D::IDC_OUTPUT_FOLDER)->selectedText(), QStringLiteral("/some/where"));
    EXPECT_EQ(Dlg().focusWidget(), C<QLineEdit>(D::IDC_OUTPUT_FOLDER));
    Click(D::IDC_SAME_LOCATION);
    EXPECT_FALSE(Enabled(D::IDC_OUTPUT_FOLDER) || Enabled(D::IDC_BROWSE));
}

TEST_F(ImageProcessor, AddsFilesOnceInOrderShowingSortedNamesAndChoosesTheOutputFolder) {
    const QString b = Picture(P("b.png"), 4, 4, kFormatPng), a = Picture(P("a.bmp"), 4, 4);
    const QString c = Picture(P("c.JPG"), 4, 4, kFormatJpeg);
    QDir(m_dir).mkdir(QStringLiteral("folder.png"));
    Add({b, a, a, P("missing.png"), P("folder.png"), c});
    ASSERT_EQ(Script().fileRequests.size(), 1u);
    const platform::FileRequest& request = Script().fileRequests[0];
    EXPECT_EQ(request.caption, QStringLiteral("Add image files"));
    EXPECT_EQ(request.folder, Env().programFolder + QStringLiteral("Images"));
    EXPECT_EQ(request.filter.toStdString(), BatchAddFilter());
    EXPECT_EQ(request.defaultExtension, QStringLiteral("*"));
    EXPECT_TRUE(request.multiple && request.mustExist);
    EXPECT_EQ(Dlg().Files(), (QStringList{b, a, c}));
    Add({a});
    EXPECT_EQ(Dlg().Files().size(), 3);
    QListWidget* list = C<QListWidget>(D::IDC_FILES);
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("a.bmp"));
    EXPECT_EQ(list->item(1)->text(), QStringLiteral("b.png"));
    EXPECT_EQ(list->item(2)->text(), QStringLiteral("c.JPG"));
    list->item(1)->setSelected(true);
    Click(D::IDC_REMOVE);
    EXPECT_EQ(Dlg().Files(), (QStringList{a, c}));
    EXPECT_EQ(list->count(), 2);
    Click(D::IDC_CLEAR);
    EXPECT_TRUE(Dlg().Files().isEmpty());
    EXPECT_EQ(list->count(), 0);

    Click(D::IDC_SAME_LOCATION);
    Script().folderAnswers.push_back(m_dir + QStringLiteral("/out"));
    Click(D::IDC_BROWSE);
    EXPECT_EQ(Script().folderCaptions, QStringList{QStringLiteral("Choose desrination folder")});
    EXPECT_EQ(C<QLineEdit>(D::IDC_OUTPUT_FOLDER)->text(), m_dir + QStringLiteral("/out"));
}

TEST_F(ImageProcessor, RunsTheProcessorsCasesAndStaysOpenForTheNext) {
    // Resize "1" x "abc" to 2 x 2 into a folder made along its path.
    Add({Picture(P("big.bmp"), 640, 480)});
    Click(D::IDC_CHANGE_SIZE);
    Click(D::IDC_RESIZE);
    C<QLineEdit>(D::IDC_WIDTH)->setText(QStringLiteral("1"));
    C<QLineEdit>(D::IDC_HEIGHT)->setText(QStringLiteral("abc"));
    Click(D::IDC_SAME_LOCATION);
    RunAndWait();
    EXPECT_EQ(Messages(), QStringList{"Please specify output folder"});
    C<QLineEdit>(D::IDC_OUTPUT_FOLDER)->setText(m_dir + QStringLiteral("/made/along"));
    RunAndWait();
    Picked out = Read(m_dir + QStringLiteral("/made/along/big.bmp"));
    EXPECT_EQ(out.width, 2);
    EXPECT_EQ(out.height, 2);
    EXPECT_FALSE(C<QProgressBar>(D::IDC_PROGRESS)->isVisible());

    // Trim with X 500 and width 300 from column 0.
    Click(D::IDC_TRIM);
    C<QLineEdit>(D::IDC_WIDTH)->setText(QStringLiteral("300"));
    C<QLineEdit>(D::IDC_HEIGHT)->setText(QStringLiteral("200"));
    C<QLineEdit>(D::IDC_X)->setText(QStringLiteral("500"));
    RunAndWait();
    out = Read(m_dir + QStringLiteral("/made/along/big.bmp"));
    EXPECT_EQ(out.width, 300);
    EXPECT_EQ(out.red, 0);

    // pic.bmp to GIF in place, deleting the original; pic.BMP to BMP keeps its original.
    Click(D::IDC_CLEAR);
    Click(D::IDC_CHANGE_SIZE);
    Click(D::IDC_SAME_LOCATION);
    Add({Picture(P("pic.bmp"), 40, 30)});
    Click(D::IDC_CHANGE_FORMAT);
    C<QComboBox>(D::IDC_FORMAT)->setCurrentIndex(4);
    Click(D::IDC_DELETE_ORIGINALS);
    RunAndWait();
    EXPECT_EQ(Read(P("pic.gif")).bpp, 8);
    EXPECT_FALSE(QFile::exists(P("pic.bmp")));
    Click(D::IDC_CLEAR);
    Add({Picture(P("pic.BMP"), 40, 30)});
    C<QComboBox>(D::IDC_FORMAT)->setCurrentIndex(3);
    RunAndWait();
    EXPECT_TRUE(QFile::exists(P("pic.BMP")));
    EXPECT_FALSE(QFile::exists(P("pic.bmp")));

    // The GIF entry left selected with the format unchanged: a 24-bit JPEG saved as an 8-bit one.
    Click(D::IDC_CLEAR);
    Click(D::IDC_DELETE_ORIGINALS);
    Add({Picture(P("photo.jpg"), 64, 48, kFormatJpeg)});
    C<QComboBox>(D::IDC_FORMAT)->setCurrentIndex(4);
    Click(D::IDC_CHANGE_FORMAT);
    const QByteArray before = [&] { QFile f(P("photo.jpg")); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    RunAndWait();
    EXPECT_TRUE(QFile::exists(P("photo.jpg")));
    EXPECT_FALSE(QFile::exists(P("photo.gif")));
    const QByteArray after = [&] { QFile f(P("photo.jpg")); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    EXPECT_NE(before, after) << "written again, from 256 colours";
    EXPECT_EQ(Messages().size(), 1) << Messages().join('\n').toStdString();
}

TEST_F(ImageProcessor, MessagesComeInTheOrderAddedWithTheirTexts) {
    QFile z(P("z.jpg"));
    ASSERT_TRUE(z.open(QIODevice::WriteOnly));
    z.write("\xFF\xD8\xFF\xE0 broken", 12);
    z.close();
    QFile y(P("y.png"));
    ASSERT_TRUE(y.open(QIODevice::WriteOnly));
    y.write("not a png");
    y.close();
    Add({P("z.jpg"), Picture(P("m.bmp"), 8, 8), P("y.png")});
    Click(D::IDC_CHANGE_FORMAT);
    C<QComboBox>(D::IDC_FORMAT)->setCurrentIndex(21); // tif
    RunAndWait();
    const QString tail =
        QStringLiteral("Image operation error: please check your paths and read/write permissions");
    EXPECT_EQ(Messages(), (QStringList{P("z.jpg") + ": " + tail, P("z.tif") + " not saved: : " + tail,
                                       P("y.png") + ": " + tail, P("y.tif") + " not saved: : " + tail}));
    EXPECT_EQ(Read(P("m.tif")).width, 8);
    EXPECT_FALSE(QFile::exists(P("z.tif")) || QFile::exists(P("y.tif")));
}

TEST_F(ImageProcessor, AnOriginalThatCannotBeRemovedIsReportedAndKept) {
    // An immutable file cannot be removed, not even by root (where the file system allows it).
    const QString original = Picture(P("Keep.BMP"), 16, 16);
    const QString quoted = QStringLiteral("'") + original + QStringLiteral("'");
    if (std::system(("chattr +i " + quoted + " 2>/dev/null").toLocal8Bit().constData()) != 0)
        GTEST_SKIP() << "no immutable files on this file system";
    Add({original});
    Click(D::IDC_CHANGE_FORMAT);
    C<QComboBox>(D::IDC_FORMAT)->setCurrentIndex(16); // png
    Click(D::IDC_DELETE_ORIGINALS);
    RunAndWait();
    std::system(("chattr -i " + quoted).toLocal8Bit().constData());
    EXPECT_EQ(Messages(), QStringList{"Could not remove " + original.toLower()});
    EXPECT_TRUE(QFile::exists(original));
    EXPECT_EQ(Read(P("Keep.png")).width, 16);
}

TEST_F(ImageProcessor, ShowsProgressWhileRunningAndCancelStopsAfterTheFilesInProgress) {
    QStringList files;
    for (int i = 0; i < 40; ++i) files << Picture(P(QStringLiteral("f%1.bmp").arg(i)), 900, 700);
    Add(files);
    Click(D::IDC_CHANGE_FORMAT);
    C<QComboBox>(D::IDC_FORMAT)->setCurrentIndex(16); // png
    Click(1);
    EXPECT_TRUE(Dlg().IsRunning());
    EXPECT_TRUE(C<QProgressBar>(D::IDC_PROGRESS)->isVisible());
    EXPECT_EQ(C<QProgressBar>(D::IDC_PROGRESS)->maximum(), 40);
    EXPECT_FALSE(Enabled(1) || Enabled(D::IDC_ADD));
    EXPECT_EQ(Script().waitCursorDepth, 1);
    Click(2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Dlg().IsRunning(); }, 60000));
    EXPECT_TRUE(Dlg().isVisible()) << "Cancel during a run does not close";
    ASSERT_EQ(Messages().size(), 1);
    const int done = Messages()[0].section(' ', 0, 0).toInt();
    EXPECT_EQ(Messages()[0], QStringLiteral("%1 of 40 files processed").arg(done));
    EXPECT_LT(done, 40);
    int written = 0;
    for (int i = 0; i < 40; ++i) written += QFile::exists(P(QStringLiteral("f%1.png").arg(i)));
    EXPECT_EQ(written, done);
    EXPECT_FALSE(C<QProgressBar>(D::IDC_PROGRESS)->isVisible());
    EXPECT_EQ(Script().waitCursorDepth, 0);
    EXPECT_TRUE(Enabled(1) && Enabled(D::IDC_ADD));
    Click(2);
    EXPECT_FALSE(Dlg().isVisible());
}

struct ProcessorCommand : AppFixture {};

TEST_F(ProcessorCommand, RunsAFreshDialogModally) {
    WriteUsualSettings();
    ASSERT_TRUE(Start());
    for (int run = 0; run < 2; ++run) {
        bool seen = false;
        Script().dialogScripts.push_back([&](QDialog& dialog) {
            auto* processor = qobject_cast<CImageProcessorDlg*>(&dialog);
            EXPECT_NE(processor, nullptr);
            if (processor) {
                EXPECT_TRUE(processor->Files().isEmpty());
                EXPECT_FALSE(processor->Control<QWidget>(1)->isEnabled());
                processor->Control<QAbstractButton>(D::IDC_CHANGE_SIZE)->click();
            }
            seen = true;
            return 0;
        });
        EXPECT_TRUE(Frame().CommandState(ID_IMAGE_PROCESSOR).IsEnabled());
        EXPECT_TRUE(Frame().ExecuteCommand(ID_IMAGE_PROCESSOR));
        EXPECT_TRUE(seen);
    }
}

} // namespace
} // namespace tsl::test
