#pragma once
#include <string>

namespace tsl {
// The folder of the running executable, with a trailing '/'.
std::string ExecutableFolder();
} // namespace tsl
