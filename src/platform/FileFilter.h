#pragma once
#include <QString>
#include <QStringList>

namespace tsl::platform {
// Turns a "Text|patterns|Text|patterns||" filter into the entries of a Qt file dialog,
// "Text (p1 p2)". A parenthesised tail of the text is replaced by the real patterns.
QStringList ToQtFilters(const QString& filter);
} // namespace tsl::platform
