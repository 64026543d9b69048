// The filters built on OpenCV: box blur, sharpen, median, emboss and the 3x3 spatial filters.
// cv::Mat headers wrap the device bitmap's rows without copying. Row 0 of such a matrix is the
// bottom row of the picture, so kernels written in picture order are flipped upside down before
// they are applied.

#include "imaging/Filters.h"
#include "imaging/FiltersInternal.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <array>
#include <cmath>

namespace tsl {
namespace {

using detail::OnTrueColour;
using detail::SameLayout;

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
    return OnTrueColour(image, [&](CDdb& work) {
        CDdb out = SameLayout(work);
        if (out.IsNull()) return kErrorNoMemory;
        cv::Mat in = Wrap(work), result = Wrap(out);
        filter(in, result);
        KeepFourthByte(work, out);
        work = std::move(out);
        return kSuccess;
    });
}

// A 3x3 kernel given in picture order (top row first), ready for bottom-up rows.
cv::Mat StorageKernel(const float (&k)[9]) {
    cv::Mat kernel(3, 3, CV_32F);
    for (int i = 0; i < 9; ++i)
        kernel.at<float>(2 - i / 3, i % 3) = k[i];
    return kernel;
}

void Convolve(const cv::Mat& in, cv::Mat& out, const float (&k)[9]) {
    cv::filter2D(in, out, -1, StorageKernel(k), cv::Point(-1, -1), 0, cv::BORDER_REPLICATE);
}

// ---------------------------------------------------------------- spatial filter table

struct SpatialEntry {
    unsigned family;
    const char* name;
    float k[9];
};

const std::array<SpatialEntry, kSpatialFilterCount>& SpatialTable() {
    static const std::array<SpatialEntry, kSpatialFilterCount> table = [] {
        std::array<SpatialEntry, kSpatialFilterCount> t{};
        // Compass gradients: the north ring turned clockwise by 45 degrees per direction.
        static const char* const compass[8] = {
            "Gradient north", "Gradient north-east", "Gradient east", "Gradient south-east",
            "Gradient south", "Gradient south-west", "Gradient west", "Gradient north-west"};
        const int ring[8] = {0, 1, 2, 5, 8, 7, 6, 3}; // clockwise from the top-left corner
        const float north[8] = {1, 1, 1, 1, -1, -1, -1, 1};
        for (int d = 0; d < 8; ++d) {
            SpatialEntry& e = t[static_cast<std::size_t>(d)];
            e.family = kSpatialFamilyGradient;
            e.name = compass[d];
            e.k[4] = -2;
            for (int i = 0; i < 8; ++i)
                e.k[ring[i]] = north[(i - d + 8) % 8];
        }
        auto set = [&t](int id, unsigned family, const char* name, std::array<float, 9> k) {
            SpatialEntry& e = t[static_cast<std::size_t>(id)];
            e.family = family;
            e.name = name;
            for (int i = 0; i < 9; ++i)
                e.k[i] = k[static_cast<std::size_t>(i)];
        };
        set(kSpatialSobelNorth, kSpatialFamilySobel, "Sobel north", {1, 2, 1, 0, 0, 0, -1, -2, -1});
        set(kSpatialSobelEast, kSpatialFamilySobel, "Sobel east", {-1, 0, 1, -2, 0, 2, -1, 0, 1});
        set(kSpatialSobelSouth, kSpatialFamilySobel, "Sobel south", {-1, -2, -1, 0, 0, 0, 1, 2, 1});
        set(kSpatialSobelWest, kSpatialFamilySobel, "Sobel west", {1, 0, -1, 2, 0, -2, 1, 0, -1});
        set(kSpatialPrewittNorth, kSpatialFamilyPrewitt, "Prewitt north",
            {1, 1, 1, 0, 0, 0, -1, -1, -1});
        set(kSpatialPrewittEast, kSpatialFamilyPrewitt, "Prewitt east",
            {-1, 0, 1, -1, 0, 1, -1, 0, 1});
        set(kSpatialPrewittSouth, kSpatialFamilyPrewitt, "Prewitt south",
            {-1, -1, -1, 0, 0, 0, 1, 1, 1});
        set(kSpatialPrewittWest, kSpatialFamilyPrewitt, "Prewitt west",
            {1, 0, -1, 1, 0, -1, 1, 0, -1});
        set(kSpatialLaplacian4, kSpatialFamilyLaplacian, "Laplacian 4-neighbour",
            {0, -1, 0, -1, 4, -1, 0, -1, 0});
        set(kSpatialLaplacian8, kSpatialFamilyLaplacian, "Laplacian 8-neighbour",
            {-1, -1, -1, -1, 8, -1, -1, -1, -1});
        set(kSpatialLaplacianWeighted, kSpatialFamilyLaplacian, "Laplacian weighted",
            {1, -2, 1, -2, 4, -2, 1, -2, 1});
        set(kSpatialLaplacianDiagonal, kSpatialFamilyLaplacian, "Laplacian diagonal",
            {-1, 0, -1, 0, 4, 0, -1, 0, -1});
        set(kSpatialLaplacianHorizontal, kSpatialFamilyLaplacian, "Laplacian horizontal",
            {0, 0, 0, -1, 2, -1, 0, 0, 0});
        set(kSpatialLaplacianVertical, kSpatialFamilyLaplacian, "Laplacian vertical",
            {0, -1, 0, 0, 2, 0, 0, -1, 0});
        set(kSpatialShiftDiagonal, kSpatialFamilyShiftDifference, "Shift and difference diagonal",
            {-1, 0, 0, 0, 1, 0, 0, 0, 0});
        set(kSpatialShiftHorizontal, kSpatialFamilyShiftDifference,
            "Shift and difference horizontal", {0, 0, 0, -1, 1, 0, 0, 0, 0});
        set(kSpatialShiftVertical, kSpatialFamilyShiftDifference, "Shift and difference vertical",
            {0, -1, 0, 0, 1, 0, 0, 0, 0});
        set(kSpatialLineHorizontal, kSpatialFamilyLineSegment, "Line segment horizontal",
            {-1, -1, -1, 2, 2, 2, -1, -1, -1});
        set(kSpatialLineVertical, kSpatialFamilyLineSegment, "Line segment vertical",
            {-1, 2, -1, -1, 2, -1, -1, 2, -1});
        set(kSpatialLineLeftDiagonal, kSpatialFamilyLineSegment, "Line segment left diagonal",
            {2, -1, -1, -1, 2, -1, -1, -1, 2});
        set(kSpatialLineRightDiagonal, kSpatialFamilyLineSegment, "Line segment right diagonal",
            {-1, -1, 2, -1, 2, -1, 2, -1, -1});
        return t;
    }();
    return table;
}

} // namespace

int AverageFilter(CDdb& image, int dim) {
    if (dim < kAverageDimMin || dim > kAverageDimMax) return kErrorInvalidParameter;
    if (dim == 1) return detail::Unchanged(image);
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

int Sharpen(CDdb& image, int change) {
    if (change < kSharpenMin || change > kSharpenMax) return kErrorInvalidParameter;
    if (change == 0) return detail::Unchanged(image);
    // p + s * (p - mean) for sharpening, p + t * (mean - p) for softening.
    const float s = change > 0 ? change / 250.0f : change / 1000.0f;
    const float edge = -s / 9.0f, centre = 1.0f + s - s / 9.0f;
    const float k[9] = {edge, edge, edge, edge, centre, edge, edge, edge, edge};
    return FilterInto(image, [&k](const cv::Mat& in, cv::Mat& out) { Convolve(in, out, k); });
}

int MedianFilter(CDdb& image, int dim) {
    if (dim < kMedianDimMin || dim > kMedianDimMax) return kErrorInvalidParameter;
    if (dim == 1) return detail::Unchanged(image);
    if (dim == 2) dim = 3;
    if (dim % 2 == 0) ++dim;
    return FilterInto(image,
                      [dim](const cv::Mat& in, cv::Mat& out) { cv::medianBlur(in, out, dim); });
}

int Emboss(CDdb& image, int direction, int depth) {
    if (direction < kEmbossDirectionMin || direction > kEmbossDirectionMax ||
        depth < kEmbossDepthMin || depth > kEmbossDepthMax)
        return kErrorInvalidParameter;
    // Bilinear weights of the luminance at p - u minus those at p + u, u towards the light.
    const double angle = direction * 3.14159265358979323846 / 180.0;
    const double ux = std::sin(angle), uy = -std::cos(angle), gain = depth / 100.0;
    float k[9] = {};
    auto sample = [&k](double ox, double oy, double weight) {
        const double fx = std::floor(ox), fy = std::floor(oy);
        const double ax = ox - fx, ay = oy - fy;
        const int x0 = static_cast<int>(fx), y0 = static_cast<int>(fy);
        const double w[4] = {(1 - ax) * (1 - ay), ax * (1 - ay), (1 - ax) * ay, ax * ay};
        for (int i = 0; i < 4; ++i) {
            const int x = x0 + (i & 1), y = y0 + (i >> 1);
            if (w[i] > 1e-9 && x >= -1 && x <= 1 && y >= -1 && y <= 1)
                k[(y + 1) * 3 + (x + 1)] += static_cast<float>(weight * w[i]);
        }
    };
    sample(-ux, -uy, gain);
    sample(ux, uy, -gain);
    return FilterInto(image, [&k](const cv::Mat& in, cv::Mat& out) {
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

int SpatialFilter(CDdb& image, int filterId) {
    if (filterId < 0 || filterId >= kSpatialFilterCount) return kErrorInvalidParameter;
    const SpatialEntry& entry = SpatialTable()[static_cast<std::size_t>(filterId)];
    return FilterInto(image,
                      [&entry](const cv::Mat& in, cv::Mat& out) { Convolve(in, out, entry.k); });
}

unsigned SpatialFilterFamily(int filterId) {
    if (filterId < 0 || filterId >= kSpatialFilterCount) return 0;
    return SpatialTable()[static_cast<std::size_t>(filterId)].family;
}

std::vector<int> SpatialFilterIds(unsigned family) {
    std::vector<int> ids;
    for (int id = 0; id < kSpatialFilterCount; ++id)
        if (SpatialTable()[static_cast<std::size_t>(id)].family == family) ids.push_back(id);
    return ids;
}

const char* SpatialFilterName(int filterId) {
    if (filterId < 0 || filterId >= kSpatialFilterCount) return "";
    return SpatialTable()[static_cast<std::size_t>(filterId)].name;
}

} // namespace tsl
