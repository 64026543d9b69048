#pragma once
// The real browser window on a temporary folder of pictures, for the browser's tests.

#include "browser/ImageBrowser.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace tsl::test {

struct BrowserTest : testing::Test {
    std::unique_ptr<CImageBrowser> browser;
    QStringList opened;
    QString dir;

    void SetUp() override {
        dir = MakeTempFolder(QStringLiteral("pictures"));
        browser = std::make_unique<CImageBrowser>();
        browser->SetOpenFunction([this](const QString& path) { opened << path; });
        browser->show();
    }
    void TearDown() override {
        browser.reset();
        QApplication::processEvents();
    }

    // A PNG of w x h in one colour.
    QString Picture(const QString& name, int w = 8, int h = 6, QRgb colour = qRgb(200, 30, 40),
                    const QString& folder = {}) {
        const QString path = (folder.isEmpty() ? dir : folder) + QLatin1Char('/') + name;
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(colour);
        EXPECT_TRUE(image.save(path, "PNG")) << path.toStdString();
        return path;
    }
    // Shows folder and waits until every thumbnail has come.
    bool Browse(const QString& folder) {
        browser->SelectFolder(folder);
        return Settle();
    }
    bool Settle() {
        const bool done = QTest::qWaitFor([this] { return !browser->Building(); }, 15000);
        QApplication::processEvents();
        return done;
    }
    QStringList Labels() const {
        QStringList labels;
        for (int i = 0; i < browser->List()->count(); ++i) labels << browser->List()->item(i)->text();
        return labels;
    }
    void SelectRows(std::initializer_list<int> rows) {
        browser->List()->clearSelection();
        for (int row : rows) browser->List()->item(row)->setSelected(true);
    }
    static QByteArray Read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
};

} // namespace tsl::test
