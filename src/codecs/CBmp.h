#pragma once
// CBmp: an image for drawing widgets and previews and the holder of a document's image until
// its view takes it: a device bitmap, its palette, an optional transparent colour, and the mask
// made from that colour on the first transparent drawing and kept until the image is freed or
// reloaded. The bitmap is kept as the reader gave it; the picture a painter draws (a QImage in
// RGB32, the screen's form) is made from it on first use. A document's image therefore passes
// from the reader to its view without a copy (TakeBitmap).
//
// Transparent drawing leaves the target unchanged wherever the image has exactly the
// transparent colour and copies every other pixel. (The mask is an image with alpha 0 at those
// pixels; drawing it gives the result of the exclusive-or, and, exclusive-or sequence.) The
// palette is kept for callers that need it; on a true-colour surface realising it changes
// nothing.

#include "codecs/Dispatch.h"
#include "core/Colour.h"
#include "core/Ddb.h"

#include <QImage>

#include <string>
#include <vector>

class QPainter;

namespace tsl {

class CBmp {
public:
    CBmp() = default;

    // Frees the image, then reads the file (or resource) through the reader dispatch. Non-zero
    // on success.
    int Load(const std::string& path);
    // Writes the image through the writer dispatch. Non-zero on success.
    int Save(const std::string& path, ScreenSize screen = {}) const;

    // Draws width x height pixels (-1: the image's own) from (srcX, srcY) at (dstX, dstY), or,
    // stretched, the whole image into width x height at (dstX, dstY). 0 without an image.
    int Draw(QPainter& painter, int srcX, int srcY, int width = -1, int height = -1,
             int dstX = 0, int dstY = 0, bool stretch = false, bool realisePalette = false);
    // Repeats the image over the rectangle, starting at (left - xOffset, top - yOffset); each
    // copy is clipped at the right and bottom edges.
    void Tile(QPainter& painter, int left, int top, int right, int bottom, int xOffset = 0,
              int yOffset = 0);

    int Width() const { return m_ddb.Width(); }
    int Height() const { return m_ddb.Height(); }
    bool IsNull() const { return m_ddb.IsNull(); }
    // Copies bitmap, palette and transparent flag into target (the colour and mask are not).
    void Copy(CBmp& target) const;
    void Free();

    void SetTransparent(bool on) { m_transparent = on; }
    void SetTransparentColour(COLORREF colour);
    bool Transparent() const { return m_transparent; }
    COLORREF TransparentColour() const { return m_transparentColour; }

    // Takes a device bitmap (any depth) and palette, as the readers give them.
    void SetImage(CDdb bitmap, std::vector<RGBQUAD> palette);
    // The picture as an RGB32 image, made on first use.
    const QImage& Bitmap() const;
    // The picture as a device bitmap, at the depth it was given.
    const CDdb& DeviceBitmap() const { return m_ddb; }
    // Hands that bitmap over and frees the image.
    CDdb TakeBitmap();
    const std::vector<RGBQUAD>& Palette() const { return m_palette; }
    // The mask made by the last transparent drawing; null until then.
    const QImage& Mask() const { return m_mask; }

private:
    const QImage& MaskImage();

    CDdb m_ddb;              // the bitmap as given; empty once taken or freed
    mutable QImage m_bitmap; // the drawable picture: made from m_ddb when first asked for
    std::vector<RGBQUAD> m_palette;
    QImage m_mask;
    bool m_transparent = false;
    COLORREF m_transparentColour = 0;
};

// A device bitmap of any depth at the screen's 32 bits; one already there passes through.
CDdb ScreenDdb(CDdb bitmap);
// A device bitmap of any depth as an RGB32 image, rows from the top.
QImage ImageFromDdb(const CDdb& bitmap);
// An RGB32 image as a 32-bit device bitmap.
CDdb DdbFromImage(const QImage& image);

} // namespace tsl
