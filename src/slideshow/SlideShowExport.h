#pragma once
// The stand-alone export ("Create stand-alone slide show..."): the show's images and sound
// copied side by side into the folder D of a chosen file T.SlideShow, the show file there in
// the name-only form, and a copy of the stand-alone player named T, made executable (a Linux
// file manager would hand a name ending in ".exe" to a Windows emulator). Started from that
// folder, T plays T.SlideShow with the files found beside it.
//
// Copies never replace a file of the same name: an existing file, a missing source or a failed
// write skips that copy silently and the export goes on. A copy is written beside its target
// under a temporary name and takes its name only when complete, so a copy that fails half-way
// (a full disk) leaves no partial file.

#include <QString>
#include <QWidget>

#include <functional>

class QProgressBar;

namespace tsl {

class CSlideShowDlg;
class CSlideShowModel;

inline constexpr const char* kExportTitle = "Save stand-alone slide show";
inline constexpr const char* kExportFilter = "Stand-alone SlideShow (.SlideShow)|*.SlideShow||";

// The small window with one progress bar (dialog 5050, bar 5051) shown during an export.
class CExportProgressWnd : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 5050;
    static constexpr int kBarId = 5051;
    explicit CExportProgressWnd(QWidget* parent = nullptr);
    void SetRange(int low, int high);
    // Positions past the range show the bar full.
    void SetPos(int position);
    int Pos() const { return m_position; }
    QProgressBar* Bar() const { return m_bar; }

private:
    QProgressBar* m_bar;
    int m_position = 0;
};

// The player that exports copy: program folder + "Bin/SlideShowPlayer.bin".
QString StandAlonePlayerPath();

// The file names of an export to showPath: its folder D (with a trailing '/') and title T.
struct ExportTarget {
    QString folder;
    QString title;
};
ExportTarget ExportTargetOf(const QString& showPath);

// Copies the model's images, writes showPath in the name-only form, copies the sound (when the
// show uses it) and the player (named T, executable). position gets each progress position:
// i + 1 after image i, then 11 x N at the end. Empty on success, else the show file's message,
// which showFailed gets as soon as the write fails (the copies after it are still made).
QString WriteStandAloneShow(const CSlideShowModel& model, const QString& showPath,
                            const QString& playerPath,
                            const std::function<void(int)>& position = {},
                            const std::function<void(const QString&)>& showFailed = {});

// The editor's handler: the save dialog, the progress window, the export; the show file's
// failure is shown as a message.
void ExportStandAloneShow(CSlideShowDlg& editor);

} // namespace tsl
