#pragma once
// Points SANE at its "test" backend before anything starts SANE in this test program: a
// private configuration folder whose dll.conf names only "test" (the trailing colon keeps the
// system's test.conf reachable). SANE reads the folder once per process.

#include <QDir>
#include <QFile>
#include <QString>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace tsl::test {

inline const QString& SaneTestConfig() {
    static const QString folder = [] {
        QByteArray path = (QDir::tempPath() + QStringLiteral("/tessaly-sane-XXXXXX")).toLocal8Bit();
        if (!::mkdtemp(path.data())) return QString();
        const QString dir = QString::fromLocal8Bit(path);
        QFile dll(dir + QStringLiteral("/dll.conf"));
        if (dll.open(QIODevice::WriteOnly)) dll.write("test\n");
        ::setenv("SANE_CONFIG_DIR", (path + ":").constData(), 1);
        static const struct Remove {
            std::string path;
            ~Remove() { std::filesystem::remove_all(path); }
        } remove{path.toStdString()};
        return dir;
    }();
    return folder;
}

// Made before main(), so the test main keeps it.
inline const bool kSaneTestConfigured = !SaneTestConfig().isEmpty();

} // namespace tsl::test
