#pragma once
// Path helpers and the file-type filters, built from the format registry (core/FormatTable.h).

#include <string>
#include <string_view>

namespace tsl {

// The extension of a path without its dot ("" when there is none).
std::string ExtensionOf(std::string_view path);
// True when the lower-cased extension, framed by commas, occurs in the image extension list
// (core/FormatTable.h's ImageExtensionList).
bool IsImageFile(std::string_view path);
// "name.ext" shown for a path: its file name, '.', and its extension ("name." without one).
std::string DisplayName(std::string_view path);

// File-dialog filters in the "Text|patterns|" form. String 141: "Image Files" with every
// extension; string 139: one entry per format; string 140: all files.
std::string ImageFilesFilter();
std::string PerFormatFilter();
std::string AllFilesFilter();
// String 146, the Save As filter: one entry per format the program writes, "Bitmap (.bmp)"
// first.
std::string SaveFilter();

} // namespace tsl
