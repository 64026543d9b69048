// The back-end's filters over OpenCV: box blur, 3x3 convolution, median and the emboss relief,
// on 24- and 32-bit pictures (imaging/Filters.cpp validates the parameters, builds the kernels
// and brings other depths to true colour and back). cv::Mat headers wrap the device bitmap's
// rows without copying. Row 0 of such a matrix is the bottom row of the picture, so kernels
// written in picture order are flipped upside down before they are applied.

#include "imaging/BackendModule.h"

#include "imaging/ImagingFlags.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <new>

namespace tsl::backend::module {
namespace {

cv::Mat Wrap(CDdb& image) {
    return cv::Mat(image.Height(), image.Width(), image.BitsPerPixel() == 24 ? CV_8UC3 : CV_8UC4,
                   image.Bits().data(), image.Stride());
}

// After a filter wrote all four bytes of 32-bit pixels, puts back the source's fourth bytes.
void KeepFourthByte(const CDdb& source, CDdb& result) {
    if (source.BitsPerPixel() != 32) return;
    for (int y = 0; y < source.Height(); ++y) {
        const std::uint8_t* s = source.Row(y);
        std::uint8_t* d = result.Row(y);
        for (int x = 0; x < source.Width(); ++x)
            d[4 * x + 3] = s[4 * x + 3];
    }
}

// Runs filter(in, out) from a wrap of the image into a wrap of a fresh image of its layout.
template <class F> int FilterInto(CDdb& image, F&& filter) {
    if (image.IsNull()) return kErrorNoBitmap;
    if (image.BitsPerPixel() != 24 && image.BitsPerPixel() != 32) return kErrorInvalidBitsPerPixel;
    try {
        CDdb out = CDdb::Create(image.Width(), image.Height(), image.BitsPerPixel());
        if (out.IsNull()) return kErrorNoMemory;
        out.Palette() = image.Palette();
        cv::Mat in = Wrap(image), result = Wrap(out);
        filter(in, result);
        KeepFourthByte(image, out);
        image = std::move(out);
        return kSuccess;
    } catch (const cv::Exception&) {
        return kErrorNoMemory;
    } catch (const std::bad_alloc&) {
        return kErrorNoMemory;
    }
}

// A 3x3 kernel given in picture order (top row first), ready for bottom-up rows.
cv::Mat StorageKernel(const float* k) {
    cv::Mat kernel(3, 3, CV_32F);
    for (int i = 0; i < 9; ++i)
        kernel.at<float>(2 - i / 3, i % 3) = k[i];
    return kernel;
}

} // namespace

int BoxAverage(CDdb& image, int dim) {
    return FilterInto(image, [dim](const cv::Mat& in, cv::Mat& out) {
        if (dim % 2 == 1) {
            cv::blur(in, out, cv::Size(dim, dim), cv::Point(-1, -1), cv::BORDER_REPLICATE);
            return;
        }
        // The mean of the four dim x dim boxes around the pixel's four nearest half-pixel
        // centres: a centred (dim + 1)-wide window whose outer rows and columns weigh half.
        cv::Mat sum = cv::Mat::zeros(in.size(), CV_MAKETYPE(CV_32F, in.channels())), box;
        for (int ax : {dim / 2, dim / 2 - 1})
            for (int ay : {dim / 2, dim / 2 - 1}) {
                cv::boxFilter(in, box, CV_32F, cv::Size(dim, dim), cv::Point(ax, ay), true,
                              cv::BORDER_REPLICATE);
                sum += box;
            }
        sum.convertTo(out, CV_8U, 0.25);
    });
}

int Convolve3x3(CDdb& image, const float* k) {
    return FilterInto(image, [k](const cv::Mat& in, cv::Mat& out) {
        cv::filter2D(in, out, -1, StorageKernel(k), cv::Point(-1, -1), 0, cv::BORDER_REPLICATE);
    });
}

int Median(CDdb& image, int oddDim) {
    return FilterInto(image,
                      [oddDim](const cv::Mat& in, cv::Mat& out) { cv::medianBlur(in, out, oddDim); });
}

int Emboss(CDdb& image, const float* k) {
    return FilterInto(image, [k](const cv::Mat& in, cv::Mat& out) {
        cv::Mat grey, relief;
        cv::cvtColor(in, grey, in.channels() == 3 ? cv::COLOR_BGR2GRAY : cv::COLOR_BGRA2GRAY);
        cv::filter2D(grey, relief, CV_8U, StorageKernel(k), cv::Point(-1, -1), 128,
                     cv::BORDER_REPLICATE);
        const int n = in.channels();
        for (int y = 0; y < out.rows; ++y) {
            const std::uint8_t* r = relief.ptr<std::uint8_t>(y);
            std::uint8_t* p = out.ptr<std::uint8_t>(y);
            for (int x = 0; x < out.cols; ++x, p += n)
                p[0] = p[1] = p[2] = r[x];
        }
    });
}

} // namespace tsl::backend::module
