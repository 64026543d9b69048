#pragma once
// CSlideShowDlg: the slide-show editor "Slide show" (dialog 134). It holds the show's model:
// the images in playing order (the list shows their display names, same index), the playback
// options, the sound file. From here the user adds, removes and orders images, chooses a sound
// (previewed by the media control in the dialog), plays the show, saves and opens ".show"
// files, opens an image for editing and exports a stand-alone show (SlideShowExport.h).
//
// The controls and the model meet through UpdateData, as a dialog's data exchange does: taking
// the controls into the model refuses a delay that is not a whole number ("Please enter an
// integer.", focus on the delay) and the action that needed the values does not run. Controls
// are found by object name "Control<id>".

#include "slideshow/MediaPlayer2.h"
#include "slideshow/SlideShowModel.h"

#include <QDialog>
#include <QList>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace tsl {

class CBmpBtn;

class CSlideShowDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 134;
    enum Control : int {
        IDC_IMAGES = 1026,
        IDC_REMOVE = 1028,
        IDC_ADD = 1029,
        IDC_PLAY = 1030,
        IDC_CLEAR = 1031,
        IDC_LOOP = 1033,
        IDC_SAVE = 1034,
        IDC_OPEN = 1035,
        IDC_MOVE_FIRST = 1037,
        IDC_MOVE_LAST = 1038,
        IDC_SHOW_FILE_NAME = 1039,
        IDC_MOVE_UP = 1042,
        IDC_MOVE_DOWN = 1043,
        IDC_SOUND_FILE = 1044,
        IDC_CHOOSE_SOUND = 1045,
        IDC_USE_SOUND = 1046,
        IDC_TRANSITIONS = 1047,
        IDC_DELAY = 1049,
        IDC_SOUND_LOOP = 1054,
        IDC_KEYBOARD = 1076,
        IDC_AUTOMATIC = 1077,
        IDC_EXPORT = 1094,
        IDC_MEDIA = 1095,
        IDC_PREVIEW = 1098,
        IDC_CLOSE = 2,
    };
    static constexpr const char* kTitle = "Slide show";
    static constexpr const char* kPreviewCaption = "W:7~U:<NONE~L:1~O:0~";
    static constexpr const char* kNotIntegerText = "Please enter an integer."; // string 61712
    static constexpr const char* kOneImageText =
        "Please select only one image to be moved at a time";
    static constexpr const char* kAddImagesTitle = "Add image files";
    static constexpr const char* kAddSoundTitle = "Add sound file";
    static constexpr const char* kSaveTitle = "Save slide show";
    static constexpr const char* kOpenTitle = "Open slide show";
    static constexpr const char* kShowFilter = "SlideShow files (.show)|*.show||";

    explicit CSlideShowDlg(QWidget* parent = nullptr);
    ~CSlideShowDlg() override;

    CSlideShowModel& Model() { return m_model; }
    const CSlideShowModel& Model() const { return m_model; }
    // The media control's player: it previews the sound file.
    CMediaPlayer2& Media() { return m_media; }

    // Data exchange: true takes the controls into the model (false when the delay is refused),
    // false pushes the model into the controls.
    bool UpdateData(bool saveAndValidate = true);

    // What Play runs (the full-screen player by default) and how an image opens for editing.
    void SetPlayFunction(std::function<void(CSlideShowModel&)> play) { m_play = std::move(play); }
    void SetOpenDocumentFunction(std::function<void(const QString&)> open) {
        m_openDocument = std::move(open);
    }

    // Where the show dialogs start: program folder + "SlideShows".
    static QString ShowFolder();
    // The sound dialog's filter: string 144 (what the media player plays), then string 140.
    static QString SoundFilter();

    // The handlers, by control.
    void AddImages();
    void Remove();
    void Clear();
    enum class Move { First, Up, Down, Last };
    void MoveImage(Move where);
    void Play();
    void ChooseSound();
    // fromClick: the controls are taken into the model first (a click), not after Open.
    void RefreshSoundControls(bool fromClick = true);
    void SoundTextChanged();
    void Save();
    void Open();
    void Export();
    void RefreshPreview();
    void OpenForEditing();

    // The control of a resource id.
    template <class T> T* Control(int id) const {
        return findChild<T*>(QStringLiteral("Control%1").arg(id));
    }
    // The preview button's caption.
    QString PreviewCaption() const;
    // The indices of the selected items, ascending.
    QList<int> SelectedIndices() const;

signals:
    // Each position the export's progress window is set to, with the bar's range end.
    void exportPosition(int position, int rangeEnd);

private:
    void Build();
    void Connect();
    void AppendEntry(const QString& path);
    void SelectOnly(int index);
    bool RefuseDelay();
    // Gives the media control a file name ("" unloads it) and shows it.
    void SetMediaFile(const QString& path);

    CSlideShowModel m_model;
    CMediaPlayer2 m_media;
    std::function<void(CSlideShowModel&)> m_play;
    std::function<void(const QString&)> m_openDocument;

    QListWidget* m_list = nullptr;
    QCheckBox *m_loop, *m_showFileName, *m_transitions, *m_useSound, *m_soundLoop;
    QLineEdit *m_soundFile, *m_delay;
    QRadioButton *m_keyboard, *m_automatic;
    QPushButton *m_chooseSound, *m_playButton;
    QWidget* m_mediaControl = nullptr;
    QLabel* m_mediaName = nullptr;
    CBmpBtn* m_preview = nullptr;
    bool m_exchanging = false; // pushing the model: the controls' signals are not user input
};

} // namespace tsl
