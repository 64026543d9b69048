#pragma once
// Nearest-neighbour rendering of part of an image for the screen: each output column and row
// names the image pixel it shows, so any magnification (and the paint control's own truncating
// coordinate mapping) is served by one loop that reads only the pixels shown.

#include "core/Colour.h"
#include "paint/Raster.h"

#include <QImage>

#include <vector>

namespace tsl {

// An RGB32 image of xs.size() x ys.size() pixels: pixel (i, j) shows image pixel (xs[i], ys[j])
// (rows counted from the top; every index must lie inside the surface). Pixels whose value is
// the value `key` maps to are given `keyOut` instead; kNoColour keys nothing. Null when the
// image cannot be made.
QImage RenderScaled(const CSurface& surface, const std::vector<int>& xs, const std::vector<int>& ys,
                    COLORREF key = kNoColour, QRgb keyOut = 0);

} // namespace tsl
