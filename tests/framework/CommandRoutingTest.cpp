#include "framework/CmdTarget.h"
#include "framework/Ids.h"
#include "framework/MdiFrame.h"
#include "framework/RecentFileList.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

#include <gtest/gtest.h>

namespace tsl {
namespace {

class Target : public CCmdTarget {
public:
    using CCmdTarget::OnCommand;
    using CCmdTarget::OnCommandRange;
    using CCmdTarget::OnUpdate;
    std::vector<int> ran;
};

TEST(CommandRouting, FirstTargetWithAHandlerTakesTheCommand) {
    Target control, view, frame;
    view.OnCommand(1, [&] { view.ran.push_back(1); });
    frame.OnCommand(1, [&] { frame.ran.push_back(1); });
    frame.OnCommand(2, [&] { frame.ran.push_back(2); });
    CCommandRouter router([&] { return std::vector<CCmdTarget*>{&control, nullptr, &view, &frame}; });

    EXPECT_TRUE(router.Execute(1));
    EXPECT_TRUE(router.Execute(2));
    EXPECT_FALSE(router.Execute(3));
    EXPECT_EQ(view.ran, std::vector<int>{1});
    EXPECT_EQ(frame.ran, std::vector<int>{2});
}

TEST(CommandRouting, UpdateStateComesFromTheFirstTargetThatKnowsTheCommand) {
    Target view, frame;
    view.OnUpdate(5, [](CCmdUI& ui) { ui.Enable(false); });
    frame.OnCommand(5, [] {});
    frame.OnCommand(6, [] {});
    frame.OnUpdate(7, [](CCmdUI& ui) { ui.SetCheck(true); });
    CCommandRouter router([&] { return std::vector<CCmdTarget*>{&view, &frame}; });

    EXPECT_FALSE(router.Evaluate(5).IsEnabled()); // the view's update wins over the handler
    EXPECT_TRUE(router.Evaluate(6).IsEnabled());  // a handler alone enables
    EXPECT_TRUE(router.Evaluate(7).IsChecked());
    EXPECT_FALSE(router.Evaluate(8).IsEnabled()); // nobody handles it: disabled
}

TEST(CommandRouting, RangesCoverEveryIdAndPassIt) {
    Target t;
    t.OnCommandRange(10, 12, [&](int id) { t.ran.push_back(id); });
    CCommandRouter router([&] { return std::vector<CCmdTarget*>{&t}; });
    for (int id = 9; id <= 13; ++id) router.Execute(id);
    EXPECT_EQ(t.ran, (std::vector<int>{10, 11, 12}));
}

class Frame : public CMdiFrame {
public:
    using CCmdTarget::OnCommand;
    using CCmdTarget::OnUpdate;
};

TEST(MdiFrame, MenusAcceleratorsAndUpdatesFollowTheTables) {
    Frame frame;
    int ran = 0;
    bool checked = false;
    frame.OnCommand(100, [&] { ++ran; checked = !checked; });
    frame.OnUpdate(100, [&](CCmdUI& ui) { ui.SetCheck(checked); });
    frame.LoadStringTable({{100, "Does a thing\nThing"}});
    frame.LoadMenus({{1,
                      {{0, MenuEntry::Popup, 0, "&One"},
                       {1, MenuEntry::Item, 100, "&Thing\tF9"},
                       {1, MenuEntry::Separator, 0, nullptr},
                       {1, MenuEntry::Popup, 0, "Sub"},
                       {2, MenuEntry::Item, 200, "Later"},
                       {0, MenuEntry::Popup, 0, "&Two"}}},
                     {2, {{0, MenuEntry::Popup, 0, "&Three"}}}});
    frame.LoadAccelerators({{QKeyCombination(Qt::Key_F9), 100}});
    frame.SetMenuResource(1);

    ASSERT_EQ(frame.menuBar()->actions().size(), 2);
    EXPECT_EQ(frame.menuBar()->actions()[0]->text(), QStringLiteral("&One"));
    QMenu* one = frame.Menus(1)[0];
    ASSERT_EQ(one->actions().size(), 3);
    EXPECT_EQ(one->actions()[0]->text(), QStringLiteral("&Thing\tF9"));
    EXPECT_EQ(one->actions()[0]->statusTip(), QStringLiteral("Does a thing"));
    EXPECT_TRUE(one->actions()[1]->isSeparator());
    ASSERT_TRUE(one->actions()[2]->menu());

    frame.UpdateCommandUI();
    for (QAction* a : frame.ActionsFor(200)) EXPECT_FALSE(a->isEnabled()) << "unhandled";
    EXPECT_EQ(frame.ActionsFor(100).size(), 2u); // menu item and accelerator
    EXPECT_EQ(frame.ActionsFor(100)[1]->shortcut(), QKeySequence(Qt::Key_F9));

    EXPECT_TRUE(frame.ExecuteCommand(100));
    EXPECT_FALSE(frame.ExecuteCommand(200));
    EXPECT_EQ(ran, 1);
    for (QAction* a : frame.ActionsFor(100)) EXPECT_TRUE(a->isChecked());

    frame.SetMenuResource(2);
    ASSERT_EQ(frame.menuBar()->actions().size(), 1);
    EXPECT_EQ(frame.menuBar()->actions()[0]->text(), QStringLiteral("&Three"));
}

TEST(MdiFrame, StatusPanesKeepTheirTexts) {
    Frame frame;
    frame.CreateStatusBar({{1, QStringLiteral("0000 x 0000")}, {2, QStringLiteral("100%")}});
    frame.SetPaneText(1, QStringLiteral("3 x 4 x 24"));
    frame.SetPaneText(2, QStringLiteral("50%"));
    frame.SetPaneText(3, QStringLiteral("no such pane"));
    EXPECT_EQ(frame.PaneText(1), QStringLiteral("3 x 4 x 24"));
    EXPECT_EQ(frame.PaneText(2), QStringLiteral("50%"));
    EXPECT_GT(frame.Pane(1)->minimumWidth(), frame.Pane(2)->minimumWidth());
}

TEST(RecentFileList, KeepsFourNewestFirstInTheProfile) {
    CRecentFileList list(4);
    for (const char* name : {"/a.gif", "/b.gif", "/c.gif", "/d.gif", "/e.gif", "/c.gif"})
        list.Add(QString::fromLatin1(name));
    EXPECT_EQ(list.Files(), (QStringList{"/c.gif", "/e.gif", "/d.gif", "/b.gif"}));
    auto& values = test::Script().profileValues;
    EXPECT_EQ(values.value("Recent File List/File1").toString(), QStringLiteral("/c.gif"));
    EXPECT_EQ(values.value("Recent File List/File4").toString(), QStringLiteral("/b.gif"));

    list.Remove(0);
    CRecentFileList again(4);
    again.ReadList();
    EXPECT_EQ(again.Files(), (QStringList{"/e.gif", "/d.gif", "/b.gif"}));
    EXPECT_FALSE(values.contains("Recent File List/File4"));
}

} // namespace
} // namespace tsl
