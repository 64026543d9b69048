#pragma once
// CImageProcessorDlg: the "Image Processor" dialog (resource 102). It holds a list of files (in
// the order added; the list box shows their display names sorted) and the choices of format,
// output place, colours and size, and runs the batch (batch/BatchProcessor.h) on OK, as many
// times as the user likes; Cancel closes it.
//
// A run works on worker threads while the dialog stays responsive: the progress bar, shown only
// during a run, moves after each file, and every message is shown in the order of the file
// list. Cancel during a run lets the files in progress finish, starts no further one and then
// reports "%d of %d files processed". Controls are found by object name "Control<id>".

#include "batch/BatchProcessor.h"

#include <QDialog>
#include <QStringList>

#include <atomic>
#include <deque>
#include <memory>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QThread;

namespace tsl {

namespace platform {
class CWaitCursor;
}

class CImageProcessorDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 102;
    enum Control : int {
        IDC_FORMAT = 1000, IDC_OUTPUT_FOLDER = 1003, IDC_BROWSE = 1004,
        IDC_DELETE_ORIGINALS = 1005, IDC_FILES = 1010, IDC_ADD = 1012, IDC_REMOVE = 1013,
        IDC_CLEAR = 1014, IDC_SAME_LOCATION = 1019, IDC_CHANGE_FORMAT = 1099,
        IDC_CHANGE_COLORS = 1100, IDC_COLORS = 1101, IDC_CHANGE_SIZE = 1102, IDC_TRIM = 1103,
        IDC_RESIZE = 1104, IDC_WIDTH = 1105, IDC_HEIGHT = 1106, IDC_PROGRESS = 1108, IDC_X = 1109,
        IDC_Y = 1110, IDC_QUALITY = 1111, IDC_GRAY = 1112, IDC_PALETTE = 1113, IDC_DITHER = 1114,
        IDC_SYSTEM_PALETTE = 1115,
    };
    static constexpr const char* kTitle = "Image Processor";
    static constexpr const char* kAddTitle = "Add image files";
    static constexpr const char* kFolderTitle = "Choose desrination folder";
    static constexpr const char* kCancelledFormat = "%1 of %2 files processed";

    explicit CImageProcessorDlg(QWidget* parent = nullptr);
    ~CImageProcessorDlg() override;

    // The files in the order added.
    const QStringList& Files() const { return m_files; }
    // The controls' values as the run takes them.
    BatchOptions Options() const;
    bool IsRunning() const { return m_thread != nullptr; }
    // The control of a resource id (1 is OK, 2 Cancel).
    template <class T> T* Control(int id) const {
        return findChild<T*>(QStringLiteral("Control%1").arg(id));
    }

    void AddFiles();
    void RemoveSelected();
    void Clear();
    void ChooseOutputFolder();
    // OK: a run over the file list.
    void Process();

signals:
    // A run ended (all files done, or cancelled) and its messages were shown.
    void runFinished();

public slots:
    // Cancel: closes the dialog, or during a run stops it after the files in progress.
    void reject() override;

private:
    void Build();
    void Connect();
    void EnableOk() const;
    void RefreshPalette();
    void ApplySizeMode();
    void OnResult(const BatchFileResult& result);
    void Drain();
    void FinishRun();
    void Show(const QString& text, int icon);

    QStringList m_files;
    QListWidget* m_list = nullptr;
    QCheckBox *m_changeFormat, *m_sameLocation, *m_deleteOriginals, *m_changeColors, *m_gray,
        *m_systemPalette, *m_changeSize;
    QComboBox *m_format, *m_colors, *m_palette, *m_dither, *m_quality;
    QLineEdit *m_folder, *m_width, *m_height, *m_x, *m_y;
    QPushButton *m_browse, *m_add, *m_remove, *m_clear, *m_ok, *m_cancelButton;
    QRadioButton *m_trim, *m_resize;
    QProgressBar* m_progress = nullptr;
    QWidget* m_controls = nullptr; // everything a run must not change

    // The run in progress.
    QThread* m_thread = nullptr;
    std::atomic<bool> m_cancel{false};
    BatchSummary m_summary;
    std::deque<BatchFileResult> m_pending;
    std::unique_ptr<platform::CWaitCursor> m_waitCursor;
    int m_done = 0;
    int m_total = 0;
    bool m_draining = false;
    bool m_finished = false;
};

} // namespace tsl
