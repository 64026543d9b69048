// LBitmapBase geometry: flip, mirror, rotate, shear and resize, run by OpenCV in the back-end
// module (imaging/Backend.h, BackendGeometry.cpp). The checks that need no OpenCV are made here,
// so they answer the same whether or not the module can be opened.
//
// Indexed pictures are resampled by nearest neighbour so that they keep their palette exactly;
// 16-bit pictures go through 8-bit channels and back to 5 bits each. Angles are hundredths of a
// degree, clockwise on the screen.

#include "imaging/LBitmap.h"

#include "imaging/Backend.h"

namespace tsl {

namespace {

// Runs a back-end operation on the picture: kErrorNoBitmap without one, kErrorFormatUnavailable
// (the picture unchanged) when the module cannot be opened.
template <class Op> int Run(CDdb& image, Op op) {
    if (image.IsNull()) return kErrorNoBitmap;
    const backend::Api* api = backend::Get();
    return api ? op(*api) : kErrorFormatUnavailable;
}

} // namespace

int LBitmapBase::Flip() {
    return Run(m_image, [this](const backend::Api& api) { return api.flip(m_image); });
}

int LBitmapBase::Reverse() {
    return Run(m_image, [this](const backend::Api& api) { return api.reverse(m_image); });
}

int LBitmapBase::Rotate(int angle, unsigned flags, COLORREF fill) {
    return Run(m_image, [&](const backend::Api& api) { return api.rotate(m_image, angle, flags, fill); });
}

int LBitmapBase::Shear(int angle, unsigned flags, COLORREF background) {
    if (m_image.IsNull()) return kErrorNoBitmap;
    if (angle < -4500 || angle > 4500) return kErrorInvalidParameter;
    return Run(m_image,
               [&](const backend::Api& api) { return api.shear(m_image, angle, flags, background); });
}

int LBitmapBase::Size(int width, int height, unsigned flags) {
    if (m_image.IsNull()) return kErrorNoBitmap;
    if (width <= 0 || height <= 0 || !DibImageSize(width, height, 32)) return kErrorInvalidParameter;
    // Bicubic and bilinear interpolation do not smooth when shrinking: area averaging does.
    const bool shrinking = width <= GetWidth() && height <= GetHeight();
    using backend::Interpolation;
    Interpolation kind = flags & kSizeBicubic    ? Interpolation::kCubic
                         : flags & kSizeBilinear ? Interpolation::kLinear
                                                 : Interpolation::kNearest;
    if (shrinking && kind != Interpolation::kNearest) kind = Interpolation::kArea;
    return Run(m_image, [&](const backend::Api& api) { return api.resize(m_image, width, height, kind); });
}

} // namespace tsl
