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
        {"&File",
         {ID_FILE_NEW,
          ID_FILE_OPEN,
          ID_FILE_RELOAD,
          ID_BROWSE,
          ID_FILE_CLOSE,
          ID_FILE_CLOSE_ALL,
          ID_FILE_SAVE,
          ID_FILE_SAVE_AS,
          ID_FILE_SAVE_ALL,
          ID_FILE_PRINT,
          ID_FILE_PRINT_PREVIEW,
          ID_FILE_PRINT_SETUP,
          ID_FIT_TO_PAGE,
          ID_IMAGE_PROCESSOR,
          ID_SLIDE_SHOW,
          ID_QUICK_SLIDE_SHOW,
          ID_QUICK_MULTI_SLIDE_SHOW,
          ID_TWAIN_SELECT_SOURCE,
          ID_TWAIN_ACQUIRE_MULTI,
          ID_APP_EXIT}},
        {"&Edit",
         {ID_EDIT_UNDO, ID_EDIT_REDO, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE,
          ID_PASTE_AS_NEW_IMAGE, ID_SELECT_ENTIRE_IMAGE}},
        {"&View",
         {ID_VIEW_TOOLBAR, ID_VIEW_COMMON_BAR, ID_VIEW_STATUS_BAR, ID_VIEW_PAINT_BAR, ID_BROWSE,
          ID_ZOOM_100, ID_ZOOM_TO_WINDOW, ID_ZOOM_PIXEL_LEVEL, ID_ZOOM_IN, ID_ZOOM_OUT, ID_ZOOM_10,
          ID_ZOOM_50, ID_ZOOM_200, ID_ZOOM_300, ID_ZOOM_400, ID_ZOOM_500, ID_ZOOM_600,
          ID_ZOOM_SPECIFY}},
        {"&Image",
         {ID_IMAGE_FLIP, ID_IMAGE_MIRROR, ID_IMAGE_SHEAR, ID_IMAGE_RESAMPLE, ID_IMAGE_CHANGE_SIZE,
          ID_IMAGE_TRIM, ID_CROP_TO_SELECTION, ID_SELECT_TO_CLIPBOARD_SIZE, ID_IMAGE_COLOR_DEPTH,
          ID_IMAGE_REPLACE_COLOR, ID_IMAGE_SWAP_COLORS, ID_IMAGE_GRAYSCALE, ID_IMAGE_TRANSPARENCY,
          ID_SET_TRANSPARENT_FG, ID_SET_TRANSPARENT_BG}},
        {"R&otate", {ID_ROTATE_90_CW, ID_ROTATE_90_ACW, ID_ROTATE_ANY}},
        {"Effect&s", {ID_EFFECT_DROP_SHADOW,  ID_EFFECT_BUTTONIZE, ID_EFFECT_FRAME,
                      ID_EFFECT_LIGHTEN,      ID_EFFECT_DARKEN,    ID_EFFECT_SHARPEN,
                      ID_EFFECT_BLUR,         ID_EFFECT_ADD_NOISE, ID_EFFECT_POSTERIZE,
                      ID_EFFECT_MOSAIC,       ID_EFFECT_MEDIAN,    ID_EFFECT_EMBOSS,
                      ID_EFFECT_EDGE_ENHANCE, ID_EFFECT_OILIFY,    ID_EFFECT_STRETCH_BLEND,
                      ID_EFFECT_TILE_BLEND,   ID_FILTER_GRADIENT,  ID_FILTER_LAPLACIAN,
                      ID_FILTER_SOBEL,        ID_FILTER_PREWITT,   ID_FILTER_SHIFT_DIFFERENCE,
                      ID_FILTER_LINE_SEGMENT}},
        {"Capt&ure",
         {ID_CAPTURE_SETUP, ID_CAPTURE_START, ID_CAPTURE_STOP, ID_CAPTURE_MULTIPLE,
          ID_CAPTURE_EXE_TREE, ID_CAPTURE_EXE_TABBED}},
        {"&Window", {ID_WINDOW_CASCADE, ID_WINDOW_TILE_HORZ, ID_WINDOW_ARRANGE, ID_FILE_CLOSE_ALL}},
        {"&Help",
         {ID_HELP_MANUAL, ID_HELP_TIP_OF_THE_DAY, ID_HELP_WEB, ID_HELP_DOWNLOAD, ID_HELP_EMAIL,
          ID_APP_ABOUT}},
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
        {ID_ZOOM_10, " 10%"},
        {ID_ZOOM_50, " 50%"},
        {ID_ZOOM_100, "100%"},
        {ID_ZOOM_SPECIFY, "[Specify]..."},
        {ID_SELECT_ENTIRE_IMAGE, "Select &Entire Image\tCtrl+A"},
        {ID_CROP_TO_SELECTION, "&Crop to Selection\tShift+R"},
        {ID_CAPTURE_SETUP, "Set&up...\tCtrl+Shift+C"},
        {ID_CAPTURE_START, "&Start Capture\tShift+C"},
        {ID_CAPTURE_STOP, "Sto&p Capture"},
        {ID_CAPTURE_MULTIPLE, "&Multiple captures"},
        {ID_CAPTURE_EXE_TREE, "From Dll or Exe (Dialog &Tree) ..."},
        {ID_CAPTURE_EXE_TABBED, "From Dll or Exe (Dialog Ta&bbed View) ..."},
        {ID_TWAIN_SELECT_SOURCE, "&TWAIN Select Source..."},
        {ID_TWAIN_ACQUIRE_MULTI, "TWAIN Acquire &Multi..."},
        {ID_HELP_WEB, "&Tessaly on the Web..."},
        {ID_HELP_TIP_OF_THE_DAY, "Ti&p of the Day..."},
        {ID_FILTER_SHIFT_DIFFERENCE, "S&hift && Difference..."},
        {ID_FILTER_PREWITT, "&Prewit..."},
        {ID_IMAGE_TRANSPARENCY, "Image &Transparency\tT"},
        {ID_ROTATE_90_CW, "&90 Degrees Clockwise\tR"},
        {ID_ROTATE_90_ACW, "9&0 Anti-Clockwise"},
        {ID_EFFECT_STRETCH_BLEND, "S&tretch Blend"},
        {ID_EFFECT_EDGE_ENHANCE, "Edge En&hance"},
    };
    for (const auto& [id, text] : given) {
        const QString want = QString::fromUtf8(text);
        bool found = false;
        for (const QString& t : texts[id])
            found = found || t == want || t.section('\t', 0, 0) == want.section('\t', 0, 0);
        EXPECT_TRUE(found) << id << " " << text;
    }
    EXPECT_TRUE(texts[ID_ZOOM_100].count("&Normal Viewing: 100%\t="));
}

TEST(Accelerators, TableMatchesTheKeysOfEveryCommand) {
    const auto K = [](Qt::KeyboardModifiers m, Qt::Key k) { return QKeyCombination(m, k); };
    constexpr auto C = Qt::ControlModifier, S = Qt::ShiftModifier, A = Qt::AltModifier,
                   P = Qt::KeypadModifier, N = Qt::NoModifier;
    const std::vector<std::pair<QKeyCombination, int>> expected = {
        {K(N, Qt::Key_Equal), ID_ZOOM_100},
        {K(N, Qt::Key_W), ID_ZOOM_TO_WINDOW},
        {K(P, Qt::Key_Plus), ID_ZOOM_IN},
        {K(P, Qt::Key_Minus), ID_ZOOM_OUT},
        {K(P, Qt::Key_Asterisk), ID_ZOOM_PIXEL_LEVEL},
        {K(C, Qt::Key_A), ID_SELECT_ENTIRE_IMAGE},
        {K(N, Qt::Key_B), ID_BROWSE},
        {K(C, Qt::Key_B), ID_EFFECT_TILE_BLEND},
        {K(A, Qt::Key_B), ID_EFFECT_BUTTONIZE},
        {K(N, Qt::Key_C), ID_IMAGE_SWAP_COLORS},
        {K(C, Qt::Key_C), ID_EDIT_COPY},
        {K(C, Qt::Key_Insert), ID_EDIT_COPY},
        {K(A, Qt::Key_C), ID_SELECT_TO_CLIPBOARD_SIZE},
        {K(S, Qt::Key_C), ID_CAPTURE_START},
        {K(C | S, Qt::Key_C), ID_CAPTURE_SETUP},
        {K(A, Qt::Key_D), ID_EFFECT_DROP_SHADOW},
        {K(A, Qt::Key_E), ID_EFFECT_EMBOSS},
        {K(N, Qt::Key_F), ID_IMAGE_FLIP},
        {K(C | S, Qt::Key_F), ID_EFFECT_FRAME},
        {K(N, Qt::Key_I), ID_IMAGE_PROCESSOR},
        {K(N, Qt::Key_M), ID_IMAGE_MIRROR},
        {K(C, Qt::Key_N), ID_FILE_NEW},
        {K(C, Qt::Key_O), ID_FILE_OPEN},
        {K(C, Qt::Key_P), ID_FILE_PRINT},
        {K(N, Qt::Key_R), ID_ROTATE_90_CW},
        {K(C, Qt::Key_R), ID_ROTATE_ANY},
        {K(S, Qt::Key_R), ID_CROP_TO_SELECTION},
        {K(N, Qt::Key_S), ID_SLIDE_SHOW},
        {K(A, Qt::Key_S), ID_FILE_SAVE},
        {K(C, Qt::Key_S), ID_FILE_SAVE},
        {K(N, Qt::Key_T), ID_IMAGE_TRANSPARENCY},
        {K(C, Qt::Key_T), ID_SET_TRANSPARENT_FG},
        {K(C | S, Qt::Key_T), ID_SET_TRANSPARENT_BG},
        {K(C, Qt::Key_V), ID_EDIT_PASTE},
        {K(S, Qt::Key_Insert), ID_EDIT_PASTE},
        {K(C | S, Qt::Key_V), ID_PASTE_AS_NEW_IMAGE},
        {K(C, Qt::Key_X), ID_EDIT_CUT},
        {K(S, Qt::Key_Delete), ID_EDIT_CUT},
        {K(A, Qt::Key_Backspace), ID_EDIT_UNDO},
        {K(N, Qt::Key_End), ID_VIEW_PAINT_BAR},
        {K(N, Qt::Key_F1), ID_HELP_MANUAL},
        {K(N, Qt::Key_F2), ID_QUICK_SLIDE_SHOW},
        {K(N, Qt::Key_F3), ID_QUICK_MULTI_SLIDE_SHOW},
        {K(N, Qt::Key_F6), ID_NEXT_PANE},
        {K(S, Qt::Key_F6), ID_PREV_PANE},
        {K(S, Qt::Key_Up), ID_NUDGE_UP},
        {K(S, Qt::Key_Down), ID_NUDGE_DOWN},
        {K(S, Qt::Key_Left), ID_NUDGE_LEFT},
        {K(S, Qt::Key_Right), ID_NUDGE_RIGHT},
        {K(S | A, Qt::Key_Up), ID_SHRINK_HEIGHT},
        {K(S | A, Qt::Key_Down), ID_GROW_HEIGHT},
        {K(S | A, Qt::Key_Left), ID_SHRINK_WIDTH},
        {K(S | A, Qt::Key_Right), ID_GROW_WIDTH},
        {K(N, Qt::Key_Home), ID_SHOW_SELECTION},
        {K(N, Qt::Key_Left), ID_CENTRE_IMAGE},
        {K(N, Qt::Key_Right), ID_DISPLAY_ONLY},
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
    const std::vector<int> main = {
        ID_FILE_NEW,    ID_FILE_OPEN,     ID_FILE_SAVE,          ID_FILE_SAVE_ALL,
        ID_SEPARATOR,   ID_FILE_PRINT,    ID_FILE_PRINT_PREVIEW, ID_SEPARATOR,
        ID_EDIT_CUT,    ID_EDIT_COPY,     ID_EDIT_PASTE,         ID_PASTE_AS_NEW_IMAGE,
        ID_SEPARATOR,   ID_BROWSE,        ID_SEPARATOR,          ID_IMAGE_PROCESSOR,
        ID_SEPARATOR,   ID_SLIDE_SHOW,    ID_QUICK_SLIDE_SHOW,   ID_QUICK_MULTI_SLIDE_SHOW,
        ID_SEPARATOR,   ID_CAPTURE_START, ID_CAPTURE_SETUP,      ID_SEPARATOR,
        ID_HELP_MANUAL, ID_APP_ABOUT};
    const std::vector<int> common = {
        ID_IMAGE_FLIP,       ID_IMAGE_MIRROR_BAR, ID_IMAGE_RESAMPLE, ID_SEPARATOR,
        ID_ROTATE_90_CW,     ID_ROTATE_ANY,       ID_SEPARATOR,      ID_EFFECT_DROP_SHADOW,
        ID_EFFECT_BUTTONIZE, ID_EFFECT_SHARPEN,   ID_EFFECT_EMBOSS,  ID_EFFECT_TILE_BLEND};
    EXPECT_EQ(MainToolBar().buttons, main);
    EXPECT_EQ(MainToolBar().id, IDR_MAINFRAME);
    EXPECT_EQ(CommonOperationsBar().buttons, common);
    EXPECT_EQ(CommonOperationsBar().id, IDR_COMMON_BAR);
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
    EXPECT_EQ(strings[ID_FILE_RELOAD], QStringLiteral("Re-load the image and lose all the changes\nReload"));
    EXPECT_EQ(StatusPanes().size(), 3u);
    EXPECT_EQ(StatusPanes()[0].second,
              QStringLiteral("(0000, 0000) -> (0000, 0000) = (0000 x 0000)"));
}

} // namespace
} // namespace tsl
