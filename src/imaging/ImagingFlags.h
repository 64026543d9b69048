#pragma once
// Status codes and flag values of the imaging layer's operations. Every operation returns a
// status: 1 or more is success, 0 or a negative value is an error. Flag values are bit fields
// that callers combine with |; each section names the operation that reads it.

#include <cstdint>

namespace tsl {

// ------------------------------------------------------------------------- status codes

inline constexpr int kSuccess = 1;
inline constexpr int kFailure = 0;                 // the operation did nothing useful
inline constexpr int kErrorNoMemory = -1;          // an allocation failed
inline constexpr int kErrorNoBitmap = -2;          // the image is empty or inconsistent
inline constexpr int kErrorInvalidParameter = -13; // a value outside its documented range
inline constexpr int kErrorInvalidQualityFactor = -21;
inline constexpr int kErrorInvalidBitsPerPixel = -27; // a depth the operation does not offer
inline constexpr int kErrorFileOpen = -3;          // the file could not be opened or read
inline constexpr int kErrorFileWrite = -4;         // the file could not be written
inline constexpr int kErrorFileFormat = -9;        // not a file of a format the program reads
inline constexpr int kErrorCannotWriteFormat = -30; // AVI: a still image cannot be saved as one
inline constexpr int kErrorFormatUnavailable = -31; // FlashPix, CMP: no encoder on this system
inline constexpr int kErrorTooLarge = -32;          // beyond the program's pixel limit
// Scanning: the scanner's own statuses, and the acquisition's checks of what it delivers.
inline constexpr int kErrorScanCancelled = -40;
inline constexpr int kErrorScanJammed = -41;
inline constexpr int kErrorScanNoDocs = -42;       // the feeder was empty from the start
inline constexpr int kErrorScanCoverOpen = -43;
inline constexpr int kErrorScanBusy = -44;
inline constexpr int kErrorScanIo = -45;           // also: the device went away
inline constexpr int kErrorScanNoDevice = -46;
inline constexpr int kErrorScanUnsupported = -47;
inline constexpr int kErrorScanInvalid = -48;
inline constexpr int kErrorScanAccessDenied = -49;
inline constexpr int kErrorScanEndedEarly = -50;   // a page ended before its last line
inline constexpr int kErrorScanFormatChanged = -51; // a page unlike the pages before it
inline constexpr int kErrorScanBadFrame = -52;     // frame parameters no image can have

// ------------------------------------------------------------------------- ColorRes
// The low word chooses the palette for 1, 4 and 8 bits per pixel; the high word the dithering.
// When several palette kinds are set, Optimized wins over Netscape, Netscape over Fixed; with
// none the Fixed palette is used. The palette holds the kind's colours (up to 2^bits entries,
// fewer when the kind has fewer) and the pixels use only those entries.

// The program's default palette (core/Palette.h): all 256 entries at 8 bits, the 16-colour form
// at 4 bits, black and white at 1 bit.
inline constexpr unsigned kColorResFixedPalette = 0x0001;
// An adaptive palette computed from the picture (variance-driven median cut). A picture whose
// distinct colours fit keeps them exactly. At 1 bit the palette is black and white, as the
// program names that depth, unless the picture has at most two colours.
inline constexpr unsigned kColorResOptimizedPalette = 0x0002;
// The twenty static system colours (the ten first and ten last entries of the default palette)
// are placed first and last, and the palette kind fills the entries in between, leaving out
// colours that equal a static one. At 4 bits only black (first) and white (last) are placed, at
// 1 bit the palette is black and white. The Fixed palette already has this layout and stays.
inline constexpr unsigned kColorResInsertSystemPalette = 0x0008;
// The 216-colour web cube (levels 0, 51, 102, 153, 204, 255; red fastest). At 4 bits its eight
// corners and its four inner greys (12 entries); at 1 bit its black and white corners.
inline constexpr unsigned kColorResNetscapePalette = 0x0040;
// Whatever the palette kind: when the picture has no more distinct colours than the palette can
// hold, the palette is exactly those colours and no pixel changes (no dithering either).
inline constexpr unsigned kColorResUseImageColors = 0x0200;
// What the program passes for "change colour depth": an optimized palette, exact when it fits.
inline constexpr unsigned kColorResOptimizedExact =
    kColorResUseImageColors | kColorResOptimizedPalette; // 514

// Dithering kinds, in the high word (one kind at a time). Error diffusion scans the picture top
// down in serpentine order; Ordered adds an 8x8 Bayer threshold scaled to the palette spacing.
// Dithering applies to reductions to 1, 4, 8 and 16 bits (5-5-5); 24 and 32 bits are exact.
inline constexpr unsigned kDitherMask = 0xFFFF0000u;
inline constexpr unsigned kDitherNone = 0x00000;
inline constexpr unsigned kDitherFloydSteinberg = 0x10000; // 4 taps on two rows, over 16
inline constexpr unsigned kDitherStucki = 0x20000;         // 12 taps over 42
inline constexpr unsigned kDitherBurkes = 0x30000;         // 7 taps on two rows, over 32
inline constexpr unsigned kDitherSierra = 0x40000;         // 10 taps on three rows, over 32
inline constexpr unsigned kDitherStevensonArce = 0x50000;  // 12 taps on four rows, over 200
inline constexpr unsigned kDitherJarvis = 0x60000;         // 12 taps over 48
inline constexpr unsigned kDitherOrdered = 0x70000;        // 8x8 Bayer matrix
// What the program passes for 16, 24 and 32 bits: Floyd-Steinberg (it matters only at 16).
inline constexpr unsigned kColorResDitheredTrueColor =
    kDitherFloydSteinberg | kColorResFixedPalette; // 0x10001

// ------------------------------------------------------------------------- Combine
// Bits 8 to 11 choose how each colour byte d of the destination and s of the source combine;
// results are limited to 0..255.
inline constexpr unsigned kCombineOperationMask = 0x0F00;
inline constexpr unsigned kCombineCopy = 0x0000;        // s
inline constexpr unsigned kCombineAnd = 0x0100;         // d & s
inline constexpr unsigned kCombineOr = 0x0200;          // d | s
inline constexpr unsigned kCombineAdd = 0x0300;         // d + s: 768, what Edge Enhance uses
inline constexpr unsigned kCombineSubtract = 0x0400;    // d - s
inline constexpr unsigned kCombineSubtractDst = 0x0500; // s - d
inline constexpr unsigned kCombineXor = 0x0600;         // d ^ s
inline constexpr unsigned kCombineMultiply = 0x0700;    // d * s / 255, rounded
inline constexpr unsigned kCombineAverage = 0x0800;     // (d + s + 1) / 2
inline constexpr unsigned kCombineDifference = 0x0900;  // |d - s|
inline constexpr unsigned kCombineLighten = 0x0A00;     // max(d, s)
inline constexpr unsigned kCombineDarken = 0x0B00;      // min(d, s)

// ------------------------------------------------------------------------- Save
// The quality factor of Save, for lossy formats: 2 (what the program passes) is the best
// quality, 255 the smallest file. JPEG quality = 100 - (factor - 2) * 99 / 253, so 2 -> 100,
// 128 -> 51, 255 -> 1. Other formats are lossless and accept any factor in range. Factors
// outside 2..255 (0 is taken as 2) give kErrorInvalidQualityFactor.
inline constexpr int kQualityBest = 2;
inline constexpr int kQualityWorst = 255;

// ------------------------------------------------------------------------- Rotate
// Angles are hundredths of a degree, clockwise; uncovered areas take the fill colour; multiples
// of 90 degrees are exact. With kRotateResize the picture grows to hold the whole result (what
// the 90-degree commands pass); without it the size stays and the corners are cut. Rotate,
// Shear and Size answer kErrorTooLarge, before allocating anything, when the result would pass
// the program's pixel limit.
inline constexpr unsigned kRotateResize = 0x0001;

// ------------------------------------------------------------------------- Shear
// Shear moves rows (horizontal) or columns (vertical) by tan(angle); the picture
// grows to hold the result and the uncovered area takes the background colour. Angles are
// hundredths of a degree, within -45..45 degrees.
inline constexpr unsigned kShearHorizontal = 0x0000;
inline constexpr unsigned kShearVertical = 0x0001;

// ------------------------------------------------------------------------- Size
// How the picture is resampled. Shrinking (with 2 or 4) averages areas instead.
inline constexpr unsigned kSizeNearest = 0;  // "Fast, standard quality": nearest neighbour
inline constexpr unsigned kSizeBilinear = 2; // what Resample and Resize pass: bilinear
inline constexpr unsigned kSizeBicubic = 4;  // "best quality": bicubic

} // namespace tsl
