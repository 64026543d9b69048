#pragma once
// The program's resource tables: menus 128 (no document) and 129 (a document open),
// accelerator table 128, the main toolbar (128), the common operations bar (148), the string
// table of status-bar prompts and tooltips, and the status-bar panes.

#include "framework/Resource.h"

#include <QString>

#include <utility>
#include <vector>

namespace tsl {

const std::vector<MenuResource>& MainMenus();
const std::vector<Accelerator>& MainAccelerators();
const ToolBarResource& MainToolBar();
const ToolBarResource& CommonOperationsBar();
const std::vector<StringEntry>& StringTable();
// Status-bar panes after the message pane: id and the text that sizes the pane.
const std::vector<std::pair<int, QString>>& StatusPanes();

} // namespace tsl
