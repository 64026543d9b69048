#pragma once
// The real platform services on Qt.

#include "platform/Platform.h"

#include <memory>

namespace tsl::platform {

class QtServices {
public:
    // profilePath: the INI file of the per-user profile.
    explicit QtServices(const QString& profilePath);
    ~QtServices();
    QtServices(const QtServices&) = delete;
    QtServices& operator=(const QtServices&) = delete;
    const Services& services() const { return m_services; }

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    Services m_services;
};

// The profile file of the user: <XDG config>/Orvane/Tessaly.ini.
QString DefaultProfilePath();

} // namespace tsl::platform

namespace tsl::platform {
// The system clipboard on its own, for sets of services that script everything else.
std::unique_ptr<IClipboard> MakeQtClipboard();
} // namespace tsl::platform
