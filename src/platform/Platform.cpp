#include "platform/Platform.h"

namespace tsl::platform {
namespace {
Services g_services;
}

const Services& Platform() { return g_services; }
void Install(const Services& services) { g_services = services; }

} // namespace tsl::platform
