#pragma once
// LBase: the imaging library's process-wide services: loading and unloading its parts, the
// resource limits that refuse hostile images before they are decoded, and error display.

#include "core/Dib.h"

#include <string>

namespace tsl {

class LBase {
public:
    // Loads the library parts named by mask (the program passes 447, all it uses). Initialises
    // GraphicsMagick once per process and sets its limits. Returns 1 on success.
    static int LoadLibraries(unsigned mask);
    // Releases the parts named by mask; the library is torn down when nothing stays loaded.
    static void UnloadLibraries(unsigned mask);
    static unsigned LoadedLibraries();
    // Shows text in a message box captioned "Error" through the report service.
    static void DisplayError(const std::string& text);
};

inline constexpr unsigned kAllLibraries = 447;

} // namespace tsl
