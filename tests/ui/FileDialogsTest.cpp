// The folder chooser and the preview dialogs, driven through the real Qt dialogs offscreen.

#include "codecs/Jpeg.h"
#include "support/ImageTestKit.h"
#include "support/TestEnvironment.h"
#include "ui/FolderDialog.h"
#include "ui/PreviewDlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileSystemModel>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QThread>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace tsl {
namespace {

using platform::CFileDialog;
using platform::IDCANCEL;
using platform::IDOK;
using test::Script;

template <class Done> bool WaitFor(Done done, int ms = 15000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

// Makes path the current, selected item of the dialog's list, as a click on it does.
void Select(CFileDialog& dialog, const QString& path) {
    auto* list = dialog.Control<QListView>("listView");
    ASSERT_NE(list, nullptr);
    auto* model = qobject_cast<QFileSystemModel*>(list->model());
    ASSERT_NE(model, nullptr);
    const QModelIndex index = model->index(path);
    ASSERT_TRUE(index.isValid()) << path.toStdString();
    list->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

QAbstractButton* ButtonReading(CFileDialog& dialog, const QString& text) {
    auto* box = dialog.Control<QDialogButtonBox>("buttonBox");
    if (!box) return nullptr;
    for (QAbstractButton* button : box->buttons())
        if (button->text().remove(QLatin1Char('&')) == text) return button;
    return nullptr;
}

QString Picture(const QString& folder, const QString& name, int width, int height,
                const char* format = nullptr) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(200, 40, 30));
    const QString path = folder + QLatin1Char('/') + name;
    EXPECT_TRUE(image.save(path, format)) << path.toStdString();
    return path;
}

// A colourful JPEG of width x height written by the program's own encoder.
QString Jpeg(const QString& path, int width, int height) {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            p[0] = static_cast<std::uint8_t>(x * 255 / width);
            p[1] = static_cast<std::uint8_t>(y * 255 / height);
            p[2] = 128;
        }
    EXPECT_TRUE(WriteJpeg(path.toStdString(), rgb, width, height, true, 80));
    return path;
}

class FileDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        CPreviewDlg::ShowPreviewState() = true;
        CPreviewDlg2::ShowPreviewState() = true;
        m_dir = test::MakeTempFolder(QStringLiteral("files"));
        m_request.filter = QStringLiteral("All Files (*.*)|*||");
        m_request.folder = m_dir;
        m_request.multiple = true;
    }
    void TearDown() override {
        CPreviewDlg::ShowPreviewState() = true;
        CPreviewDlg2::ShowPreviewState() = true;
    }
    // Selects path and waits until the preview settled on it.
    static void Preview(CPreviewFileDialog& dialog, const QString& path) {
        Select(dialog, path);
        ASSERT_TRUE(WaitFor([&] { return !dialog.IsLoading(); }));
        QApplication::processEvents();
    }
    static QStringList Lines(const CPreviewFileDialog& dialog) {
        QStringList lines;
        for (int i = 0; i < 4; ++i) lines << dialog.LineText(i);
        return lines;
    }

    QString m_dir;
    platform::FileRequest m_request;
};

// --- the folder chooser ---

TEST_F(FileDialogs, FolderChooserSelectsTheFolderShownWithOrWithoutASelection) {
    QDir(m_dir).mkpath(QStringLiteral("photos/2026"));
    QDir(m_dir).mkpath(QStringLiteral("other"));
    const QString photos = m_dir + QStringLiteral("/photos");

    QString result = QStringLiteral("unchanged");
    {
        CFolderDialog dialog(result, QStringLiteral("Copy To Folder"), nullptr, photos);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Copy To Folder"));
        for (const char* hidden : {"fileNameEdit", "fileNameLabel", "fileTypeCombo", "fileTypeLabel"})
            EXPECT_TRUE(dialog.Control<QWidget>(hidden)->isHidden()) << hidden;
        Script().fileDialogScripts.push_back([&](CFileDialog& d) {
            d.show();
            QAbstractButton* select = ButtonReading(d, QStringLiteral("Select"));
            EXPECT_NE(select, nullptr);
            if (!select) return IDCANCEL;
            EXPECT_TRUE(select->isEnabled()) << "nothing selected, the folder shown is the answer";
            select->click();
            return d.result() == QDialog::Accepted ? IDOK : IDCANCEL;
        });
        EXPECT_EQ(dialog.DoModal(), IDOK);
    }
    EXPECT_EQ(result, photos);
    EXPECT_EQ(Script().folderCaptions, QStringList{"Copy To Folder"});
    EXPECT_TRUE(Script().fileRequests.empty());

    // With a subfolder selected in the list, Select still answers the folder being shown.
    {
        CFolderDialog dialog(result, QStringLiteral("Move To Folder"), nullptr, m_dir);
        Script().fileDialogScripts.push_back([&](CFileDialog& d) {
            d.show();
            d.setDirectory(photos);
            Select(d, photos + QStringLiteral("/2026"));
            ButtonReading(d, QStringLiteral("Select"))->click();
            return d.result() == QDialog::Accepted ? IDOK : IDCANCEL;
        });
        EXPECT_EQ(dialog.DoModal(), IDOK);
    }
    EXPECT_EQ(result, photos);

    // Cancel leaves the result alone; a scripted answer is taken as the user's choice.
    {
        CFolderDialog dialog(result, QStringLiteral("t"), nullptr, m_dir);
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
        EXPECT_EQ(result, photos);
        Script().folderAnswers.push_back(m_dir + QStringLiteral("/other"));
        EXPECT_EQ(dialog.DoModal(), IDOK);
        EXPECT_EQ(result, m_dir + QStringLiteral("/other"));
    }
}

TEST_F(FileDialogs, FolderChooserStartsAtHomeForDriveLettersAndMissingFolders) {
    EXPECT_EQ(CFolderDialog::StartFolder(QStringLiteral("c:\\")), QDir::homePath());
    EXPECT_EQ(CFolderDialog::StartFolder(QStringLiteral("D:/Images")), QDir::homePath());
    EXPECT_EQ(CFolderDialog::StartFolder(QString()), QDir::homePath());
    EXPECT_EQ(CFolderDialog::StartFolder(m_dir + QStringLiteral("/none")), QDir::homePath());
    EXPECT_EQ(CFolderDialog::StartFolder(m_dir), m_dir);
    test::WriteFile(m_dir + QStringLiteral("/plain"), "x");
    EXPECT_EQ(CFolderDialog::StartFolder(m_dir + QStringLiteral("/plain")), QDir::homePath());
}

// --- the preview dialogs ---

TEST_F(FileDialogs, PreviewShowsTheSizeOfTheSelectedPictureAndFitsItToTheArea) {
    const QString wide = Picture(m_dir, QStringLiteral("wide.png"), 400, 200);
    const QString small = Picture(m_dir, QStringLiteral("small.bmp"), 40, 20);
    const QString tall = Picture(m_dir, QStringLiteral("tall.png"), 30, 300);
    CPreviewDlg dialog(m_request);
    dialog.show();
    EXPECT_TRUE(dialog.IsShowPreviewChecked());

    Preview(dialog, wide);
    EXPECT_EQ(dialog.PreviewPath(), wide);
    EXPECT_EQ(Lines(dialog), (QStringList{"Width: 400 pixels", "Height: 200 pixels", "", ""}));
    const QSize area = CPreviewFileDialog::ThumbnailSize();
    EXPECT_EQ(dialog.Thumbnail().width(), area.width()) << "the longer side fills the area";
    EXPECT_EQ(dialog.Thumbnail().height(), area.width() / 2);
    EXPECT_EQ(dialog.Thumbnail().pixel(10, 10), QColor(200, 40, 30).rgb());

    Preview(dialog, small);
    EXPECT_EQ(Lines(dialog), (QStringList{"Width: 40 pixels", "Height: 20 pixels", "", ""}));
    EXPECT_EQ(dialog.Thumbnail().width(), area.width()) << "small pictures are enlarged";

    Preview(dialog, tall);
    EXPECT_EQ(dialog.Thumbnail().height(), area.height());
    EXPECT_EQ(dialog.Thumbnail().width(), 30 * area.height() / 300);

    // The file OK forgets the previewed file.
    Script().fileDialogScripts.push_back([&](CFileDialog& d) {
        Select(d, tall);
        ButtonReading(d, QStringLiteral("Open"))->click();
        return d.result() == QDialog::Accepted ? IDOK : IDCANCEL;
    });
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.GetPathNames(), QStringList{tall});
    EXPECT_TRUE(dialog.PreviewPath().isEmpty());
    EXPECT_TRUE(dialog.Thumbnail().isNull());
}

TEST_F(FileDialogs, ClearedShowPreviewEmptiesThePaneAndStaysClearedForItsVariantOnly) {
    const QString wide = Picture(m_dir, QStringLiteral("wide.png"), 400, 200);
    {
        CPreviewDlg dialog(m_request);
        dialog.show();
        Preview(dialog, wide);
        ASSERT_FALSE(dialog.Thumbnail().isNull());
        dialog.findChild<QCheckBox*>(QStringLiteral("5006"))->click();
        EXPECT_FALSE(dialog.IsShowPreviewChecked());
        EXPECT_TRUE(dialog.Thumbnail().isNull());
        EXPECT_EQ(Lines(dialog), (QStringList{"", "", "", ""}));
        // A new selection shows nothing while the box is cleared.
        const QString other = Picture(m_dir, QStringLiteral("other.png"), 10, 10);
        Select(dialog, other);
        QApplication::processEvents();
        EXPECT_FALSE(dialog.IsLoading());
        EXPECT_TRUE(dialog.PreviewPath().isEmpty());
    }
    {
        CPreviewDlg again(m_request);
        EXPECT_FALSE(again.IsShowPreviewChecked()) << "remembered for the variant";
        CPreviewDlg2 other(m_request, &CPreviewDlg::LoadThroughDispatch);
        EXPECT_TRUE(other.IsShowPreviewChecked()) << "the other variant keeps its own state";

        // Ticking the box again previews the selection at once.
        again.show();
        Select(again, wide);
        QApplication::processEvents();
        EXPECT_TRUE(again.Thumbnail().isNull());
        again.findChild<QCheckBox*>(QStringLiteral("5006"))->click();
        ASSERT_TRUE(WaitFor([&] { return !again.Thumbnail().isNull(); }));
        EXPECT_EQ(again.LineText(0), QStringLiteral("Width: 400 pixels"));
    }
    EXPECT_TRUE(CPreviewDlg::ShowPreviewState());
}

TEST_F(FileDialogs, EachVariantPreviewsOnlyWhatItsImageTestPasses) {
    // A real PNG under names the tests treat differently.
    const QString psd = Picture(m_dir, QStringLiteral("layered.psd"), 50, 50, "PNG");
    const QString text = Picture(m_dir, QStringLiteral("notes.txt"), 50, 50, "PNG");
    const QString cri = Picture(m_dir, QStringLiteral("scan.cri"), 50, 50, "TIFF");
    auto seen = [&](CPreviewFileDialog& dialog, const QString& path) {
        Preview(dialog, path);
        return !dialog.Thumbnail().isNull() || !dialog.LineText(0).isEmpty();
    };
    CPreviewDlg own(m_request);
    own.show();
    EXPECT_FALSE(seen(own, psd)) << "not among the program's own readers";
    EXPECT_FALSE(seen(own, text));
    EXPECT_TRUE(seen(own, cri));
    EXPECT_EQ(Lines(own), (QStringList{"Width: 50 pixels", "Height: 50 pixels", "", ""}));
    EXPECT_FALSE(seen(own, text)) << "a failing file clears what the last one showed";
    EXPECT_EQ(Lines(own), (QStringList{"", "", "", ""}));

    CPreviewDlg2 openable(m_request, &CPreviewDlg::LoadThroughDispatch);
    openable.show();
    EXPECT_FALSE(seen(openable, text));
    EXPECT_FALSE(seen(openable, cri)) << "cri is not in the image extension list";
    EXPECT_TRUE(CPreviewDlg2::IsPreviewImage(psd));
    EXPECT_TRUE(CPreviewDlg2::IsPreviewImage(QStringLiteral("/a/B.JPEG")));
    EXPECT_FALSE(CPreviewDlg2::IsPreviewImage(QStringLiteral("/a/b.jpg.txt")));
    EXPECT_TRUE(Script().messages.empty());
}

TEST_F(FileDialogs, BadFilesShowNothingAndNeverHangTheDialog) {
    QDir(m_dir).mkdir(QStringLiteral("folder.png"));
    const QString fifo = m_dir + QStringLiteral("/pipe.png");
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    const QString good = Picture(m_dir, QStringLiteral("good.png"), 64, 32);
    QFile whole(good);
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray bytes = whole.readAll();
    const QString cut = test::WriteFile(m_dir + QStringLiteral("/cut.png"), bytes.left(40));
    const QString junk = test::WriteFile(m_dir + QStringLiteral("/junk.jpg"), QByteArray(300, 'j'));
    const QString empty = test::WriteFile(m_dir + QStringLiteral("/empty.gif"), QByteArray());

    CPreviewDlg dialog(m_request);
    dialog.show();
    // The list shows no FIFOs; one reached another way fails without being opened (opening it
    // would wait for a writer).
    PreviewPicture picture;
    EXPECT_FALSE(LoadPreview(&CPreviewDlg::LoadThroughDispatch, fifo, QSize(50, 50), picture));
    for (const QString& bad : {m_dir + QStringLiteral("/folder.png"), cut, junk, empty}) {
        Preview(dialog, bad);
        EXPECT_TRUE(dialog.Thumbnail().isNull()) << bad.toStdString();
        EXPECT_EQ(Lines(dialog), (QStringList{"", "", "", ""})) << bad.toStdString();
        EXPECT_TRUE(dialog.PreviewPath().isEmpty()) << "a failed load forgets the file";
    }
    Preview(dialog, good);
    EXPECT_EQ(dialog.LineText(0), QStringLiteral("Width: 64 pixels"));
    EXPECT_TRUE(Script().messages.empty()) << "failures show no message";
}

TEST_F(FileDialogs, AFileThatCannotBeReadLoadsNothing) {
    // Root reads any file, so the check runs as "nobody" in a child process.
    testkit::TempDir dir;
    const QString path = QString::fromStdString((dir / "locked.png").string());
    Picture(QString::fromStdString(dir.Path().string()), QStringLiteral("locked.png"), 8, 8);
    ASSERT_EQ(::chmod(path.toLocal8Bit().constData(), 0), 0);
    const testkit::ChildRun run = testkit::RunInChild([&] {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 2;
        PreviewPicture picture;
        return LoadPreview(&CPreviewDlg::LoadThroughDispatch, path, QSize(100, 100), picture) ? 1
                                                                                              : 0;
    });
    ASSERT_TRUE(run.reported);
    EXPECT_EQ(run.result, 0);
}

TEST_F(FileDialogs, ANewerSelectionOvertakesALargeDecodeInsteadOfWaitingForIt) {
    const QString big = Jpeg(m_dir + QStringLiteral("/big.jpg"), 6000, 4000);
    const QString png = Picture(m_dir, QStringLiteral("small.png"), 40, 20);

    // The 24-megapixel JPEG previews from a reduced DCT scale, with the file's own size.
    {
        PreviewPicture picture;
        ASSERT_TRUE(LoadPreview(&CPreviewDlg::LoadThroughDispatch, big,
                                CPreviewFileDialog::ThumbnailSize(), picture));
        EXPECT_EQ(picture.width, 6000);
        EXPECT_EQ(picture.height, 4000);
        EXPECT_EQ(picture.image.size(),
                  FitRect({6000, 4000}, CPreviewFileDialog::ThumbnailSize()).size());
        int w = 0, h = 0;
        const CDdb scaled = ReadJpegDdbToFit(big.toStdString(), 184, 160, w, h);
        EXPECT_EQ(scaled.Width(), 750) << "1/8 of the width still covers the area";
    }

    // The JPEG's decode is held back until the PNG has been shown: the PNG cannot have waited.
    struct Gate {
        std::mutex mutex;
        std::condition_variable opened;
        bool open = false;
        std::atomic<int> started{0}, finished{0};
    };
    auto gate = std::make_shared<Gate>();
    PreviewLoadFunction load = [gate](const QString& path, QSize fit, PreviewPicture& out) {
        if (!path.endsWith(QLatin1String(".jpg"))) return CPreviewDlg::LoadThroughDispatch(path, fit, out);
        ++gate->started;
        {
            std::unique_lock lock(gate->mutex);
            gate->opened.wait(lock, [&] { return gate->open; });
        }
        const bool ok = CPreviewDlg::LoadThroughDispatch(path, fit, out);
        ++gate->finished;
        return ok;
    };
    CPreviewDlg dialog(m_request, load);
    dialog.show();
    Select(dialog, big);
    ASSERT_TRUE(WaitFor([&] { return gate->started == 1; }));
    QElapsedTimer clock;
    clock.start();
    Select(dialog, png);
    EXPECT_LT(clock.elapsed(), 50) << "the second selection came within 50 ms";
    ASSERT_TRUE(WaitFor([&] { return !dialog.LineText(0).isEmpty(); }));
    EXPECT_EQ(gate->finished, 0) << "the JPEG is still decoding";
    EXPECT_EQ(Lines(dialog), (QStringList{"Width: 40 pixels", "Height: 20 pixels", "", ""}));
    EXPECT_EQ(dialog.PreviewPath(), png);

    {
        std::lock_guard lock(gate->mutex);
        gate->open = true;
    }
    gate->opened.notify_all();
    ASSERT_TRUE(WaitFor([&] { return gate->finished == 1; }));
    for (int i = 0; i < 20; ++i) QApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_EQ(dialog.LineText(0), QStringLiteral("Width: 40 pixels")) << "the late result is dropped";
    EXPECT_EQ(dialog.Thumbnail().size(), FitRect({40, 20}, CPreviewFileDialog::ThumbnailSize()).size());
}

} // namespace
} // namespace tsl
