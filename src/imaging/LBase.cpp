#include "imaging/LBase.h"

#include "core/Services.h"
#include "imaging/Backend.h"
#include "imaging/ImagingFlags.h"

#include <atomic>
#include <mutex>

namespace tsl {
namespace {
std::atomic<unsigned> g_loaded{0}; // batch workers load files side by side
bool g_callBack = false;
std::mutex g_errorsMutex;
std::vector<std::pair<int, std::string>> g_errors;
constexpr std::size_t kErrorListLength = 16;
} // namespace

// Bookkeeping only: GraphicsMagick and OpenCV live in the back-end module, which is opened (and
// GraphicsMagick set up with its limits) the first time an operation needs them, so that a
// process that never does pays nothing for them.
int LBase::LoadLibraries(unsigned mask) {
    g_loaded.fetch_or(mask);
    return 1;
}

void LBase::UnloadLibraries(unsigned mask) {
    g_loaded.fetch_and(~mask);
    // GraphicsMagick cannot be initialised again after DestroyMagick within one process, so the
    // library stays set up until exit; only the bookkeeping of loaded parts changes.
}

unsigned LBase::LoadedLibraries() { return g_loaded; }

void LBase::DisplayError(const std::string& text) { Report().Report(text, "Error"); }

std::string ImageOperationErrorText(int status, const std::string& path) {
    std::string text = path.empty() ? std::string() : path + ": ";
    if (status == kErrorInvalidBitsPerPixel) return text + "Invalid bits per pixels";
    if (status == kErrorInvalidQualityFactor) return text + "Invalid Quality factor";
    return text + "Image operation error: please check your paths and read/write permissions";
}

std::string LBase::ErrorText(int status) {
    switch (status) {
    case kFailure: return "The operation failed";
    case kErrorNoMemory: return "Not enough memory";
    case kErrorNoBitmap: return "No image";
    case kErrorFileOpen: return "The file could not be opened";
    case kErrorFileWrite: return "The file could not be written";
    case kErrorFileFormat: return "Invalid file format";
    case kErrorInvalidParameter: return "Invalid parameter";
    case kErrorInvalidQualityFactor: return "Invalid quality factor";
    case kErrorInvalidBitsPerPixel: return "Invalid bits per pixel";
    case kErrorCannotWriteFormat: return "This format cannot be written";
    case kErrorFormatUnavailable: {
        // Also what every operation of the back-end returns when its module cannot be opened.
        const std::string& problem = backend::LoadProblem();
        return problem.empty() ? "This format is not available"
                               : "This format is not available: " + problem;
    }
    case kErrorTooLarge: return "The image is too large";
    case kErrorScanCancelled: return "Operation was cancelled";
    case kErrorScanJammed: return "Document feeder jammed";
    case kErrorScanNoDocs: return "Document feeder out of documents";
    case kErrorScanCoverOpen: return "Scanner cover is open";
    case kErrorScanBusy: return "Device busy";
    case kErrorScanIo: return "Error during device I/O";
    case kErrorScanNoDevice: return "No scanner was found";
    case kErrorScanUnsupported: return "Operation not supported";
    case kErrorScanInvalid: return "Invalid argument";
    case kErrorScanAccessDenied: return "Access to resource has been denied";
    case kErrorScanEndedEarly: return "The page ended before its last line";
    case kErrorScanFormatChanged: return "The page format changed between pages";
    case kErrorScanBadFrame: return "The scanner sent an image no page can have";
    default: return status >= kSuccess ? "" : "Error " + std::to_string(status);
    }
}

void LBase::AddErrorToList(int status, const std::string& detail) {
    std::lock_guard lock(g_errorsMutex);
    if (g_errors.size() >= kErrorListLength) g_errors.erase(g_errors.begin());
    g_errors.emplace_back(status, detail);
}

std::vector<std::pair<int, std::string>> LBase::ErrorList() {
    std::lock_guard lock(g_errorsMutex);
    return g_errors;
}

void LBase::ClearErrorList() {
    std::lock_guard lock(g_errorsMutex);
    g_errors.clear();
}

int LBase::DisplayErrorFromList(int status) {
    std::vector<std::pair<int, std::string>> errors;
    {
        std::lock_guard lock(g_errorsMutex);
        errors.swap(g_errors);
    }
    std::string text;
    for (const auto& [code, detail] : errors) {
        if (!text.empty()) text += "\n";
        text += ErrorText(code);
        if (!detail.empty()) text += ": " + detail;
    }
    if (text.empty() && status < kSuccess) text = ErrorText(status);
    if (!text.empty()) DisplayError(text);
    return status;
}

void LBase::EnableCallBack(bool enable) { g_callBack = enable; }
bool LBase::CallBackEnabled() { return g_callBack; }

} // namespace tsl
