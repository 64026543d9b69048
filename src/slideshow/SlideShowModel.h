#pragma once
// CSlideShowModel: a slide show as the editor holds it (the slide-show editor dialog carries
// one; the quick shows make one with its defaults and never show a dialog), and its file.
// The player reads it through a pointer and never copies it; the only field it writes is the
// advance mode (a click during an automatic show turns it to keyboard control).
//
// Paths are texts whose bytes are the path's bytes as the file system holds them: a name that
// is not valid UTF-8 keeps its bytes through the model and back into a show file
// (EncodeFileName and DecodeFileName).

#include "slideshow/ShowFile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class QWidget;

namespace tsl {

class CSlideShowModel {
public:
    QStringList imageEntries; // in playing order: full paths, or bare names under folderPrefix
    QString folderPrefix;     // put before every entry when played (quick show: folder + "/")
    int loop = 0;
    int useSound = 0;
    int showFileName = 1;
    int useTransitions = 0;
    QString soundFile;
    int delay = 1000; // milliseconds between slides in automatic mode
    int soundLoop = 0;
    int advanceMode = 0; // 0 keyboard controlled, 1 automatic after the delay

    int Count() const { return static_cast<int>(imageEntries.size()); }
    // What the player loads for entry index: folder prefix + entry, or the entry alone.
    QString PlayPath(int index) const;
    // The editor's list: one display name per entry, same order.
    QStringList DisplayNames() const;
};

// "name.ext" for a path: its file name, '.', and its extension; "name." without an extension,
// "." for an empty path.
QString DisplayNameOf(const QString& path);

enum class ShowFileForm {
    FullPath, // the editor's Save: entries and sound file as held
    NameOnly, // the stand-alone export: every path reduced to its display name
};

// The show-file texts the user sees.
QString CouldNotSaveText(const QString& path);
QString CouldNotLoadText(const QString& path);
inline constexpr const char* kNotAShowFileText = "This is not a valid slide show file";

// Writes the model to path (beside it first, then renamed over it, so a failed save keeps the
// old file). Empty on success, else the message to show; a show of more than kMaxShowImages
// images is not written.
QString WriteShowFile(const CSlideShowModel& model, const QString& path, ShowFileForm form);
// Replaces the model's entries and options from the file at path (the folder prefix stays).
// Empty on success, else the message to show; the model is then as it was.
QString ReadShowFile(CSlideShowModel& model, const QString& path);
// Shows a message of the two above in a plain message box with an OK button.
void ReportShowFileError(const QString& message, QWidget* parent = nullptr);

} // namespace tsl
