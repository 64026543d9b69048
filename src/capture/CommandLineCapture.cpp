#include "capture/CommandLineCapture.h"

#include "capture/ScreenGrabber.h"
#include "codecs/CBmp.h"
#include "core/Services.h"
#include "document/ImageFiles.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>

namespace tsl {
namespace {

// Codec messages go to standard error: there is no window to show them in.
class StderrReport : public IReport {
public:
    void Report(const std::string& text, const std::string&) override {
        std::fprintf(stderr, "tessaly: %s\n", text.c_str());
    }
};

int Usage(const char* why) {
    std::fprintf(stderr,
                 "tessaly: %s\n"
                 "usage: tessaly --capture KIND --output FILE [--delay MS]\n"
                 "  KIND: full, active, client, under-cursor, cursor, wallpaper\n",
                 why);
    return 2;
}

} // namespace

bool IsCommandLineCapture(const QStringList& arguments) {
    for (const QString& a : arguments)
        if (a == QLatin1String("--capture") || a.startsWith(QLatin1String("--capture="))) return true;
    return false;
}

int RunCommandLineCapture(const QStringList& arguments) {
    QString kind, output;
    int delay = 0;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        auto value = [&](const char* name, QString& out) {
            const QString option = QString::fromLatin1(name);
            if (a == option) {
                if (i + 1 >= arguments.size()) return false;
                out = arguments[++i];
                return true;
            }
            if (a.startsWith(option + QLatin1Char('='))) {
                out = a.mid(option.size() + 1);
                return true;
            }
            return false;
        };
        QString delayText;
        if (value("--capture", kind) || value("--output", output)) continue;
        if (value("--delay", delayText)) {
            bool ok = false;
            delay = delayText.toInt(&ok);
            if (!ok || delay < 0 || delay > 3600000) return Usage("--delay takes milliseconds (0 to 3600000)");
            continue;
        }
        return Usage(qPrintable(QStringLiteral("unknown argument \"%1\"").arg(a)));
    }
    static const std::pair<const char*, GrabTarget> kKinds[] = {
        {"full", GrabTarget::FullScreen},          {"active", GrabTarget::ActiveWindow},
        {"client", GrabTarget::ActiveClient},      {"under-cursor", GrabTarget::WindowUnderCursor},
        {"cursor", GrabTarget::Cursor},            {"wallpaper", GrabTarget::Wallpaper},
    };
    const GrabTarget* target = nullptr;
    for (const auto& [name, t] : kKinds)
        if (kind == QLatin1String(name)) target = &t;
    if (!target) return Usage("--capture takes full, active, client, under-cursor, cursor or wallpaper");
    if (output.isEmpty()) return Usage("--output FILE is missing");
    if (QFileInfo(output).suffix().isEmpty())
        return Usage("the output file needs an extension that names its format (.png, .bmp, ...)");

    static StderrReport report;
    InstallReport(&report);
    std::unique_ptr<IScreenGrabber> grabber = CreateScreenGrabber();
    if (!grabber) {
        std::fprintf(stderr, "tessaly: the screen cannot be captured: neither an X server ($DISPLAY) "
                             "nor the desktop portal is available\n");
        return 1;
    }
    if (!grabber->Supports(*target)) {
        std::fprintf(stderr, "tessaly: %s cannot capture \"%s\"\n", qPrintable(grabber->Name()), qPrintable(kind));
        return 1;
    }
    if (delay > 0) {
        QEventLoop loop;
        QTimer::singleShot(delay, &loop, &QEventLoop::quit);
        loop.exec();
    }
    const GrabResult result = grabber->Grab(*target, 0xFFFFFFFF, false);
    if (!result.ok()) {
        std::fprintf(stderr, "tessaly: %s\n", qPrintable(result.error));
        return 1;
    }
    SaveRequest request;
    request.image = DdbFromImage(result.image);
    request.documentBitsPerPixel = 24;
    const int status = SaveImageFile(output, request);
    if (status < 1) {
        std::fprintf(stderr, "tessaly: %s\n", qPrintable(ImageErrorText(status, output)));
        return 1;
    }
    return 0;
}

} // namespace tsl
