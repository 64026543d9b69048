// The filters run by OpenCV in the back-end module (imaging/Backend.h, BackendFilters.cpp): box
// blur, sharpen, median, emboss and the 3x3 spatial filters. Their parameters, kernels and the
// spatial filter table are here; kernels are given in picture order, top row first.

#include "imaging/Filters.h"
#include "imaging/FiltersInternal.h"

#include "imaging/Backend.h"

#include <array>
#include <cmath>

namespace tsl {
namespace {

using detail::OnTrueColour;

// Runs a back-end filter on the true-colour form of the image (kErrorFormatUnavailable, the
// image unchanged, when the module cannot be opened).
template <class F> int FilterInto(CDdb& image, F&& filter) {
    return OnTrueColour(image, [&](CDdb& work) {
        const backend::Api* api = backend::Get();
        return api ? filter(*api, work) : kErrorFormatUnavailable;
    });
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
    return FilterInto(image, [dim](const backend::Api& api, CDdb& work) {
        return api.boxAverage(work, dim);
    });
}

int Sharpen(CDdb& image, int change) {
    if (change < kSharpenMin || change > kSharpenMax) return kErrorInvalidParameter;
    if (change == 0) return detail::Unchanged(image);
    // p + s * (p - mean) for sharpening, p + t * (mean - p) for softening.
    const float s = change > 0 ? change / 250.0f : change / 1000.0f;
    const float edge = -s / 9.0f, centre = 1.0f + s - s / 9.0f;
    const float k[9] = {edge, edge, edge, edge, centre, edge, edge, edge, edge};
    return FilterInto(image, [&k](const backend::Api& api, CDdb& work) {
        return api.convolve3x3(work, k);
    });
}

int MedianFilter(CDdb& image, int dim) {
    if (dim < kMedianDimMin || dim > kMedianDimMax) return kErrorInvalidParameter;
    if (dim == 1) return detail::Unchanged(image);
    if (dim == 2) dim = 3;
    if (dim % 2 == 0) ++dim;
    return FilterInto(image, [dim](const backend::Api& api, CDdb& work) {
        return api.median(work, dim);
    });
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
    return FilterInto(image, [&k](const backend::Api& api, CDdb& work) {
        return api.emboss(work, k);
    });
}

int SpatialFilter(CDdb& image, int filterId) {
    if (filterId < 0 || filterId >= kSpatialFilterCount) return kErrorInvalidParameter;
    const SpatialEntry& entry = SpatialTable()[static_cast<std::size_t>(filterId)];
    return FilterInto(image, [&entry](const backend::Api& api, CDdb& work) {
        return api.convolve3x3(work, entry.k);
    });
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
