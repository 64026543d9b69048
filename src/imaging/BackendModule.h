#pragma once
// The back-end module's operations (imaging/Backend.h), one file per library they call:
// BackendMagick.cpp (GraphicsMagick), BackendGeometry.cpp and BackendFilters.cpp (OpenCV).
// Only the module is built from these files.

#include "imaging/Backend.h"

namespace tsl::backend::module {

int MagickRead(const std::uint8_t* bytes, std::size_t size, const char* path, const char* coder,
               CDdb& out);
int MagickWrite(const MagickPixels& pixels, const char* coder, MagickType type,
                std::vector<std::uint8_t>& out);

int Flip(CDdb& image);
int Reverse(CDdb& image);
int Rotate(CDdb& image, int angle, unsigned flags, COLORREF fill);
int Shear(CDdb& image, int angle, unsigned flags, COLORREF background);
int Resize(CDdb& image, int width, int height, Interpolation interpolation);

int BoxAverage(CDdb& image, int dim);
int Convolve3x3(CDdb& image, const float* kernel);
int Median(CDdb& image, int oddDim);
int Emboss(CDdb& image, const float* kernel);

} // namespace tsl::backend::module
