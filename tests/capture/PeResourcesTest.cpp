// The reader of executables' resources on small DLLs and executables built here with MinGW's
// windres and ld from pictures of known pixels, 64- and 32-bit, and on damaged copies of them.
// Also the resource browser and resource capture's documents.

#include "CaptureX11Kit.h"

#include "capture/CaptureCommands.h"
#include "capture/ExeResourceDlg.h"
#include "capture/PeResources.h"
#include "core/PackedDib.h"
#include "framework/Ids.h"
#include "imaging/formats/Icon.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QStandardPaths>
#include <QTreeWidget>
#include <QTabWidget>

#include <cstring>

namespace tsl::test {
namespace {

// A packed 32-bit DIB of an opaque image (for the icon writer).
PackedDib Dib32(const QImage& image) {
    PackedDib dib = MakePackedDib(image.width(), image.height(), 32);
    const auto v = ViewPackedDib(dib);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            std::uint8_t* p = dib.data() + v->bitsOffset + v->stride * (image.height() - 1 - y) + x * 4;
            p[0] = std::uint8_t(qBlue(c)), p[1] = std::uint8_t(qGreen(c)), p[2] = std::uint8_t(qRed(c)), p[3] = 255;
        }
    return dib;
}

std::vector<std::uint8_t> IconFile(const QImage& image, bool cursor = false, int hotX = 0, int hotY = 0) {
    std::vector<std::uint8_t> out;
    std::string error;
    IconOptions options;
    options.cursor = cursor;
    options.hotX = hotX;
    options.hotY = hotY;
    EXPECT_TRUE(WriteIcon(Dib32(image), out, error, options)) << error;
    return out;
}

// Two one-image icon files joined into one file of two images.
std::vector<std::uint8_t> JoinIcons(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    std::vector<std::uint8_t> out = {0, 0, 1, 0, 2, 0};
    const std::uint32_t sizeA = std::uint32_t(a.size() - 22), sizeB = std::uint32_t(b.size() - 22);
    auto entry = [&](const std::vector<std::uint8_t>& f, std::uint32_t offset) {
        out.insert(out.end(), f.begin() + 6, f.begin() + 18);
        for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(offset >> (8 * i)));
    };
    entry(a, 38);
    entry(b, 38 + sizeA);
    out.insert(out.end(), a.begin() + 22, a.end());
    out.insert(out.end(), b.begin() + 22, b.end());
    (void)sizeB;
    return out;
}

void Write(const QString& path, const std::vector<std::uint8_t>& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
}

std::vector<std::uint8_t> Read(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray b = f.readAll();
    return std::vector<std::uint8_t>(b.begin(), b.end());
}

struct Built {
    QImage bitmap24 = Pattern(40, 30, 1);
    QImage bitmap8;
    QImage icon32 = Pattern(32, 32, 2);
    QImage icon16 = Pattern(16, 16, 3);
    QImage cursor = Pattern(32, 32, 4);
    QString folder;

    Built() {
        bitmap8 = QImage(20, 10, QImage::Format_Indexed8);
        bitmap8.setColorCount(4);
        const QRgb table[4] = {qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 200, 0), qRgb(10, 20, 250)};
        for (int i = 0; i < 4; ++i) bitmap8.setColor(i, table[i]);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 20; ++x) bitmap8.setPixel(x, y, uint((x + 2 * y) % 4));
    }
    // Builds res.dll (or an .exe) with the given toolchain prefix; empty when it is missing.
    QString Make(const QString& prefix, bool dll) {
        const QString windres = QStandardPaths::findExecutable(prefix + "windres");
        const QString ld = QStandardPaths::findExecutable(prefix + "ld");
        if (windres.isEmpty() || ld.isEmpty()) return {};
        folder = MakeTempFolder("pe-" + prefix + (dll ? "dll" : "exe"));
        bitmap24.save(folder + "/b24.bmp", "BMP");
        bitmap8.save(folder + "/b8.bmp", "BMP");
        Write(folder + "/two.ico", JoinIcons(IconFile(icon32), IconFile(icon16)));
        Write(folder + "/arrow.cur", IconFile(cursor, true, 3, 5));
        WriteFile(folder + "/res.rc",
                  "1 BITMAP \"b24.bmp\"\nLOGO BITMAP \"b8.bmp\"\n100 ICON \"two.ico\"\nARROW CURSOR \"arrow.cur\"\n");
        QProcess run;
        run.setWorkingDirectory(folder);
        run.start(windres, {"--preprocessor=cat", "res.rc", "-O", "coff", "-o", "res.o"});
        if (!run.waitForFinished(30000) || run.exitCode() != 0) return {};
        const QString out = folder + (dll ? "/res.dll" : "/res.exe");
        QStringList args = {"-e", "0", "-o", out, "res.o"};
        if (dll) args.prepend("--dll");
        run.start(ld, args);
        if (!run.waitForFinished(30000) || run.exitCode() != 0) return {};
        return out;
    }
};

const pe::PictureEntry* Named(const pe::PeResources& r, int type, const std::string& name, int width = 0) {
    for (const pe::PictureEntry& p : r.Pictures())
        if (p.type == type && p.name.Display() == name && (width == 0 || p.width == width)) return &p;
    return nullptr;
}

struct PeFiles : testing::TestWithParam<std::pair<const char*, bool>> {};

TEST_P(PeFiles, EveryBitmapIconAndCursorComesOutWithItsPixels) {
    Built built;
    const QString path = built.Make(QString::fromLatin1(GetParam().first), GetParam().second);
    if (path.isEmpty()) GTEST_SKIP() << "MinGW binutils (" << GetParam().first << ") are not installed";
    pe::PeResources resources;
    std::string error;
    ASSERT_TRUE(resources.LoadFile(path.toStdString(), error)) << error;
    ASSERT_EQ(resources.Pictures().size(), 5u); // two bitmaps, two icon images, one cursor

    const pe::PictureEntry* b24 = Named(resources, pe::kRtBitmap, "1");
    const pe::PictureEntry* b8 = Named(resources, pe::kRtBitmap, "LOGO");
    const pe::PictureEntry* i32 = Named(resources, pe::kRtGroupIcon, "100", 32);
    const pe::PictureEntry* i16 = Named(resources, pe::kRtGroupIcon, "100", 16);
    const pe::PictureEntry* cur = Named(resources, pe::kRtGroupCursor, "ARROW");
    ASSERT_TRUE(b24 && b8 && i32 && i16 && cur);
    EXPECT_EQ(b24->bitCount, 24);
    EXPECT_EQ(b8->bitCount, 4); // four colours: Qt writes them at 4 bits
    EXPECT_TRUE(SamePixels(ImageOfPicture(resources, *b24), built.bitmap24));
    EXPECT_TRUE(SamePixels(ImageOfPicture(resources, *b8), built.bitmap8));
    EXPECT_TRUE(SamePixels(ImageOfPicture(resources, *i32), built.icon32));
    EXPECT_TRUE(SamePixels(ImageOfPicture(resources, *i16), built.icon16));
    EXPECT_TRUE(SamePixels(ImageOfPicture(resources, *cur), built.cursor));
    pe::Picture picture;
    ASSERT_TRUE(resources.Decode(*cur, picture, error));
    EXPECT_EQ(picture.hotX, 3);
    EXPECT_EQ(picture.hotY, 5);
}

INSTANTIATE_TEST_SUITE_P(Toolchains, PeFiles,
                         testing::Values(std::make_pair("x86_64-w64-mingw32-", true),
                                         std::make_pair("x86_64-w64-mingw32-", false),
                                         std::make_pair("i686-w64-mingw32-", true)));

// The .rsrc section's file offset and address, read by objdump.
bool RsrcSection(const QString& path, std::uint32_t& fileOffset, std::uint32_t& va) {
    quint64 imageBase = 0, vma = 0;
    QProcess run;
    run.start("x86_64-w64-mingw32-objdump", {"-h", "-p", path});
    run.waitForFinished(30000);
    const QStringList lines = QString::fromLatin1(run.readAllStandardOutput()).split('\n');
    for (const QString& line : lines) {
        const QStringList f = line.simplified().split(' ');
        if (f.size() >= 2 && f[0] == "ImageBase") imageBase = f[1].toULongLong(nullptr, 16);
        if (f.size() >= 6 && f[1] == ".rsrc") {
            vma = f[3].toULongLong(nullptr, 16);
            fileOffset = f[5].toUInt(nullptr, 16);
        }
    }
    va = std::uint32_t(vma - imageBase);
    return fileOffset != 0;
}

void Set32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = std::uint8_t(v >> (8 * i));
}

TEST(PeDamaged, DamagedFilesAreRefusedCleanly) {
    Built built;
    const QString path = built.Make("x86_64-w64-mingw32-", true);
    if (path.isEmpty()) GTEST_SKIP() << "MinGW binutils are not installed";
    const std::vector<std::uint8_t> good = Read(path);
    std::uint32_t rsrc = 0, va = 0;
    ASSERT_TRUE(RsrcSection(path, rsrc, va));
    pe::PeResources reference;
    std::string error;
    ASSERT_TRUE(reference.Load(good, error));
    const pe::PictureEntry first = reference.Pictures().front();

    auto refused = [](std::vector<std::uint8_t> bytes, const char* what) {
        pe::PeResources r;
        std::string why;
        const bool loaded = r.Load(std::move(bytes), why);
        if (!loaded) {
            EXPECT_FALSE(why.empty()) << what;
            return true;
        }
        // Loaded: then nothing of it decodes past the file's end.
        int decoded = 0;
        for (const pe::PictureEntry& p : r.Pictures()) {
            pe::Picture picture;
            decoded += r.Decode(p, picture, why) ? 1 : 0;
        }
        return decoded < 5;
    };
    // Cut short inside the resource directory.
    EXPECT_TRUE(refused(std::vector<std::uint8_t>(good.begin(), good.begin() + rsrc + 40), "truncated"));
    {   // An absurd count of root entries.
        auto b = good;
        b[rsrc + 14] = 0xFF, b[rsrc + 15] = 0xFF;
        EXPECT_TRUE(refused(b, "count"));
    }
    {   // The first type's subdirectory is the root itself: a loop.
        auto b = good;
        Set32(b, rsrc + 16 + 4, 0x80000000u);
        pe::PeResources r;
        EXPECT_FALSE(r.Load(b, error));
        EXPECT_EQ(error, "the resource directory loops");
    }
    {   // A data entry's address far beyond the file.
        auto b = good;
        const std::uint32_t rva = first.offset - rsrc + va;
        bool patched = false;
        for (std::size_t at = rsrc; at + 4 <= b.size() && !patched; at += 4)
            if (b[at] == (rva & 0xFF) && b[at + 1] == ((rva >> 8) & 0xFF) && b[at + 2] == ((rva >> 16) & 0xFF) &&
                b[at + 3] == (rva >> 24)) {
                Set32(b, at, 0x7FFFFFF0u);
                patched = true;
            }
        ASSERT_TRUE(patched);
        pe::PeResources r;
        EXPECT_FALSE(r.Load(b, error));
        EXPECT_EQ(error, "a resource's data lie outside the file");
    }
    {   // A bitmap claiming 2^31 x 2^31 pixels: listed, but refused when decoded.
        auto b = good;
        Set32(b, first.offset + 4, 0x7FFFFFFFu);
        Set32(b, first.offset + 8, 0x7FFFFFFFu);
        pe::PeResources r;
        ASSERT_TRUE(r.Load(b, error));
        pe::Picture picture;
        EXPECT_FALSE(r.Decode(r.Pictures().front(), picture, error));
    }
    {   // The header pointer beyond the end, and files that are no executables.
        auto b = good;
        Set32(b, 0x3C, 0xFFFFFF00u);
        EXPECT_TRUE(refused(b, "e_lfanew"));
        EXPECT_TRUE(refused({'M', 'Z'}, "tiny"));
        EXPECT_TRUE(refused(std::vector<std::uint8_t>(4096, 0), "zeros"));
    }
    {   // Every prefix of the file is refused or decodes without reading past its end.
        for (std::size_t n = 0; n < good.size(); n += 97) {
            pe::PeResources r;
            if (!r.Load(std::vector<std::uint8_t>(good.begin(), good.begin() + n), error)) continue;
            for (const pe::PictureEntry& p : r.Pictures()) {
                pe::Picture picture;
                r.Decode(p, picture, error);
            }
        }
    }
}

struct ResourceCapture : testing::Test {
    QWidget frame;
    QStringList titles;
    std::vector<QImage> images;
    CCaptureCommands commands{&frame, [this](const QImage& image, const QString& title) {
                                  titles << title;
                                  images.push_back(image);
                                  return true;
                              }};
};

TEST_F(ResourceCapture, TheTreeAndTheTabsCaptureTheChosenResource) {
    Built built;
    const QString path = built.Make("x86_64-w64-mingw32-", true);
    if (path.isEmpty()) GTEST_SKIP() << "MinGW binutils are not installed";
    Script().openAnswers.push_back({path});
    Script().dialogScripts.push_back([](QDialog& d) {
        auto& dialog = static_cast<CExeResourceDlg&>(d);
        EXPECT_NE(dialog.Tree(), nullptr);
        EXPECT_EQ(dialog.Tree()->topLevelItemCount(), 3); // Bitmap, Icon, Cursor
        EXPECT_EQ(dialog.Tree()->topLevelItem(1)->text(0), QStringLiteral("Icon"));
        EXPECT_EQ(dialog.Tree()->topLevelItem(1)->child(0)->childCount(), 2); // the group's images
        EXPECT_TRUE(dialog.Choose(0)); // LOGO: named resources come first
        EXPECT_FALSE(dialog.Preview()->pixmap().isNull());
        dialog.accept();
        return dialog.result();
    });
    ASSERT_TRUE(commands.OnCmdMsg(ID_CAPTURE_EXE_TREE_NODOC));
    Script().openAnswers.push_back({path});
    Script().dialogScripts.push_back([](QDialog& d) {
        auto& dialog = static_cast<CExeResourceDlg&>(d);
        EXPECT_NE(dialog.Tabs(), nullptr);
        EXPECT_EQ(dialog.Tabs()->count(), 3);
        EXPECT_EQ(dialog.Tabs()->tabText(2), QStringLiteral("Cursors"));
        EXPECT_TRUE(dialog.Choose(4));
        EXPECT_EQ(dialog.Tabs()->currentIndex(), 2);
        dialog.accept();
        return dialog.result();
    });
    ASSERT_TRUE(commands.OnCmdMsg(ID_CAPTURE_EXE_TABBED));
    EXPECT_EQ(titles, (QStringList{"Capture From Exe Dlg Tree[1]", "Capture From Tabbed View[1]"}));
    ASSERT_EQ(images.size(), 2u);
    EXPECT_TRUE(SamePixels(images[0], built.bitmap8));
    EXPECT_TRUE(SamePixels(images[1], built.cursor));
    EXPECT_EQ(Script().beeps, 2);
    EXPECT_EQ(commands.CurrentKind(), 0);
}

TEST_F(ResourceCapture, AFileWithoutPicturesOrNotAnExecutableIsReported) {
    const QString text = WriteFile(MakeTempFolder("notpe") + "/readme.dll", "just text");
    Script().openAnswers.push_back({text});
    ASSERT_TRUE(commands.OnCmdMsg(ID_CAPTURE_EXE_TREE));
    ASSERT_EQ(Script().messages.size(), 1u);
    EXPECT_EQ(Script().messages[0].text, QStringLiteral("readme.dll cannot be read: not a Windows executable or DLL."));
    EXPECT_TRUE(titles.isEmpty());
    // Cancelling the file dialog does nothing.
    ASSERT_TRUE(commands.OnCmdMsg(ID_CAPTURE_EXE_TABBED));
    EXPECT_EQ(Script().messages.size(), 1u);
}

} // namespace
} // namespace tsl::test
