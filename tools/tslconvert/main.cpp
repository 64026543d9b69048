// tslconvert: the program's own image readers and writers on the command line.
//
//   tslconvert IN OUT             read IN by its extension, write OUT by its extension
//   tslconvert --info IN          print "W x H x BPP" of IN as read
//   tslconvert --compress IN OUT  pack IN into the program's "OV10" container
//   tslconvert --expand IN OUT    unpack a container
//
// Conversions work on packed DIBs, so the file written keeps the depth read where its format
// can hold it. GIF output takes images of at most 8 bits per pixel. Errors go to standard
// error and the exit status is 1 (2 for wrong usage).

#include "codecs/Bmp.h"
#include "codecs/Compressor.h"
#include "codecs/Dispatch.h"
#include "codecs/Gif.h"
#include "core/Files.h"
#include "core/Services.h"

#include <cstdio>
#include <cstring>
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
    std::fputs("usage: tslconvert IN OUT\n"
               "       tslconvert --info IN\n"
               "       tslconvert --compress IN OUT\n"
               "       tslconvert --expand IN OUT\n",
               stderr);
    return 2;
}

bool Read(const std::string& path, PackedImage& image) {
    std::string reason;
    if (!ReadPackedImage(path, image, &reason)) {
        Fail("cannot read " + path + ": " + reason);
        return false;
    }
    image.dib = UnpackDib(image.dib);
    if (image.dib.empty()) {
        Fail("cannot read " + path + ": a bitmap layout this program does not decode");
        return false;
    }
    return true;
}

int Info(const std::string& in) {
    PackedImage image;
    std::string reason;
    int width = 0, height = 0, bpp = 0;
    if (!ReadPackedImage(in, image, &reason)) return Fail("cannot read " + in + ": " + reason);
    if (!DibDimensions(image.dib, width, height, bpp))
        return Fail("cannot read " + in + ": a bitmap layout this program does not decode");
    std::printf("%d x %d x %d\n", width, height, bpp);
    return 0;
}

int Convert(const std::string& in, const std::string& out) {
    PackedImage image;
    if (!Read(in, image)) return 1;
    if (UpperExtension(out) == "GIF") {
        const int bpp = ViewPackedDib(image.dib)->bitsPerPixel;
        if (bpp > 8)
            return Fail(in + " has " + std::to_string(bpp) +
                        " bits per pixel; GIF holds at most 8 (reduce its colours first)");
        if (WriteGif(out, image.dib, true, false, image.transparentIndex) != 1)
            return Fail("cannot write " + out);
        return 0;
    }
    std::string reason;
    if (!WritePackedImage(out, image.dib, kScreen, &reason))
        return Fail("cannot write " + out + (reason.empty() ? "" : ": " + reason));
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
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "--info") return Info(args[1]);
    if (args.size() == 3 && args[0] == "--compress") return Pack(args[1], args[2], true);
    if (args.size() == 3 && args[0] == "--expand") return Pack(args[1], args[2], false);
    if (args.size() == 2 && args[0].rfind("--", 0) != 0) return Convert(args[0], args[1]);
    return Usage();
}
