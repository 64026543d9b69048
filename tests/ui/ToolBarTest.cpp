#include "ui/CustToolBar.h"
#include "ui/CustomizeToolBarDlg.h"

#include "framework/MdiFrame.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDataStream>
#include <QListWidget>
#include <QMainWindow>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

namespace tsl {
namespace {

using test::Script;

QString S(const char* text) {
    return QString::fromLatin1(text);
}

// A 16 x 16 icon: a black 10 x 10 square on a clear ground.
QIcon SquareIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.fillRect(3, 3, 10, 10, Qt::black);
    return QIcon(pixmap);
}

// A main window with a customisable bar of five command buttons and two separators:
// 101 102 | 103 | 104 105.
struct Bar {
    QMainWindow window;
    CCustToolBar* bar;
    explicit Bar(int controlId = 0xE800) {
        bar = new CCustToolBar(S("Test Bar"), controlId, &window);
        window.addToolBar(bar);
        for (int id : {101, 102, 0, 103, 0, 104, 105}) {
            if (id == 0) {
                bar->addSeparator();
                continue;
            }
            auto* action = new QAction(QString::number(id), bar);
            action->setProperty(CToolBarEx::kCommandProperty, id);
            action->setToolTip(S("Command ") + QString::number(id));
            action->setIcon(SquareIcon());
            bar->addAction(action);
        }
        bar->LoadToolBar();
        window.resize(400, 120);
    }
    QString Order() const {
        QString order;
        for (const ToolBarButton& b : bar->CurrentLayout()) {
            if (!order.isEmpty()) order += QLatin1Char(' ');
            order += b.IsSeparator() ? S("|") : QString::number(b.command);
        }
        return order;
    }
    void Arrange(std::initializer_list<int> commands) {
        ToolBarLayout layout;
        for (int id : commands) {
            ToolBarButton b;
            b.command = id;
            if (id == 0) b.style = ToolBarButton::kSeparator;
            layout.push_back(b);
        }
        bar->ApplyLayout(layout);
    }
};

// Runs the customisation dialog through a right click, with body as the user.
void Customize(CCustToolBar& bar, std::function<void(CCustomizeToolBarDlg&)> body) {
    Script().dialogScripts.push_back([body](QDialog& dialog) {
        auto* customize = dynamic_cast<CCustomizeToolBarDlg*>(&dialog);
        EXPECT_TRUE(customize);
        if (customize) body(*customize);
        return 1;
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), bar.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&bar, &event);
    EXPECT_TRUE(Script().dialogScripts.empty()) << "the dialog was not shown";
}

TEST(ToolBarState, ByteLayoutOfTheSavedState) {
    ToolBarButton button;
    button.bitmap = 3;
    button.command = 0xE100;
    button.state = ToolBarButton::kEnabled | ToolBarButton::kChecked;
    button.style = ToolBarButton::kCheck;
    ToolBarButton separator;
    separator.bitmap = 8;
    separator.style = ToolBarButton::kSeparator;
    const QByteArray bytes = EncodeToolBarState({button, separator});
    ASSERT_EQ(bytes.size(), 4 + 2 * 20);
    EXPECT_EQ(bytes.toHex().toUpper(), QByteArray("02000000"
                                                  "0300000000E10000"
                                                  "0502"
                                                  "0000"
                                                  "00000000"
                                                  "FFFFFFFF"
                                                  "0800000000000000"
                                                  "0401"
                                                  "0000"
                                                  "00000000"
                                                  "FFFFFFFF"));
    const std::optional<ToolBarLayout> back = DecodeToolBarState(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, (ToolBarLayout{button, separator}));
    EXPECT_EQ(DecodeToolBarState(EncodeToolBarState({})), ToolBarLayout{});

    // Malformed: short, long, truncated count, and absurd counts.
    EXPECT_FALSE(DecodeToolBarState(bytes.left(bytes.size() - 1)));
    EXPECT_FALSE(DecodeToolBarState(bytes + QByteArray(1, '\0')));
    EXPECT_FALSE(DecodeToolBarState(QByteArray("\x01\x00", 2)));
    EXPECT_FALSE(DecodeToolBarState(QByteArray("\xFF\xFF\xFF\xFF", 4)));
    QByteArray huge(4 + 20 * (kMaxStateButtons + 1), '\0');
    huge[0] = static_cast<char>((kMaxStateButtons + 1) & 0xFF);
    huge[1] = static_cast<char>((kMaxStateButtons + 1) >> 8);
    EXPECT_FALSE(DecodeToolBarState(huge));
    QByteArray most(4 + 20 * kMaxStateButtons, '\0');
    most[0] = static_cast<char>(kMaxStateButtons & 0xFF);
    most[1] = static_cast<char>(kMaxStateButtons >> 8);
    EXPECT_TRUE(DecodeToolBarState(most));
}

TEST(CustToolBar, StateRoundTripsThroughTheProfile) {
    Bar first;
    EXPECT_EQ(first.bar->StateValueName(), S("ToolBar State(0xE800)"));
    EXPECT_EQ(Bar(0x94).bar->StateValueName(), S("ToolBar State(0x0094)"));
    EXPECT_EQ(first.Order(), S("101 102 | 103 | 104 105"));
    first.Arrange({105, 0, 101, 103});
    first.bar->SetSeparatorWidth(12);
    first.bar->SaveState(S("Bars"));
    const QString text = Script().profileValues.value(S("Bars/ToolBar State(0xE800)")).toString();
    ASSERT_EQ(text.size(), 2 * (4 + 4 * 20));
    const std::optional<ToolBarLayout> saved =
        DecodeToolBarState(QByteArray::fromHex(text.toLatin1()));
    ASSERT_TRUE(saved);
    ASSERT_EQ(saved->size(), 4u);
    EXPECT_EQ((*saved)[0].command, 105);
    EXPECT_EQ((*saved)[0].bitmap, 4) << "index among the available buttons";
    EXPECT_EQ((*saved)[0].state, ToolBarButton::kEnabled);
    EXPECT_EQ((*saved)[1].style, ToolBarButton::kSeparator);
    EXPECT_EQ((*saved)[1].bitmap, 12) << "a separator records its width";
    EXPECT_EQ(Script().profileValues.value(S("Bars/Separator Width")).toInt(), 12);

    Bar second;
    EXPECT_TRUE(second.bar->LoadState(S("Bars"), true));
    EXPECT_EQ(second.Order(), S("105 | 101 103"));
    EXPECT_EQ(second.bar->SeparatorWidth(), 12);
    EXPECT_EQ(second.bar->SectionName(), S("Bars"));
    second.window.show();
    QApplication::processEvents();
    EXPECT_EQ(second.bar->widgetForAction(second.bar->actions()[1])->width(), 12);

    // A bar whose section is not remembered keeps an empty name; an absent state changes
    // nothing.
    Bar third;
    EXPECT_FALSE(third.bar->LoadState(S("Elsewhere"), false));
    EXPECT_TRUE(third.bar->SectionName().isEmpty());
    EXPECT_EQ(third.Order(), S("101 102 | 103 | 104 105"));

    // Archives carry a 16-bit length and the same bytes.
    QByteArray archive;
    {
        QDataStream out(&archive, QIODevice::WriteOnly);
        first.bar->WriteArchive(out);
    }
    EXPECT_EQ(archive.size(), 2 + 4 + 4 * 20);
    EXPECT_EQ(static_cast<unsigned char>(archive[0]), 84);
    EXPECT_EQ(archive.mid(2).toHex().toUpper(), text.toLatin1());
    QDataStream in(archive);
    EXPECT_TRUE(third.bar->ReadArchive(in));
    EXPECT_EQ(third.Order(), S("105 | 101 103"));
    QDataStream cut(archive.left(20));
    EXPECT_FALSE(third.bar->ReadArchive(cut));
}

TEST(CustToolBar, MalformedStoredStatesAreIgnored) {
    const ToolBarLayout one = {ToolBarButton{0, 105, ToolBarButton::kEnabled, 0, 0, -1}};
    const QByteArray good = EncodeToolBarState(one);
    const QString key = S("Bars/ToolBar State(0xE800)");
    QByteArray absurd = QByteArray::fromHex("FFFFFF7F") + good.mid(4);
    const QString bad[] = {
        QString::fromLatin1(good.left(good.size() - 2).toHex()),    // short
        QString::fromLatin1((good + QByteArray(20, '\0')).toHex()), // long
        QString::fromLatin1(absurd.toHex()),                        // absurd count
        S("ZZ") + QString::fromLatin1(good.toHex().mid(2)),         // not hexadecimal
        QString::fromLatin1(good.toHex()) + S("0"),                 // odd length
        S("01"),                                                    // shorter than a count
    };
    for (const QString& text : bad) {
        SCOPED_TRACE(text.toStdString());
        Bar bar;
        Script().profileValues[key] = text;
        EXPECT_FALSE(bar.bar->LoadState(S("Bars"), true));
        EXPECT_EQ(bar.Order(), S("101 102 | 103 | 104 105"));
    }
    Bar bar;
    Script().profileValues[key] = QString::fromLatin1(good.toHex());
    EXPECT_TRUE(bar.bar->LoadState(S("Bars"), true));
    EXPECT_EQ(bar.Order(), S("105"));
    // Unknown commands and repeated ones are skipped; the hidden bit is kept.
    ToolBarLayout odd = {ToolBarButton{0, 999, ToolBarButton::kEnabled, 0, 0, -1},
                         ToolBarButton{0, 102, ToolBarButton::kHidden, 0, 0, -1},
                         ToolBarButton{0, 102, ToolBarButton::kEnabled, 0, 0, -1},
                         ToolBarButton{0, 103, 0, 0, 0, -1}};
    Script().profileValues[key] = QString::fromLatin1(EncodeToolBarState(odd).toHex());
    EXPECT_TRUE(bar.bar->LoadState(S("Bars"), true));
    EXPECT_EQ(bar.Order(), S("102 103"));
    EXPECT_FALSE(bar.bar->ButtonAction(102)->isVisible());
    EXPECT_TRUE(bar.bar->ButtonAction(103)->isEnabled()) << "enabled belongs to the handlers";
}

TEST(CustToolBar, CustomizationDialogEditsTheBarAndSavesEachChange) {
    Bar bar;
    bar.bar->SetSectionName(S("Bars"));
    Customize(*bar.bar, [&](CCustomizeToolBarDlg& dialog) {
        EXPECT_EQ(dialog.windowTitle(), S("Customize Toolbar"));
        EXPECT_TRUE(bar.bar->IsAdjusting());
        EXPECT_EQ(dialog.AvailableTexts(), QStringList{S("Separator")});
        EXPECT_EQ(dialog.CurrentTexts(),
                  (QStringList{S("Command 101"), S("Command 102"), S("Separator"), S("Command 103"),
                               S("Separator"), S("Command 104"), S("Command 105")}));
        dialog.Remove(0);
        EXPECT_EQ(bar.Order(), S("102 | 103 | 104 105"));
        EXPECT_EQ(dialog.AvailableTexts(), (QStringList{S("Separator"), S("Command 101")}));
        const QString saved =
            Script().profileValues.value(S("Bars/ToolBar State(0xE800)")).toString();
        EXPECT_EQ(DecodeToolBarState(QByteArray::fromHex(saved.toLatin1()))->size(), 6u);
        dialog.Insert(1, 2); // 101 before 103
        EXPECT_EQ(bar.Order(), S("102 | 101 103 | 104 105"));
        dialog.Insert(0, -1); // a separator at the end
        EXPECT_EQ(bar.Order(), S("102 | 101 103 | 104 105 |"));
        dialog.MoveUp(0);
        dialog.MoveUp(5);
        EXPECT_EQ(bar.Order(), S("102 | 101 103 104 | 105 |"));
        dialog.MoveDown(7); // the last entry stays
        dialog.MoveDown(0);
        EXPECT_EQ(bar.Order(), S("| 102 101 103 104 | 105 |"));
        // The buttons act on the selected rows.
        dialog.CurrentList()->setCurrentRow(1);
        dialog.RemoveButton()->click();
        EXPECT_EQ(bar.Order(), S("| 101 103 104 | 105 |"));
        EXPECT_EQ(dialog.CurrentList()->currentRow(), 1);
        EXPECT_TRUE(dialog.UpButton()->isEnabled());
        dialog.HelpButton()->click();
        // Reset without Ctrl: the layout at the opening of the dialog.
        QTest::mouseClick(dialog.ResetButton(), Qt::LeftButton);
        EXPECT_EQ(bar.Order(), S("101 102 | 103 | 104 105"));
    });
    EXPECT_FALSE(bar.bar->IsAdjusting());
    ASSERT_EQ(Script().messages.size(), 1u);
    EXPECT_EQ(Script().messages[0].text, S("Help not implemented!"));
    const QString saved = Script().profileValues.value(S("Bars/ToolBar State(0xE800)")).toString();
    EXPECT_EQ(DecodeToolBarState(QByteArray::fromHex(saved.toLatin1()))->size(), 7u);
}

TEST(CustToolBar, CtrlResetGivesTheDefaultLayoutAfterSavedCustomisations) {
    Bar bar;
    bar.bar->SetSectionName(S("Bars"));
    Customize(*bar.bar, [](CCustomizeToolBarDlg& dialog) { dialog.Remove(0); });
    Customize(*bar.bar, [](CCustomizeToolBarDlg& dialog) { dialog.Remove(0); });
    Bar restarted;
    ASSERT_TRUE(restarted.bar->LoadState(S("Bars"), true));
    EXPECT_EQ(restarted.Order(), S("| 103 | 104 105"));
    Customize(*restarted.bar, [&](CCustomizeToolBarDlg& dialog) {
        dialog.Remove(0);
        QTest::mouseClick(dialog.ResetButton(), Qt::LeftButton);
        EXPECT_EQ(restarted.Order(), S("| 103 | 104 105")) << "the layout at the start";
        QTest::mouseClick(dialog.ResetButton(), Qt::LeftButton, Qt::ControlModifier);
        EXPECT_EQ(restarted.Order(), S("101 102 | 103 | 104 105")) << "the default layout";
    });
    Bar again;
    ASSERT_TRUE(again.bar->LoadState(S("Bars"), true));
    EXPECT_EQ(again.Order(), S("101 102 | 103 | 104 105"));
}

TEST(CustToolBar, ABarWithoutSectionNameIsNeverSaved) {
    Bar bar;
    Customize(*bar.bar, [](CCustomizeToolBarDlg& dialog) {
        dialog.Remove(0);
        dialog.MoveDown(0);
        dialog.Reset(true);
    });
    bar.bar->SaveState(QString());
    EXPECT_TRUE(Script().profileValues.keys().filter(S("ToolBar")).isEmpty());
    EXPECT_TRUE(Script().profileValues.keys().filter(S("Separator")).isEmpty());
}

TEST(CustToolBar, ChildControlFollowsItsButtonAndHidesWhenRemoved) {
    Bar bar;
    auto* combo = new QWidget;
    combo->setFixedSize(40, 18);
    bar.bar->SetButtonControl(103, combo);
    bar.bar->LoadToolBar();
    bar.window.show();
    QApplication::processEvents();
    auto place = [&] { return bar.bar->actionGeometry(bar.bar->EntryFor(103)); };
    EXPECT_TRUE(combo->isVisible());
    EXPECT_EQ(combo->geometry(), place());
    const int before = combo->x();
    Customize(*bar.bar, [&](CCustomizeToolBarDlg& dialog) {
        EXPECT_EQ(dialog.CurrentTexts()[3], S("Command 103"));
        dialog.MoveUp(3);
        dialog.MoveUp(2);
    });
    QApplication::processEvents();
    EXPECT_EQ(bar.Order(), S("101 103 102 | | 104 105"));
    EXPECT_LT(combo->x(), before);
    EXPECT_EQ(combo->geometry(), place());
    EXPECT_TRUE(combo->isVisible());
    Customize(*bar.bar, [](CCustomizeToolBarDlg& dialog) {
        dialog.Remove(1);
        EXPECT_EQ(dialog.AvailableTexts(), (QStringList{S("Separator"), S("Command 103")}));
    });
    EXPECT_TRUE(combo->isHidden());
    bar.bar->Reset(true);
    QApplication::processEvents();
    EXPECT_TRUE(combo->isVisible());
    EXPECT_EQ(combo->parentWidget(), bar.bar);
}

// The flat button states in pixels: flat, hot (raised), pressed (sunken), latched (sunken on
// a dither) and disabled (embossed).
TEST(ToolBarEx, ButtonStatesInPixels) {
    Bar bar;
    bar.window.show();
    QApplication::processEvents();
    CToolBarEx& b = *bar.bar;
    QAction* action = bar.bar->ButtonAction(101);
    auto* button = qobject_cast<QToolButton*>(b.widgetForAction(action));
    ASSERT_TRUE(button);
    const QRect r = b.actionGeometry(action);
    const QRgb face = b.FaceColour().rgb(), light = b.HighlightColour().rgb(),
               shadow = b.ShadowColour().rgb();
    auto grab = [&] { return b.grab().toImage().convertToFormat(QImage::Format_RGB32); };
    const QPoint icon = r.topLeft() + QPoint((r.width() - 16) / 2, (r.height() - 16) / 2);

    QImage image = grab();
    EXPECT_EQ(image.pixel(r.topLeft()), face);
    EXPECT_EQ(image.pixel(r.bottomRight()), face);
    EXPECT_EQ(image.pixel(icon + QPoint(3, 3)), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(icon + QPoint(2, 2)), face);
    EXPECT_EQ(b.HotButton(), -1);

    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(button, &enter);
    EXPECT_EQ(b.HotButton(), 0);
    image = grab();
    EXPECT_EQ(image.pixel(r.topLeft()), light);
    EXPECT_EQ(image.pixel(r.bottomRight()), shadow);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
    EXPECT_EQ(b.HotButton(), -1);
    EXPECT_EQ(grab().pixel(r.topLeft()), face);

    button->setDown(true);
    image = grab();
    EXPECT_EQ(image.pixel(r.topLeft()), shadow);
    EXPECT_EQ(image.pixel(r.bottomRight()), light);
    EXPECT_EQ(image.pixel(icon + QPoint(4, 4)), qRgb(0, 0, 0)) << "the icon moves down and right";
    EXPECT_EQ(image.pixel(icon + QPoint(3, 3)), face);
    button->setDown(false);

    action->setCheckable(true);
    action->setChecked(true);
    image = grab();
    EXPECT_EQ(image.pixel(r.topLeft()), shadow);
    const QPoint in = r.topLeft() + QPoint(2, 2);
    EXPECT_NE(image.pixel(in), image.pixel(in + QPoint(1, 0)));
    EXPECT_EQ(image.pixel(in), image.pixel(in + QPoint(1, 1)));
    for (QPoint p : {in, in + QPoint(1, 0)})
        EXPECT_TRUE(image.pixel(p) == face || image.pixel(p) == light);
    action->setChecked(false);
    action->setCheckable(false);

    action->setEnabled(false);
    image = grab();
    EXPECT_EQ(image.pixel(icon + QPoint(3, 3)), shadow);
    EXPECT_EQ(image.pixel(icon + QPoint(12, 12)), shadow);
    EXPECT_EQ(image.pixel(icon + QPoint(13, 13)), light) << "the highlight copy, one pixel down";
    EXPECT_EQ(image.pixel(icon + QPoint(13, 3)), face);
    QApplication::sendEvent(button, &enter);
    EXPECT_EQ(grab().pixel(r.topLeft()), face) << "a disabled button is never hot";
}

TEST(ToolBarEx, GripperAndCustomDraw) {
    Bar bar;
    bar.window.show();
    QApplication::processEvents();
    CToolBarEx& b = *bar.bar;
    EXPECT_TRUE(b.ShowsGripper());
    const int middle = b.height() / 2;
    QImage image = b.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(image.pixel(2, middle), b.HighlightColour().rgb());
    EXPECT_EQ(image.pixel(4, middle), b.ShadowColour().rgb());
    EXPECT_EQ(image.pixel(6, middle), b.HighlightColour().rgb());
    EXPECT_EQ(image.pixel(8, middle), b.ShadowColour().rgb());
    b.SetGripper(false);
    image = b.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(image.pixel(2, middle), b.FaceColour().rgb());
    b.SetGripper(true);
    b.setMovable(false);
    EXPECT_FALSE(b.ShowsGripper());
    b.setMovable(true);

    // An owner draws over a button between its item stages.
    std::vector<int> stages;
    QObject::connect(&b, &CToolBarEx::customDraw,
                     [&](int stage, int index, QPainter* painter, const QRect& rect) {
                         stages.push_back(stage);
                         if (stage == CToolBarEx::ItemPostPaint && index == 1)
                             painter->fillRect(rect.left(), rect.top(), 2, 2, Qt::red);
                     });
    image = b.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(image.pixel(b.actionGeometry(b.actions()[1]).topLeft()), qRgb(255, 0, 0));
    ASSERT_GE(stages.size(), 2u);
    EXPECT_EQ(stages[0], CToolBarEx::PrePaint);
    EXPECT_NE(std::find(stages.begin(), stages.end(), CToolBarEx::ItemPrePaint), stages.end());
}

TEST(ToolBarEx, EmbossedImageKeepsOnlyDarkPixels) {
    CToolBarEx bar(S("b"));
    QImage icon(4, 1, QImage::Format_ARGB32);
    icon.setPixel(0, 0, qRgba(0, 0, 0, 255));       // dark: embossed
    icon.setPixel(1, 0, qRgba(250, 250, 250, 255)); // light: dropped
    icon.setPixel(2, 0, qRgba(0, 0, 0, 20));        // clear: dropped
    icon.setPixel(3, 0, qRgba(100, 0, 0, 255));     // dark red: embossed
    const QImage out = bar.EmbossedImage(icon);
    ASSERT_EQ(out.size(), QSize(5, 2));
    EXPECT_EQ(out.pixel(0, 0), bar.ShadowColour().rgb());
    EXPECT_EQ(qAlpha(out.pixel(1, 0)), 0);
    EXPECT_EQ(qAlpha(out.pixel(2, 0)), 0);
    EXPECT_EQ(out.pixel(3, 0), bar.ShadowColour().rgb());
    EXPECT_EQ(out.pixel(1, 1), bar.HighlightColour().rgb());
    EXPECT_EQ(out.pixel(4, 1), bar.HighlightColour().rgb());
    EXPECT_EQ(qAlpha(out.pixel(2, 1)), 0);
}

TEST(CustToolBar, FrameFillsACustomisableBarFromItsResourceTable) {
    CMdiFrame frame;
    frame.LoadStringTable({{7001, "Does one\nFirst"}, {7002, "Does two\nSecond"}});
    auto* bar = new CCustToolBar(QString(), 0x1234, &frame);
    const ToolBarResource resource{300, "Resource Bar", {7001, 0, 7002}};
    EXPECT_EQ(frame.LoadToolBar(
                  resource, [](int) { return SquareIcon(); }, bar),
              bar);
    bar->LoadToolBar();
    EXPECT_EQ(bar->windowTitle(), S("Resource Bar"));
    EXPECT_EQ(frame.toolBarArea(bar), Qt::TopToolBarArea);
    ASSERT_EQ(bar->AvailableButtons().size(), 2u);
    EXPECT_EQ(bar->ButtonText(7002), S("Second"));
    EXPECT_EQ(bar->DefaultLayout().size(), 3u);
    ASSERT_EQ(frame.ActionsFor(7002).size(), 1u);
    EXPECT_EQ(bar->ButtonAction(7002), frame.ActionsFor(7002)[0]);
    // Removing and restoring a button keeps the frame's action, which still runs its command.
    ToolBarLayout layout = bar->CurrentLayout();
    layout.erase(layout.begin());
    bar->ApplyLayout(layout);
    EXPECT_EQ(bar->actions().size(), 2);
    bar->Reset(true);
    EXPECT_EQ(bar->actions().size(), 3);
    EXPECT_EQ(bar->actions()[0], frame.ActionsFor(7001)[0]);
}

} // namespace
} // namespace tsl
