#pragma once
// LBitmapBase and LBitmap: the imaging library's image object. It holds one picture at an exact
// depth (1, 4 or 8 bits with a palette; 16 bits 5-5-5; 24 bits; 32 bits B, G, R, X) as a device
// bitmap value (core/Ddb.h), loads and saves it in every format the program offers, and runs
// geometry (OpenCV), colour reduction and filters on it (GraphicsMagick and OpenCV through the
// back-end module, imaging/Backend.h, opened on first use). Every operation returns a status:
// 1 or more is success, 0 or a negative value an error (imaging/ImagingFlags.h).
//
// Formats: the program's own codecs read and write GIF, JPEG, PNG, TIFF, BMP and PCX; the small
// codecs of imaging/formats cover PSD, IFF, FLC, ICO, CUR, CUT, CLP, WPG, WMF, EMF, the OS/2
// BMPs and X10 window dumps; GraphicsMagick reads and writes the rest (TGA, EPS, PICT, PGM, PPM,
// SGI, Sun raster, XPM, X11 window dumps, JBIG). Every save writes a temporary file beside the
// target and renames it over the target, so a failed save never leaves a damaged file.

#include "core/Colour.h"
#include "core/Ddb.h"
#include "core/FormatTable.h"
#include "core/PackedDib.h"
#include "imaging/ImagingFlags.h"

#include <string>
#include <vector>

namespace tsl {

// File-format codes of Save, as the format registry (core/FormatTable.h) lists them.
enum LFileFormat : int {
    kFormatPcx = 1, kFormatGif = 2, kFormatTga = 4, kFormatCmp = 5, kFormatBmp = 6,
    kFormatJpeg = 10, kFormatOs2Bmp1 = 14, kFormatWmf = 15, kFormatEps = 16, kFormatTiff = 17,
    kFormatWpg = 54, kFormatSun = 55, kFormatPict = 56, kFormatAvi = 59, kFormatOs2Bmp2 = 74,
    kFormatPng = 75, kFormatPsd = 76, kFormatFpx = 80, kFormatIco = 91, kFormatCur = 92,
    kFormatPgmAscii = 104, kFormatPgm = 105, kFormatPpmAscii = 106, kFormatPpm = 107,
    kFormatCut = 108, kFormatXpm = 109, kFormatIff = 111, kFormatClp = 114, kFormatJbig = 115,
    kFormatEmf = 116, kFormatXwd10 = 132, kFormatXwd = 133, kFormatFlc = 134, kFormatSgi = 142,
};

// The program's own readers, chosen by a file's first bytes (GIF, JPEG, PNG, TIFF, BMP, PSD,
// IFF, FLC, CLP, EMF, ICO/CUR with bitmap or PNG entries, X10 dumps, PCX). handled tells
// whether one of them recognised the bytes; the result is empty when it then failed (or when
// none did, and GraphicsMagick gets the file).
PackedDib ReadOwnFormat(const std::vector<std::uint8_t>& bytes, bool& handled);

// A picture as a packed DIB at its own depth (32 bits stay 32).
PackedDib PackedDibOf(const CDdb& image);

// The JPEG quality (1..100) a save's quality factor stands for: 100 at kQualityBest, 1 at
// kQualityWorst, linearly between.
int JpegQualityForFactor(int qualityFactor);

class LBitmapBase {
public:
    LBitmapBase() = default;
    virtual ~LBitmapBase() = default;

    // A picture of the size and depth, white (palette entry 255 of the default palette at 8
    // bits, the last entry at 1 and 4).
    int Create(int width, int height, int bitsPerPixel);
    // Loads a file; bitsPerPixel 0 keeps the file's own depth, else the picture is converted
    // to that depth (optimized palette, no dithering).
    int Load(const std::string& path, int bitsPerPixel = 0);
    // Loads a file as Load(path) does and hands the picture over as ConvertToDDB would give it,
    // leaving this object empty; `bitsPerPixel` and `palette` receive the depth and palette
    // Load keeps. An 8-bit colour PNG goes straight to the screen's depth without the
    // picture at its own depth in between.
    int LoadForScreen(const std::string& path, CDdb& screen, int& bitsPerPixel,
                      std::vector<RGBQUAD>& palette);
    // Saves in a format code's form. qualityFactor (kQualityBest..kQualityWorst, 0 for best)
    // sets the JPEG quality as JpegQualityForFactor maps it; a jpegQuality of 1..100 sets it
    // instead. Other formats ignore both.
    int Save(const std::string& path, int format, int bitsPerPixel, int qualityFactor,
             int jpegQuality = 0) const;

    int GetWidth() const { return m_image.Width(); }
    int GetHeight() const { return m_image.Height(); }
    int GetBitsPerPixel() const { return m_image.IsNull() ? 0 : m_image.BitsPerPixel(); }
    bool IsAllocated() const { return !m_image.IsNull(); }
    const CDdb& GetHandle() const { return m_image; }
    CDdb& GetHandle() { return m_image; }
    void SetHandle(CDdb image) { m_image = std::move(image); }
    void Free() { m_image = CDdb{}; }

    // The picture as the screen's 32-bit device bitmap (the fourth byte zero), and back (a
    // copy at 32 bits).
    CDdb ConvertToDDB() const;
    int ConvertFromDDB(const CDdb& bitmap);
    // The picture as a packed DIB at its depth, and back (any layout a BMP file may hold).
    PackedDib ConvertToDIB() const;
    int ConvertFromDIB(const PackedDib& dib);

    int ColorRes(int bitsPerPixel, unsigned flags);
    int GrayScale(int bitsPerPixel);
    int Flip();    // top to bottom
    int Reverse(); // left to right
    int Rotate(int angle, unsigned flags, COLORREF fill);
    int Shear(int angle, unsigned flags, COLORREF background);
    int Size(int width, int height, unsigned flags);
    // Keeps the rectangle (x, y, width, height), clipped to the picture.
    int Trim(int x, int y, int width, int height);
    // Combines the rectangle of source at (srcX, srcY) into this picture at (x, y).
    int Combine(const LBitmapBase& source, int x, int y, int width, int height, int srcX,
                int srcY, unsigned flags);

    // Whether the clipboard holds a bitmap, and taking it (through the core clipboard service).
    static bool IsClipboardReady();
    int CopyFromClipboard();

protected:
    CDdb m_image;
};

class LBitmap : public LBitmapBase {
public:
    int AverageFilter(int dim);
    int Sharpen(int change);
    int AddNoise(int range, int channel);
    int Emboss(int direction, int depth);
    int Mosaic(int tile);
    int Posterize(int levels);
    int Oilify(int dim);
    int MedianFilter(int dim);
    int SpatialFilter(int filter);
    int AutoTrim(int threshold);
};

} // namespace tsl
