#pragma once
// A started application on the offscreen platform, with its program folder in a temporary
// place.

#include "app/MainFrame.h"
#include "app/TessalyApp.h"
#include "framework/DocTemplate.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace tsl::test {

struct AppFixture : testing::Test {
    std::unique_ptr<CTessalyApp> app;

    // Writes Settings.ini into the program folder (CR LF lines as shipped).
    void WriteSettings(const QByteArray& text) {
        WriteFile(Env().programFolder + "Settings.ini", text);
    }
    // Settings with the first-run check already done.
    void WriteUsualSettings() { WriteSettings("[General]\r\nFirstTimeUser=1\r\n"); }

    bool Start(const QStringList& arguments = {}, bool showTip = false) {
        CTessalyApp::Options options;
        options.programFolder = Env().programFolder;
        options.userSettingsFolder = MakeTempFolder("user-settings");
        options.showTipAtStartUp = showTip;
        app = std::make_unique<CTessalyApp>(options);
        return app->InitInstance(arguments);
    }
    CMainFrame& Frame() { return *app->MainFrame(); }
    std::size_t DocumentCount() { return app->Template()->Documents().size(); }

    static QString MakeImage(const QString& name, int w = 8, int h = 6) {
        QString path = MakeTempFolder("images") + "/" + name;
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(qRgb(10, 200, 30));
        image.save(path, "PNG");
        return path;
    }
    static bool WaitFor(const std::function<bool()>& condition, int ms = 2000) {
        return QTest::qWaitFor(condition, ms);
    }
    static void Settle() {
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
    }

    void TearDown() override {
        if (app && app->MainFrame()) app->Template()->CloseAllDocuments();
        Settle();
        app.reset();
        Settle();
    }
};

} // namespace tsl::test
