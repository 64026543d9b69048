#include "support/PrivateXServer.h"

#include <QByteArray>

#include <vector>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tsl::test {
namespace {

pid_t g_server = 0;
pid_t g_wm = 0;
QString g_display;

pid_t Spawn(const std::vector<std::string>& argv, int keepFd = -1) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    setsid();
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    for (int fd = 3; fd < 256; ++fd)
        if (fd != keepFd) close(fd);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

} // namespace

bool StartPrivateXServer(int width, int height) {
    int fds[2];
    if (pipe(fds) != 0) return false;
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    g_server = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen,
                      "-nolisten", "tcp"},
                     fds[1]);
    close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    char c = 0;
    while (poll(&p, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) {
        std::fprintf(stderr, "the private Xvfb did not start\n");
        StopPrivateXServer();
        return false;
    }
    g_display = QStringLiteral(":%1").arg(QString::fromStdString(number));
    ::setenv("DISPLAY", g_display.toLatin1().constData(), 1);
    g_wm = Spawn({"openbox", "--sm-disable"});
    // openbox is ready once it has set _NET_SUPPORTING_WM_CHECK; wait for it a little.
    for (int i = 0; i < 50; ++i) {
        if (std::system("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'") == 0) {
            usleep(300000); // and its first requests handled
            break;
        }
        usleep(100000);
    }
    std::atexit(StopPrivateXServer);
    return true;
}

void StopPrivateXServer() {
    for (pid_t* pid : {&g_wm, &g_server}) {
        if (*pid > 0) {
            kill(*pid, SIGTERM);
            waitpid(*pid, nullptr, 0);
            *pid = 0;
        }
    }
}

QString PrivateDisplay() { return g_display; }

} // namespace tsl::test
