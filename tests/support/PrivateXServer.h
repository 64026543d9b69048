#pragma once
// A private X server for one test process: Xvfb on a free display (-displayfd) with openbox as
// window manager, started before the application and stopped at exit. Test programs whose
// CTest entries set TSL_PRIVATE_XSERVER get one (TestMain.cpp); they own its windows, pointer,
// keyboard and root window.

#include <QString>

namespace tsl::test {

// Starts the server and sets DISPLAY; false (and a message on stderr) when it cannot.
bool StartPrivateXServer(int width = 1280, int height = 1024);
void StopPrivateXServer();
QString PrivateDisplay();

} // namespace tsl::test
