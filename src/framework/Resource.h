#pragma once
// The shapes of the program's resource tables: menus, accelerators, toolbars and the string
// table of status-bar prompts and tooltips.

#include <QKeySequence>

#include <vector>

namespace tsl {

// One menu line. depth 0 is a popup of the menu bar; kind says what the line is.
struct MenuEntry {
    enum Kind { Popup, Item, Separator, RecentFiles, WindowList };
    int depth;
    Kind kind;
    int id;
    const char* text; // with '&' before the mnemonic and "\t" before a key name
};

struct MenuResource {
    int id;
    std::vector<MenuEntry> entries;
};

struct Accelerator {
    QKeyCombination key;
    int id;
};

// A toolbar: command ids in order, ID_SEPARATOR for a gap.
struct ToolBarResource {
    int id;
    const char* title;
    std::vector<int> buttons;
};

// A string-table entry: "status-bar prompt\ntooltip".
struct StringEntry {
    int id;
    const char* text;
};

} // namespace tsl
