#pragma once
// Quick Slide Show and Quick Multi-folder Slide Show: ask for a folder, play its images with a
// model of default options, and ask again until the user cancels the folder chooser.
//
// Quick: the names of the plain files of the folder, played under the folder prefix
// folder + "/". Multi-folder: the full paths of the plain files of the base folder, then those
// of each sub-folder whose name has no dot, recursively (a folder reached again through a link
// is not read twice). Folders are listed by name, ignoring case. Only files whose extension is
// in the image extension list are kept.

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace tsl {

class CSlideShowModel;

inline constexpr const char* kNoImagesFoundText = "No images found";

// The entries of a quick show of folder: bare names (quick) or full paths (multi-folder),
// image files only.
QStringList QuickShowEntries(const QString& folder, bool multiFolder);

// The folder chooser's title.
QString QuickShowTitle(bool multiFolder);

// Runs the command. play runs the player on the model (CSlideShowPlayer::Play by default).
void RunQuickSlideShow(QWidget* parent, bool multiFolder,
                       const std::function<void(CSlideShowModel&)>& play = {});

} // namespace tsl
