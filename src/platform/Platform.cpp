#include "platform/Platform.h"

#include <cstdlib>

namespace tsl::platform {
namespace {
Services g_services;
}

const Services& Platform() { return g_services; }
void Install(const Services& services) { g_services = services; }

bool HasDisplay() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    return (platform && *platform) || std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
}

} // namespace tsl::platform
