#pragma once
// tessaly --capture KIND --output FILE [--delay MS]: one capture without a window. KIND is
// full, active, client, under-cursor, cursor or wallpaper; the image is saved through the
// program's writers by FILE's extension. Returns the process's exit status: 0 on success, 1
// with a message on standard error otherwise (2 for a bad command line).

#include <QStringList>

namespace tsl {

// True when the arguments ask for a command-line capture.
bool IsCommandLineCapture(const QStringList& arguments);
// Runs it inside a running QCoreApplication (no windows are created).
int RunCommandLineCapture(const QStringList& arguments);

} // namespace tsl
