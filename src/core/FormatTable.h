#pragma once
// The format registry: every image file format the program knows, and every file-name
// extension it routes. All extension lists, format codes, file-dialog filters and reader and
// writer choices of the program are read from these two tables; nothing else lists formats.
//
// FileFormats(): one row per file-format code of the imaging library (bmp has 6, 14 and 74;
// pgm 104 and 105; ppm 106 and 107; xwd 132 and 133), in the order of the batch processor's
// output list (alphabetical by name), with the formats it does not offer at their places.
// Extensions(): one row per extension, in the order of the image extension list, followed by
// the extensions that only the reader dispatch or the previews know.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tsl {

// Which code reads or writes a format's files in the imaging layer.
enum class Codec : std::uint8_t {
    None,    // nobody: the format cannot be read (or written) here
    Program, // the program's own codecs (GIF, JPEG, PNG, TIFF, BMP, PCX)
    Small,   // the imaging layer's small codecs
    Magick,  // GraphicsMagick, with the coder named in the row
};

// The reader dispatch's row for an extension.
enum class DispatchReader : std::uint8_t {
    None, Bmp, Pcx, PcxResource, Bitmap16Resource, Bitmap256Resource, Tiff, Tga, Jpeg, Gif, Png,
};
// The writer dispatch's row for an extension (GIF has none: only the GIF writer writes it).
enum class DispatchWriter : std::uint8_t { None, Bmp, Pcx, Jpeg, Tiff, Png };

// Depth sets, one bit per depth.
inline constexpr std::uint8_t kDepth1 = 1, kDepth4 = 2, kDepth8 = 4, kDepth16 = 8,
                              kDepth24 = 16, kDepth32 = 32;
inline constexpr std::uint8_t kDepthsUpTo8 = kDepth1 | kDepth4 | kDepth8;
inline constexpr std::uint8_t kAnyDepth = 63;
// The bit of a depth (0 for a depth that is none of the six).
constexpr std::uint8_t DepthBit(int bitsPerPixel) {
    switch (bitsPerPixel) {
    case 1: return kDepth1;
    case 4: return kDepth4;
    case 8: return kDepth8;
    case 16: return kDepth16;
    case 24: return kDepth24;
    case 32: return kDepth32;
    default: return 0;
    }
}

struct FileFormat {
    int code;                   // the imaging library's file-format code
    const char* extension;      // the lower-case extension written
    const char* processorEntry; // the batch processor's output-list entry; null: not offered
    const char* filterName;     // the per-format open filter's entry; null: not listed
    const char* saveName;       // the Save As filter's entry; null: not offered
    int saveOrder;              // position in the Save As filter, 1 first; 0: not offered
    Codec reader;
    Codec writer;
    const char* magick;         // GraphicsMagick's coder for this format, null when none
    bool paletteOnly;           // documents are reduced to 8 bits before saving
    std::uint8_t depths;        // depths the writer takes as they are; deeper pictures of an
                                // up-to-8-bit writer are reduced to 8 bits first
    bool Takes(int bitsPerPixel) const { return (depths & DepthBit(bitsPerPixel)) != 0; }
};

struct ExtensionEntry {
    const char* extension;     // lower case
    int format;                // the code of the format its files hold, -1 for none
    bool formatTable;          // in the extension-to-format table (else the table gives -1)
    bool imageList;            // in the image extension list
    int documentReaderDepth;   // the document opens it with the program's own readers (exact
                               // lower-case match only) and reports this depth; 0: imaging layer
    DispatchReader reader;
    DispatchWriter writer;
    bool preview;              // the preview dialogs show a picture for it
    int batchAddPosition;      // position in the batch processor's Add filter, 1 first; 0: not
};

std::span<const FileFormat> FileFormats();
std::span<const ExtensionEntry> Extensions();

// The row of a file-format code, null for a code the program does not know.
const FileFormat* FindFormat(int code);
// The row of an extension (no dot) compared without regard to case; null when none.
const ExtensionEntry* FindExtension(std::string_view extension);
// The same with case: "GIF" does not find "gif".
const ExtensionEntry* FindExtensionExact(std::string_view extension);

// The extension-to-format table: the lower-cased extension's code, -1 for any other.
int FormatForExtension(std::string_view extension);
// Whether documents are reduced to 8 bits before they are saved with this extension.
bool IsPaletteOnlyExtension(std::string_view extension);
// The depth the document reports for a file it opens with the program's own readers, compared
// with case; 0 when the imaging layer opens the file.
int DocumentReaderDepth(std::string_view extension);

// The image extension list (string 138), every entry framed by commas.
const std::string& ImageExtensionList();
// The batch processor's output list, in its order.
std::vector<const FileFormat*> ProcessorFormats();
// The batch processor's Add filter: "Image files|*.cmp;...|All Files (*.*)|*.*||".
std::string BatchAddFilter();
// The patterns of a format's row ("*.jpg;*.jpeg"): its written extension, then the other
// extensions of the image list (openFilter) or of the extension-to-format table that hold it.
std::string FormatPatterns(const FileFormat& format, bool openFilter);

} // namespace tsl
