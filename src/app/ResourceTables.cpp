#include "app/ResourceTables.h"

#include "framework/Ids.h"

namespace tsl {
namespace {

using K = MenuEntry::Kind;

MenuEntry P(int depth, const char* text) { return {depth, K::Popup, 0, text}; }
MenuEntry I(int depth, int id, const char* text) { return {depth, K::Item, id, text}; }
MenuEntry S(int depth) { return {depth, K::Separator, 0, nullptr}; }

void AddViewBars(std::vector<MenuEntry>& m) {
    m.push_back(I(1, ID_VIEW_TOOLBAR, "&Main Toolbar"));
    m.push_back(I(1, ID_VIEW_COMMON_BAR, "&Common Operations Bar"));
    m.push_back(I(1, ID_VIEW_STATUS_BAR, "&Status Bar"));
    m.push_back(I(1, ID_VIEW_PAINT_BAR, "&Paint Bar\tEnd"));
    m.push_back(I(1, ID_BROWSE, "Image &Browser\tB"));
}

void AddCapture(std::vector<MenuEntry>& m, int treeId, int tabbedId) {
    m.push_back(P(0, "Capt&ure"));
    m.push_back(I(1, ID_CAPTURE_SETUP, "Set&up...\tCtrl+Shift+C"));
    m.push_back(I(1, ID_CAPTURE_START, "&Start Capture\tShift+C"));
    m.push_back(I(1, ID_CAPTURE_STOP, "Sto&p Capture"));
    m.push_back(I(1, ID_CAPTURE_MULTIPLE, "&Multiple captures"));
    m.push_back(S(1));
    m.push_back(I(1, treeId, "From Dll or Exe (Dialog &Tree) ..."));
    m.push_back(I(1, tabbedId, "From Dll or Exe (Dialog Ta&bbed View) ..."));
}

void AddHelp(std::vector<MenuEntry>& m) {
    m.push_back(P(0, "&Help"));
    m.push_back(I(1, ID_HELP_MANUAL, "&Manual\tF1"));
    m.push_back(I(1, ID_HELP_TIP_OF_THE_DAY, "Ti&p of the Day..."));
    m.push_back(S(1));
    m.push_back(I(1, ID_HELP_WEB, "&Tessaly on the Web..."));
    m.push_back(I(1, ID_HELP_DOWNLOAD, "&Download other software..."));
    m.push_back(I(1, ID_HELP_EMAIL, "Send us an &Email..."));
    m.push_back(S(1));
    m.push_back(I(1, ID_APP_ABOUT, "&About Tessaly..."));
}

void AddSlideShows(std::vector<MenuEntry>& m) {
    m.push_back(I(1, ID_IMAGE_PROCESSOR, "Image &Processor...\tI"));
    m.push_back(I(1, ID_SLIDE_SHOW, "Sli&de Show...\tS"));
    m.push_back(I(1, ID_QUICK_SLIDE_SHOW, "&Quick Slide Show...\tF2"));
    m.push_back(I(1, ID_QUICK_MULTI_SLIDE_SHOW, "Quick M&ulti-folder Slide Show...\tF3"));
}

std::vector<MenuEntry> NoDocumentMenu() {
    std::vector<MenuEntry> m;
    m.push_back(P(0, "&File"));
    m.push_back(I(1, ID_FILE_NEW, "&New...\tCtrl+N"));
    m.push_back(I(1, ID_FILE_OPEN, "&Open...\tCtrl+O"));
    m.push_back(I(1, ID_BROWSE, "&Browse...\tB"));
    m.push_back(S(1));
    m.push_back(I(1, ID_FILE_PRINT_SETUP, "P&rint Setup..."));
    m.push_back(S(1));
    AddSlideShows(m);
    m.push_back(S(1));
    m.push_back({1, K::RecentFiles, 0, nullptr});
    m.push_back(I(1, ID_APP_EXIT, "E&xit"));
    m.push_back(P(0, "&Edit"));
    m.push_back(I(1, ID_PASTE_AS_NEW_IMAGE, "Paste as &New Image\tCtrl+Shift+V"));
    m.push_back(P(0, "&View"));
    AddViewBars(m);
    AddCapture(m, ID_CAPTURE_EXE_TREE_NODOC, ID_CAPTURE_EXE_TABBED_NODOC);
    AddHelp(m);
    return m;
}

std::vector<MenuEntry> DocumentMenu() {
    std::vector<MenuEntry> m;
    m.push_back(P(0, "&File"));
    m.push_back(I(1, ID_FILE_NEW, "&New...\tCtrl+N"));
    m.push_back(I(1, ID_FILE_OPEN, "&Open...\tCtrl+O"));
    m.push_back(I(1, ID_FILE_RELOAD, "Re&load"));
    m.push_back(I(1, ID_BROWSE, "&Browse...\tB"));
    m.push_back(I(1, ID_FILE_CLOSE, "&Close"));
    m.push_back(I(1, ID_FILE_CLOSE_ALL, "Close A&ll"));
    m.push_back(S(1));
    m.push_back(I(1, ID_FILE_SAVE, "&Save\tAlt+S"));
    m.push_back(I(1, ID_FILE_SAVE_AS, "Save &As..."));
    m.push_back(I(1, ID_FILE_SAVE_ALL, "Sa&ve All"));
    m.push_back(S(1));
    m.push_back(I(1, ID_FILE_PRINT, "&Print...\tCtrl+P"));
    m.push_back(I(1, ID_FILE_PRINT_PREVIEW, "Print Pre&view"));
    m.push_back(I(1, ID_FILE_PRINT_SETUP, "P&rint Setup..."));
    m.push_back(I(1, ID_FIT_TO_PAGE, "&Fit to Page"));
    m.push_back(S(1));
    AddSlideShows(m);
    m.push_back(S(1));
    m.push_back(I(1, ID_TWAIN_SELECT_SOURCE, "&TWAIN Select Source..."));
    m.push_back(I(1, ID_TWAIN_ACQUIRE_MULTI, "TWAIN Acquire &Multi..."));
    m.push_back(S(1));
    m.push_back({1, K::RecentFiles, 0, nullptr});
    m.push_back(I(1, ID_APP_EXIT, "E&xit"));

    m.push_back(P(0, "&Edit"));
    m.push_back(I(1, ID_EDIT_UNDO, "&Undo\tAlt+Backspace"));
    m.push_back(I(1, ID_EDIT_REDO, "&Redo"));
    m.push_back(S(1));
    m.push_back(I(1, ID_EDIT_CUT, "Cu&t\tCtrl+X"));
    m.push_back(I(1, ID_EDIT_COPY, "&Copy\tCtrl+C"));
    m.push_back(I(1, ID_EDIT_PASTE, "&Paste\tCtrl+V"));
    m.push_back(I(1, ID_PASTE_AS_NEW_IMAGE, "Paste as &New Image\tCtrl+Shift+V"));
    m.push_back(S(1));
    m.push_back(I(1, ID_SELECT_ENTIRE_IMAGE, "Select &Entire Image\tCtrl+A"));

    m.push_back(P(0, "&View"));
    AddViewBars(m);
    m.push_back(S(1));
    m.push_back(I(1, ID_ZOOM_100, "&Normal Viewing: 100%\t="));
    m.push_back(I(1, ID_ZOOM_TO_WINDOW, "Zoom to &Window\tW"));
    m.push_back(I(1, ID_ZOOM_PIXEL_LEVEL, "Zoom in to Pixel &Level\tNum *"));
    m.push_back(I(1, ID_ZOOM_IN, "&Zoom in\tNum +"));
    m.push_back(I(1, ID_ZOOM_OUT, "Zoom o&ut\tNum -"));
    m.push_back(P(1, "Zoom"));
    m.push_back(I(2, ID_ZOOM_10, " 10%"));
    m.push_back(I(2, ID_ZOOM_50, " 50%"));
    m.push_back(I(2, ID_ZOOM_100, "100%"));
    m.push_back(I(2, ID_ZOOM_200, "200%"));
    m.push_back(I(2, ID_ZOOM_300, "300%"));
    m.push_back(I(2, ID_ZOOM_400, "400%"));
    m.push_back(I(2, ID_ZOOM_500, "500%"));
    m.push_back(I(2, ID_ZOOM_600, "600%"));
    m.push_back(I(2, ID_ZOOM_SPECIFY, "[Specify]..."));

    m.push_back(P(0, "&Image"));
    m.push_back(I(1, ID_IMAGE_FLIP, "&Flip\tF"));
    m.push_back(I(1, ID_IMAGE_MIRROR, "&Mirror\tM"));
    m.push_back(I(1, ID_IMAGE_SHEAR, "&Shear..."));
    m.push_back(I(1, ID_IMAGE_RESAMPLE, "&Resample and Resize..."));
    m.push_back(I(1, ID_IMAGE_CHANGE_SIZE, "Change Size..."));
    m.push_back(I(1, ID_IMAGE_TRIM, "Trim &Blank Space..."));
    m.push_back(I(1, ID_CROP_TO_SELECTION, "&Crop to Selection\tShift+R"));
    m.push_back(I(1, ID_SELECT_TO_CLIPBOARD_SIZE, "Select to Clipboard Size\tAlt+C"));
    m.push_back(S(1));
    m.push_back(I(1, ID_IMAGE_COLOR_DEPTH, "Change Color Depth..."));
    m.push_back(I(1, ID_IMAGE_REPLACE_COLOR, "Replace Color"));
    m.push_back(I(1, ID_IMAGE_SWAP_COLORS, "Swap Colors\tC"));
    m.push_back(I(1, ID_IMAGE_GRAYSCALE, "Convert to Grayscale"));
    m.push_back(S(1));
    m.push_back(I(1, ID_IMAGE_TRANSPARENCY, "Image &Transparency\tT"));
    m.push_back(I(1, ID_SET_TRANSPARENT_FG, "Set Transparent Foreground Color\tCtrl+T"));
    m.push_back(I(1, ID_SET_TRANSPARENT_BG, "Set Transparent Background Color\tCtrl+Shift+T"));

    m.push_back(P(0, "R&otate"));
    m.push_back(I(1, ID_ROTATE_90_CW, "&90 Degrees Clockwise\tR"));
    m.push_back(I(1, ID_ROTATE_90_ACW, "9&0 Anti-Clockwise"));
    m.push_back(I(1, ID_ROTATE_ANY, "&Any Angle...\tCtrl+R"));

    m.push_back(P(0, "Effect&s"));
    m.push_back(I(1, ID_EFFECT_DROP_SHADOW, "&Drop Shadow...\tAlt+D"));
    m.push_back(I(1, ID_EFFECT_BUTTONIZE, "&Buttonize...\tAlt+B"));
    m.push_back(I(1, ID_EFFECT_FRAME, "&Frame\tCtrl+Shift+F"));
    m.push_back(S(1));
    m.push_back(I(1, ID_EFFECT_LIGHTEN, "&Lighten..."));
    m.push_back(I(1, ID_EFFECT_DARKEN, "Darke&n..."));
    m.push_back(I(1, ID_EFFECT_SHARPEN, "&Sharpen..."));
    m.push_back(I(1, ID_EFFECT_BLUR, "Blu&r..."));
    m.push_back(I(1, ID_EFFECT_ADD_NOISE, "&Add Noise..."));
    m.push_back(I(1, ID_EFFECT_POSTERIZE, "&Posterize..."));
    m.push_back(I(1, ID_EFFECT_MOSAIC, "&Mosaic..."));
    m.push_back(I(1, ID_EFFECT_MEDIAN, "Med&ian..."));
    m.push_back(I(1, ID_EFFECT_EMBOSS, "&Emboss...\tAlt+E"));
    m.push_back(I(1, ID_EFFECT_EDGE_ENHANCE, "Edge En&hance"));
    m.push_back(I(1, ID_EFFECT_OILIFY, "&Oilify..."));
    m.push_back(S(1));
    m.push_back(I(1, ID_EFFECT_STRETCH_BLEND, "S&tretch Blend"));
    m.push_back(I(1, ID_EFFECT_TILE_BLEND, "Tile Blend\tCtrl+B"));
    m.push_back(S(1));
    m.push_back(P(1, "Spatial Filters"));
    m.push_back(I(2, ID_FILTER_GRADIENT, "&Gradient..."));
    m.push_back(I(2, ID_FILTER_LAPLACIAN, "&Laplacian..."));
    m.push_back(I(2, ID_FILTER_SOBEL, "&Sobel..."));
    m.push_back(I(2, ID_FILTER_PREWITT, "&Prewit..."));
    m.push_back(I(2, ID_FILTER_SHIFT_DIFFERENCE, "S&hift && Difference..."));
    m.push_back(I(2, ID_FILTER_LINE_SEGMENT, "Line Seg&ment..."));

    AddCapture(m, ID_CAPTURE_EXE_TREE, ID_CAPTURE_EXE_TABBED);

    m.push_back(P(0, "&Window"));
    m.push_back(I(1, ID_WINDOW_CASCADE, "&Cascade"));
    m.push_back(I(1, ID_WINDOW_TILE_HORZ, "&Tile"));
    m.push_back(I(1, ID_WINDOW_ARRANGE, "&Arrange Icons"));
    m.push_back(I(1, ID_FILE_CLOSE_ALL, "Close A&ll"));
    m.push_back({1, K::WindowList, 0, nullptr});

    AddHelp(m);
    return m;
}

} // namespace

const std::vector<MenuResource>& MainMenus() {
    static const std::vector<MenuResource> menus = {{IDR_MAINFRAME, NoDocumentMenu()},
                                                    {IDR_IMAGE_TYPE, DocumentMenu()}};
    return menus;
}

const std::vector<Accelerator>& MainAccelerators() {
    constexpr auto Ctrl = Qt::ControlModifier;
    constexpr auto Shift = Qt::ShiftModifier;
    constexpr auto Alt = Qt::AltModifier;
    constexpr auto Pad = Qt::KeypadModifier;
    static const std::vector<Accelerator> table = {
        {QKeyCombination(Qt::Key_Equal), ID_ZOOM_100},
        {QKeyCombination(Qt::Key_W), ID_ZOOM_TO_WINDOW},
        {QKeyCombination(Pad, Qt::Key_Plus), ID_ZOOM_IN},
        {QKeyCombination(Pad, Qt::Key_Minus), ID_ZOOM_OUT},
        {QKeyCombination(Pad, Qt::Key_Asterisk), ID_ZOOM_PIXEL_LEVEL},
        {QKeyCombination(Ctrl, Qt::Key_A), ID_SELECT_ENTIRE_IMAGE},
        {QKeyCombination(Qt::Key_B), ID_BROWSE},
        {QKeyCombination(Ctrl, Qt::Key_B), ID_EFFECT_TILE_BLEND},
        {QKeyCombination(Alt, Qt::Key_B), ID_EFFECT_BUTTONIZE},
        {QKeyCombination(Qt::Key_C), ID_IMAGE_SWAP_COLORS},
        {QKeyCombination(Ctrl, Qt::Key_C), ID_EDIT_COPY},
        {QKeyCombination(Ctrl, Qt::Key_Insert), ID_EDIT_COPY},
        {QKeyCombination(Alt, Qt::Key_C), ID_SELECT_TO_CLIPBOARD_SIZE},
        {QKeyCombination(Shift, Qt::Key_C), ID_CAPTURE_START},
        {QKeyCombination(Ctrl | Shift, Qt::Key_C), ID_CAPTURE_SETUP},
        {QKeyCombination(Alt, Qt::Key_D), ID_EFFECT_DROP_SHADOW},
        {QKeyCombination(Alt, Qt::Key_E), ID_EFFECT_EMBOSS},
        {QKeyCombination(Qt::Key_F), ID_IMAGE_FLIP},
        {QKeyCombination(Ctrl | Shift, Qt::Key_F), ID_EFFECT_FRAME},
        {QKeyCombination(Qt::Key_I), ID_IMAGE_PROCESSOR},
        {QKeyCombination(Qt::Key_M), ID_IMAGE_MIRROR},
        {QKeyCombination(Ctrl, Qt::Key_N), ID_FILE_NEW},
        {QKeyCombination(Ctrl, Qt::Key_O), ID_FILE_OPEN},
        {QKeyCombination(Ctrl, Qt::Key_P), ID_FILE_PRINT},
        {QKeyCombination(Qt::Key_R), ID_ROTATE_90_CW},
        {QKeyCombination(Ctrl, Qt::Key_R), ID_ROTATE_ANY},
        {QKeyCombination(Shift, Qt::Key_R), ID_CROP_TO_SELECTION},
        {QKeyCombination(Qt::Key_S), ID_SLIDE_SHOW},
        {QKeyCombination(Alt, Qt::Key_S), ID_FILE_SAVE},
        {QKeyCombination(Ctrl, Qt::Key_S), ID_FILE_SAVE}, // as every Linux program saves
        {QKeyCombination(Qt::Key_T), ID_IMAGE_TRANSPARENCY},
        {QKeyCombination(Ctrl, Qt::Key_T), ID_SET_TRANSPARENT_FG},
        {QKeyCombination(Ctrl | Shift, Qt::Key_T), ID_SET_TRANSPARENT_BG},
        {QKeyCombination(Ctrl, Qt::Key_V), ID_EDIT_PASTE},
        {QKeyCombination(Shift, Qt::Key_Insert), ID_EDIT_PASTE},
        {QKeyCombination(Ctrl | Shift, Qt::Key_V), ID_PASTE_AS_NEW_IMAGE},
        {QKeyCombination(Ctrl, Qt::Key_X), ID_EDIT_CUT},
        {QKeyCombination(Shift, Qt::Key_Delete), ID_EDIT_CUT},
        {QKeyCombination(Alt, Qt::Key_Backspace), ID_EDIT_UNDO},
        {QKeyCombination(Qt::Key_End), ID_VIEW_PAINT_BAR},
        {QKeyCombination(Qt::Key_F1), ID_HELP_MANUAL},
        {QKeyCombination(Qt::Key_F2), ID_QUICK_SLIDE_SHOW},
        {QKeyCombination(Qt::Key_F3), ID_QUICK_MULTI_SLIDE_SHOW},
        {QKeyCombination(Qt::Key_F6), ID_NEXT_PANE},
        {QKeyCombination(Shift, Qt::Key_F6), ID_PREV_PANE},
        {QKeyCombination(Shift, Qt::Key_Up), ID_NUDGE_UP},
        {QKeyCombination(Shift, Qt::Key_Down), ID_NUDGE_DOWN},
        {QKeyCombination(Shift, Qt::Key_Left), ID_NUDGE_LEFT},
        {QKeyCombination(Shift, Qt::Key_Right), ID_NUDGE_RIGHT},
        {QKeyCombination(Shift | Alt, Qt::Key_Up), ID_SHRINK_HEIGHT},
        {QKeyCombination(Shift | Alt, Qt::Key_Down), ID_GROW_HEIGHT},
        {QKeyCombination(Shift | Alt, Qt::Key_Left), ID_SHRINK_WIDTH},
        {QKeyCombination(Shift | Alt, Qt::Key_Right), ID_GROW_WIDTH},
        {QKeyCombination(Qt::Key_Home), ID_SHOW_SELECTION},
        {QKeyCombination(Qt::Key_Left), ID_CENTRE_IMAGE},
        {QKeyCombination(Qt::Key_Right), ID_DISPLAY_ONLY},
    };
    return table;
}

const ToolBarResource& MainToolBar() {
    static const ToolBarResource bar = {
        IDR_MAINFRAME,
        "Main Toolbar",
        {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_ALL, ID_SEPARATOR, ID_FILE_PRINT,
         ID_FILE_PRINT_PREVIEW, ID_SEPARATOR, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE,
         ID_PASTE_AS_NEW_IMAGE, ID_SEPARATOR, ID_BROWSE, ID_SEPARATOR, ID_IMAGE_PROCESSOR,
         ID_SEPARATOR, ID_SLIDE_SHOW, ID_QUICK_SLIDE_SHOW, ID_QUICK_MULTI_SLIDE_SHOW,
         ID_SEPARATOR, ID_CAPTURE_START, ID_CAPTURE_SETUP, ID_SEPARATOR, ID_HELP_MANUAL,
         ID_APP_ABOUT}};
    return bar;
}

const ToolBarResource& CommonOperationsBar() {
    static const ToolBarResource bar = {
        IDR_COMMON_BAR,
        "Common Operations Bar",
        {ID_IMAGE_FLIP, ID_IMAGE_MIRROR_BAR, ID_IMAGE_RESAMPLE, ID_SEPARATOR, ID_ROTATE_90_CW,
         ID_ROTATE_ANY, ID_SEPARATOR, ID_EFFECT_DROP_SHADOW, ID_EFFECT_BUTTONIZE,
         ID_EFFECT_SHARPEN, ID_EFFECT_EMBOSS, ID_EFFECT_TILE_BLEND}};
    return bar;
}

const std::vector<std::pair<int, QString>>& StatusPanes() {
    static const std::vector<std::pair<int, QString>> panes = {
        {ID_PANE_SELECTION, QStringLiteral("(0000, 0000) -> (0000, 0000) = (0000 x 0000)")},
        {ID_PANE_SIZE, QStringLiteral("0000 x 0000 x 00")},
        {ID_PANE_ZOOM, QStringLiteral("100%")}};
    return panes;
}

} // namespace tsl
