#pragma once
// The program's icon set, drawn by our own QPainter code: the icons of the main toolbar and of
// the common operations bar (16 and 24 px, drawn on the pixel grid of each size) and the
// application icon (16 to 256 px). Needs a QGuiApplication for the pixmaps and icons.

#include <QIcon>
#include <QImage>
#include <QList>
#include <QPixmap>

namespace tsl {

// The icon of a toolbar command, holding exact 16 and 24 px pixmaps; a null icon for a
// command that has none.
QIcon CommandIcon(int commandId);
// A command's icon drawn at size x size pixels on a transparent background; a null pixmap
// for a command that has none.
QPixmap PaintCommandIcon(int commandId, int size);
// The commands that have icons, in toolbar order.
QList<int> CommandIconIds();

// The application icon at 16, 24, 32, 48, 128 and 256 px.
QIcon ApplicationIcon();
// The application icon drawn at size x size pixels on a transparent background.
QImage PaintApplicationIcon(int size);

} // namespace tsl
