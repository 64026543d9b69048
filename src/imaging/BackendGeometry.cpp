// The back-end's geometry over OpenCV: flip, mirror, rotate, shear and resize (LBitmapBase's,
// imaging/LBitmap.h).
//
// 24- and 32-bit pictures are worked on where they lie: their bottom-up rows are wrapped as a
// matrix without a copy, and the result is written straight into the new picture's rows. A
// bottom-up matrix is the picture upside down, so a turn or shear there runs the other way
// (resizing and flips are the same either way). Other depths are copied into a top-down matrix
// (indices for 1, 4 and 8 bits; B, G, R for 16), transformed, and copied back. Indexed pictures
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

// Whether a picture is worked on in place (bottom-up rows as the matrix).
bool Direct(const CDdb& d) { return d.BitsPerPixel() == 24 || d.BitsPerPixel() == 32; }

cv::Mat Wrap(CDdb& d) {
    return cv::Mat(d.Height(), d.Width(), d.BitsPerPixel() == 32 ? CV_8UC4 : CV_8UC3, d.Bits().data(), d.Stride());
}

// Runs f, an OpenCV failure or an allocation that fails counting as kErrorNoMemory.
template <class F> int Guarded(F f) {
    try {
        return f();
    } catch (const cv::Exception&) {
        return kErrorNoMemory;
    } catch (const std::bad_alloc&) {
        return kErrorNoMemory;
    }
}

// Runs op(source, target) from a wrapped picture into a fresh one of the result's size, which
// then replaces it.
template <class Op> int ApplyDirect(CDdb& image, int w, int h, Op op) {
    return Guarded([&] {
        CDdb out = CDdb::Create(w, h, image.BitsPerPixel());
        if (out.IsNull()) return kErrorTooLarge;
        cv::Mat target = Wrap(out);
        op(Wrap(image), target); // the fourth bytes stay zero: sources and fills have zero there
        image = std::move(out);
        return kSuccess;
    });
}

int InterpolationFor(const CDdb& d, int linear) {
    return d.BitsPerPixel() <= 8 ? cv::INTER_NEAREST : linear;
}

template <class Op> int Apply(CDdb& image, Op op) {
    if (image.IsNull()) return kErrorNoBitmap;
    return Guarded([&] {
        cv::Mat result = op(ToMat(image));
        CDdb out = FromMat(result, image.BitsPerPixel(), image.Palette());
        if (out.IsNull()) return kErrorTooLarge;
        image = std::move(out);
        return kSuccess;
    });
}

} // namespace

int Flip(CDdb& image) {
    if (Direct(image))
        return ApplyDirect(image, image.Width(), image.Height(),
                           [](const cv::Mat& m, cv::Mat& out) { cv::flip(m, out, 0); });
    return Apply(image, [](const cv::Mat& m) {
        cv::Mat out;
        cv::flip(m, out, 0);
        return out;
    });
}

int Reverse(CDdb& image) {
    if (Direct(image))
        return ApplyDirect(image, image.Width(), image.Height(),
                           [](const cv::Mat& m, cv::Mat& out) { cv::flip(m, out, 1); });
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
    if (a == 0) return kSuccess;
    const cv::Scalar value = Fill(image, fill);
    const int interpolation = InterpolationFor(image, cv::INTER_LINEAR);
    const bool resize = flags & kRotateResize;
    const int cols = image.Width(), rows = image.Height();
    const bool quarter = a % 9000 == 0 && (resize || a == 18000 || cols == rows);
    int w = cols, h = rows;
    if (quarter && a != 18000) std::swap(w, h);
    const double radians = a / 100.0 * CV_PI / 180.0;
    const double c = std::cos(radians), s = std::sin(radians);
    if (!quarter && resize) {
        w = static_cast<int>(std::ceil(std::abs(cols * c) + std::abs(rows * s) - 1e-6));
        h = static_cast<int>(std::ceil(std::abs(cols * s) + std::abs(rows * c) - 1e-6));
    }
    // Clockwise on the screen is anti-clockwise in a bottom-up matrix.
    const bool bottomUp = Direct(image);
    const auto turn = [&](const cv::Mat& m, cv::Mat& out) {
        if (quarter) {
            const int code = a == 18000 ? cv::ROTATE_180
                             : (a == 9000) != bottomUp ? cv::ROTATE_90_CLOCKWISE
                                                       : cv::ROTATE_90_COUNTERCLOCKWISE;
            cv::rotate(m, out, code);
            return;
        }
        // About the centre, then centred in the result.
        cv::Mat t = cv::getRotationMatrix2D(cv::Point2f((m.cols - 1) / 2.0f, (m.rows - 1) / 2.0f),
                                            bottomUp ? a / 100.0 : -a / 100.0, 1.0);
        t.at<double>(0, 2) += (w - m.cols) / 2.0;
        t.at<double>(1, 2) += (h - m.rows) / 2.0;
        cv::warpAffine(m, out, t, cv::Size(w, h), interpolation, cv::BORDER_CONSTANT, value);
    };
    if (bottomUp) return ApplyDirect(image, w, h, turn);
    return Apply(image, [&](const cv::Mat& m) {
        cv::Mat out;
        turn(m, out);
        return out;
    });
}

namespace {

// Shears rows (horizontal) or columns (vertical) of src into dst, which is already of the grown
// size: each destination pixel takes the source pixel `offset` before it along the moving axis,
// blending the two neighbours by the fraction (or the nearer one, for palette indices); what
// falls outside the source takes the fill. offset(i) = base + slope * i, where i is the row
// (horizontal) or column (vertical).
void ShearInto(const cv::Mat& src, cv::Mat& dst, bool vertical, double base, double slope,
               bool nearest, const cv::Scalar& fill) {
    const int channels = src.channels();
    std::uint8_t background[4];
    for (int k = 0; k < 4; ++k) background[k] = static_cast<std::uint8_t>(fill[k]);
    // Fixed-point weight of the pixel before, in 1/256.
    const auto split = [nearest](double offset, int& whole, int& weight) {
        const double f = std::floor(offset);
        whole = static_cast<int>(f);
        weight = static_cast<int>(std::lround((offset - f) * 256));
        if (nearest) weight = weight >= 128 ? 256 : 0;
        if (weight == 256) ++whole, weight = 0;
    };
    const auto blend = [channels, &background](std::uint8_t* out, const std::uint8_t* before,
                                               const std::uint8_t* at, int weight) {
        const std::uint8_t* b = before ? before : background;
        const std::uint8_t* c = at ? at : background;
        for (int k = 0; k < channels; ++k)
            out[k] = static_cast<std::uint8_t>((b[k] * weight + c[k] * (256 - weight) + 128) >> 8);
    };
    if (!vertical) {
        cv::parallel_for_(cv::Range(0, dst.rows), [&](const cv::Range& range) {
            for (int y = range.start; y < range.end; ++y) {
                int whole = 0, weight = 0;
                split(base + slope * y, whole, weight);
                const std::uint8_t* row = src.ptr<std::uint8_t>(y);
                std::uint8_t* out = dst.ptr<std::uint8_t>(y);
                // Destination column x takes source columns x - whole - 1 (weight) and
                // x - whole: both lie on the row for x in [whole + 1, whole + cols).
                const int first = std::clamp(whole + 1, 0, dst.cols);
                const int last = std::clamp(whole + src.cols, first, dst.cols);
                for (int x = 0; x < first; ++x) {
                    const int sx = x - whole;
                    blend(out + x * channels, nullptr, sx == 0 ? row : nullptr, weight);
                }
                // The inner span, byte by byte with one weight (vectorised by the compiler).
                const std::uint8_t* before = row + static_cast<std::ptrdiff_t>(first - whole - 1) * channels;
                const std::uint8_t* at = before + channels;
                std::uint8_t* o = out + static_cast<std::ptrdiff_t>(first) * channels;
                const int bytes = (last - first) * channels, keep = 256 - weight;
                for (int i = 0; i < bytes; ++i)
                    o[i] = static_cast<std::uint8_t>((before[i] * weight + at[i] * keep + 128) >> 8);
                for (int x = last; x < dst.cols; ++x) {
                    const int sx = x - whole;
                    blend(out + x * channels, sx - 1 == src.cols - 1 ? row + (sx - 1) * channels : nullptr,
                          nullptr, weight);
                }
            }
        });
        return;
    }
    std::vector<int> wholes(static_cast<std::size_t>(dst.cols)), weights(wholes.size());
    for (int x = 0; x < dst.cols; ++x) split(base + slope * x, wholes[x], weights[x]);
    cv::parallel_for_(cv::Range(0, dst.rows), [&](const cv::Range& range) {
        for (int y = range.start; y < range.end; ++y) {
            std::uint8_t* out = dst.ptr<std::uint8_t>(y);
            for (int x = 0; x < dst.cols; ++x) {
                const int sy = y - wholes[x];
                const std::uint8_t* before =
                    sy - 1 >= 0 && sy - 1 < src.rows ? src.ptr<std::uint8_t>(sy - 1) + x * channels : nullptr;
                const std::uint8_t* at = sy >= 0 && sy < src.rows ? src.ptr<std::uint8_t>(sy) + x * channels : nullptr;
                blend(out + x * channels, before, at, weights[x]);
            }
        }
    });
}

} // namespace

int Shear(CDdb& image, int angle, unsigned flags, COLORREF background) {
    if (image.IsNull()) return kErrorNoBitmap;
    if (angle < -4500 || angle > 4500) return kErrorInvalidParameter;
    const double k = std::tan(angle / 100.0 * CV_PI / 180.0);
    const bool vertical = flags & kShearVertical;
    const cv::Scalar value = Fill(image, background);
    const bool nearest = image.BitsPerPixel() <= 8;
    const int cols = image.Width(), rows = image.Height();
    // Horizontal: each row moves right by k times its distance from the bottom row, so a
    // positive angle leans the picture to the right. Vertical: each column moves down by k
    // times its distance from the left column. The picture grows by what the far side moves.
    const int grow = static_cast<int>(std::ceil(std::abs(k) * ((vertical ? cols : rows) - 1) - 1e-6));
    const int w = vertical ? cols : cols + grow, h = vertical ? rows + grow : rows;
    const bool bottomUp = Direct(image);
    // The offsets in the matrix's own row order (bottom-up turns "distance from the bottom row"
    // into the row index, and "down" into "up").
    double base = 0, slope = 0;
    if (!vertical) {
        const double shift = k < 0 ? -k * (rows - 1) : 0; // keeps every offset at 0 or above
        slope = bottomUp ? k : -k;
        base = bottomUp ? shift : k * (rows - 1) + shift;
    } else {
        const double down = k < 0 ? grow : 0;
        slope = bottomUp ? -k : k;
        base = bottomUp ? grow - down : down;
    }
    const auto shear = [&](const cv::Mat& m, cv::Mat& out) {
        out.create(h, w, m.type());
        ShearInto(m, out, vertical, base, slope, nearest, value);
    };
    if (bottomUp) return ApplyDirect(image, w, h, shear);
    return Apply(image, [&](const cv::Mat& m) {
        cv::Mat out;
        shear(m, out);
        return out;
    });
}

int Resize(CDdb& image, int width, int height, Interpolation kind) {
    if (image.IsNull()) return kErrorNoBitmap;
    const int interpolation = InterpolationFor(image, kind == Interpolation::kCubic    ? cv::INTER_CUBIC
                                                   : kind == Interpolation::kLinear ? cv::INTER_LINEAR
                                                   : kind == Interpolation::kArea   ? cv::INTER_AREA
                                                                                    : cv::INTER_NEAREST);
    // Nearest sampling picks rows from the top; the other kinds are the same upside down.
    if (Direct(image) && interpolation != cv::INTER_NEAREST)
        return ApplyDirect(image, width, height, [&](const cv::Mat& m, cv::Mat& out) {
            cv::resize(m, out, out.size(), 0, 0, interpolation);
        });
    return Apply(image, [&](const cv::Mat& m) {
        cv::Mat out;
        cv::resize(m, out, cv::Size(width, height), 0, 0, interpolation);
        return out;
    });
}

} // namespace tsl::backend::module
