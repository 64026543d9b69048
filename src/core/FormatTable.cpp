#include "core/FormatTable.h"

#include <algorithm>
#include <array>

namespace tsl {

namespace {

using C = Codec;
constexpr std::uint8_t kAll = kAnyDepth, kUpTo8 = kDepthsUpTo8;

// clang-format off
constexpr std::array<FileFormat, 34> kFormats = {{
  // code ext    processor entry                                  open filter entry                               Save As entry                      order reader      writer      coder   pal.  depths
  {76,  "psd",  "Adobe Photoshop 3.0. (*.psd)",                 "Adobe Photoshop 3.0. (*.psd)",                 "Adobe Photoshop 3.0 (.psd)",         8, C::Small,   C::Small,   nullptr, false, kAll},
  {14,  "bmp",  "BMP - OS/2 Bitmap Version 1.x (*.bmp)",        nullptr,                                        nullptr,                              0, C::Program, C::Small,   nullptr, false, kAll},
  {74,  "bmp",  "BMP - OS/2 Bitmap Version 2.x (*.bmp)",        nullptr,                                        nullptr,                              0, C::Program, C::Small,   nullptr, false, kAll},
  {6,   "bmp",  "BMP - Windows Bitmap (*.bmp)",                 "BMP - Windows Bitmap (*.bmp)",                 "Bitmap (.bmp)",                      1, C::Program, C::Program, nullptr, false, kAll},
  {2,   "gif",  "CompuServe Graphics Interchange (*.gif)",      "CompuServe Graphics Interchange (*.gif)",      "CompuServe GIF (.gif)",              2, C::Program, C::Program, nullptr, true,  kUpTo8},
  {108, "cut",  "Dr. Halo (*.cut)",                             "Dr. Halo (*.cut)",                             "Dr. Halo (.cut)",                   17, C::Magick,  C::Small,   "CUT",   true,  kUpTo8},
  {16,  "eps",  "Encapsulated PostScript (*.eps)",              "Encapsulated PostScript (*.eps)",              "Encapsulated PostScript (.eps)",    18, C::Magick,  C::Magick,  "EPS",   true,  kAll},
  {134, "flc",  "Flic Animation (*.flc)",                       "Flic Animation (*.flc)",                       "Flic Animation (.flc)",             24, C::Small,   C::Small,   nullptr, true,  kUpTo8},
  {111, "iff",  "Interchange File (*.iff)",                     "Interchange File (*.iff)",                     "Interchange File (.iff)",           14, C::Small,   C::Small,   nullptr, false, kAll},
  {115, "jbig", nullptr,                                        "JBIG (*.jbig)",                                "JBIG (.jbig)",                      26, C::Magick,  C::Magick,  "JBIG",  false, kAll},
  {10,  "jpg",  "JPEG File Interchange Format (*.jpg)",         "JPEG File Interchange Format (*.jpg;*.jpeg)",  "JPEG (.jpg)",                        3, C::Program, C::Program, nullptr, false, kAll},
  {80,  "fpx",  "Kodak FlashPix (*.fpx)",                       "Kodak FlashPix (*.fpx)",                       nullptr,                              0, C::None,    C::None,    nullptr, false, kAll},
  {5,   "cmp",  "Lead CMP (*.cmp)",                             "Lead CMP (*.cmp)",                             nullptr,                              0, C::None,    C::None,    nullptr, false, kAll},
  {56,  "pct",  "MacPict (*.pct)",                              "MacPict (*.pct)",                              "MacPict (.pct)",                    21, C::Magick,  C::Magick,  "PICT",  false, kAll},
  {114, "clp",  "Microsoft Windows Clipboard (*.clp)",          "Microsoft Windows Clipboard (*.clp)",          "Microsoft Windows Clipboard (.clp)",22, C::Small,   C::Small,   nullptr, false, kAll},
  {104, "pgm",  "Portable Greymap - ASCII File (*.pgm)",        nullptr,                                        nullptr,                              0, C::Magick,  C::Small,   "PGM",   true,  kAll},
  {105, "pgm",  "Portable Greymap - Binary File (*.pgm)",       "Portable Greymap (*.pgm)",                     "Portable Greymap (.pgm)",           15, C::Magick,  C::Magick,  "PGM",   true,  kAll},
  {75,  "png",  "Portable Network Graphics (*.png)",            "Portable Network Graphics (*.png)",            "Portable Network Graphics (.png)",   5, C::Program, C::Program, nullptr, false, kAll},
  {106, "ppm",  "Portable Pixelmap - ASCII File (*.ppm)",       nullptr,                                        nullptr,                              0, C::Magick,  C::Small,   "PPM",   false, kAll},
  {107, "ppm",  "Portable Pixelmap - Binary File (*.ppm)",      "Portable Pixelmap (*.ppm)",                    "Portable Pixelmap (.ppm)",          16, C::Magick,  C::Magick,  "PPM",   false, kAll},
  {142, "sgi",  "Silicon Graphics Image (*.sgi)",               "Silicon Graphics Image (*.sgi)",               "Silicon Graphics Image (.sgi)",     25, C::Magick,  C::Magick,  "SGI",   false, kAll},
  {55,  "ras",  "Sun Raster (*.ras)",                           "Sun Raster (*.ras)",                           "Sun Raster (.ras)",                 19, C::Magick,  C::Magick,  "SUN",   false, kAll},
  {17,  "tif",  "Tagged Image File Format (*.tif)",             "Tagged Image File Format (*.tif;*.tiff)",      "Tagged Image File Format (.tif)",    4, C::Program, C::Program, nullptr, false, kAll},
  {4,   "tga",  "TARGA (*.tga)",                                "TARGA (*.tga)",                                "TARGA (.tga)",                       7, C::Magick,  C::Magick,  "TGA",   false, kAll},
  {92,  "cur",  nullptr,                                        "Windows Cursor (*.cur)",                       "Windows Cursor (.cur)",             10, C::Small,   C::Small,   nullptr, false, kAll},
  {116, "emf",  "Windows Enhanced Meta File (*.emf)",           "Windows Enhanced Meta File (*.emf)",           "Windows Enhanced Meta File (.emf)", 12, C::Small,   C::Small,   nullptr, false, kAll},
  {91,  "ico",  nullptr,                                        "Windows Icon (*.ico)",                         "Windows Icon (.ico)",                9, C::Small,   C::Small,   nullptr, false, kAll},
  {15,  "wmf",  "Windows Meta File (*.wmf)",                    "Windows Meta File (*.wmf)",                    "Windows Meta File (.wmf)",          11, C::Small,   C::Small,   nullptr, false, kAll},
  {54,  "wpg",  "Word Perfect (*.wpg)",                         "Word Perfect (*.wpg)",                         "Word Perfect (.wpg)",               20, C::Magick,  C::Small,   "WPG",   true,  kUpTo8},
  {132, "xwd",  "X Window Dump version 10 (*.xwd)",             nullptr,                                        nullptr,                              0, C::Small,   C::Small,   nullptr, false, kUpTo8},
  {133, "xwd",  "X Window Dump version 11 (*.xwd)",             "X Window Dump (*.xwd)",                        "X Window Dump (.xwd)",              23, C::Magick,  C::Magick,  "XWD",   false, kAll},
  {109, "xpm",  "XPicmap File (*.xpm)",                         "XPicmap File (*.xpm)",                         "XPicmap File (.xpm)",               13, C::Magick,  C::Magick,  "XPM",   false, kUpTo8},
  {1,   "pcx",  "ZSoft PCX (*.pcx)",                            "ZSoft PCX (*.pcx;*.pcc)",                      "ZSoft PCX (.pcx)",                   6, C::Program, C::Program, nullptr, false, kAll},
  {59,  "avi",  nullptr,                                        nullptr,                                        nullptr,                              0, C::None,    C::None,    nullptr, false, kAll},
}};

using R = DispatchReader;
using W = DispatchWriter;
constexpr std::array<ExtensionEntry, 38> kExtensions = {{
  // ext     format table  list   doc  dispatch reader          writer    preview add
  {"gif",    2,   true,  true,  8,  R::Gif,                W::None,  true,   2},
  {"tiff",   17,  true,  true,  24, R::Tiff,               W::Tiff,  true,   3},
  {"tif",    17,  true,  true,  24, R::Tiff,               W::Tiff,  true,   4},
  {"jpg",    10,  true,  true,  24, R::Jpeg,               W::Jpeg,  true,   5},
  {"jpeg",   10,  true,  true,  24, R::Jpeg,               W::Jpeg,  true,   0},
  {"bmp",    6,   true,  true,  0,  R::Bmp,                W::Bmp,   true,   6},
  {"ico",    91,  true,  true,  0,  R::None,               W::None,  false,  7},
  {"cur",    92,  true,  true,  0,  R::None,               W::None,  false,  8},
  {"fpx",    80,  true,  true,  0,  R::None,               W::None,  false,  9},
  {"pcx",    1,   true,  true,  0,  R::Pcx,                W::Pcx,   true,  10},
  {"pcc",    1,   false, true,  0,  R::None,               W::None,  false,  0},
  {"wmf",    15,  true,  true,  0,  R::None,               W::None,  false, 11},
  {"emf",    116, true,  true,  0,  R::None,               W::None,  false, 12},
  {"xpm",    109, true,  true,  0,  R::None,               W::None,  false, 13},
  {"iff",    111, true,  true,  0,  R::None,               W::None,  false, 14},
  {"pgm",    105, true,  true,  0,  R::None,               W::None,  false, 15},
  {"ppm",    107, true,  true,  0,  R::None,               W::None,  false, 16},
  {"cut",    108, true,  true,  0,  R::None,               W::None,  false, 17},
  {"psd",    76,  true,  true,  0,  R::None,               W::None,  false, 18},
  {"png",    75,  true,  true,  0,  R::Png,                W::Png,   true,  19},
  {"tga",    4,   true,  true,  0,  R::Tga,                W::None,  true,  20},
  {"eps",    16,  true,  true,  0,  R::None,               W::None,  false, 21},
  {"ras",    55,  true,  true,  0,  R::None,               W::None,  false, 22},
  {"wpg",    54,  true,  true,  0,  R::None,               W::None,  false, 23},
  {"pct",    56,  true,  true,  0,  R::None,               W::None,  false, 24},
  {"jbig",   115, true,  true,  0,  R::None,               W::None,  false, 25},
  {"clp",    114, true,  true,  0,  R::None,               W::None,  false, 26},
  {"xwd",    133, true,  true,  0,  R::None,               W::None,  false, 27},
  {"flc",    134, true,  true,  0,  R::None,               W::None,  false, 28},
  {"sgi",    142, true,  true,  0,  R::None,               W::None,  false, 29},
  {"cmp",    5,   true,  true,  0,  R::None,               W::None,  false,  1},
  {"avi",    59,  true,  false, 0,  R::None,               W::None,  false,  0},
  {"dib",    6,   false, false, 0,  R::Bmp,                W::None,  true,   0},
  {"cri",    17,  false, false, 0,  R::Tiff,               W::None,  true,   0},
  {"rle",    6,   false, false, 0,  R::None,               W::None,  true,   0},
  // Resource names: the whole name is the resource's, its suffix picks the reader.
  {"p",      0,   false, false, 0,  R::PcxResource,        W::None,  false,  0},
  {"b4",     0,   false, false, 0,  R::Bitmap16Resource,   W::None,  false,  0},
  {"b8",     0,   false, false, 0,  R::Bitmap256Resource,  W::None,  false,  0},
}};
// clang-format on

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

} // namespace

std::span<const FileFormat> FileFormats() { return kFormats; }

std::span<const ExtensionEntry> Extensions() { return kExtensions; }

const FileFormat* FindFormat(int code) {
    for (const FileFormat& f : FileFormats())
        if (f.code == code) return &f;
    return nullptr;
}

const ExtensionEntry* FindExtension(std::string_view extension) {
    for (const ExtensionEntry& e : kExtensions)
        if (SameIgnoringCase(e.extension, extension)) return &e;
    return nullptr;
}

const ExtensionEntry* FindExtensionExact(std::string_view extension) {
    for (const ExtensionEntry& e : kExtensions)
        if (extension == e.extension) return &e;
    return nullptr;
}

int FormatForExtension(std::string_view extension) {
    const ExtensionEntry* e = FindExtension(extension);
    return e && e->formatTable ? e->format : -1;
}

bool IsPaletteOnlyExtension(std::string_view extension) {
    const FileFormat* f = FindFormat(FormatForExtension(extension));
    return f && f->paletteOnly;
}

int DocumentReaderDepth(std::string_view extension) {
    const ExtensionEntry* e = FindExtensionExact(extension);
    return e ? e->documentReaderDepth : 0;
}

const std::string& ImageExtensionList() {
    static const std::string list = [] {
        std::string out = ",";
        for (const ExtensionEntry& e : kExtensions)
            if (e.imageList) out += std::string(e.extension) + ",";
        return out;
    }();
    return list;
}

std::vector<const FileFormat*> ProcessorFormats() {
    std::vector<const FileFormat*> out;
    for (const FileFormat& f : FileFormats())
        if (f.processorEntry) out.push_back(&f);
    return out;
}

std::string BatchAddFilter() {
    std::vector<const ExtensionEntry*> listed;
    for (const ExtensionEntry& e : kExtensions)
        if (e.batchAddPosition > 0) listed.push_back(&e);
    std::sort(listed.begin(), listed.end(), [](const ExtensionEntry* a, const ExtensionEntry* b) {
        return a->batchAddPosition < b->batchAddPosition;
    });
    std::string patterns;
    for (const ExtensionEntry* e : listed)
        patterns += (patterns.empty() ? "*." : ";*.") + std::string(e->extension);
    return "Image files|" + patterns + "|All Files (*.*)|*.*||";
}

std::string FormatPatterns(const FileFormat& format, bool openFilter) {
    std::string out = "*." + std::string(format.extension);
    for (const ExtensionEntry& e : kExtensions) {
        if (e.format != format.code || e.extension == std::string_view(format.extension)) continue;
        if (openFilter ? e.imageList : e.formatTable) out += ";*." + std::string(e.extension);
    }
    return out;
}

} // namespace tsl
