// The back-end's geometry over OpenCV: flip, mirror, rotate, shear and resize (LBitmapBase's,
// imaging/LBitmap.h).
//
// The picture is copied into a top-down matrix (indices for 1, 4 and 8 bits; B, G, R for 16
// and 24; B, G, R, X for 32), transformed, and copied back at the same depth. Indexed pictures
// are resampled by nearest neighbour so that they keep their palette exactly; 16-bit pictures
// go through 8-bit channels and back to 5 bits each. Angles are hundredths of a degree,
// clockwise on the screen.

#include "imaging/BackendModule.h"

#include "core/Palette.h"
#include "imaging/ImagingFlags.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cmath>
#include <cstring>
#include <new>

namespace tsl::backend::module {

namespace {

cv::Mat ToMat(const CDdb& d) {
    const int w = d.Width(), h = d.Height(), bpp = d.BitsPerPixel();
    const int type = bpp <= 8 ? CV_8UC1 : bpp == 32 ? CV_8UC4 : CV_8UC3;
    cv::Mat m(h, w, type);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* s = d.Row(h - 1 - y);
        std::uint8_t* t = m.ptr<std::uint8_t>(y);
        if (bpp == 24 || bpp == 32) {
            std::memcpy(t, s, static_cast<std::size_t>(w) * bpp / 8);
        } else if (bpp == 16) {
            for (int x = 0; x < w; ++x) {
                const int v = s[2 * x] | s[2 * x + 1] << 8;
                t[3 * x] = ScaleBits(v & 31, 5);
                t[3 * x + 1] = ScaleBits(v >> 5 & 31, 5);
                t[3 * x + 2] = ScaleBits(v >> 10 & 31, 5);
            }
        } else {
            for (int x = 0; x < w; ++x) {
                const int bit = x * bpp;
                t[x] = static_cast<std::uint8_t>((s[bit / 8] >> (8 - bpp - bit % 8)) & ((1 << bpp) - 1));
            }
        }
    }
    return m;
}

CDdb FromMat(const cv::Mat& m, int bpp, const std::vector<RGBQUAD>& palette) {
    CDdb d = CDdb::Create(m.cols, m.rows, bpp);
    if (d.IsNull()) return d;
    d.Palette() = palette;
    const int w = m.cols, h = m.rows;
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* s = m.ptr<std::uint8_t>(y);
        std::uint8_t* t = d.Row(h - 1 - y);
        if (bpp == 24 || bpp == 32) {
            std::memcpy(t, s, static_cast<std::size_t>(w) * bpp / 8);
            if (bpp == 32)
                for (int x = 0; x < w; ++x) t[4 * x + 3] = s[4 * x + 3];
        } else if (bpp == 16) {
            for (int x = 0; x < w; ++x) {
                const int v = (s[3 * x + 2] >> 3) << 10 | (s[3 * x + 1] >> 3) << 5 | s[3 * x] >> 3;
                t[2 * x] = static_cast<std::uint8_t>(v), t[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
            }
        } else {
            for (int x = 0; x < w; ++x) {
                const int bit = x * bpp;
                t[bit / 8] |= static_cast<std::uint8_t>((s[x] & ((1 << bpp) - 1)) << (8 - bpp - bit % 8));
            }
        }
    }
    return d;
}

// The fill value of a colour in the matrix form of the picture.
cv::Scalar Fill(const CDdb& d, COLORREF colour) {
    if (d.BitsPerPixel() <= 8)
        return cv::Scalar(NearestPaletteIndex(d.Palette().data(), static_cast<int>(d.Palette().size()), colour));
    return cv::Scalar(GetBValue(colour), GetGValue(colour), GetRValue(colour), 0);
}

int InterpolationFor(const CDdb& d, int linear) {
    return d.BitsPerPixel() <= 8 ? cv::INTER_NEAREST : linear;
}

template <class Op> int Apply(CDdb& image, Op op) {
    if (image.IsNull()) return kErrorNoBitmap;
    try {
        cv::Mat result = op(ToMat(image));
        CDdb out = FromMat(result, image.BitsPerPixel(), image.Palette());
        if (out.IsNull()) return kErrorTooLarge;
        image = std::move(out);
    } catch (const cv::Exception&) {
        return kErrorNoMemory;
    } catch (const std::bad_alloc&) {
        return kErrorNoMemory;
    }
    return kSuccess;
}

} // namespace

int Flip(CDdb& image) {
    return Apply(image, [](const cv::Mat& m) {
        cv::Mat out;
        cv::flip(m, out, 0);
        return out;
    });
}

int Reverse(CDdb& image) {
    return Apply(image, [](const cv::Mat& m) {
        cv::Mat out;
        cv::flip(m, out, 1);
        return out;
    });
}

int Rotate(CDdb& image, int angle, unsigned flags, COLORREF fill) {
    if (image.IsNull()) return kErrorNoBitmap;
    int a = angle % 36000;
    if (a < 0) a += 36000;
    const cv::Scalar value = Fill(image, fill);
    const int interpolation = InterpolationFor(image, cv::INTER_LINEAR);
    const bool resize = flags & kRotateResize;
    return Apply(image, [&](const cv::Mat& m) {
        cv::Mat out;
        if (a == 0) return m;
        if (a % 9000 == 0 && (resize || a == 18000 || m.cols == m.rows)) {
            const int code = a == 9000 ? cv::ROTATE_90_CLOCKWISE
                             : a == 18000 ? cv::ROTATE_180 : cv::ROTATE_90_COUNTERCLOCKWISE;
            cv::rotate(m, out, code);
            return out;
        }
        const double radians = a / 100.0 * CV_PI / 180.0;
        const double c = std::cos(radians), s = std::sin(radians);
        int w = m.cols, h = m.rows;
        if (resize) {
            w = static_cast<int>(std::ceil(std::abs(m.cols * c) + std::abs(m.rows * s) - 1e-6));
            h = static_cast<int>(std::ceil(std::abs(m.cols * s) + std::abs(m.rows * c) - 1e-6));
        }
        // Clockwise on the screen (y down) about the centre, then centred in the result.
        cv::Mat t = cv::getRotationMatrix2D(cv::Point2f((m.cols - 1) / 2.0f, (m.rows - 1) / 2.0f),
                                            -a / 100.0, 1.0);
        t.at<double>(0, 2) += (w - m.cols) / 2.0;
        t.at<double>(1, 2) += (h - m.rows) / 2.0;
        cv::warpAffine(m, out, t, cv::Size(w, h), interpolation, cv::BORDER_CONSTANT, value);
        return out;
    });
}

int Shear(CDdb& image, int angle, unsigned flags, COLORREF background) {
    if (image.IsNull()) return kErrorNoBitmap;
    if (angle < -4500 || angle > 4500) return kErrorInvalidParameter;
    const double k = std::tan(angle / 100.0 * CV_PI / 180.0);
    const bool vertical = flags & kShearVertical;
    const cv::Scalar value = Fill(image, background);
    const int interpolation = InterpolationFor(image, cv::INTER_LINEAR);
    return Apply(image, [&](const cv::Mat& m) {
        // Horizontal: each row moves right by k times its distance from the bottom row, so a
        // positive angle leans the picture to the right. Vertical: each column moves down by
        // k times its distance from the left column.
        const int grow = static_cast<int>(std::ceil(std::abs(k) * ((vertical ? m.cols : m.rows) - 1) - 1e-6));
        cv::Mat t = cv::Mat::eye(2, 3, CV_64F);
        cv::Size size(m.cols, m.rows);
        if (vertical) {
            t.at<double>(1, 0) = k;
            t.at<double>(1, 2) = k < 0 ? grow : 0;
            size.height += grow;
        } else {
            t.at<double>(0, 1) = -k;
            t.at<double>(0, 2) = k > 0 ? k * (m.rows - 1) : 0;
            size.width += grow;
        }
        cv::Mat out;
        cv::warpAffine(m, out, t, size, interpolation, cv::BORDER_CONSTANT, value);
        return out;
    });
}

int Resize(CDdb& image, int width, int height, Interpolation kind) {
    if (image.IsNull()) return kErrorNoBitmap;
    const int interpolation = InterpolationFor(image, kind == Interpolation::kCubic    ? cv::INTER_CUBIC
                                                   : kind == Interpolation::kLinear ? cv::INTER_LINEAR
                                                   : kind == Interpolation::kArea   ? cv::INTER_AREA
                                                                                    : cv::INTER_NEAREST);
    return Apply(image, [&](const cv::Mat& m) {
        cv::Mat out;
        cv::resize(m, out, cv::Size(width, height), 0, 0, interpolation);
        return out;
    });
}

} // namespace tsl::backend::module
