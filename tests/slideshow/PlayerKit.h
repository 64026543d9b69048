#pragma once
// What the player tests share: pictures written into a temporary folder, a model over them, a
// timer the test fires itself, and a random source that plays back a list.

#include "slideshow/SlideShowModel.h"
#include "slideshow/SlideShowPlayer.h"

#include "support/TestEnvironment.h"

#include <QApplication>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

#include <deque>
#include <memory>

namespace tsl::test {

class CManualTimer : public ISlideTimer {
public:
    void Start(int ms) override {
        active = true;
        period = ms;
        ++starts;
    }
    void Stop() override { active = false; }
    bool IsActive() const override { return active; }
    void Fire() {
        if (active && onTick) onTick();
    }
    bool active = false;
    int period = 0;
    int starts = 0;
};

class PlayerTest : public testing::Test {
protected:
    QString dir = MakeTempFolder(QStringLiteral("slides"));
    CSlideShowModel model;
    std::unique_ptr<CSlideShowPlayer> player;
    CManualTimer* timer = nullptr;
    std::deque<int> randoms;
    std::vector<std::pair<int, int>> transitions; // (variant, result)

    // A picture of one colour, written as PNG; returns its path.
    QString Picture(const QString& name, int width = 40, int height = 30,
                    QRgb colour = qRgb(200, 40, 40)) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = dir + QLatin1Char('/') + name;
        EXPECT_TRUE(image.save(path, "PNG"));
        return path;
    }

    // Makes the player over the model (started and shown) with the test's timer and randoms.
    CSlideShowPlayer& Play(int transitionMs = 0) {
        player = std::make_unique<CSlideShowPlayer>(&model);
        auto manual = std::make_unique<CManualTimer>();
        timer = manual.get();
        player->SetTimer(std::move(manual));
        player->SetRandomSource([this] {
            if (randoms.empty()) return 0;
            const int r = randoms.front();
            randoms.pop_front();
            return r;
        });
        player->SetTransitionMilliseconds(transitionMs);
        QObject::connect(player.get(), &CSlideShowPlayer::transitionPainted,
                         [this](int variant, int result) {
                             transitions.push_back({variant, result});
                         });
        player->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(player.get()));
        player->Start();
        return *player;
    }

    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(player.get(), static_cast<Qt::Key>(key), modifiers);
    }
};

} // namespace tsl::test
