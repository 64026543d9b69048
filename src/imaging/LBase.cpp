#include "imaging/LBase.h"

#include "core/Services.h"

#include <Magick++.h>

namespace tsl {
namespace {
unsigned g_loaded = 0;
bool g_initialised = false;

void SetLimits() {
    using namespace MagickLib;
    SetMagickResourceLimit(PixelsResource, static_cast<magick_int64_t>(kPixelLimit));
    SetMagickResourceLimit(WidthResource, kSideLimit);
    SetMagickResourceLimit(HeightResource, kSideLimit);
    SetMagickResourceLimit(MemoryResource, magick_int64_t{8} << 30);
    SetMagickResourceLimit(MapResource, magick_int64_t{8} << 30);
    SetMagickResourceLimit(DiskResource, magick_int64_t{16} << 30);
    SetMagickResourceLimit(ReadResource, magick_int64_t{2} << 30);
}
} // namespace

int LBase::LoadLibraries(unsigned mask) {
    if (!g_initialised) {
        Magick::InitializeMagick(nullptr);
        SetLimits();
        g_initialised = true;
    }
    g_loaded |= mask;
    return 1;
}

void LBase::UnloadLibraries(unsigned mask) {
    g_loaded &= ~mask;
    // GraphicsMagick cannot be initialised again after DestroyMagick within one process, so the
    // library stays set up until exit; only the bookkeeping of loaded parts changes.
}

unsigned LBase::LoadedLibraries() { return g_loaded; }

void LBase::DisplayError(const std::string& text) { Report().Report(text, "Error"); }

} // namespace tsl
