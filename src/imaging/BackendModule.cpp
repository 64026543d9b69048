// The back-end module's table: its one exported symbol (BackendModule.map hides the rest).

#include "imaging/BackendModule.h"

namespace {

using namespace tsl::backend;

const Api kApi = {
    kAbiVersion,
    &module::MagickRead,
    &module::MagickWrite,
    &module::Flip,
    &module::Reverse,
    &module::Rotate,
    &module::Shear,
    &module::Resize,
    &module::BoxAverage,
    &module::Convolve3x3,
    &module::Median,
    &module::Emboss,
};

} // namespace

extern "C" __attribute__((visibility("default"))) const Api* tsl_imaging_backend_api() {
    return &kApi;
}
