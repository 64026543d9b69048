#pragma once
// The effects that compute pixels in the program itself: blending, drop shadow, the button
// rendering of Buttonize, and Frame. Pure functions on the screen's 32-bit device bitmaps
// (B, G, R, X) in picture coordinates (y down); the view's commands apply them through the
// selection transfer and the dialogs preview them.

#include "core/Colour.h"
#include "core/Ddb.h"
#include "core/Geometry.h"

#include <cstdint>

namespace tsl {

// Moves every red, green and blue byte t of target toward the byte o of overlay at the same
// place by percent (0..100, limited): t - P * (t - o) / 100 when o < t, t + P * (o - t) / 100
// otherwise, in integers (truncating). 0 keeps target, 100 makes it the overlay. Only the
// area both bitmaps cover is blended.
void Blend(CDdb& target, const CDdb& overlay, int percent);

// A w x h bitmap of one colour.
CDdb SolidBitmap(int w, int h, COLORREF colour);
// tile repeated from the top-left corner in steps of its width and height over w x h, the
// last column and row cut off.
CDdb TiledOverlay(const CDdb& tile, int w, int h);
// image stretched to w x h (nearest pixels, as a plain stretch transfer gives them).
CDdb StretchedOverlay(const CDdb& image, int w, int h);
// The size a preview shows a picture of `image` at in a box: unchanged when it fits; else the
// height becomes the box's when fitting the width would overflow it, otherwise the width
// becomes the box's, the other side in proportion (at least 1).
CSize PreviewFit(CSize image, CSize box);

// Drop shadow parameters (the dialog's ranges: opacity 0..100, blur 3..11, offsets -30..30).
struct CDropShadow {
    COLORREF colour = RGB(0, 0, 0);
    int opacity = 30;
    int blur = 5;
    int dx = 6;
    int dy = 6;
};
// The part's silhouette: back everywhere but where the part's pixel differs from back, which
// takes colour; then a blur x blur average (through the imaging layer). Empty on failure.
CDdb ShadowSilhouette(const CDdb& part, COLORREF back, COLORREF colour, int blur);
// The rectangle of the whole image a drop shadow can change: the selection and the shadow's
// place, clipped to the image.
CRect DropShadowArea(CSize whole, const CRect& selection, int dx, int dy);
// The drop shadow's result inside `area` of the whole image (a bitmap of area's size): the
// whole image blended at the opacity toward the composite of the silhouette (drawn at the
// selection's corner plus the offset) and then the part (at the selection's corner), both with
// back left out. Outside DropShadowArea the result equals the whole image.
CDdb DropShadowResult(const CDdb& whole, const CRect& selection, const CDdb& part, const CDdb& silhouette,
                      const CDropShadow& shadow, COLORREF back, const CRect& area);

// One button state of Buttonize (and of a ".btn" file's record).
struct CButtonRecord {
    std::int16_t bevel = 4;        // 0..30
    std::int16_t reserved = 0;     // kept as read
    std::int16_t transparency = 65; // 100 - opacity, 0..100
    std::int16_t brightness = 0;   // 2 x brightness - 100, -100..100
    COLORREF upperLeft = RGB(176, 176, 176);
    COLORREF bottomRight = RGB(97, 97, 97);
    bool operator==(const CButtonRecord&) const = default;
};
// The button image of part for one record: bevels drawn ring by ring on a back-filled copy,
// blended toward the part at the transparency, the part's interior copied in, then the
// brightness applied (toward black below 0, white above, at its absolute value).
CDdb RenderButton(const CDdb& part, const CButtonRecord& record, COLORREF back);

// Auto-set: the other bevel colour, each channel moved by 79 (limited to 0..255). darker is
// true for the bottom-right colour from the upper-left one in the Normal and Roll-over states
// and the upper-left from the bottom-right one in the Pressed state.
COLORREF AutoSetColour(COLORREF from, bool darker);

// Rings i = 0 .. width - 1: the outline of (i, i) to (W - 1 - i, H - 1 - i), both corners
// included, in colour.
void DrawFrame(CDdb& part, int width, COLORREF colour);

} // namespace tsl
