// tsl_paintdemo: shows the paint control in an 800x600 main window with a status bar, on a
// 200x150 white 24-bit image, with the pen at width 3.
//
//   tsl_paintdemo [--zoom PERCENT] [--mode N] [--image FILE.bmp]
//
// --mode takes the paint mode's number (5 is the pen, 1 the selection, 10 the airbrush).

#include "paint/PntCtrl.h"

#include <QApplication>
#include <QMainWindow>
#include <QStatusBar>
#include <QStringList>

#include <cstdio>

namespace {

struct COptions {
    int zoom = 100;
    int mode = tsl::kModePen;
    QString image;
};

bool ParseInt(const QString& text, int low, int high, int& out) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < low || value > high) return false;
    out = value;
    return true;
}

bool ParseOptions(const QStringList& args, COptions& options) {
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (i + 1 >= args.size()) return false;
        const QString& value = args[++i];
        if (arg == QLatin1String("--zoom")) {
            if (!ParseInt(value, tsl::CPntCtrl::kMinZoomPercent, tsl::CPntCtrl::kMaxZoomPercent,
                          options.zoom))
                return false;
        } else if (arg == QLatin1String("--mode")) {
            if (!ParseInt(value, 0, tsl::kModeCount - 1, options.mode)) return false;
        } else if (arg == QLatin1String("--image")) {
            options.image = value;
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    COptions options;
    if (!ParseOptions(QApplication::arguments(), options)) {
        std::fprintf(stderr, "usage: tsl_paintdemo [--zoom PERCENT] [--mode N] [--image FILE.bmp]\n");
        return 2;
    }

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Tessaly paint control"));
    window.statusBar(); // the control writes its tool descriptions into an existing bar
    auto* ctrl = new tsl::CPntCtrl;
    window.setCentralWidget(ctrl);

    if (options.image.isEmpty()) {
        ctrl->CreateBlank(200, 150, 1, 24);
        ctrl->Image().FillRect(ctrl->ImageRect(), tsl::RGB(255, 255, 255));
    } else if (!ctrl->LoadBmp(options.image.toStdString())) {
        std::fprintf(stderr, "tsl_paintdemo: cannot read %s\n", qPrintable(options.image));
        return 1;
    }
    ctrl->SetLineWidth(3);
    ctrl->SetZoomPercent(options.zoom);
    ctrl->SetMode(options.mode);
    QObject::connect(ctrl, &tsl::CPntCtrl::magChanged, &window, [&window, ctrl] {
        window.statusBar()->showMessage(QStringLiteral("Zoom %1 %").arg(ctrl->GetZoomPercent()));
    });

    window.resize(800, 600);
    window.show();
    ctrl->setFocus();
    return QApplication::exec();
}
