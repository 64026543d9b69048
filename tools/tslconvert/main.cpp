// tslconvert: the program's image readers and writers on the command line, loading and saving
// as the image document does.
//
//   tslconvert [OPTIONS] IN OUT   read IN, write OUT (format chosen by OUT's extension)
//   tslconvert --info IN          print "W x H x BPP" of IN as read
//   tslconvert --compress IN OUT  pack IN into the program's "OV10" container
//   tslconvert --expand IN OUT    unpack a container
//
// Options of a conversion:
//   --format CODE     the imaging library's file-format code to write (e.g. 14 and 74 for the
//                     OS/2 bitmaps, 104 and 106 for ASCII PGM and PPM, 132 for X10 dumps)
//   --bpp N           reduce (or expand) to N bits per pixel first: 1, 4, 8, 16, 24 or 32
//   --palette KIND    fixed, optimized (default) or netscape, for 1, 4 and 8 bits
//   --system          insert the system palette's static colours
//   --dither KIND     none (default), floyd, stucki, burkes, sierra, stevenson, jarvis, ordered
//                     or clustered
//
// GIF, TIFF and JPEG files, and everything the reader dispatch knows by extension, are read by
// the program's own readers at their own depth; other files by the imaging layer. GIF files are
// written by the GIF writer (8 bits at most: deeper images need --bpp), TIFF files by the
// writer dispatch, everything else by the imaging layer. Errors go to standard error and the
// exit status is 1 (2 for wrong usage).

#include "codecs/Bmp.h"
#include "codecs/Compressor.h"
#include "codecs/Dispatch.h"
#include "codecs/Gif.h"
#include "core/Files.h"
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
               "                  [--system] [--dither KIND] IN OUT\n"
               "       tslconvert --info IN\n"
               "       tslconvert --compress IN OUT\n"
               "       tslconvert --expand IN OUT\n",
               stderr);
    return 2;
}

struct Options {
    int format = 0; // 0: by extension
    int bpp = 0;    // 0: keep
    unsigned palette = kColorResOptimizedExact;
    unsigned dither = kDitherNone;
    bool system = false;
};

// Reads a file as the document does: the reader dispatch for the extensions it knows, the
// imaging layer for the rest. A GIF's transparent index is kept for a GIF written again.
bool Read(const std::string& path, LBitmapBase& image, int& transparentIndex, bool quiet = false) {
    transparentIndex = -1;
    const std::string ext = UpperExtension(path);
    std::string reason;
    if (ext == "GIF" || ext == "TIF" || ext == "TIFF" || ext == "JPG" || ext == "JPEG" ||
        ext == "BMP" || ext == "DIB" || ext == "PCX" || ext == "PNG" || ext == "TGA") {
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
    const std::string ext = UpperExtension(out);
    if (ext == "GIF" && options.format == 0) {
        if (image.GetBitsPerPixel() > 8)
            return Fail(in + " has " + std::to_string(image.GetBitsPerPixel()) +
                        " bits per pixel; GIF holds at most 8 (reduce its colours first, --bpp 8)");
        if (WriteGif(out, image.ConvertToDIB(), true, false, transparentIndex) != 1)
            return Fail("cannot write " + out);
        return 0;
    }
    if ((ext == "TIF" || ext == "TIFF") && options.format == 0) {
        std::string reason;
        if (!WritePackedImage(out, image.ConvertToDIB(), kScreen, &reason))
            return Fail("cannot write " + out + (reason.empty() ? "" : ": " + reason));
        return 0;
    }
    std::string lower = ext;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const int format = options.format != 0 ? options.format : FormatForExtension(lower);
    if (format < 0) return Fail("cannot write " + out + ": no writer for this file name's extension");
    const int status = image.Save(out, format, 0, kQualityBest);
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
    LBase::LoadLibraries(kAllLibraries);
    const std::vector<std::string> args(argv + 1, argv + argc);
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
