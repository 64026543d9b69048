#include "platform/FileFilter.h"

namespace tsl::platform {

QStringList ToQtFilters(const QString& filter) {
    QStringList out;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString text = parts[i].trimmed();
        if (text.isEmpty()) break;
        if (text.endsWith(QLatin1Char(')'))) {
            int open = text.lastIndexOf(QLatin1Char('('));
            if (open > 0) text = text.left(open).trimmed();
        }
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        out << QStringLiteral("%1 (%2)").arg(text, patterns.simplified());
    }
    return out;
}

} // namespace tsl::platform
