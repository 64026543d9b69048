#pragma once
// The imaging layer's back-end: everything that needs GraphicsMagick (the formats our own
// codecs do not read or write) or OpenCV (geometry and the convolution filters) lives in a
// shared module, tsl_imaging_backend, that the layer opens with dlopen() the first time one of
// these operations is called. A process that only reads and writes the formats of our own codecs
// never maps either library, nor the fifty-odd libraries they bring.
//
// The module links its own copy of tsl_core, so it never calls core's services (report,
// resources, clipboard: that copy's registry is empty); it returns statuses and data, and the
// static side reports. Pictures cross the boundary as CDdb values: both sides use the same
// libstdc++ and its allocator, and CDdb's rows are a plain std::vector.
//
// Internal to the imaging layer: not a public interface.

#include "core/Colour.h"
#include "core/Ddb.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tsl::backend {

// Raised whenever a member of Api or its meaning changes; a module of another version is refused.
inline constexpr int kAbiVersion = 1;

// Rows handed to MagickWrite, top row first, 3 bytes a pixel, no padding.
struct MagickPixels {
    const std::uint8_t* rows = nullptr;
    int width = 0;
    int height = 0;
    bool bgr = false;      // blue, green, red; else red, green, blue
    unsigned colours = 0;  // reduce to at most this many colours (no dithering); 0 keeps them
};

// The image type MagickWrite asks the coder for.
enum class MagickType : int { kAsIs = 0, kGrayscale = 1, kBilevel = 2 };

// Interpolation of Resize.
enum class Interpolation : int { kNearest = 0, kLinear = 1, kCubic = 2, kArea = 3 };

struct Api {
    int abiVersion; // kAbiVersion

    // ---- GraphicsMagick (initialised on first use, with the program's resource limits)
    // Reads bytes (or, when path is not null, the file itself: CUT looks for its palette file
    // beside the image) with an optional coder hint, into out at the depth the file is stored
    // in. kErrorTooLarge beyond the limits, kErrorFileFormat when it cannot be read.
    int (*magickRead)(const std::uint8_t* bytes, std::size_t size, const char* path,
                      const char* coder, CDdb& out);
    // Encodes pixels with the named coder into out. kErrorFileWrite when the coder fails.
    int (*magickWrite)(const MagickPixels& pixels, const char* coder, MagickType type,
                       std::vector<std::uint8_t>& out);

    // ---- OpenCV geometry, at the picture's depth (imaging/LBitmap.h describes them)
    int (*flip)(CDdb& image);
    int (*reverse)(CDdb& image);
    int (*rotate)(CDdb& image, int angle, unsigned flags, COLORREF fill);
    int (*shear)(CDdb& image, int angle, unsigned flags, COLORREF background);
    int (*resize)(CDdb& image, int width, int height, Interpolation interpolation);

    // ---- OpenCV filters on 24- and 32-bit pictures (the fourth byte is kept); each leaves
    // the image as it was when it fails. Kernels are 3 x 3, in picture order, top row first.
    int (*boxAverage)(CDdb& image, int dim);
    int (*convolve3x3)(CDdb& image, const float* kernel);
    int (*median)(CDdb& image, int oddDim);
    int (*emboss)(CDdb& image, const float* kernel);
};

// The module's one exported symbol: returns its table.
inline constexpr const char* kEntryPoint = "tsl_imaging_backend_api";
using EntryPoint = const Api* (*)();

// The back-end, opened on the first call (thread-safe, once per process); null when it cannot
// be found or opened, and then LoadProblem() says why. Where it is looked for:
//   1. $TSL_IMAGING_BACKEND, when set (and nothing else then);
//   2. the running executable's folder and its Bin/ subfolder;
//   3. where the build tree made it (the program folder's Bin/);
//   4. the installed program folder (lib/tessaly/Bin), beside the executable's prefix first.
const Api* Get();
// Empty while the module is loaded or not yet asked for.
const std::string& LoadProblem();
// The places Get() tries, in order.
std::vector<std::string> SearchPath();

} // namespace tsl::backend
