#pragma once
// Command, resource and string identifiers of the program, by number. Menus, accelerators,
// toolbars, routing and tests all name commands through these constants.

namespace tsl {

// Framework commands.
inline constexpr int ID_FILE_NEW = 57600;
inline constexpr int ID_FILE_OPEN = 57601;
inline constexpr int ID_FILE_CLOSE = 57602;
inline constexpr int ID_FILE_SAVE = 57603;
inline constexpr int ID_FILE_SAVE_AS = 57604;
inline constexpr int ID_FILE_PRINT_SETUP = 57606;
inline constexpr int ID_FILE_PRINT = 57607;
inline constexpr int ID_FILE_PRINT_PREVIEW = 57609;
inline constexpr int ID_FILE_MRU_FILE1 = 57616; // .. ID_FILE_MRU_FILE1 + 3
inline constexpr int ID_EDIT_COPY = 57634;
inline constexpr int ID_EDIT_CUT = 57635;
inline constexpr int ID_EDIT_PASTE = 57637;
inline constexpr int ID_EDIT_UNDO = 57643;
inline constexpr int ID_EDIT_REDO = 57644;
inline constexpr int ID_WINDOW_ARRANGE = 57649;
inline constexpr int ID_WINDOW_CASCADE = 57650;
inline constexpr int ID_WINDOW_TILE_HORZ = 57651;
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_APP_EXIT = 57665;
inline constexpr int ID_NEXT_PANE = 57680;
inline constexpr int ID_PREV_PANE = 57681;
inline constexpr int ID_VIEW_TOOLBAR = 59392;
inline constexpr int ID_VIEW_STATUS_BAR = 59393;
inline constexpr int ID_SEPARATOR = 0;

// File menu.
inline constexpr int ID_FILE_RELOAD = 32891;
inline constexpr int ID_BROWSE = 32772;
inline constexpr int ID_FILE_CLOSE_ALL = 32865;
inline constexpr int ID_FILE_SAVE_ALL = 32866;
inline constexpr int ID_FIT_TO_PAGE = 32895;
inline constexpr int ID_IMAGE_PROCESSOR = 32815;
inline constexpr int ID_SLIDE_SHOW = 32773;
inline constexpr int ID_QUICK_SLIDE_SHOW = 32813;
inline constexpr int ID_QUICK_MULTI_SLIDE_SHOW = 32814;
inline constexpr int ID_TWAIN_SELECT_SOURCE = 32905;
inline constexpr int ID_TWAIN_ACQUIRE_MULTI = 32906;

// Edit menu.
inline constexpr int ID_PASTE_AS_NEW_IMAGE = 32862;
inline constexpr int ID_SELECT_ENTIRE_IMAGE = 32835;

// View menu.
inline constexpr int ID_VIEW_COMMON_BAR = 32861;
inline constexpr int ID_VIEW_PAINT_BAR = 32777;
inline constexpr int ID_ZOOM_100 = 32838;
inline constexpr int ID_ZOOM_TO_WINDOW = 32856;
inline constexpr int ID_ZOOM_PIXEL_LEVEL = 32860;
inline constexpr int ID_ZOOM_IN = 32858;
inline constexpr int ID_ZOOM_OUT = 32859;
inline constexpr int ID_ZOOM_10 = 32849;
inline constexpr int ID_ZOOM_50 = 32850;
inline constexpr int ID_ZOOM_200 = 32851;
inline constexpr int ID_ZOOM_300 = 32852;
inline constexpr int ID_ZOOM_400 = 32853;
inline constexpr int ID_ZOOM_500 = 32854;
inline constexpr int ID_ZOOM_600 = 32855;
inline constexpr int ID_ZOOM_SPECIFY = 32857;

// Image menu.
inline constexpr int ID_IMAGE_FLIP = 32844;
inline constexpr int ID_IMAGE_MIRROR = 32804;
inline constexpr int ID_IMAGE_MIRROR_BAR = 32785;
inline constexpr int ID_IMAGE_SHEAR = 32842;
inline constexpr int ID_IMAGE_RESAMPLE = 32846;
inline constexpr int ID_IMAGE_RESIZE = 32845;
inline constexpr int ID_IMAGE_CHANGE_SIZE = 32892;
inline constexpr int ID_IMAGE_TRIM = 32843;
inline constexpr int ID_CROP_TO_SELECTION = 32880;
inline constexpr int ID_SELECT_TO_CLIPBOARD_SIZE = 32894;
inline constexpr int ID_IMAGE_COLOR_DEPTH = 32886;
inline constexpr int ID_IMAGE_REPLACE_COLOR = 32893;
inline constexpr int ID_IMAGE_SWAP_COLORS = 32896;
inline constexpr int ID_IMAGE_GRAYSCALE = 32887;
inline constexpr int ID_IMAGE_TRANSPARENCY = 32885;
inline constexpr int ID_SET_TRANSPARENT_FG = 32900;
inline constexpr int ID_SET_TRANSPARENT_BG = 32901;

// Rotate menu.
inline constexpr int ID_ROTATE_90_CW = 32836;
inline constexpr int ID_ROTATE_90_ACW = 32840;
inline constexpr int ID_ROTATE_ANY = 32841;

// Effects menu.
inline constexpr int ID_EFFECT_DROP_SHADOW = 32882;
inline constexpr int ID_EFFECT_BUTTONIZE = 32883;
inline constexpr int ID_EFFECT_FRAME = 32890;
inline constexpr int ID_EFFECT_LIGHTEN = 32867;
inline constexpr int ID_EFFECT_DARKEN = 32869;
inline constexpr int ID_EFFECT_SHARPEN = 32821;
inline constexpr int ID_EFFECT_BLUR = 32819;
inline constexpr int ID_EFFECT_ADD_NOISE = 32823;
inline constexpr int ID_EFFECT_POSTERIZE = 32817;
inline constexpr int ID_EFFECT_MOSAIC = 32818;
inline constexpr int ID_EFFECT_MEDIAN = 32820;
inline constexpr int ID_EFFECT_EMBOSS = 32824;
inline constexpr int ID_EFFECT_EDGE_ENHANCE = 32826;
inline constexpr int ID_EFFECT_OILIFY = 32827;
inline constexpr int ID_EFFECT_STRETCH_BLEND = 32834;
inline constexpr int ID_EFFECT_TILE_BLEND = 32825;
inline constexpr int ID_FILTER_GRADIENT = 32828;
inline constexpr int ID_FILTER_LAPLACIAN = 32829;
inline constexpr int ID_FILTER_SOBEL = 32830;
inline constexpr int ID_FILTER_PREWITT = 32831;
inline constexpr int ID_FILTER_SHIFT_DIFFERENCE = 32832;
inline constexpr int ID_FILTER_LINE_SEGMENT = 32833;

// Capture menu.
inline constexpr int ID_CAPTURE_SETUP = 32808;
inline constexpr int ID_CAPTURE_START = 32990;
inline constexpr int ID_CAPTURE_STOP = 32881;
inline constexpr int ID_CAPTURE_MULTIPLE = 32991;
inline constexpr int ID_CAPTURE_EXE_TREE = 32898;
inline constexpr int ID_CAPTURE_EXE_TABBED = 32899;
// The menu shown without a document carries the two resource captures under these ids.
inline constexpr int ID_CAPTURE_EXE_TREE_NODOC = 32902;
inline constexpr int ID_CAPTURE_EXE_TABBED_NODOC = 32903;

// Help menu.
inline constexpr int ID_HELP_MANUAL = 32779;
inline constexpr int ID_HELP_TIP_OF_THE_DAY = 105;
inline constexpr int ID_HELP_WEB = 32790;
inline constexpr int ID_HELP_DOWNLOAD = 33112;
inline constexpr int ID_HELP_NEWSLETTER = 33113;
inline constexpr int ID_HELP_EMAIL = 33105;

// Paint-control commands reached by keys only.
inline constexpr int ID_SHOW_SELECTION = 32776; // Home
inline constexpr int ID_CENTRE_IMAGE = 32775;   // Left
inline constexpr int ID_DISPLAY_ONLY = 32774;   // Right
inline constexpr int ID_NUDGE_DOWN = 32872;
inline constexpr int ID_NUDGE_UP = 32873;
inline constexpr int ID_NUDGE_LEFT = 32874;
inline constexpr int ID_NUDGE_RIGHT = 32875;
inline constexpr int ID_GROW_WIDTH = 32876;
inline constexpr int ID_SHRINK_WIDTH = 32877;
inline constexpr int ID_SHRINK_HEIGHT = 32878;
inline constexpr int ID_GROW_HEIGHT = 32879;

// Requests the frame receives.
inline constexpr int ID_CAPTURE_REARM = 1260;
inline constexpr int ID_RESTORE_FRAME = 1261;

// Status-bar panes (after the message pane).
inline constexpr int ID_PANE_SELECTION = 32803;
inline constexpr int ID_PANE_SIZE = 32802;
inline constexpr int ID_PANE_ZOOM = 32801;

// Resources.
inline constexpr int IDR_MAINFRAME = 128;    // menu without a document, accelerators, toolbar
inline constexpr int IDR_IMAGE_TYPE = 129;   // document template, menu with a document
inline constexpr int IDR_COMMON_BAR = 148;   // common operations bar
inline constexpr int IDB_PAINT_BAR = 28133;  // paint tool bar bitmap
inline constexpr int IDB_PAINT_LINE_WIDTHS = 28131;  // line-width chooser pictures
inline constexpr int IDB_PAINT_ERASER_WIDTHS = 28132; // eraser-width chooser pictures
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_TIP = 104;
inline constexpr int IDD_BROWSER = 133;
inline constexpr int IDD_CLOSE_ALL = 144;
inline constexpr int IDC_APPLY = 12321; // the apply button of a resizable dialog

// Paint dialogs: the bitmap dimensions dialog and its controls.
inline constexpr int IDD_BITMAP_DIMENSIONS = 28103;
inline constexpr int IDC_DIM_WIDTH_LABEL = 28007;
inline constexpr int IDC_DIM_WIDTH = 28008;
inline constexpr int IDC_DIM_HEIGHT_LABEL = 28009;
inline constexpr int IDC_DIM_HEIGHT = 28010;
inline constexpr int IDC_DIM_CROP = 28011;
inline constexpr int IDC_DIM_COLORS = 28012;

// The text tool bar and its controls; its six button pictures are 28134-28139.
inline constexpr int IDD_TEXT_TOOL = 28104;
inline constexpr int IDC_TEXT_FONT = 28013;
inline constexpr int IDC_TEXT_EDIT_LEFT = 28014;
inline constexpr int IDC_TEXT_EDIT_CENTRE = 28015;
inline constexpr int IDC_TEXT_EDIT_RIGHT = 28016;
inline constexpr int IDC_TEXT_ALIGN_LEFT = 28017;
inline constexpr int IDC_TEXT_ALIGN_CENTRE = 28018;
inline constexpr int IDC_TEXT_ALIGN_RIGHT = 28019;
inline constexpr int IDC_TEXT_BOLD = 28020;
inline constexpr int IDC_TEXT_ITALIC = 28021;
inline constexpr int IDC_TEXT_UNDERLINE = 28022;
inline constexpr int IDB_TEXT_ALIGN_LEFT = 28134;

// The paint tool bar's buttons and chooser places.
inline constexpr int ID_PAINT_CUT = 52768;
inline constexpr int ID_PAINT_COPY = 52769;
inline constexpr int ID_PAINT_PASTE = 52770;
inline constexpr int ID_PAINT_CLEAR = 52771;
inline constexpr int ID_PAINT_UNDO = 52772;
inline constexpr int ID_PAINT_REDO = 52773;
inline constexpr int ID_PAINT_MAGNIFY = 52774;
inline constexpr int ID_PAINT_SIZE_TO_FIT = 52775;
inline constexpr int ID_PAINT_RESIZE = 52776;
inline constexpr int ID_PAINT_SELECT = 52777;
inline constexpr int ID_PAINT_SAMPLER = 52778;
inline constexpr int ID_PAINT_FILL = 52779;
inline constexpr int ID_PAINT_TEXT = 52780;
inline constexpr int ID_PAINT_AIRBRUSH = 52781;
inline constexpr int ID_PAINT_REPLACE_COLOUR = 52782;
inline constexpr int ID_PAINT_ERASER = 52783;
inline constexpr int ID_PAINT_PEN = 52784;
inline constexpr int ID_PAINT_LINE = 52785;
inline constexpr int ID_PAINT_ERASER_WIDTH = 52786;
inline constexpr int ID_PAINT_LINE_WIDTH = 52787;
inline constexpr int ID_PAINT_RESERVED1 = 52788;
inline constexpr int ID_PAINT_RECTANGLE = 52789;
inline constexpr int ID_PAINT_ROUND_RECT = 52790;
inline constexpr int ID_PAINT_ELLIPSE = 52791;
inline constexpr int ID_PAINT_FILLED_RECTANGLE = 52792;
inline constexpr int ID_PAINT_FILLED_ROUND_RECT = 52793;
inline constexpr int ID_PAINT_FILLED_ELLIPSE = 52794;
inline constexpr int ID_PAINT_FORE_COLOUR = 52795;
inline constexpr int ID_PAINT_BACK_COLOUR = 52796;
inline constexpr int ID_PAINT_RESERVED2 = 52797;

// Timers.
inline constexpr int TIMER_FIRST_RUN = 277;
inline constexpr int TIMER_CAPTURE_REARM = 300;

} // namespace tsl
