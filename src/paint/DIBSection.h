#pragma once
// CDIBSection: the paint engine's in-memory image. One device-independent bitmap (bottom-up
// rows padded to 4 bytes; depths 1, 4 and 8 with a colour table, 16 as 5-5-5, 24 and 32 as
// B,G,R(,0)), its 40-byte header and colour table kept in one info block, and a palette (a list
// of entries built from the colour table, or the 256-entry default for depths without one).
//
// Every drawing primitive runs on a CRasterDC over the pixels, so it maps colours and clips to
// the image exactly as the rasteriser does. The class reads and writes uncompressed BMP files,
// moves images to and from the clipboard through tsl::ClipboardBitmap() and draws itself onto
// a QPainter or onto another image. Failures are reported as false; nothing throws, and a
// failed create or load leaves the object empty.

#include "core/Colour.h"
#include "core/Dib.h"
#include "core/Geometry.h"
#include "paint/Raster.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QFont;
class QPainter;
class QString;

namespace tsl {

class CDdb;
class CByteSource;

// A logical-palette entry and record as the platform passes palettes around.
struct PALETTEENTRY {
    std::uint8_t peRed = 0;
    std::uint8_t peGreen = 0;
    std::uint8_t peBlue = 0;
    std::uint8_t peFlags = 0;
    friend bool operator==(const PALETTEENTRY&, const PALETTEENTRY&) = default;
};
struct LOGPALETTE {
    std::uint16_t palVersion = 0x300;
    std::vector<PALETTEENTRY> palPalEntry; // up to 256
};

// The info block: the 40-byte header followed by room for 256 colour-table entries.
struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    std::array<RGBQUAD, 256> bmiColors{};
};

// The colour the keyed paste fills its buffer with and keys out again.
inline constexpr COLORREF kPasteKeyColour = 0x1B1A19;

// Maps colours to the pixel values of one surface exactly as CRasterDC::SetPixel does (at
// indexed depths the lowest index of an exact match, else the nearest entry, lowest index on
// ties), fast enough for whole images: the colour cube is cut into 16x16x16 cells, and each cell
// remembers, once asked, the few entries that can be nearest to any colour inside it.
class CPixelMapper {
public:
    explicit CPixelMapper(const CSurface& surface);
    std::uint32_t operator()(COLORREF colour);

private:
    struct Cell {
        std::int32_t start = -1; // into m_candidates; -1 until first asked
        std::int32_t count = 0;
    };
    const Cell& CellFor(int r, int g, int b);
    static constexpr int kCellShift = 4; // cells of 16 x 16 x 16 colours

    int m_bitsPerPixel = 0;
    std::vector<RGBQUAD> m_entries;
    std::vector<Cell> m_cells;
    std::vector<std::uint8_t> m_candidates;
};

// Pixel values of n pixels of row y (from the top) starting at x, no bounds check.
void ReadPixelValues(const CSurface& s, int y, int x, int n, std::uint32_t* out);
// Stores n pixel values into row y (from the top) starting at x, no bounds check.
void WritePixelValues(const CSurface& s, int y, int x, int n, const std::uint32_t* values);

class CDIBSection {
public:
    CDIBSection();
    ~CDIBSection();
    CDIBSection(CDIBSection&& other) noexcept;
    CDIBSection& operator=(CDIBSection&& other) noexcept;
    CDIBSection(const CDIBSection&) = delete;
    CDIBSection& operator=(const CDIBSection&) = delete;

    // Releases the pixels and the palette and clears the info block and every flag.
    void Reset();

    // ---- accessors
    bool HasImage() const { return m_bits != nullptr; }
    int Width() const { return m_info.bmiHeader.biWidth; }
    int Height() const { return m_info.bmiHeader.biHeight; }
    int Planes() const { return m_info.bmiHeader.biPlanes; }
    int BitsPerPixel() const { return m_info.bmiHeader.biBitCount; }
    int ColourCount() const { return m_colourCount; }
    int ColourUsage() const { return m_colourUsage; }
    RGBQUAD* ColourTable() { return m_info.bmiColors.data(); }
    const RGBQUAD* ColourTable() const { return m_info.bmiColors.data(); }
    const BITMAPINFO& Info() const { return m_info; }
    std::uint8_t* Bits() { return m_bits; }
    const std::uint8_t* Bits() const { return m_bits; }
    CSize Size() const { return {Width(), Height()}; }
    std::size_t Stride() const;
    std::size_t ImageSize() const { return m_storageSize; } // stride x height
    // Row n counted from the bottom of the picture, as stored.
    std::uint8_t* Row(int n) { return m_bits + static_cast<std::size_t>(n) * Stride(); }
    const std::uint8_t* Row(int n) const { return m_bits + static_cast<std::size_t>(n) * Stride(); }
    const std::vector<RGBQUAD>& Palette() const { return m_palette; }
    LOGPALETTE LogPalette() const;

    // ---- creating
    // A new image filled with white, then with `bits` (stride x height bytes) when given. The
    // palette (1 to 256 entries) becomes the palette and fills the colour table; without one
    // the default table of the depth's colour count (256 for depths without a table) is used.
    bool Create(int width, int height, int planes, int bitsPerPixel, const void* bits = nullptr,
                const std::vector<RGBQUAD>* palette = nullptr);
    // The header (40 bytes, one plane, uncompressed), the depth's colour-table entries and
    // stride x height bytes of bits (zeros when null). Only the header's size and depth are
    // taken: this class always writes its own image size and zero resolution/colour counts.
    bool CreateFromInfo(const BITMAPINFO& info, const void* bits);
    // A copy of a device bitmap at its own depth (its palette fills the colour table); the
    // palette given, or else one built from the colour table, becomes the palette.
    bool CreateFromBitmap(const CDdb& bitmap, const std::vector<RGBQUAD>* palette = nullptr);
    // As CreateFromBitmap, but the bitmap's rows become this image's rows without a copy (a
    // 32-bit bitmap's fourth bytes are taken as the zeros a device bitmap holds there). The
    // bitmap is left empty, also on failure.
    bool AdoptBitmap(CDdb&& bitmap, const std::vector<RGBQUAD>* palette = nullptr);
    // A built-in bitmap resource (a BMP file or a packed DIB) read through tsl::Resources().
    bool LoadResourceBitmap(const std::string& name);
    bool CopyFrom(const CDIBSection& other);

    // ---- files: uncompressed BMP with a 40-byte info header
    // Reads depths 1, 4, 8, 16 (5-5-5), 24 and 32, bottom-up or top-down, from the offset the
    // file header gives; its size fields are not trusted. Anything else fails, object reset.
    bool LoadBmp(const std::string& path);
    // LoadBmp's reader on the bytes of a whole BMP file.
    bool LoadBmpFromMemory(const std::uint8_t* data, std::size_t size);
    // A packed DIB (header, colour table, rows) as the clipboard and resources hold it.
    bool LoadPackedDib(const std::uint8_t* data, std::size_t size);
    // Written beside the target and renamed over it; nothing is written for an empty image.
    bool SaveBmp(const std::string& path) const;

    // ---- palette
    void SetUseDrawDib(bool on) { m_useDrawDib = on; } // kept for callers; drawing ignores it
    bool UseDrawDib() const { return m_useDrawDib; }
    // Rebuilds the palette from the colour table (the 256-entry default without one).
    bool CreatePaletteFromColourTable();
    // 1 to 256 entries: the palette, and the first min(n, colour count) colour-table entries.
    bool SetPalette(const std::vector<RGBQUAD>& entries);
    // Copies min(n, colour count) entries into the colour table; only for indexed images.
    bool SetColourTable(int n, const RGBQUAD* entries);

    // ---- drawing onto a target; every variant succeeds without drawing on an empty image.
    // A source size with a negative side means "to the image's edge" from the origin.
    static constexpr CSize kToEdge{-1, -1};
    bool Draw(QPainter& painter, int x, int y, CPoint srcOrigin = {},
              CSize srcSize = kToEdge) const;
    bool Stretch(QPainter& painter, int x, int y, int width, int height) const;
    // Pixels whose value is the transparent colour's value leave the target unchanged;
    // kNoColour falls back to the plain operation.
    bool DrawTransparent(QPainter& painter, int x, int y, COLORREF transparent,
                         CPoint srcOrigin = {}, CSize srcSize = kToEdge) const;
    bool StretchTransparent(QPainter& painter, int x, int y, int width, int height,
                            COLORREF transparent) const;
    // The same onto another image, each pixel mapped as SetPixel maps its colour (values are
    // copied unchanged between images of the same depth and colour table).
    bool Draw(CDIBSection& target, int x, int y, CPoint srcOrigin = {}, CSize srcSize = kToEdge,
              COLORREF transparent = kNoColour) const;
    bool Stretch(CDIBSection& target, int x, int y, int width, int height,
                 COLORREF transparent = kNoColour) const;

    // A rasteriser on the pixels (defaults: black solid pen, white solid brush, white
    // background, opaque). Nothing needs releasing; on an empty image it draws nothing.
    CRasterDC GetDrawingDC();

    // ---- pixel and shape primitives (colours 0x00bbggrr; 0x02 on top asks for the nearest
    // palette colour); all clip to the image.
    COLORREF GetPixel(int x, int y) const; // CLR_INVALID outside
    bool SetPixel(int x, int y, COLORREF colour);
    bool FillRect(const CRect& rect, COLORREF colour);
    bool FillAll(COLORREF colour);
    // Fills the 4-connected area of the seed's colour with colour.
    bool FloodFill(int x, int y, COLORREF colour);
    // A pen line that always includes its end point.
    bool Line(int x1, int y1, int x2, int y2, int width, COLORREF colour);
    bool Dot(int x, int y, int width, COLORREF colour);
    // Corners are inclusive; a rounded rectangle of zero width or height fails.
    bool Rectangle(int x1, int y1, int x2, int y2, int width, COLORREF colour, bool filled,
                   bool rounded);
    bool Ellipse(int x1, int y1, int x2, int y2, int width, COLORREF colour, bool filled);
    // Text with a transparent background into the normalised rectangle; kSystemTextColour
    // is the desktop's window-text colour. True when any text height was produced.
    static constexpr COLORREF kSystemTextColour = 0xFF000000u;
    bool Text(const QString& text, const CRect& rect, unsigned format, COLORREF colour,
              const QFont* font);

    // ---- clipboard (tsl::ClipboardBitmap())
    // Places the rectangle (the whole image when null) as a packed DIB: indexed images at their
    // depth with their colour table as the palette, the others at 24 bits.
    bool CopyToClipboard(const CRect* rect = nullptr) const;
    static bool ClipboardHasBitmap();
    static CSize ClipboardBitmapSize(); // {0, 0} when there is none
    // The clipboard's bitmap at the rectangle's top-left, clipped to the rectangle.
    bool PasteFromClipboard(const CRect& rect, bool realisePalette);
    // Only what the clipboard bitmap covers changes: it is pasted into a buffer filled with
    // kPasteKeyColour, which is then drawn here with that colour transparent. `colour` is
    // accepted for the callers' sake and not used.
    bool PasteKeyed(const CRect& rect, COLORREF colour, bool realisePalette);

    // Redraws the image at a new size and depth from the source origin (white margins), with
    // each pixel mapped as SetPixel maps its colour.
    bool ChangeFormat(int width, int height, int planes, int bitsPerPixel, CPoint srcOrigin);

    // The pixels as the rasteriser sees them (no ownership; valid until the image changes).
    CSurface Surface() const;

private:
    // CreateFromBitmap, taking over `rows` (the bitmap's own) when they have the exact size.
    bool FromBitmap(const CDdb& bitmap, std::vector<std::uint8_t>* rows,
                    const std::vector<RGBQUAD>* palette);
    // Validated header fields -> an image with uninitialised pixels (storage of the same size
    // is reused) and the given colour-table entries; the palette is left to the caller.
    bool Allocate(int width, int height, int bitsPerPixel, const RGBQUAD* colours, int count);
    bool LoadFrom(CByteSource& source, bool fileHeader);
    // The shared part of the four drawing variants onto another image.
    bool Blit(CDIBSection& target, const CRect& dst, const CRect& src, COLORREF transparent) const;
    bool Paint(QPainter& painter, const CRect& dst, const CRect& src, COLORREF transparent) const;

    std::unique_ptr<std::uint8_t[]> m_storage; // the pixel rows; null when empty or adopted
    std::vector<std::uint8_t> m_adopted;       // the rows taken over from a device bitmap
    std::size_t m_storageSize = 0;
    BITMAPINFO m_info;
    std::uint8_t* m_bits = nullptr;
    int m_colourUsage = 0; // always RGB colours
    int m_colourCount = 0;
    std::vector<RGBQUAD> m_palette;
    bool m_useDrawDib = false;
};

} // namespace tsl
