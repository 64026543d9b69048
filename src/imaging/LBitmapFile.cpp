// LBitmapBase::Load and Save: the program's own codecs by content, GraphicsMagick (through the
// back-end module, imaging/Backend.h) for the rest.

#include "imaging/LBitmap.h"

#include "codecs/Bmp.h"
#include "codecs/BmpBitmap.h"
#include "codecs/Dispatch.h"
#include "codecs/Gif.h"
#include "codecs/Jpeg.h"
#include "codecs/Pcx.h"
#include "codecs/Png.h"
#include "codecs/Tiff.h"
#include "core/Files.h"
#include "core/FormatTable.h"
#include "imaging/Backend.h"
#include "imaging/ColorRes.h"
#include "imaging/LBase.h"
#include "imaging/formats/Clp.h"
#include "imaging/formats/Cut.h"
#include "imaging/formats/Flic.h"
#include "imaging/formats/Icon.h"
#include "imaging/formats/Ilbm.h"
#include "imaging/formats/Metafile.h"
#include "imaging/formats/Os2Bmp.h"
#include "imaging/formats/Psd.h"
#include "imaging/formats/Wpg.h"
#include "imaging/formats/Xwd10.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>

namespace tsl {

namespace {

using Bytes = std::vector<std::uint8_t>;

bool Starts(const Bytes& b, const char* magic, std::size_t at = 0) {
    const std::size_t n = std::strlen(magic);
    return b.size() >= at + n && std::memcmp(b.data() + at, magic, n) == 0;
}

std::string LowerExtension(const std::string& path) {
    std::string e = UpperExtension(path);
    for (char& c : e) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return e;
}

// An icon or cursor directory: type 1 or 2, at least one entry, and the first entry's image
// inside the file after the directory (TGA headers can start with the same four bytes).
bool LooksLikeIcon(const Bytes& b) {
    if (b.size() < 22 || b[0] != 0 || b[1] != 0 || (b[2] != 1 && b[2] != 2) || b[3] != 0)
        return false;
    const std::uint32_t count = ReadLe16(b.data() + 4);
    const std::uint32_t offset = ReadLe32(b.data() + 18);
    return count >= 1 && offset >= 6 + 16 * count && offset < b.size();
}

// Icons may hold PNG images instead of bitmaps: the largest such entry, decoded.
PackedDib LargestPngEntry(const Bytes& b, std::string& error) {
    const std::size_t count = ReadLe16(b.data() + 4);
    std::size_t best = 0, bestArea = 0;
    for (std::size_t i = 0; i < count && 6 + 16 * (i + 1) <= b.size(); ++i) {
        const std::uint8_t* e = b.data() + 6 + 16 * i;
        const std::size_t size = ReadLe32(e + 8), offset = ReadLe32(e + 12);
        if (offset >= b.size() || size > b.size() - offset || size < 8 ||
            std::memcmp(b.data() + offset, "\x89PNG", 4) != 0)
            continue;
        const std::size_t area = (e[0] ? e[0] : 256) * (e[1] ? e[1] : 256);
        if (area > bestArea) bestArea = area, best = i + 1;
    }
    if (best == 0) return {};
    const std::uint8_t* e = b.data() + 6 + 16 * (best - 1);
    return ReadPngMemory(std::span<const std::uint8_t>(b.data() + ReadLe32(e + 12), ReadLe32(e + 8)),
                         error);
}

} // namespace

PackedDib ReadOwnFormat(const std::vector<std::uint8_t>& b, bool& handled) {
    handled = true;
    std::string error;
    PackedDib dib;
    int status = 0;
    if (Starts(b, "GIF8")) {
        GifFrameInfo info;
        if (auto d = ReadGifMemory(b, 0, 0, info, status)) dib = std::move(*d);
    } else if (b.size() > 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) {
        dib = ReadJpegDibMemory(b);
    } else if (Starts(b, "\x89PNG")) {
        dib = ReadPngMemory(b, error);
    } else if (Starts(b, "II*") || Starts(b, "MM\0*")) {
        dib = ReadTiffMemory(b, status);
    } else if (Starts(b, "BM")) {
        dib = UnpackDib(ReadBmpMemory(b));
    } else if (Starts(b, "8BPS")) {
        ReadPsd(b, dib, error);
    } else if (Starts(b, "FORM")) {
        ReadIlbm(b, dib, error);
    } else if (b.size() > 6 && b[5] == 0xAF && (b[4] == 0x12 || b[4] == 0x11)) {
        ReadFlic(b, dib, error);
    } else if (b.size() > 2 && b[1] == 0xC3 && (b[0] == 0x50 || b[0] == 0x51)) {
        ReadClp(b, dib, error);
    } else if (Starts(b, " EMF", 40) && ReadLe32(b.data()) == 1) {
        ReadEmf(b, dib, error);
    } else if (LooksLikeWmf(b)) {
        ReadWmf(b, dib, error); // a metafile that is more than one bitmap is left to the renderer
    } else if (LooksLikeIcon(b)) {
        if (!ReadIcon(b, dib, error)) dib = LargestPngEntry(b, error);
    } else if (b.size() > 8 && (ReadLe32(b.data() + 4) == 6 || (b[4] == 0 && b[5] == 0 && b[6] == 0 && b[7] == 6))) {
        ReadXwd10(b, dib, error);
    } else if (b.size() > 128 && b[0] == 0x0A && b[1] <= 5 && b[2] == 1) {
        dib = ReadPcxMemory(b).dib;
    } else {
        handled = false;
    }
    return dib;
}

namespace {

// GraphicsMagick's coder for a format code it writes, null when our own codecs write it.
const char* MagickWriter(int format) {
    const FileFormat* f = FindFormat(format);
    return f && f->writer == Codec::Magick ? f->magick : nullptr;
}

// A hint for files GraphicsMagick cannot recognise by content.
const char* MagickHint(const std::string& ext) {
    if (ext == "tga" || ext == "vda" || ext == "icb" || ext == "vst") return "TGA";
    if (ext == "pct" || ext == "pict") return "PICT";
    if (ext == "jbig" || ext == "jbg" || ext == "bie") return "JBIG";
    if (ext == "cut") return "CUT";
    if (ext == "xwd") return "XWD";
    return nullptr;
}

// A picture's colours as rows for GraphicsMagick's writers, top row first: 24- and 32-bit
// rows as blue, green, red in one buffer that is never zero-filled (on a 12-megapixel picture
// the first touch of fresh memory costs more than the copying); other depths as red, green,
// blue through their palette, to be reduced back to 2^bpp colours at 1, 4 and 8 bits.
struct MagickRows {
    std::unique_ptr<std::uint8_t[]> bgr;
    Bytes rgb;
    backend::MagickPixels pixels;
};

void ToMagickRows(const CDdb& d, MagickRows& out) {
    const int w = d.Width(), h = d.Height(), bpp = d.BitsPerPixel();
    out.pixels.width = w;
    out.pixels.height = h;
    if (bpp == 24 || bpp == 32) {
        const std::size_t row = static_cast<std::size_t>(w) * 3;
        out.bgr.reset(new std::uint8_t[row * static_cast<std::size_t>(h)]);
        for (int y = 0; y < h; ++y) {
            const std::uint8_t* s = d.Row(h - 1 - y);
            std::uint8_t* t = out.bgr.get() + row * static_cast<std::size_t>(y);
            if (bpp == 24) {
                std::memcpy(t, s, row);
            } else {
                for (int x = 0; x < w; ++x, s += 4, t += 3) t[0] = s[0], t[1] = s[1], t[2] = s[2];
            }
        }
        out.pixels.rows = out.bgr.get();
        out.pixels.bgr = true;
        return;
    }
    out.rgb = RgbRowsOf(MakePackedBitmap(d, d.Palette()));
    out.pixels.rows = out.rgb.data();
    out.pixels.colours = bpp <= 8 ? 1u << bpp : 0;
}

// The ASCII ("plain") PGM and PPM forms, which GraphicsMagick does not write: a header, then
// decimal samples, lines of at most 70 characters. PGM samples are the luminance.
Bytes EncodePnmAscii(const PackedDib& dib, bool grey) {
    const auto v = ViewPackedDib(dib);
    if (!v) return {};
    const Bytes rgb = RgbRowsOf(dib);
    const std::string head = std::string(grey ? "P2" : "P3") + "\n" + std::to_string(v->width) +
                             " " + std::to_string(v->height) + "\n255\n";
    Bytes out(head.begin(), head.end());
    std::size_t line = 0;
    auto put = [&](int value) {
        const std::string text = std::to_string(value);
        if (line > 0 && line + 1 + text.size() > 70) {
            out.push_back('\n');
            line = 0;
        } else if (line > 0) {
            out.push_back(' ');
            ++line;
        }
        out.insert(out.end(), text.begin(), text.end());
        line += text.size();
    };
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3) {
        if (grey) {
            put((rgb[i] * 299 + rgb[i + 1] * 587 + rgb[i + 2] * 114 + 500) / 1000);
        } else {
            put(rgb[i]), put(rgb[i + 1]), put(rgb[i + 2]);
        }
    }
    out.push_back('\n');
    return out;
}

// Binary PPM as GraphicsMagick writes it for 24- and 32-bit pictures ("P6", width, height,
// 255, then red, green, blue rows from the top), streamed from the rows through one buffer.
bool WritePpmBitmap(const std::string& path, const CDdb& picture) {
    const int w = picture.Width(), h = picture.Height(), step = picture.BitsPerPixel() / 8;
    const std::string head = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
    const std::size_t row = static_cast<std::size_t>(w) * 3;
    const std::size_t rowsPerBlock = std::max<std::size_t>(1, (std::size_t{1} << 18) / row);
    std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[row * rowsPerBlock]);
    CReplacingFile file(path);
    if (!file.Open() || !file.Write(head.data(), head.size())) return false;
    for (int y = 0; y < h;) {
        std::uint8_t* d = block.get();
        const int n = static_cast<int>(std::min<std::size_t>(rowsPerBlock, static_cast<std::size_t>(h - y)));
        for (int i = 0; i < n; ++i) {
            const std::uint8_t* s = picture.Row(h - 1 - (y + i));
            for (int x = 0; x < w; ++x, s += step, d += 3) d[0] = s[2], d[1] = s[1], d[2] = s[0];
        }
        if (!file.Write(block.get(), static_cast<std::size_t>(d - block.get()))) return false;
        y += n;
    }
    return file.Commit();
}

} // namespace

int LBitmapBase::Load(const std::string& path, int bitsPerPixel) {
    if (bitsPerPixel != 0 && bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8 &&
        bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32)
        return kErrorInvalidBitsPerPixel;
    Bytes bytes;
    if (!ReadWholeFile(path, bytes, std::uint64_t{2} << 30)) return kErrorFileOpen;
    CDdb image;
    try {
        bool handled = false;
        const PackedDib dib = ReadOwnFormat(bytes, handled);
        LBitmapBase own;
        if (handled && !dib.empty() && own.ConvertFromDIB(dib) >= 1) {
            image = std::move(own.m_image);
        } else {
            // Not ours, or a variant our reader refuses (an icon with PNG entries, say):
            // GraphicsMagick may still read it.
            LBase::LoadLibraries(kAllLibraries);
            const backend::Api* api = backend::Get();
            if (!api) return kErrorFormatUnavailable;
            const std::string ext = LowerExtension(path);
            // The CUT reader looks for the palette file beside the image.
            const bool byPath = ext == "cut" && path.find_first_of("[]:") == std::string::npos;
            const int status = api->magickRead(bytes.data(), bytes.size(),
                                               byPath ? path.c_str() : nullptr, MagickHint(ext), image);
            if (status < kSuccess) return status;
        }
    } catch (const std::bad_alloc&) {
        return kErrorNoMemory;
    } catch (const std::exception&) {
        return kErrorFileFormat;
    }
    m_image = std::move(image);
    if (bitsPerPixel != 0 && bitsPerPixel != m_image.BitsPerPixel())
        return ColorRes(bitsPerPixel, kColorResOptimizedExact);
    return kSuccess;
}

int LBitmapBase::LoadForScreen(const std::string& path, CDdb& screen, int& bitsPerPixel,
                               std::vector<RGBQUAD>& palette) {
    Free();
    palette.clear();
    screen = ReadPngDevice(path, bitsPerPixel);
    if (!screen.IsNull()) return kSuccess;
    const int status = Load(path, 0);
    if (status < 1) return status;
    bitsPerPixel = GetBitsPerPixel();
    palette = m_image.Palette();
    if (bitsPerPixel == 32) {
        screen = std::move(m_image);
        ClearFourthBytes(screen);
    } else {
        screen = ConvertToDDB();
    }
    Free();
    return screen.IsNull() ? kErrorNoMemory : kSuccess;
}

int JpegQualityForFactor(int qualityFactor) {
    return 100 - (qualityFactor - kQualityBest) * 99 / (kQualityWorst - kQualityBest);
}

int LBitmapBase::Save(const std::string& path, int format, int bitsPerPixel, int qualityFactor,
                      int jpegQuality) const {
    if (m_image.IsNull()) return kErrorNoBitmap;
    if (qualityFactor == 0) qualityFactor = kQualityBest;
    if (qualityFactor < kQualityBest || qualityFactor > kQualityWorst)
        return kErrorInvalidQualityFactor;
    if (format == kFormatAvi) return kErrorCannotWriteFormat;
    if (format == kFormatFpx || format == kFormatCmp) return kErrorFormatUnavailable;

    // The picture at the depth asked for (0: its own); GIF and the palette-only codecs take at
    // most 8 bits, so deeper pictures are reduced (optimized palette, exact when it fits). The
    // picture is copied only when it has to change.
    const FileFormat* row = FindFormat(format);
    const int target = bitsPerPixel != 0 ? bitsPerPixel : GetBitsPerPixel();
    const int depth = row && !row->Takes(target) && row->Takes(8) ? 8 : target;
    LBitmapBase copy;
    const CDdb* picture = &m_image;
    if (depth != GetBitsPerPixel()) {
        copy.m_image = m_image;
        int status = copy.ColorRes(bitsPerPixel != 0 ? bitsPerPixel : depth, kColorResOptimizedExact);
        if (status >= 1 && copy.GetBitsPerPixel() != depth)
            status = copy.ColorRes(depth, kColorResOptimizedExact);
        if (status < 1) return status;
        picture = &copy.m_image;
    }
    try {
        // BMP, JPEG and binary PPM files are written from the picture's rows as they are; the
        // other codecs of our own take its DIB form.
        const int bpp = picture->BitsPerPixel();
        const bool deep = bpp == 24 || bpp == 32;
        const int quality = jpegQuality >= 1 && jpegQuality <= 100 ? jpegQuality
                                                                   : JpegQualityForFactor(qualityFactor);
        const bool straight = (format == kFormatBmp && bpp != 2) || (format == kFormatJpeg && deep) ||
                              (format == kFormatPpm && deep);
        if (straight) {
            switch (format) {
            case kFormatBmp: return WriteBmpBitmap(path, *picture) ? kSuccess : kErrorFileWrite;
            case kFormatPpm: return WritePpmBitmap(path, *picture) ? kSuccess : kErrorFileWrite;
            default: {
                switch (StoreJpegBitmap(path, *picture, quality)) {
                case JpegStoreResult::kStored: return kSuccess;
                case JpegStoreResult::kNotEncodable: return kErrorInvalidBitsPerPixel;
                case JpegStoreResult::kNotWritten: return kErrorFileWrite;
                }
            }
            }
        }
        const bool magick = MagickWriter(format) != nullptr;
        PackedDib dib; // the DIB form, for the codecs of our own
        if (!magick) {
            dib = PackedDibOf(*picture);
            if (dib.empty()) return kErrorNoMemory;
        }
        Bytes out;
        std::string error;
        bool ok = true;
        switch (format) {
        case kFormatBmp: return WriteBmpFile(path, dib) ? kSuccess : kErrorFileWrite;
        case kFormatTiff: {
            int status = 0;
            return WriteTiff(path, dib, kTiffLzw, status) ? kSuccess : kErrorFileWrite;
        }
        case kFormatPng: return WritePng(path, dib) ? kSuccess : kErrorFileWrite;
        case kFormatJpeg: {
            const Bytes rgb = RgbRowsOf(dib);
            out = EncodeJpeg(rgb, picture->Width(), picture->Height(), true, quality);
            ok = !out.empty();
            break;
        }
        case kFormatGif: out = EncodeGif(dib, true, false, -1); ok = !out.empty(); break;
        case kFormatPcx: out = EncodePcx(dib, {}, 640, 480); ok = !out.empty(); break;
        case kFormatPsd: ok = WritePsd(dib, out, error); break;
        case kFormatIff: ok = WriteIlbm(dib, out, error); break;
        case kFormatFlc: ok = WriteFlic(dib, out, error); break;
        case kFormatIco: ok = WriteIcon(dib, out, error); break;
        case kFormatCur: ok = WriteIcon(dib, out, error, IconOptions{true}); break;
        case kFormatCut: return WriteCutFiles(path, dib, error) ? kSuccess : kErrorFileWrite;
        case kFormatClp: ok = WriteClp(dib, out, error); break;
        case kFormatWpg: ok = WriteWpg(dib, out, error); break;
        case kFormatWmf: ok = WriteWmf(dib, out, error); break;
        case kFormatEmf: ok = WriteEmf(dib, out, error); break;
        case kFormatOs2Bmp1: ok = WriteOs2Bmp(dib, out, error, Os2BmpVersion::V1); break;
        case kFormatOs2Bmp2: ok = WriteOs2Bmp(dib, out, error, Os2BmpVersion::V2); break;
        case kFormatXwd10: ok = WriteXwd10(dib, out, error); break;
        case kFormatPgmAscii:
        case kFormatPpmAscii:
            out = EncodePnmAscii(dib, format == kFormatPgmAscii);
            ok = !out.empty();
            break;
        default: {
            const char* name = MagickWriter(format);
            if (!name) return kErrorFileFormat;
            LBase::LoadLibraries(kAllLibraries);
            const backend::Api* api = backend::Get();
            if (!api) return kErrorFormatUnavailable;
            MagickRows rows;
            ToMagickRows(*picture, rows);
            const backend::MagickType type = format == kFormatPgm    ? backend::MagickType::kGrayscale
                                             : format == kFormatJbig ? backend::MagickType::kBilevel
                                                                     : backend::MagickType::kAsIs;
            if (const int status = api->magickWrite(rows.pixels, name, type, out); status < kSuccess)
                return status;
            ok = !out.empty();
        }
        }
        if (!ok) return kErrorInvalidBitsPerPixel;
        return ReplaceFileContents(path, out) ? kSuccess : kErrorFileWrite;
    } catch (const std::bad_alloc&) {
        return kErrorNoMemory;
    }
}

} // namespace tsl
