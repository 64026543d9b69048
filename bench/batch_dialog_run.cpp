// The Image Processor dialog's run as a program, for bench/batch_bench.sh: adds the files
// through the (scripted) Add dialog, chooses binary PPM, a resize to WxH with "resample" and
// the output folder, presses OK and quits when the run ends; prints the run's seconds.
//   batch_dialog_run OUT WxH FILE...

#include "batch/ImageProcessorDlg.h"
#include "platform/Scripted.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>

#include <cstdio>

int main(int argc, char** argv) {
    using D = tsl::CImageProcessorDlg;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fputs("usage: batch_dialog_run OUT WxH FILE...\n", stderr);
        return 2;
    }
    tsl::platform::ScriptedPlatform script;
    script.Install();
    D dialog;
    dialog.show();
    auto click = [&](int id) { dialog.Control<QAbstractButton>(id)->click(); };
    script.openAnswers.push_back(args.mid(3));
    click(D::IDC_ADD);
    click(D::IDC_CHANGE_FORMAT);
    dialog.Control<QComboBox>(D::IDC_FORMAT)->setCurrentIndex(18); // binary PPM
    click(D::IDC_CHANGE_SIZE);
    click(D::IDC_RESIZE);
    dialog.Control<QLineEdit>(D::IDC_WIDTH)->setText(args[2].section('x', 0, 0));
    dialog.Control<QLineEdit>(D::IDC_HEIGHT)->setText(args[2].section('x', 1, 1));
    dialog.Control<QComboBox>(D::IDC_QUALITY)->setCurrentIndex(1);
    click(D::IDC_SAME_LOCATION);
    dialog.Control<QLineEdit>(D::IDC_OUTPUT_FOLDER)->setText(args[1]);
    QElapsedTimer clock;
    QObject::connect(&dialog, &D::runFinished, &app, &QApplication::quit);
    clock.start();
    click(1);
    app.exec();
    std::printf("%.3f\n", clock.elapsed() / 1000.0);
    return script.messages.empty() ? 0 : 1;
}
