#include "support/TestEnvironment.h"

#include "core/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tsl::test {
namespace {
TestEnvironment g_env;
int g_counter = 0;
} // namespace

TestEnvironment& Env() { return g_env; }

QString MakeTempFolder(const QString& name) {
    QString path = g_env.root + QStringLiteral("/t%1/").arg(++g_counter) + name;
    QDir().mkpath(path);
    return path;
}

QString WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(bytes);
    return path;
}

} // namespace tsl::test
