// tslconvert: the program's image readers and writers on the command line, loading and saving
// as the image document does.
//
//   tslconvert [OPTIONS] IN OUT   read IN, write OUT (format chosen by OUT's extension)
//   tslconvert --info IN          print "W x H x BPP" of IN as read
//   tslconvert --compress IN OUT  pack IN into the program's "OV10" container
//   tslconvert --expand IN OUT    unpack a container
//   tslconvert --batch [OPTIONS] FILE...  the image processor's run over many files (Batch.h)
//
// Options of a conversion:
//   --format CODE     the imaging library's file-format code to write (e.g. 14 and 74 for the
//                     OS/2 bitmaps, 104 and 106 for ASCII PGM and PPM, 132 for X10 dumps)
//   --bpp N           reduce (or expand) to N bits per pixel first: 1, 4, 8, 16, 24 or 32
//   --palette KIND    fixed, optimized (default) or netscape, for 1, 4 and 8 bits
//   --system          insert the system palette's static colours
//   --dither KIND     none (default), floyd, stucki, burkes, sierra, stevenson, jarvis, ordered
//                     or clustered
//   --quality Q       JPEG quality 1..100; without it, that of quality factor 2 (kQualityBest),
//                     as the image document saves
//
// GIF, TIFF and JPEG files, and everything the reader dispatch knows by extension, are read by
// the program's own readers at their own depth; other files by the imaging layer. GIF files are
// written by the GIF writer (8 bits at most: deeper images need --bpp), TIFF files by the
// writer dispatch, everything else by the imaging layer. Errors go to standard error and the
// exit status is 1 (2 for wrong usage).
//
// JPEG, PNG, BMP and GIF files go straight into the picture at their own depth (no packed DIB
// and no copy of it), BMP, JPEG and PPM files are written from the picture's rows, and --info
// reads only the header of JPEG, PNG, GIF, BMP and TIFF files. GraphicsMagick is started only
// for a file that needs it. Files are replaced atomically (a temporary file beside the target,
// then a rename) but not synced to disk one by one: on a 72 MB BMP the sync costs more than
// the conversion, and a converter run over thousands of files should not pay it each time.

#include "Batch.h"

#include "codecs/Bmp.h"
#include "codecs/BmpBitmap.h"
#include "codecs/Compressor.h"
#include "codecs/Dispatch.h"
#include "codecs/Gif.h"
#include "codecs/Jpeg.h"
#include "codecs/Png.h"
#include "codecs/Tiff.h"
#include "core/Extensions.h"
#include "core/Files.h"
#include "core/FormatTable.h"
#include "core/Services.h"
#include "imaging/LBase.h"
#include "imaging/LBitmap.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace tsl;

constexpr ScreenSize kScreen{1024, 768}; // recorded in PCX headers

// Library messages (the adapters report some failures themselves) go to standard error.
class StderrReport : public IReport {
public:
    void Report(const std::string& text, const std::string& caption) override {
        std::fprintf(stderr, "tslconvert: %s: %s\n", caption.c_str(), text.c_str());
    }
};

int Fail(const std::string& text) {
    std::fprintf(stderr, "tslconvert: %s\n", text.c_str());
    return 1;
}

int Usage() {
    std::fputs("usage: tslconvert [--format CODE] [--bpp N] [--palette fixed|optimized|netscape]\n"
               "                  [--system] [--dither KIND] [--quality Q] IN OUT\n"
               "       tslconvert --info IN\n"
               "       tslconvert --compress IN OUT\n"
               "       tslconvert --expand IN OUT\n"
               "       tslconvert --batch [OPTIONS] FILE... (tslconvert --batch --help)\n",
               stderr);
    return 2;
}

struct Options {
    int format = 0; // 0: by extension
    int bpp = 0;    // 0: keep
    unsigned palette = kColorResOptimizedExact;
    unsigned dither = kDitherNone;
    bool system = false;
    int quality = 0; // JPEG quality 1..100; 0: quality factor kQualityBest's
};

// Whether the reader dispatch reads the file by its extension (resource names aside).
bool HasOwnFileReader(const std::string& path) {
    switch (ReaderFor(path)) {
    case DispatchReader::None:
    case DispatchReader::PcxResource:
    case DispatchReader::Bitmap16Resource:
    case DispatchReader::Bitmap256Resource: return false;
    default: return true;
    }
}

enum class Straight { kRead, kFailed, kNotTaken };

// The reader dispatch's JPEG, PNG, BMP and GIF readers straight into the picture at the file's
// own depth: the pixels, depth and palette of the packed DIB the dispatch reads, without it.
// PNG, BMP and GIF files it does not take (other layouts, failures) go the general way, which
// says what is wrong; the JPEG reader is the dispatch's own decoder and reports for itself.
Straight ReadStraight(const std::string& path, LBitmapBase& image, int& transparentIndex) {
    CDdb bitmap;
    int transparent = -1;
    switch (ReaderFor(path)) {
    case DispatchReader::Jpeg:
        bitmap = ReadJpegDdb(path, 24);
        if (bitmap.IsNull()) return Straight::kFailed;
        break;
    case DispatchReader::Png: bitmap = ReadPngBitmap(path); break;
    case DispatchReader::Bmp: bitmap = ReadBmpBitmap(path); break;
    case DispatchReader::Gif: bitmap = ReadGifBitmap(path, transparent); break;
    default: break;
    }
    if (bitmap.IsNull()) return Straight::kNotTaken;
    image.SetHandle(std::move(bitmap));
    transparentIndex = transparent;
    return Straight::kRead;
}

// The size and depth a full read gives, from the file's header: JPEG, PNG, GIF, BMP and TIFF
// files of the reader dispatch. False when the header does not settle it.
bool ReadHeader(const std::string& path, int& width, int& height, int& bitsPerPixel) {
    switch (ReaderFor(path)) {
    case DispatchReader::Jpeg: return ReadJpegHeader(path, width, height, bitsPerPixel);
    case DispatchReader::Png: return ReadPngHeader(path, width, height, bitsPerPixel);
    case DispatchReader::Bmp: return ReadBmpHeader(path, width, height, bitsPerPixel);
    case DispatchReader::Gif: return ReadGifHeader(path, width, height, bitsPerPixel);
    case DispatchReader::Tiff: return ReadTiffHeader(path, width, height, bitsPerPixel);
    default: return false;
    }
}

// Reads a file as the document does: the reader dispatch for the extensions it knows, the
// imaging layer for the rest. A GIF's transparent index is kept for a GIF written again.
bool Read(const std::string& path, LBitmapBase& image, int& transparentIndex, bool quiet = false) {
    transparentIndex = -1;
    std::string reason;
    const bool own = HasOwnFileReader(path);
    const Straight straight = own ? ReadStraight(path, image, transparentIndex) : Straight::kNotTaken;
    if (straight == Straight::kRead) return true;
    if (straight == Straight::kFailed) {
        reason = "the file could not be read";
    } else if (own) {
        PackedImage packed;
        if (ReadPackedImage(path, packed, &reason) && image.ConvertFromDIB(packed.dib) >= 1) {
            transparentIndex = packed.transparentIndex;
            return true;
        }
        if (reason.empty()) reason = "a bitmap layout this program does not decode";
    } else {
        const int status = image.Load(path);
        if (status >= 1) return true;
        reason = LBase::ErrorText(status);
    }
    if (!quiet) Fail("cannot read " + path + ": " + reason);
    return false;
}

int Info(const std::string& in) {
    int width = 0, height = 0, bitsPerPixel = 0;
    if (ReadHeader(in, width, height, bitsPerPixel)) {
        std::printf("%d x %d x %d\n", width, height, bitsPerPixel);
        return 0;
    }
    LBitmapBase image;
    int transparent = -1;
    if (!Read(in, image, transparent)) return 1;
    std::printf("%d x %d x %d\n", image.GetWidth(), image.GetHeight(), image.GetBitsPerPixel());
    return 0;
}

int Convert(const std::string& in, const std::string& out, const Options& options) {
    LBitmapBase image;
    int transparentIndex = -1;
    if (!Read(in, image, transparentIndex)) return 1;
    if (options.bpp != 0) {
        const unsigned flags = options.bpp > 8 ? kColorResDitheredTrueColor
                                               : options.palette | options.dither |
                                                     (options.system ? kColorResInsertSystemPalette : 0);
        const int status = image.ColorRes(options.bpp, flags);
        if (status < 1) return Fail("cannot reduce " + in + ": " + LBase::ErrorText(status));
        transparentIndex = -1;
    }
    const int byExtension = FormatForExtension(ExtensionOf(out));
    if (byExtension == kFormatGif && options.format == 0) {
        if (image.GetBitsPerPixel() > 8)
            return Fail(in + " has " + std::to_string(image.GetBitsPerPixel()) +
                        " bits per pixel; GIF holds at most 8 (reduce its colours first, --bpp 8)");
        if (WriteGif(out, image.ConvertToDIB(), true, true, transparentIndex) != 1)
            return Fail("cannot write " + out);
        return 0;
    }
    if (byExtension == kFormatTiff && options.format == 0) {
        std::string reason;
        if (!WritePackedImage(out, image.ConvertToDIB(), kScreen, &reason))
            return Fail("cannot write " + out + (reason.empty() ? "" : ": " + reason));
        return 0;
    }
    const int format = options.format != 0 ? options.format : byExtension;
    if (format < 0) return Fail("cannot write " + out + ": no writer for this file name's extension");
    const int status = image.Save(out, format, 0, kQualityBest, options.quality);
    if (status < 1) return Fail("cannot write " + out + ": " + LBase::ErrorText(status));
    return 0;
}

// Reports the compressor's failures in this tool's words instead of a message box.
class QuietCompressor : public CCompressor {
public:
    void Error(int code) override { Fail("write error " + std::to_string(code)); }
};

int Pack(const std::string& in, const std::string& out, bool compress) {
    if (!compress) {
        // A file that is not a container would expand to nothing: say so instead.
        std::vector<std::uint8_t> head;
        if (!ReadWholeFile(in, head)) return Fail("cannot read " + in);
        if (head.size() < CCompressor::kHeaderSize || std::memcmp(head.data(), "OV10", 4) != 0)
            return Fail(in + " is not a compressed file (no \"OV10\" signature)");
    }
    QuietCompressor compressor;
    const int direction = compress ? CCompressor::kCompress : CCompressor::kExpand;
    if (compressor.CompressOrExpand(in, out, direction) != 1)
        return Fail("cannot " + std::string(compress ? "compress " : "expand ") + in + " into " + out);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    StderrReport report;
    InstallReport(&report);
    // See the header comment; TSL_SYNC_SAVES in the environment keeps the syncs, to measure them.
    SetReplaceSyncs(std::getenv("TSL_SYNC_SAVES") != nullptr);
    const std::vector<std::string> args(argv + 1, argv + argc);
    for (const std::string& a : args)
        if (a == "--batch") return BatchMain(args);
    if (args.size() == 2 && args[0] == "--info") return Info(args[1]);
    if (args.size() == 3 && args[0] == "--compress") return Pack(args[1], args[2], true);
    if (args.size() == 3 && args[0] == "--expand") return Pack(args[1], args[2], false);

    static const std::map<std::string, unsigned> kPalettes = {
        {"fixed", kColorResFixedPalette},
        {"optimized", kColorResOptimizedExact},
        {"netscape", kColorResNetscapePalette}};
    static const std::map<std::string, unsigned> kDithers = {
        {"none", kDitherNone},           {"floyd", kDitherFloydSteinberg},
        {"stucki", kDitherStucki},       {"burkes", kDitherBurkes},
        {"sierra", kDitherSierra},       {"stevenson", kDitherStevensonArce},
        {"jarvis", kDitherJarvis},       {"ordered", kDitherOrdered},
        {"clustered", kDitherOrdered}};
    Options options;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--format" && hasValue) {
            options.format = std::atoi(args[++i].c_str());
            if (options.format <= 0) return Usage();
        } else if (a == "--bpp" && hasValue) {
            options.bpp = std::atoi(args[++i].c_str());
            if (options.bpp <= 0) return Usage();
        } else if (a == "--palette" && hasValue && kPalettes.count(args[i + 1])) {
            options.palette = kPalettes.at(args[++i]);
        } else if (a == "--dither" && hasValue && kDithers.count(args[i + 1])) {
            options.dither = kDithers.at(args[++i]);
        } else if (a == "--quality" && hasValue) {
            char* end = nullptr;
            const long q = std::strtol(args[++i].c_str(), &end, 10);
            if (end == args[i].c_str() || *end != '\0' || q < 1 || q > 100) return Usage();
            options.quality = static_cast<int>(q);
        } else if (a == "--system") {
            options.system = true;
        } else if (a.rfind("--", 0) == 0) {
            return Usage();
        } else {
            files.push_back(a);
        }
    }
    if (files.size() != 2) return Usage();
    return Convert(files[0], files[1], options);
}
