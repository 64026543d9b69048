#pragma once
// BMP files read into and written from bitmaps at their own depth without a packed DIB in
// between: the rows pass between the file and the bitmap's memory in one piece.

#include "core/Ddb.h"

#include <string>

namespace tsl {

// A plain BMP file (40-byte header, uncompressed bottom-up rows at 1, 4, 8, 16, 24 or 32 bits,
// a colour table no longer than its depth addresses) read straight into a bitmap of its depth,
// the table becoming its palette: what ReadBmpFile followed by the imaging layer's conversion
// from a packed DIB gives. Null for every other file (other layouts, rows cut short, a file that
// cannot be read); the caller then reads it the general way, which reports what is wrong.
CDdb ReadBmpBitmap(const std::string& path);

// The size and depth of the picture the readers give for the file (ReadBmpFile, then the
// conversion to a plain DIB), from its headers alone: indexed depths stay, a plain file
// (40-byte header, bottom-up, uncompressed) keeps its depth, other uncompressed 16-bit files
// with a 40-byte or longer header stay 16, everything else becomes 24. False for a
// header the readers would refuse or one this does not judge; the rows are not looked at.
bool ReadBmpHeader(const std::string& path, int& width, int& height, int& bitsPerPixel);

// The file WriteBmpFile writes for the bitmap's packed form (MakePackedBitmap's at 1, 4, 8, 16
// and 24 bits, the rows as they are at 32), written from the bitmap's rows without that form;
// replaced through a temporary file. False for another depth or when the file cannot be written.
bool WriteBmpBitmap(const std::string& path, const CDdb& bitmap);

} // namespace tsl
