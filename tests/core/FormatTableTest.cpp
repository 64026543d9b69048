// The format registry against the program's fixed lists: each list rebuilt from the table
// must equal the list's exact text, and the table must agree with itself.

#include "core/Extensions.h"
#include "core/FormatTable.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace tsl;

namespace {

TEST(FormatTable, RowsAreConsistent) {
    std::set<int> codes;
    for (const FileFormat& f : FileFormats()) {
        SCOPED_TRACE(f.code);
        EXPECT_TRUE(codes.insert(f.code).second) << "one row per code";
        EXPECT_EQ(FindFormat(f.code), &f);
        EXPECT_EQ(f.saveName != nullptr, f.saveOrder > 0);
        // Only formats that can be written are offered for saving.
        if (f.saveName) {
            EXPECT_NE(f.writer, Codec::None);
        }
        if (f.writer == Codec::Magick || f.reader == Codec::Magick) {
            EXPECT_NE(f.magick, nullptr);
        }
        EXPECT_TRUE(f.Takes(8)) << "every writer takes 8-bit pictures";
    }
    std::set<std::string> extensions;
    for (const ExtensionEntry& e : Extensions()) {
        SCOPED_TRACE(e.extension);
        EXPECT_TRUE(extensions.insert(e.extension).second);
        if (e.format > 0) {
            ASSERT_NE(FindFormat(e.format), nullptr);
        }
        // A format's written extension leads it back to the same format.
        if (e.formatTable) {
            EXPECT_EQ(FormatForExtension(FindFormat(e.format)->extension), e.format);
        }
    }
    EXPECT_EQ(FindFormat(3), nullptr);
    EXPECT_EQ(FindFormat(0), nullptr);
}

TEST(FormatTable, TheImageExtensionList) {
    EXPECT_EQ(ImageExtensionList(),
              ",gif,tiff,tif,jpg,jpeg,bmp,ico,cur,fpx,pcx,pcc,wmf,emf,xpm,iff,pgm,ppm,cut,psd,png,"
              "tga,eps,ras,wpg,pct,jbig,clp,xwd,flc,sgi,cmp,");
}

TEST(FormatTable, TheExtensionToFormatTable) {
    const std::pair<const char*, int> table[] = {
        {"gif", 2},   {"tif", 17},  {"tiff", 17}, {"jpg", 10},  {"jpeg", 10}, {"bmp", 6},
        {"ico", 91},  {"cur", 92},  {"fpx", 80},  {"cmp", 5},   {"pcx", 1},   {"wmf", 15},
        {"emf", 116}, {"xpm", 109}, {"iff", 111}, {"pgm", 105}, {"ppm", 107}, {"cut", 108},
        {"psd", 76},  {"png", 75},  {"tga", 4},   {"eps", 16},  {"ras", 55},  {"wpg", 54},
        {"pct", 56},  {"avi", 59},  {"jbig", 115}, {"clp", 114}, {"xwd", 133}, {"flc", 134},
        {"sgi", 142},
    };
    std::size_t inTable = 0;
    for (const ExtensionEntry& e : Extensions()) inTable += e.formatTable;
    EXPECT_EQ(inTable, std::size(table));
    for (const auto& [ext, code] : table) {
        EXPECT_EQ(FormatForExtension(ext), code) << ext;
        std::string upper = ext;
        for (char& c : upper) c = static_cast<char>(c - 'a' + 'A');
        EXPECT_EQ(FormatForExtension(upper), code) << upper; // the extension is lower-cased
    }
    for (const char* other : {"pcc", "dib", "cri", "rle", "p", "b4", "", "jpe", "txt", "gif "})
        EXPECT_EQ(FormatForExtension(other), -1) << other;
}

TEST(FormatTable, PaletteOnlyFormatsAndTheDocumentsOwnReaders) {
    std::set<std::string> paletteOnly;
    for (const ExtensionEntry& e : Extensions())
        if (IsPaletteOnlyExtension(e.extension)) paletteOnly.insert(e.extension);
    EXPECT_EQ(paletteOnly, (std::set<std::string>{"gif", "cut", "eps", "flc", "pgm", "wpg"}));
    // The document's own readers are chosen with case: PHOTO.GIF goes to the imaging layer.
    EXPECT_EQ(DocumentReaderDepth("gif"), 8);
    for (const char* e : {"tif", "tiff", "jpg", "jpeg"}) EXPECT_EQ(DocumentReaderDepth(e), 24) << e;
    for (const char* e : {"GIF", "Gif", "JPG", "TIFF", "bmp", "png", "pcx", "tga", ""})
        EXPECT_EQ(DocumentReaderDepth(e), 0) << e;
}

TEST(FormatTable, TheReaderAndWriterDispatch) {
    using R = DispatchReader;
    const std::pair<const char*, R> readers[] = {
        {"BMP", R::Bmp},  {"DIB", R::Bmp},   {"PCX", R::Pcx},          {"P", R::PcxResource},
        {"B4", R::Bitmap16Resource},         {"B8", R::Bitmap256Resource}, {"TIF", R::Tiff},
        {"TIFF", R::Tiff}, {"CRI", R::Tiff}, {"TGA", R::Tga},          {"JPG", R::Jpeg},
        {"JPEG", R::Jpeg}, {"GIF", R::Gif},  {"PNG", R::Png},
    };
    std::size_t rows = 0;
    for (const ExtensionEntry& e : Extensions()) rows += e.reader != R::None;
    EXPECT_EQ(rows, std::size(readers));
    for (const auto& [ext, reader] : readers) {
        ASSERT_NE(FindExtension(ext), nullptr) << ext;
        EXPECT_EQ(FindExtension(ext)->reader, reader) << ext;
    }
    EXPECT_EQ(FindExtension("jpe"), nullptr);
    EXPECT_EQ(FindExtension("<FIRST"), nullptr);

    std::set<std::string> writers;
    for (const ExtensionEntry& e : Extensions())
        if (e.writer != DispatchWriter::None) writers.insert(e.extension);
    EXPECT_EQ(writers, (std::set<std::string>{"bmp", "pcx", "jpg", "jpeg", "tif", "tiff", "png"}));

    std::set<std::string> previews;
    for (const ExtensionEntry& e : Extensions())
        if (e.preview) previews.insert(e.extension);
    EXPECT_EQ(previews, (std::set<std::string>{"bmp", "cri", "pcx", "png", "tga", "jpg", "jpeg",
                                               "tif", "tiff", "dib", "rle", "gif"}));
}

TEST(FormatTable, TheProcessorsOutputListAndAddFilter) {
    const struct {
        const char* entry;
        const char* ext;
        int code;
        bool eight;
    } expected[] = {
        {"Adobe Photoshop 3.0. (*.psd)", "psd", 76, false},
        {"BMP - OS/2 Bitmap Version 1.x (*.bmp)", "bmp", 14, false},
        {"BMP - OS/2 Bitmap Version 2.x (*.bmp)", "bmp", 74, false},
        {"BMP - Windows Bitmap (*.bmp)", "bmp", 6, false},
        {"CompuServe Graphics Interchange (*.gif)", "gif", 2, true},
        {"Dr. Halo (*.cut)", "cut", 108, true},
        {"Encapsulated PostScript (*.eps)", "eps", 16, true},
        {"Flic Animation (*.flc)", "flc", 134, true},
        {"Interchange File (*.iff)", "iff", 111, false},
        {"JPEG File Interchange Format (*.jpg)", "jpg", 10, false},
        {"Kodak FlashPix (*.fpx)", "fpx", 80, false},
        {"Lead CMP (*.cmp)", "cmp", 5, false},
        {"MacPict (*.pct)", "pct", 56, false},
        {"Microsoft Windows Clipboard (*.clp)", "clp", 114, false},
        {"Portable Greymap - ASCII File (*.pgm)", "pgm", 104, true},
        {"Portable Greymap - Binary File (*.pgm)", "pgm", 105, true},
        {"Portable Network Graphics (*.png)", "png", 75, false},
        {"Portable Pixelmap - ASCII File (*.ppm)", "ppm", 106, false},
        {"Portable Pixelmap - Binary File (*.ppm)", "ppm", 107, false},
        {"Silicon Graphics Image (*.sgi)", "sgi", 142, false},
        {"Sun Raster (*.ras)", "ras", 55, false},
        {"Tagged Image File Format (*.tif)", "tif", 17, false},
        {"TARGA (*.tga)", "tga", 4, false},
        {"Windows Enhanced Meta File (*.emf)", "emf", 116, false},
        {"Windows Meta File (*.wmf)", "wmf", 15, false},
        {"Word Perfect (*.wpg)", "wpg", 54, true},
        {"X Window Dump version 10 (*.xwd)", "xwd", 132, false},
        {"X Window Dump version 11 (*.xwd)", "xwd", 133, false},
        {"XPicmap File (*.xpm)", "xpm", 109, false},
        {"ZSoft PCX (*.pcx)", "pcx", 1, false},
    };
    const auto formats = ProcessorFormats();
    ASSERT_EQ(formats.size(), std::size(expected));
    for (std::size_t i = 0; i < formats.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_STREQ(formats[i]->processorEntry, expected[i].entry);
        EXPECT_STREQ(formats[i]->extension, expected[i].ext);
        EXPECT_EQ(formats[i]->code, expected[i].code);
        EXPECT_EQ(formats[i]->paletteOnly, expected[i].eight);
    }
    EXPECT_EQ(BatchAddFilter(),
              "Image files|*.cmp;*.gif;*.tiff;*.tif;*.jpg;*.bmp;*.ico;*.cur;*.fpx;*.pcx;*.wmf;*.emf;"
              "*.xpm;*.iff;*.pgm;*.ppm;*.cut;*.psd;*.png;*.tga;*.eps;*.ras;*.wpg;*.pct;*.jbig;*.clp;"
              "*.xwd;*.flc;*.sgi|All Files (*.*)|*.*||");
}

TEST(FormatTable, TheFileDialogFilters) {
    EXPECT_EQ(PerFormatFilter(),
        "Adobe Photoshop 3.0. (*.psd)|*.psd|BMP - Windows Bitmap (*.bmp)|*.bmp|CompuServe Graphic"
        "s Interchange (*.gif)|*.gif|Dr. Halo (*.cut)|*.cut|Encapsulated PostScript (*.eps)|*.eps"
        "|Flic Animation (*.flc)|*.flc|Interchange File (*.iff)|*.iff|JBIG (*.jbig)|*.jbig|JPEG F"
        "ile Interchange Format (*.jpg;*.jpeg)|*.jpg;*.jpeg|Kodak FlashPix (*.fpx)|*.fpx|Lead CMP"
        " (*.cmp)|*.cmp|MacPict (*.pct)|*.pct|Microsoft Windows Clipboard (*.clp)|*.clp|Portable "
        "Greymap (*.pgm)|*.pgm|Portable Network Graphics (*.png)|*.png|Portable Pixelmap (*.ppm)|"
        "*.ppm|Silicon Graphics Image (*.sgi)|*.sgi|Sun Raster (*.ras)|*.ras|Tagged Image File Fo"
        "rmat (*.tif;*.tiff)|*.tif;*.tiff|TARGA (*.tga)|*.tga|Windows Cursor (*.cur)|*.cur|Window"
        "s Enhanced Meta File (*.emf)|*.emf|Windows Icon (*.ico)|*.ico|Windows Meta File (*.wmf)|"
        "*.wmf|Word Perfect (*.wpg)|*.wpg|X Window Dump (*.xwd)|*.xwd|XPicmap File (*.xpm)|*.xpm|"
        "ZSoft PCX (*.pcx;*.pcc)|*.pcx;*.pcc|");
    EXPECT_EQ(SaveFilter(),
        "Bitmap (.bmp)|*.bmp|CompuServe GIF (.gif)|*.gif|JPEG (.jpg)|*.jpg;*.jpeg|Tagged Image Fi"
        "le Format (.tif)|*.tif;*.tiff|Portable Network Graphics (.png)|*.png|ZSoft PCX (.pcx)|*."
        "pcx|TARGA (.tga)|*.tga|Adobe Photoshop 3.0 (.psd)|*.psd|Windows Icon (.ico)|*.ico|Window"
        "s Cursor (.cur)|*.cur|Windows Meta File (.wmf)|*.wmf|Windows Enhanced Meta File (.emf)|*"
        ".emf|XPicmap File (.xpm)|*.xpm|Interchange File (.iff)|*.iff|Portable Greymap (.pgm)|*.p"
        "gm|Portable Pixelmap (.ppm)|*.ppm|Dr. Halo (.cut)|*.cut|Encapsulated PostScript (.eps)|*"
        ".eps|Sun Raster (.ras)|*.ras|Word Perfect (.wpg)|*.wpg|MacPict (.pct)|*.pct|Microsoft Wi"
        "ndows Clipboard (.clp)|*.clp|X Window Dump (.xwd)|*.xwd|Flic Animation (.flc)|*.flc|Sili"
        "con Graphics Image (.sgi)|*.sgi|JBIG (.jbig)|*.jbig||");
    EXPECT_EQ(ImageFilesFilter(),
              "Image Files|*.gif;*.tiff;*.tif;*.jpg;*.jpeg;*.bmp;*.ico;*.cur;*.fpx;*.pcx;*.pcc;"
              "*.wmf;*.emf;*.xpm;*.iff;*.pgm;*.ppm;*.cut;*.psd;*.png;*.tga;*.eps;*.ras;*.wpg;*.pct;"
              "*.jbig;*.clp;*.xwd;*.flc;*.sgi;*.cmp|");
}

} // namespace
