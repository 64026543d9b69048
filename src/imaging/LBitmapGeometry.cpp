// LBitmapBase geometry: flip, mirror, rotate, shear and resize, run by OpenCV in the back-end
// module (imaging/Backend.h, BackendGeometry.cpp). The checks that need no OpenCV are made here,
// so they answer the same whether or not the module can be opened.
//
// Indexed pictures are resampled by nearest neighbour so that they keep their palette exactly;
// 16-bit pictures go through 8-bit channels and back to 5 bits each. Angles are hundredths of a
// degree, clockwise on the screen.

#include "imaging/LBitmap.h"

#include "imaging/Backend.h"

#include <cmath>

namespace tsl {

namespace {

// Runs a back-end operation on the picture: kErrorNoBitmap without one, kErrorFormatUnavailable
// (the picture unchanged) when the module cannot be opened.
template <class Op> int Run(CDdb& image, Op op) {
    if (image.IsNull()) return kErrorNoBitmap;
    const backend::Api* api = backend::Get();
    return api ? op(*api) : kErrorFormatUnavailable;
}

// A result of w x h must fit the pixel limit; checked before the back-end allocates it.
bool FitsLimit(double w, double h) {
    return w < 2147483647.0 && h < 2147483647.0 &&
           DibImageSize(static_cast<std::int64_t>(std::ceil(w)), static_cast<std::int64_t>(std::ceil(h)), 32);
}

} // namespace

int LBitmapBase::Flip() {
    return Run(m_image, [this](const backend::Api& api) { return api.flip(m_image); });
}

int LBitmapBase::Reverse() {
    return Run(m_image, [this](const backend::Api& api) { return api.reverse(m_image); });
}

int LBitmapBase::Rotate(int angle, unsigned flags, COLORREF fill) {
    if (m_image.IsNull()) return kErrorNoBitmap;
    if (flags & kRotateResize) {
        const double radians = (angle % 36000) / 100.0 * 3.14159265358979323846 / 180.0;
        const double c = std::abs(std::cos(radians)), s = std::abs(std::sin(radians));
        if (!FitsLimit(GetWidth() * c + GetHeight() * s, GetWidth() * s + GetHeight() * c))
            return kErrorTooLarge;
    }
    return Run(m_image, [&](const backend::Api& api) { return api.rotate(m_image, angle, flags, fill); });
}

int LBitmapBase::Shear(int angle, unsigned flags, COLORREF background) {
    if (m_image.IsNull()) return kErrorNoBitmap;
    if (angle < -4500 || angle > 4500) return kErrorInvalidParameter;
    const double grow = std::abs(std::tan(angle / 100.0 * 3.14159265358979323846 / 180.0));
    if (flags & kShearVertical ? !FitsLimit(GetWidth(), GetHeight() + grow * GetWidth())
                               : !FitsLimit(GetWidth() + grow * GetHeight(), GetHeight()))
        return kErrorTooLarge;
    return Run(m_image,
               [&](const backend::Api& api) { return api.shear(m_image, angle, flags, background); });
}

int LBitmapBase::Size(int width, int height, unsigned flags) {
    if (m_image.IsNull()) return kErrorNoBitmap;
    if (width <= 0 || height <= 0) return kErrorInvalidParameter;
    if (!DibImageSize(width, height, 32)) return kErrorTooLarge;
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
