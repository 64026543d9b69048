#include "codecs/Dispatch.h"

#include "codecs/Bmp.h"
#include "codecs/Gif.h"
#include "codecs/Jpeg.h"
#include "codecs/Pcx.h"
#include "codecs/Png.h"
#include "codecs/Tga.h"
#include "codecs/Tiff.h"
#include "core/Extensions.h"
#include "core/FormatTable.h"
#include "core/Files.h"
#include "core/Services.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>

namespace tsl {

namespace {

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

void Say(std::string* reason, const std::string& text) {
    if (reason) *reason = text;
}

// Bytes of a bitmap resource as a packed DIB (resources may be stored as BMP files).
PackedDib ResourceDib(const std::string& name) {
    std::vector<std::uint8_t> bytes = Resources().Resource(name);
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return ReadBmpMemory(bytes);
    return bytes;
}

// The 256-colour form of a bitmap resource: a 256-entry table, then the rows.
PackedDib With256Colours(PackedDib dib) {
    if (dib.size() < BITMAPINFOHEADER::kSize) return {};
    BITMAPINFOHEADER h = BITMAPINFOHEADER::Read(dib.data());
    if (h.biSize != BITMAPINFOHEADER::kSize || h.biBitCount != 8 || h.biCompression != BI_RGB)
        return {};
    h.biClrUsed = 256;
    h.Write(dib.data());
    return dib;
}

} // namespace

std::string UpperExtension(const std::string& path) { return Upper(ExtensionOf(path)); }

bool IsPreviewExtension(const std::string& extension) {
    const ExtensionEntry* e = FindExtension(extension);
    return e && e->preview;
}

DispatchReader ReaderFor(const std::string& path) {
    const ExtensionEntry* e = FindExtension(ExtensionOf(path));
    return e ? e->reader : DispatchReader::None;
}

namespace {

DispatchWriter WriterFor(const std::string& path) {
    const ExtensionEntry* e = FindExtension(ExtensionOf(path));
    return e ? e->writer : DispatchWriter::None;
}

} // namespace

bool ReadPackedImage(const std::string& path, PackedImage& out, std::string* reason) {
    out = PackedImage{};
    try {
        switch (ReaderFor(path)) {
        case DispatchReader::Bmp:
            out.dib = ReadBmpFile(path);
            if (out.dib.empty()) Say(reason, "not a readable BMP file (error " +
                                                 std::to_string(BmpLastError()) + ")");
            break;
        case DispatchReader::Pcx: out.dib = ReadPcxFile(path).dib; break;
        case DispatchReader::PcxResource: {
            const std::vector<std::uint8_t> bytes = Resources().Resource("pcx/" + path);
            out.dib = ReadPcxMemory(bytes).dib;
            break;
        }
        case DispatchReader::Bitmap16Resource: out.dib = ResourceDib("bitmap/" + path); break;
        case DispatchReader::Bitmap256Resource:
            out.dib = With256Colours(ResourceDib("bitmap/" + path));
            break;
        case DispatchReader::Tiff: {
            int status = 0;
            out.dib = ReadTiff(path, status);
            if (out.dib.empty()) Say(reason, "TIFF status " + std::to_string(status));
            break;
        }
        case DispatchReader::Tga: {
            int status = 0;
            out.dib = ReadTga(path, status);
            if (out.dib.empty()) Say(reason, "TGA status " + std::to_string(status));
            break;
        }
        case DispatchReader::Jpeg: out.dib = ReadJpegDib(path); break;
        case DispatchReader::Gif: {
            GifFrameInfo info;
            int status = 0;
            if (auto dib = ReadGif(path, 0, 0, info, status)) out.dib = std::move(*dib);
            if (out.dib.empty()) Say(reason, "GIF status " + std::to_string(status));
            if (info.transparent) out.transparentIndex = info.transparentIndex;
            break;
        }
        case DispatchReader::Png: {
            std::string message;
            out.dib = ReadPng(path, message);
            if (out.dib.empty()) Say(reason, message);
            break;
        }
        case DispatchReader::None:
            Say(reason, "no reader for this file name's extension");
            return false;
        }
    } catch (const std::bad_alloc&) {
        out = PackedImage{};
        Say(reason, "out of memory");
    }
    if (out.dib.empty() && reason && reason->empty()) Say(reason, "the file could not be read");
    return !out.dib.empty();
}

bool ReadImageFile(const std::string& path, DecodedImage& out, std::string* reason) {
    out = DecodedImage{};
    const DispatchReader reader = ReaderFor(path);
    if (reader == DispatchReader::Jpeg) {
        // Decoded straight into the device bitmap: large photographs skip two full copies.
        try {
            out.bitmap = ReadJpegDdb(path);
        } catch (const std::bad_alloc&) {
            out = DecodedImage{};
            Say(reason, "out of memory");
            return false;
        }
        if (out.bitmap.IsNull()) Say(reason, "the file could not be read");
        return !out.bitmap.IsNull();
    }
    PackedImage packed;
    if (!ReadPackedImage(path, packed, reason)) return false;
    // Bitmap resources of the 16-colour form carry no palette of their own.
    if (reader != DispatchReader::Bitmap16Resource) out.palette = MakePalette(packed.dib);
    out.bitmap = MakeDeviceBitmap(packed.dib);
    if (out.bitmap.IsNull()) {
        out = DecodedImage{};
        Say(reason, "the image could not be made into a bitmap");
        return false;
    }
    if (packed.transparentIndex >= 0 &&
        packed.transparentIndex < static_cast<int>(out.palette.size())) {
        const RGBQUAD c = out.palette[static_cast<std::size_t>(packed.transparentIndex)];
        out.transparent = true;
        out.transparentColour = RGB(c.rgbRed, c.rgbGreen, c.rgbBlue);
    }
    return true;
}

std::vector<std::uint8_t> RgbRowsOf(const PackedDib& dib) {
    const auto v = ViewPackedDib(dib);
    if (!v) return {};
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(v->width) * v->height * 3);
    std::uint8_t* d = rgb.data();
    const int bpp = v->bitsPerPixel;
    for (int y = 0; y < v->height; ++y) {
        const int stored = v->topDown ? y : v->height - 1 - y;
        const std::uint8_t* s = dib.data() + v->bitsOffset + static_cast<std::size_t>(stored) * v->stride;
        for (int x = 0; x < v->width; ++x, d += 3) {
            if (bpp <= 8) {
                const int bit = x * bpp;
                const int index = (s[bit / 8] >> (8 - bpp - bit % 8)) & ((1 << bpp) - 1);
                const RGBQUAD c = index < v->colourCount ? v->table[index] : RGBQUAD{};
                d[0] = c.rgbRed, d[1] = c.rgbGreen, d[2] = c.rgbBlue;
            } else if (bpp == 16) {
                const int w = ReadLe16(s + 2 * x);
                d[0] = ScaleBits(w >> 10 & 31, 5), d[1] = ScaleBits(w >> 5 & 31, 5);
                d[2] = ScaleBits(w & 31, 5);
            } else {
                const std::uint8_t* p = s + x * (bpp / 8);
                d[0] = p[2], d[1] = p[1], d[2] = p[0];
            }
        }
    }
    return rgb;
}

bool WritePackedImage(const std::string& path, const PackedDib& dib, ScreenSize screen,
                      std::string* reason) {
    const auto v = ViewPackedDib(dib);
    if (!v) {
        Say(reason, "the image is not an uncompressed bitmap");
        return false;
    }
    try {
        switch (WriterFor(path)) {
        case DispatchWriter::Bmp: return WriteBmpFile(path, dib);
        case DispatchWriter::Pcx: {
            const std::vector<std::uint8_t> bytes = EncodePcx(dib, {}, screen.width, screen.height);
            if (bytes.empty()) Say(reason, "PCX cannot hold this image");
            return !bytes.empty() && ReplaceFileContents(path, bytes);
        }
        case DispatchWriter::Jpeg: {
            const std::vector<std::uint8_t> rgb = RgbRowsOf(dib);
            return !rgb.empty() && WriteJpeg(path, rgb, v->width, v->height, true, 100);
        }
        case DispatchWriter::Tiff: {
            int status = 0;
            const bool ok = WriteTiff(path, dib, kTiffLzw, status);
            if (!ok) Say(reason, "TIFF status " + std::to_string(status));
            return ok;
        }
        case DispatchWriter::Png: return WritePng(path, dib);
        case DispatchWriter::None: break;
        }
    } catch (const std::bad_alloc&) {
        Say(reason, "out of memory");
        return false;
    }
    Say(reason, FormatForExtension(ExtensionOf(path)) == 2
                    ? "GIF files are written by the GIF writer only"
                    : "no writer for this file name's extension");
    return false;
}

bool WriteImageFile(const std::string& path, const CDdb& bitmap,
                    const std::vector<RGBQUAD>& palette, ScreenSize screen) {
    const DispatchWriter writer = WriterFor(path);
    if (writer == DispatchWriter::Pcx)
        return WritePcx(path, bitmap, palette, screen.width, screen.height);
    // The screen's bitmaps go to JPEG row by row, without a packed copy and an RGB copy.
    if (writer == DispatchWriter::Jpeg && bitmap.BitsPerPixel() == 32) {
        try {
            return WriteJpegDdb(path, bitmap, 100);
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    if (writer == DispatchWriter::None) return false;
    PackedDib dib = MakePackedBitmap(bitmap, palette);
    return !dib.empty() && WritePackedImage(path, dib, screen);
}

} // namespace tsl
