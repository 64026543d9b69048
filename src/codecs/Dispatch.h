#pragma once
// The reader and writer dispatch: which of the program's own codecs reads or writes a file,
// chosen by the upper-cased extension of its name.
//
// Reader rows: BMP, DIB (BMP reader); PCX; P (PCX bytes of the program resource "pcx/<name>");
// B4 (the bitmap resource "bitmap/<name>", no palette); B8 (the same, 256-colour form: 256
// table entries, rows 1,024 bytes after the header); TIF, TIFF, CRI; TGA; JPG, JPEG; GIF (its
// transparent index, when marked, becomes the transparent colour); PNG. <name> is the whole
// string given. Resource bytes may be a BMP file or a packed DIB.
//
// Writer rows: BMP, PCX, JPG and JPEG (quality 100, baseline), TIF and TIFF (LZW), PNG. GIF
// is not among them: only the GIF writer, called directly, writes GIF files.

#include "core/Colour.h"
#include "core/Ddb.h"
#include "core/FormatTable.h"
#include "core/PackedDib.h"

#include <string>
#include <vector>

namespace tsl {

// The part of the file name after its last dot, upper-cased; "" when the name has no dot.
std::string UpperExtension(const std::string& path);

// The reader dispatch's row for a path's extension (core/FormatTable.h).
DispatchReader ReaderFor(const std::string& path);

// Whether the preview dialogs show a picture for files of this extension (no dot, any case).
bool IsPreviewExtension(const std::string& extension);

// A file read at its own depth.
struct PackedImage {
    PackedDib dib;              // uncompressed, or a BMP's own layout for BMP and resource rows
    int transparentIndex = -1;  // a GIF's transparent index, -1 for none
};

// A file read for the screen: a 32-bit device bitmap and the file's palette.
struct DecodedImage {
    CDdb bitmap;
    std::vector<RGBQUAD> palette;
    bool transparent = false;
    COLORREF transparentColour = 0;
};

// The reader dispatch at packed-DIB level; on failure, reason (when given) says why in the
// reader's words where it has them.
bool ReadPackedImage(const std::string& path, PackedImage& out, std::string* reason = nullptr);
// The reader dispatch, converted for the screen.
bool ReadImageFile(const std::string& path, DecodedImage& out, std::string* reason = nullptr);

// The PCX header records a screen size; the program passes its primary screen's.
struct ScreenSize {
    int width = 640;
    int height = 480;
};

// The writer dispatch at packed-DIB level: the file keeps the DIB's depth where the format
// can hold it. The DIB must be uncompressed with a 40-byte header or longer.
bool WritePackedImage(const std::string& path, const PackedDib& dib, ScreenSize screen = {},
                      std::string* reason = nullptr);
// The writer dispatch for a device bitmap and its palette: the bitmap is first made a packed
// DIB at its depth rounded to 1, 4, 8, 16 or 24 bits.
bool WriteImageFile(const std::string& path, const CDdb& bitmap,
                    const std::vector<RGBQUAD>& palette, ScreenSize screen = {});

// Any uncompressed packed DIB as red-green-blue bytes, rows from the top, no padding.
std::vector<std::uint8_t> RgbRowsOf(const PackedDib& dib);

} // namespace tsl
