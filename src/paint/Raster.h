#pragma once
// CRasterDC: GDI-like drawing on the pixel memory of a device-independent bitmap, pixel for
// pixel as the platform's graphics interface draws: colour-to-pixel mapping per depth (the
// lowest exact palette index, else the nearest; 5-5-5 truncation; at 1 bit, pens and brushes of
// a colour other than black or white draw as the opposite of the background colour),
// SetPixel/GetPixel, LineTo with a pen (width 1 leaves out its last point; wider pens are round
// with round ends), Rectangle, RoundRect and Ellipse with the selected pen and brush (a null pen
// shrinks a filled Rectangle by one pixel right and below), FillRect, surface flood fill
// (4-connected) and DrawText. Everything clips to the bitmap.

#include "core/Colour.h"
#include "core/Dib.h"
#include "core/Geometry.h"

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

class QFont;
class QString;

namespace tsl {

// The pixels drawn on: bottom-up rows of `stride` bytes, with the colour table of indexed
// depths (1, 4, 8); 16 is 5-5-5, 24 is B,G,R, 32 is B,G,R,0.
struct CSurface {
    std::uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    std::size_t stride = 0;
    const RGBQUAD* colours = nullptr;
    int colourCount = 0;

    // Row y counted from the top of the picture.
    std::uint8_t* TopRow(int y) const {
        return bits + static_cast<std::size_t>(height - 1 - y) * stride;
    }
};

enum class PenStyle { Null, Solid };
struct CPen {
    PenStyle style = PenStyle::Solid;
    int width = 1;
    COLORREF colour = 0;
};

enum class BrushStyle { Null, Solid };
struct CBrush {
    BrushStyle style = BrushStyle::Solid;
    COLORREF colour = RGB(255, 255, 255);
};

// DrawText format flags.
inline constexpr unsigned DT_LEFT = 0x0;
inline constexpr unsigned DT_CENTER = 0x1;
inline constexpr unsigned DT_RIGHT = 0x2;
inline constexpr unsigned DT_VCENTER = 0x4;
inline constexpr unsigned DT_BOTTOM = 0x8;
inline constexpr unsigned DT_WORDBREAK = 0x10;
inline constexpr unsigned DT_SINGLELINE = 0x20;
inline constexpr unsigned DT_EXPANDTABS = 0x40;
inline constexpr unsigned DT_NOCLIP = 0x100;
inline constexpr unsigned DT_CALCRECT = 0x400;
inline constexpr unsigned DT_NOPREFIX = 0x800;

inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

class CRasterDC {
public:
    explicit CRasterDC(const CSurface& surface) : m_s(surface) {}
    const CSurface& Surface() const { return m_s; }

    // The pixel value a colour is stored as; a pen or brush colour follows the 1-bit rule.
    std::uint32_t PixelFor(COLORREF colour, bool penOrBrush) const;
    // The colour a pixel value shows.
    COLORREF ColourOfPixel(std::uint32_t value) const;
    std::uint32_t PixelValue(int x, int y) const; // no bounds check
    void PutPixelValue(int x, int y, std::uint32_t value); // clipped

    // The colour at (x, y), CLR_INVALID outside the bitmap.
    COLORREF GetPixel(int x, int y) const;
    // Sets (x, y) to the nearest colour; returns the colour set, CLR_INVALID outside.
    COLORREF SetPixel(int x, int y, COLORREF colour);

    void SelectPen(const CPen& pen) { m_pen = pen; }
    void SelectBrush(const CBrush& brush) { m_brush = brush; }
    const CPen& Pen() const { return m_pen; }
    const CBrush& Brush() const { return m_brush; }
    void SetBkColour(COLORREF colour) { m_bkColour = colour; }
    COLORREF BkColour() const { return m_bkColour; }
    void SetTextColour(COLORREF colour) { m_textColour = colour; }
    COLORREF TextColour() const { return m_textColour; }
    void SetBkModeTransparent(bool transparent) { m_transparent = transparent; }
    bool BkModeTransparent() const { return m_transparent; }

    void MoveTo(int x, int y) { m_position = {x, y}; }
    CPoint Position() const { return m_position; }
    // Draws from the current position to (x, y) with the selected pen and moves there.
    bool LineTo(int x, int y);
    bool Rectangle(int left, int top, int right, int bottom);
    bool RoundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight);
    bool Ellipse(int left, int top, int right, int bottom);
    // Fills left..right-1 x top..bottom-1 with a solid brush of colour.
    bool FillRect(const CRect& rect, COLORREF colour);
    // Fills the 4-connected area of pixels equal to the surface colour at (x, y) with the
    // selected brush. False when the seed is outside or not of that colour.
    bool ExtFloodFill(int x, int y, COLORREF surfaceColour);
    // Draws text in the text colour (background per the mode) into rect with the given format,
    // in font (the default GUI font when null). Returns the height of the text; with
    // DT_CALCRECT only measures and sets rect.
    int DrawText(const QString& text, CRect& rect, unsigned format, const QFont* font);

    // Sets pixels x1..x2-1 of row y (from the top) to value, clipped.
    void FillSpan(int y, int x1, int x2, std::uint32_t value);

private:
    // A path drawn with the selected pen vertex by vertex: a cosmetic pen (width 0 or 1) draws
    // every segment without its end point; a wider pen puts its round tip on every vertex and
    // a body along every segment (RasterLines.cpp).
    struct CPenPath {
        std::uint32_t value = 0;
        int width = 1;
        std::vector<std::pair<int, int>> tip; // first and last column of each row of the tip
        bool started = false;
        std::int64_t x = 0;
        std::int64_t y = 0;
    };
    CPenPath BeginPenPath() const;
    // Goes on to (x, y), drawing the segment from the previous vertex when connect is set.
    void PenPathTo(CPenPath& path, std::int64_t x, std::int64_t y, bool connect);
    // The round tip of a pen of this width: the ellipse filling a width x width box, as the
    // first and last column of each row, counted from the box's top-left (RasterShapes.cpp).
    static std::vector<std::pair<int, int>> RoundTip(int width);
    // Fills with the brush and outlines with the pen the box of pixels left..right x
    // top..bottom (inclusive) whose corners are quarters of a cornerWidth x cornerHeight
    // ellipse; Ellipse is the case of corners as large as the box.
    bool RoundedShape(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
                      std::int64_t cornerWidth, std::int64_t cornerHeight);

    CSurface m_s;
    CPen m_pen;
    CBrush m_brush;
    COLORREF m_bkColour = RGB(255, 255, 255);
    COLORREF m_textColour = 0;
    bool m_transparent = false;
    CPoint m_position;
};

} // namespace tsl
