// The menus, accelerators, toolbars and string table against the program's published tables.

#include "app/ResourceTables.h"
#include "framework/Ids.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

namespace tsl {
namespace {

struct Popup {
    QString title;
    std::vector<int> ids; // every command of the popup and its submenus, in order
};

std::vector<Popup> PopupsOf(int menuId) {
    std::vector<Popup> out;
    for (const MenuResource& menu : MainMenus()) {
        if (menu.id != menuId) continue;
        for (const MenuEntry& e : menu.entries) {
            if (e.depth == 0 && e.kind == MenuEntry::Popup)
                out.push_back({QString::fromUtf8(e.text), {}});
            else if (e.kind == MenuEntry::Item && !out.empty())
                out.back().ids.push_back(e.id);
        }
    }
    return out;
}

bool Contains(const std::vector<int>& ids, int id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

TEST(Menus, DocumentMenuHoldsEveryCommandInItsPopup) {
    const std::map<QString, std::vector<int>> expected = {
        {"&File", {57600, 57601, 32891, 32772, 57602, 32865, 57603, 57604, 32866, 57607, 57609,
                   57606, 32895, 32815, 32773, 32813, 32814, 32905, 32906, 57665}},
        {"&Edit", {57643, 57644, 57635, 57634, 57637, 32862, 32835}},
        {"&View", {59392, 32861, 59393, 32777, 32772, 32838, 32856, 32860, 32858, 32859, 32849,
                   32850, 32851, 32852, 32853, 32854, 32855, 32857}},
        {"&Image", {32844, 32804, 32842, 32846, 32892, 32843, 32880, 32894, 32886, 32893, 32896,
                    32887, 32885, 32900, 32901}},
        {"R&otate", {32836, 32840, 32841}},
        {"Effect&s", {32882, 32883, 32890, 32867, 32869, 32821, 32819, 32823, 32817, 32818,
                      32820, 32824, 32826, 32827, 32834, 32825, 32828, 32829, 32830, 32831,
                      32832, 32833}},
        {"Capt&ure", {32808, 32990, 32881, 32991, 32898, 32899}},
        {"&Window", {57650, 57651, 57649, 32865}},
        {"&Help", {32779, 105, 32790, 33112, 33105, 57664}},
    };
    const std::vector<Popup> popups = PopupsOf(IDR_IMAGE_TYPE);
    std::vector<QString> titles;
    for (const Popup& p : popups) titles.push_back(p.title);
    EXPECT_EQ(titles, (std::vector<QString>{"&File", "&Edit", "&View", "&Image", "R&otate",
                                            "Effect&s", "Capt&ure", "&Window", "&Help"}));
    for (const Popup& p : popups) {
        auto want = expected.at(p.title);
        for (int id : want) EXPECT_TRUE(Contains(p.ids, id)) << p.title.toStdString() << " " << id;
        EXPECT_EQ(std::set<int>(p.ids.begin(), p.ids.end()), std::set<int>(want.begin(), want.end()))
            << p.title.toStdString();
    }
}

TEST(Menus, NoDocumentMenuHasNoDocumentCommands) {
    const std::vector<Popup> popups = PopupsOf(IDR_MAINFRAME);
    std::vector<QString> titles;
    for (const Popup& p : popups) titles.push_back(p.title);
    EXPECT_EQ(titles, (std::vector<QString>{"&File", "&Edit", "&View", "Capt&ure", "&Help"}));
    EXPECT_EQ(popups[1].ids, std::vector<int>{ID_PASTE_AS_NEW_IMAGE});
    for (const Popup& p : popups)
        for (int id : {ID_FILE_SAVE, ID_FILE_CLOSE, ID_FILE_RELOAD, ID_FILE_PRINT, ID_EDIT_UNDO,
                       ID_ZOOM_100, ID_IMAGE_FLIP, ID_FILE_SAVE_ALL, ID_FILE_CLOSE_ALL})
            EXPECT_FALSE(Contains(p.ids, id)) << p.title.toStdString() << " " << id;
    // The resource captures carry other ids here than in the document menu.
    EXPECT_TRUE(Contains(popups[3].ids, ID_CAPTURE_EXE_TREE_NODOC));
    EXPECT_TRUE(Contains(popups[3].ids, ID_CAPTURE_EXE_TABBED_NODOC));
    EXPECT_FALSE(Contains(popups[3].ids, ID_CAPTURE_EXE_TREE));
}

TEST(Menus, TextsThatTheProgramPublishesStandAsGiven) {
    std::map<int, std::set<QString>> texts;
    for (const MenuResource& menu : MainMenus())
        for (const MenuEntry& e : menu.entries)
            if (e.kind == MenuEntry::Item) texts[e.id].insert(QString::fromUtf8(e.text));
    const std::vector<std::pair<int, const char*>> given = {
        {32849, " 10%"}, {32850, " 50%"}, {32838, "100%"}, {32857, "[Specify]..."},
        {32835, "Select &Entire Image\tCtrl+A"}, {32880, "&Crop to Selection\tShift+R"},
        {32808, "Set&up...\tCtrl+Shift+C"}, {32990, "&Start Capture\tShift+C"},
        {32881, "Sto&p Capture"}, {32991, "&Multiple captures"},
        {32898, "From Dll or Exe (Dialog &Tree) ..."},
        {32899, "From Dll or Exe (Dialog Ta&bbed View) ..."}, {32905, "&TWAIN Select Source..."},
        {32906, "TWAIN Acquire &Multi..."}, {32790, "&Tessaly on the Web..."},
        {105, "Ti&p of the Day..."}, {32832, "S&hift && Difference..."}, {32831, "&Prewit..."},
        {32885, "Image &Transparency\tT"}, {32836, "&90 Degrees Clockwise\tR"},
        {32840, "9&0 Anti-Clockwise"}, {32834, "S&tretch Blend"}, {32826, "Edge En&hance"},
    };
    for (const auto& [id, text] : given) {
        const QString want = QString::fromUtf8(text);
        bool found = false;
        for (const QString& t : texts[id])
            found = found || t == want || t.section('\t', 0, 0) == want.section('\t', 0, 0);
        EXPECT_TRUE(found) << id << " " << text;
    }
    EXPECT_TRUE(texts[32838].count("&Normal Viewing: 100%\t="));
}

TEST(Accelerators, TableMatchesTheKeysOfEveryCommand) {
    const auto K = [](Qt::KeyboardModifiers m, Qt::Key k) { return QKeyCombination(m, k); };
    constexpr auto C = Qt::ControlModifier, S = Qt::ShiftModifier, A = Qt::AltModifier,
                   P = Qt::KeypadModifier, N = Qt::NoModifier;
    const std::vector<std::pair<QKeyCombination, int>> expected = {
        {K(N, Qt::Key_Equal), 32838}, {K(N, Qt::Key_W), 32856}, {K(P, Qt::Key_Plus), 32858},
        {K(P, Qt::Key_Minus), 32859}, {K(P, Qt::Key_Asterisk), 32860}, {K(C, Qt::Key_A), 32835},
        {K(N, Qt::Key_B), 32772}, {K(C, Qt::Key_B), 32825}, {K(A, Qt::Key_B), 32883},
        {K(N, Qt::Key_C), 32896}, {K(C, Qt::Key_C), 57634}, {K(C, Qt::Key_Insert), 57634},
        {K(A, Qt::Key_C), 32894}, {K(S, Qt::Key_C), 32990}, {K(C | S, Qt::Key_C), 32808},
        {K(A, Qt::Key_D), 32882}, {K(A, Qt::Key_E), 32824}, {K(N, Qt::Key_F), 32844},
        {K(C | S, Qt::Key_F), 32890}, {K(N, Qt::Key_I), 32815}, {K(N, Qt::Key_M), 32804},
        {K(C, Qt::Key_N), 57600}, {K(C, Qt::Key_O), 57601}, {K(C, Qt::Key_P), 57607},
        {K(N, Qt::Key_R), 32836}, {K(C, Qt::Key_R), 32841}, {K(S, Qt::Key_R), 32880},
        {K(N, Qt::Key_S), 32773}, {K(A, Qt::Key_S), 57603}, {K(N, Qt::Key_T), 32885},
        {K(C, Qt::Key_T), 32900}, {K(C | S, Qt::Key_T), 32901}, {K(C, Qt::Key_V), 57637},
        {K(S, Qt::Key_Insert), 57637}, {K(C | S, Qt::Key_V), 32862}, {K(C, Qt::Key_X), 57635},
        {K(S, Qt::Key_Delete), 57635}, {K(A, Qt::Key_Backspace), 57643}, {K(N, Qt::Key_End), 32777},
        {K(N, Qt::Key_F1), 32779}, {K(N, Qt::Key_F2), 32813}, {K(N, Qt::Key_F3), 32814},
        {K(N, Qt::Key_F6), ID_NEXT_PANE}, {K(S, Qt::Key_F6), ID_PREV_PANE},
        {K(S, Qt::Key_Up), 32873}, {K(S, Qt::Key_Down), 32872}, {K(S, Qt::Key_Left), 32874},
        {K(S, Qt::Key_Right), 32875}, {K(S | A, Qt::Key_Up), 32878}, {K(S | A, Qt::Key_Down), 32879},
        {K(S | A, Qt::Key_Left), 32877}, {K(S | A, Qt::Key_Right), 32876},
        {K(N, Qt::Key_Home), 32776}, {K(N, Qt::Key_Left), 32775}, {K(N, Qt::Key_Right), 32774},
    };
    std::map<int, int> byKey;
    for (const Accelerator& a : MainAccelerators()) {
        EXPECT_TRUE(byKey.emplace(a.key.toCombined(), a.id).second) << "duplicate key";
    }
    EXPECT_EQ(byKey.size(), expected.size());
    for (const auto& [key, id] : expected) {
        auto it = byKey.find(key.toCombined());
        ASSERT_NE(it, byKey.end()) << QKeySequence(key).toString().toStdString();
        EXPECT_EQ(it->second, id) << QKeySequence(key).toString().toStdString();
    }
}

TEST(ToolBars, ButtonsAndSeparatorsStandInOrder) {
    const std::vector<int> main = {57600, 57601, 57603, 32866, 0,     57607, 57609, 0,     57635,
                                   57634, 57637, 32862, 0,     32772, 0,     32815, 0,     32773,
                                   32813, 32814, 0,     32990, 32808, 0,     32779, 57664};
    const std::vector<int> common = {32844, 32785, 32846, 0,     32836, 32841,
                                     0,     32882, 32883, 32821, 32824, 32825};
    EXPECT_EQ(MainToolBar().buttons, main);
    EXPECT_EQ(MainToolBar().id, 128);
    EXPECT_EQ(CommonOperationsBar().buttons, common);
    EXPECT_EQ(CommonOperationsBar().id, 148);
}

TEST(StringTable, EveryCommandHasAPromptAndEveryButtonATooltip) {
    std::map<int, QString> strings;
    for (const StringEntry& s : StringTable()) strings[s.id] = QString::fromUtf8(s.text);
    for (const MenuResource& menu : MainMenus())
        for (const MenuEntry& e : menu.entries)
            if (e.kind == MenuEntry::Item) {
                EXPECT_TRUE(strings.count(e.id)) << e.id;
            }
    for (const ToolBarResource* bar : {&MainToolBar(), &CommonOperationsBar()})
        for (int id : bar->buttons)
            if (id) {
                EXPECT_FALSE(strings[id].section('\n', 1, 1).isEmpty()) << id;
            }
    EXPECT_EQ(strings[ID_CAPTURE_SETUP], QStringLiteral("Sets up the capture options\nSetup Capture"));
    EXPECT_EQ(strings[ID_CAPTURE_MULTIPLE], QStringLiteral("Turns multiple captures on and off"));
    EXPECT_EQ(StatusPanes().size(), 3u);
    EXPECT_EQ(StatusPanes()[0].second,
              QStringLiteral("(0000, 0000) -> (0000, 0000) = (0000 x 0000)"));
}

} // namespace
} // namespace tsl
