#include "ui/HyperlinkLabel.h"

#include "framework/Ids.h"
#include "support/TestEnvironment.h"

#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace tsl {
namespace {

using test::Script;

struct LinkCase {
    const char* text;
    const char* target;
    Qt::MouseButton button;
    const char* opened; // nullptr: nothing opened
    int command;        // -1: no command
};

TEST(HyperlinkLabel, ClickDispatchesOnTargetOrText) {
    const LinkCase cases[] = {
        {"http://example.com/a", "", Qt::LeftButton, "http://example.com/a", -1},
        {"Visit us", "https://example.com/", Qt::LeftButton, "https://example.com/", -1},
        {"HTTP://EXAMPLE.COM", "", Qt::LeftButton, "HTTP://EXAMPLE.COM", -1},
        {"msg:32779", "", Qt::LeftButton, nullptr, ID_HELP_MANUAL},
        {"Manual", "msg:105", Qt::LeftButton, nullptr, ID_HELP_TIP_OF_THE_DAY},
        {"msg:", "", Qt::LeftButton, nullptr, -1},
        {"msg:99999999999", "", Qt::LeftButton, nullptr, -1},
        {"someone@example.com", "", Qt::LeftButton, "mailto:someone@example.com", -1},
        {"Write to us", "mailto:someone@example.com", Qt::LeftButton, "mailto:someone@example.com",
         -1},
        {"www.example.com", "", Qt::LeftButton, nullptr, -1},
        {"", "", Qt::LeftButton, nullptr, -1},
        {"http://example.com/", "", Qt::RightButton, nullptr, -1},
    };
    for (const LinkCase& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / " + c.target);
        Script().opened.clear();
        CHyperlinkLabel label(QString::fromLatin1(c.text));
        label.resize(120, 20);
        label.SetLink(true, QString::fromLatin1(c.target));
        QSignalSpy commands(&label, &CHyperlinkLabel::commandRequested);
        QTest::mouseClick(&label, c.button, {}, QPoint(5, 5));
        EXPECT_EQ(Script().opened,
                  c.opened ? QStringList{QString::fromLatin1(c.opened)} : QStringList{});
        if (c.command < 0) {
            EXPECT_EQ(commands.count(), 0);
        } else {
            ASSERT_EQ(commands.count(), 1);
            EXPECT_EQ(commands.at(0).at(0).toInt(), c.command);
        }
    }
}

// Counts the presses that reach it.
class PressCounter : public QWidget {
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        ++presses;
        event->accept();
    }
};

TEST(HyperlinkLabel, DisabledLinkReceivesNoClicks) {
    PressCounter parent;
    parent.resize(200, 60);
    auto* label = new CHyperlinkLabel(QStringLiteral("https://example.com/"), &parent);
    label->setGeometry(10, 10, 150, 30);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));

    label->SetLink(false);
    QTest::mouseClick(parent.windowHandle(), Qt::LeftButton, {}, QPoint(40, 20));
    EXPECT_EQ(parent.presses, 1); // the click went through to the widget below
    QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(5, 5)); // sent to it directly
    EXPECT_EQ(parent.presses, 2);
    EXPECT_TRUE(Script().opened.isEmpty());

    label->SetLink(true);
    QTest::mouseClick(parent.windowHandle(), Qt::LeftButton, {}, QPoint(40, 20));
    EXPECT_EQ(parent.presses, 2);
    EXPECT_EQ(Script().opened, QStringList{QStringLiteral("https://example.com/")});
}

TEST(HyperlinkLabel, BlinkingShowsEffectTextEverySecondTick) {
    CHyperlinkLabel label(QStringLiteral("News"));
    label.SetEffectText(QStringLiteral("News"));
    label.SetEffectMode(CHyperlinkLabel::EffectBlinkText);
    const QString expected[] = {QString(), QStringLiteral("News"), QString(),
                                QStringLiteral("News")};
    for (const QString& text : expected) {
        label.Tick();
        EXPECT_EQ(label.text(), text);
    }
}

QColor PaintedBackground(CHyperlinkLabel& label) {
    return label.grab().toImage().pixelColor(1, 1);
}

TEST(HyperlinkLabel, FlashingAlternatesBackgroundAndFaceColour) {
    CHyperlinkLabel label;
    label.resize(40, 20);
    QPalette palette = label.palette();
    palette.setColor(QPalette::Button, QColor(10, 20, 30));
    label.setPalette(palette);
    const QColor face(10, 20, 30);
    const QColor red(Qt::red);
    EXPECT_EQ(label.FaceColour(), face);
    EXPECT_EQ(PaintedBackground(label), face); // no background colour: the face

    label.SetBackgroundColour(red);
    EXPECT_EQ(PaintedBackground(label), red);

    label.SetEffectMode(CHyperlinkLabel::EffectFlashBackground);
    const QColor expected[] = {face, red, face, red};
    for (const QColor& colour : expected) {
        EXPECT_EQ(PaintedBackground(label), colour);
        label.Tick();
    }
}

TEST(HyperlinkLabel, OwnTimerBlinksCurrentTextUntilStopped) {
    CHyperlinkLabel label(QStringLiteral("Sale"));
    label.StartEffect(CHyperlinkLabel::EffectBlinkText, 5);
    EXPECT_TRUE(QTest::qWaitFor([&] { return label.text().isEmpty(); }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return label.text() == QStringLiteral("Sale"); }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return label.text().isEmpty(); }, 5000));
    label.StopEffect();
    EXPECT_EQ(label.text(), QStringLiteral("Sale"));
    EXPECT_EQ(label.EffectMode(), CHyperlinkLabel::EffectNone);
}

} // namespace
} // namespace tsl
