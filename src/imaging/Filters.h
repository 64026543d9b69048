#pragma once
// Filters on device bitmaps, each changing the image in place and returning a status
// (ImagingFlags.h): kSuccess, kErrorInvalidParameter for a value outside the range given here
// (the parameter dialogs keep to these ranges), kErrorNoBitmap for an empty image,
// kErrorInvalidBitsPerPixel for an unknown depth, kErrorNoMemory, and for the filters that run
// in the back-end module (average, sharpen, median, emboss, spatial) kErrorFormatUnavailable
// when it cannot be opened. On failure the image is left as it was.
//
// Filters work on the colours of 24- and 32-bit pixels directly; the fourth byte of 32-bit
// pixels is left as it was. A 1-, 4- or 8-bit image is expanded, filtered and mapped back to its
// own palette (nearest entry, no dithering, so flat results stay flat); a 16-bit image goes back
// to the nearest 5-5-5 levels. Pixels beyond the edges repeat the edge pixels. Windows, tiles
// and directions are in picture terms (x to the right, y downwards from the top-left corner)
// whatever the bottom-up storage of the rows.

#include "core/Ddb.h"
#include "imaging/ImagingFlags.h"

#include <cstdint>
#include <vector>

namespace tsl {

// Box blur over a dim x dim window centred on each pixel (1 changes nothing). An even side
// gives the edge rows and columns of a (dim + 1)-wide window half weight, so the window stays
// centred.
inline constexpr int kAverageDimMin = 1, kAverageDimMax = 100;
int AverageFilter(CDdb& image, int dim);

// change > 0 sharpens: p + change / 250 * (p - mean of the 3x3 neighbourhood), so 1000 adds
// four times the detail; change < 0 softens: p moves towards that mean by -change / 1000, fully
// at -1000. 0 changes nothing.
inline constexpr int kSharpenMin = -1000, kSharpenMax = 1000;
int Sharpen(CDdb& image, int change);

// Adds uniform noise in [-r, r] with r = range * 255 / 1000 (rounded) to the channel. Master
// adds the same value to red, green and blue (brightness noise, greys stay grey). The overload
// without a seed draws one from the system.
inline constexpr int kNoiseRangeMin = 0, kNoiseRangeMax = 1000;
inline constexpr int kNoiseChannelMaster = 0;
inline constexpr int kNoiseChannelRed = 1;
inline constexpr int kNoiseChannelGreen = 2;
inline constexpr int kNoiseChannelBlue = 3;
int AddNoise(CDdb& image, int range, int channel, std::uint32_t seed);
int AddNoise(CDdb& image, int range, int channel);

// A grey relief lit from direction (degrees clockwise from north: 0 light from the top, 90 from
// the right): out = 128 + depth / 100 * (L(p - u) - L(p + u)), L the luminance and u the unit
// step towards the light (read between pixels bilinearly). Edges facing the light turn bright,
// edges facing away dark; flat areas become grey 128.
inline constexpr int kEmbossDirectionMin = 0, kEmbossDirectionMax = 359;
inline constexpr int kEmbossNorth = 0, kEmbossNorthEast = 45, kEmbossEast = 90,
                     kEmbossSouthEast = 135, kEmbossSouth = 180, kEmbossSouthWest = 225,
                     kEmbossWest = 270, kEmbossNorthWest = 315;
inline constexpr int kEmbossDepthMin = 0, kEmbossDepthMax = 1000;
int Emboss(CDdb& image, int direction, int depth);

// Tiles of tile x tile pixels from the top-left corner (the last column and row of tiles may be
// narrower), each filled with the mean colour of its pixels (rounded). 1 changes nothing.
inline constexpr int kMosaicTileMin = 1, kMosaicTileMax = 256;
int Mosaic(CDdb& image, int tile);

// Limits each channel to levels evenly spaced values from 0 to 255 (each value to the nearest).
inline constexpr int kPosterizeLevelsMin = 2, kPosterizeLevelsMax = 256;
int Posterize(CDdb& image, int levels);

// Oil painting: in the dim x dim window around each pixel the luminance is counted in 64 bands;
// the pixel becomes the mean colour of the window's pixels in the most populated band (the
// pixel's own band wins ties). An even dim is taken as dim + 1 so the window is centred.
inline constexpr int kOilifyDimMin = 1, kOilifyDimMax = 64;
int Oilify(CDdb& image, int dim);

// Each channel becomes the median of the dim x dim window around the pixel. An even dim is taken
// as dim + 1 so the window is centred; 1 changes nothing.
inline constexpr int kMedianDimMin = 1, kMedianDimMax = 100;
int MedianFilter(CDdb& image, int dim);

// Spatial (3 x 3 convolution) filters. Each channel becomes the weighted sum of the window,
// limited to 0..255, so a directional filter answers only where the picture brightens towards
// the side its name gives. Kernels below are rows top to bottom as the picture shows them.
// Families (the filter dialog's flag values):
inline constexpr unsigned kSpatialFamilyGradient = 1;
inline constexpr unsigned kSpatialFamilyLaplacian = 2;
inline constexpr unsigned kSpatialFamilySobel = 4;
inline constexpr unsigned kSpatialFamilyPrewitt = 8;
inline constexpr unsigned kSpatialFamilyShiftDifference = 16;
inline constexpr unsigned kSpatialFamilyLineSegment = 32;
// Gradient (compass) masks, positive where the named side is brighter:
//   north 1 1 1 / 1 -2 1 / -1 -1 -1, the others turn that ring by 45 degrees clockwise each.
inline constexpr int kSpatialGradientNorth = 0, kSpatialGradientNorthEast = 1,
                     kSpatialGradientEast = 2, kSpatialGradientSouthEast = 3,
                     kSpatialGradientSouth = 4, kSpatialGradientSouthWest = 5,
                     kSpatialGradientWest = 6, kSpatialGradientNorthWest = 7;
// Sobel: north 1 2 1 / 0 0 0 / -1 -2 -1, east -1 0 1 / -2 0 2 / -1 0 1; south, west negated.
inline constexpr int kSpatialSobelNorth = 8, kSpatialSobelEast = 9, kSpatialSobelSouth = 10,
                     kSpatialSobelWest = 11;
// Prewitt: north 1 1 1 / 0 0 0 / -1 -1 -1, east -1 0 1 (three rows); south, west negated.
inline constexpr int kSpatialPrewittNorth = 12, kSpatialPrewittEast = 13, kSpatialPrewittSouth = 14,
                     kSpatialPrewittWest = 15;
// Laplacian, positive on the bright side of an edge:
//   4-neighbour   0 -1 0 / -1 4 -1 / 0 -1 0   (the edge detector of Edge Enhance: added to the
//                                               picture with kCombineAdd it brightens the bright
//                                               side of every edge)
//   8-neighbour   -1 -1 -1 / -1 8 -1 / -1 -1 -1
//   weighted      1 -2 1 / -2 4 -2 / 1 -2 1
//   diagonal      -1 0 -1 / 0 4 0 / -1 0 -1
//   horizontal    0 0 0 / -1 2 -1 / 0 0 0      (across the row: finds vertical lines)
//   vertical      0 -1 0 / 0 2 0 / 0 -1 0      (down the column: finds horizontal lines)
inline constexpr int kSpatialLaplacian4 = 16, kSpatialLaplacian8 = 17,
                     kSpatialLaplacianWeighted = 18, kSpatialLaplacianDiagonal = 19,
                     kSpatialLaplacianHorizontal = 20, kSpatialLaplacianVertical = 21;
inline constexpr int kSpatialEdgeEnhance = kSpatialLaplacian4;
// Shift and difference: the pixel minus its neighbour up-left (diagonal), left (horizontal) or
// above (vertical): -1 0 0 / 0 1 0 / 0 0 0, 0 0 0 / -1 1 0 / 0 0 0, 0 -1 0 / 0 1 0 / 0 0 0.
inline constexpr int kSpatialShiftDiagonal = 22, kSpatialShiftHorizontal = 23,
                     kSpatialShiftVertical = 24;
// Line segments one pixel wide, bright on dark: horizontal -1 -1 -1 / 2 2 2 / -1 -1 -1,
// vertical its transpose, left diagonal (top-left to bottom-right) 2 -1 -1 / -1 2 -1 / -1 -1 2,
// right diagonal -1 -1 2 / -1 2 -1 / 2 -1 -1.
inline constexpr int kSpatialLineHorizontal = 25, kSpatialLineVertical = 26,
                     kSpatialLineLeftDiagonal = 27, kSpatialLineRightDiagonal = 28;
inline constexpr int kSpatialFilterCount = 29;

int SpatialFilter(CDdb& image, int filterId);
// The family flag of a filter id (0 for an unknown id), the ids of a family in order, and an
// English name for lists ("Sobel north", "Laplacian 8-neighbour"...).
unsigned SpatialFilterFamily(int filterId);
std::vector<int> SpatialFilterIds(unsigned family);
const char* SpatialFilterName(int filterId);

// Crops away blank border rows and columns. The blank colour is the top-left pixel's; a pixel is
// blank when none of its red, green and blue differs from that colour by more than threshold.
// Rows are removed from the top and bottom and columns from the left and right while all their
// pixels are blank. A picture that is blank all over, or has no blank border, is left as it is.
// The depth and palette stay.
inline constexpr int kAutoTrimThresholdMin = 0, kAutoTrimThresholdMax = 244;
int AutoTrim(CDdb& image, int threshold);

// Combines the w x h area of src whose top-left corner is (srcX, srcY) into dst at (x, y), byte
// by byte on red, green and blue with the operation of flags (kCombine... in ImagingFlags.h).
// The area is clipped to both images; w or h below 1, or an unknown operation, is
// kErrorInvalidParameter. dst keeps its depth (and palette, by nearest entry).
int Combine(CDdb& dst, const CDdb& src, int x, int y, int w, int h, unsigned flags, int srcX = 0,
            int srcY = 0);

} // namespace tsl
