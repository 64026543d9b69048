#pragma once
// LBase: the imaging library's process-wide services: loading and unloading its parts, the
// resource limits that refuse hostile images before they are decoded, and error display.

#include "core/Dib.h"

#include <string>
#include <utility>
#include <vector>

namespace tsl {

class LBase {
public:
    // Loads the library parts named by mask (the program passes 447, all it uses). Returns 1.
    // GraphicsMagick and OpenCV are opened later, through the back-end module, by the first
    // operation that needs them (imaging/Backend.h); when it cannot be opened those operations
    // return kErrorFormatUnavailable and ErrorText says why.
    static int LoadLibraries(unsigned mask);
    // Releases the parts named by mask; the library is torn down when nothing stays loaded.
    static void UnloadLibraries(unsigned mask);
    static unsigned LoadedLibraries();
    // Shows text in a message box captioned "Error" through the report service.
    static void DisplayError(const std::string& text);
    // The error list: operations that fail in several steps (an acquisition) add each failure
    // with what went wrong beyond its status; DisplayErrorFromList shows the list, one line per
    // entry ("<status text>" or "<status text>: <detail>"), in one message box captioned
    // "Error", and empties it. With an empty list it shows the text of status when status is
    // an error. Returns status.
    static void AddErrorToList(int status, const std::string& detail = {});
    static std::vector<std::pair<int, std::string>> ErrorList();
    static void ClearErrorList();
    static int DisplayErrorFromList(int status);
    // The text of a status code, e.g. "Invalid bits per pixel" for -27.
    static std::string ErrorText(int status);
    // Whether long operations report progress to a callback; kept for callers that switch it,
    // as the operations here run to completion without one.
    static void EnableCallBack(bool enable);
    static bool CallBackEnabled();
};

inline constexpr unsigned kAllLibraries = 447;

// The program's image-operation error report text: path and ": " (when a path is given), then
// "Invalid bits per pixels" (-27), "Invalid Quality factor" (-21), or "Image operation error:
// please check your paths and read/write permissions" for any other status.
std::string ImageOperationErrorText(int status, const std::string& path = {});

} // namespace tsl
