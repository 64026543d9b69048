#pragma once
// The platform services as small interfaces. Platform() returns the installed set; the
// application installs the Qt implementations (QtServices.h), tests the scripted doubles
// (Scripted.h).

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QVariant>

class QDialog;
class QWidget;

namespace tsl::platform {

class CFileDialog;

// Message-box answers, numbered as the dialog results the program compares with.
enum Answer : int {
    IDOK = 1,
    IDCANCEL = 2,
    IDYES = 6,
    IDNO = 7,
    IDYESTOALL = 8,
    IDNOTOALL = 9,
};
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Icon { None, Information, Warning, Error, Question };

class IPrompt {
public:
    virtual ~IPrompt() = default;
    virtual int MessageBox(QWidget* parent, const QString& text, const QString& caption,
                           Buttons buttons = Buttons::Ok, Icon icon = Icon::None) = 0;
    // Dialog 144 of Close All: "Save changes to %s?" with Yes, No, Yes to all, No to all, Cancel.
    virtual int AskSaveChanges(QWidget* parent, const QString& path) = 0;
};

// Runs a modal dialog; returns 1 (OK) or 0 (Cancel) as QDialog::exec does.
class IDialogRunner {
public:
    virtual ~IDialogRunner() = default;
    virtual int RunModal(QDialog& dialog) = 0;
};

struct FileRequest {
    QString caption;
    QString folder;            // starting folder
    QString fileName;          // proposed name (save)
    QString filter;            // "Text|patterns|Text|patterns||"
    QString defaultExtension;  // without the dot
    bool multiple = false;
    bool mustExist = true;
    bool overwritePrompt = true;
};

class IFileDialogs {
public:
    virtual ~IFileDialogs() = default;
    // The chosen files, in the order the dialog lists them; empty when cancelled.
    virtual QStringList GetOpenFileNames(QWidget* parent, const FileRequest& request) = 0;
    // The chosen path; empty when cancelled.
    virtual QString GetSaveFileName(QWidget* parent, const FileRequest& request) = 0;
    // Runs one of the program's own file dialogs (FileDialog.h): the folder chooser, the
    // preview dialogs. IDOK with the dialog's answer taken, or IDCANCEL.
    virtual int RunFileDialog(CFileDialog& dialog) = 0;
};

enum class DialogResult { Ok, Cancel, Failed };

class IColourDialog {
public:
    virtual ~IColourDialog() = default;
    virtual DialogResult GetColour(QWidget* parent, QColor& colour) = 0;
};

class IFontDialog {
public:
    virtual ~IFontDialog() = default;
    // With colour, the dialog also offers the text colour, initialised from and returned in it.
    virtual DialogResult GetFont(QWidget* parent, QFont& font, QColor* colour = nullptr) = 0;
};

// Opens a file or a web or mail link with the desktop's handler.
class IShell {
public:
    virtual ~IShell() = default;
    virtual bool Open(const QString& target) = 0;
};

// The per-user profile: sections of typed values ("Recent File List", "Tip", ...).
class IProfile {
public:
    virtual ~IProfile() = default;
    virtual int GetInt(const QString& section, const QString& key, int defaultValue) = 0;
    virtual void WriteInt(const QString& section, const QString& key, int value) = 0;
    virtual QString GetString(const QString& section, const QString& key,
                              const QString& defaultValue = {}) = 0;
    virtual void WriteString(const QString& section, const QString& key, const QString& value) = 0;
    virtual void Remove(const QString& section, const QString& key) = 0;
};

class IClipboard {
public:
    virtual ~IClipboard() = default;
    virtual bool HasImage() = 0;
    virtual QImage Image() = 0;
    virtual void SetImage(const QImage& image) = 0;
    virtual void Clear() = 0;
};

class ISound {
public:
    virtual ~ISound() = default;
    virtual void Beep() = 0;
    // Plays a WAV file without waiting; false when it cannot be played.
    virtual bool Play(const QString& wavPath) = 0;
};

class IWaitCursor {
public:
    virtual ~IWaitCursor() = default;
    virtual void Begin() = 0;
    virtual void End() = 0;
};

struct Services {
    IPrompt* prompt = nullptr;
    IDialogRunner* dialogs = nullptr;
    IFileDialogs* files = nullptr;
    IColourDialog* colour = nullptr;
    IFontDialog* font = nullptr;
    IShell* shell = nullptr;
    IProfile* profile = nullptr;
    IClipboard* clipboard = nullptr;
    ISound* sound = nullptr;
    IWaitCursor* waitCursor = nullptr;
};

// The installed services; every member is set once Install has run.
const Services& Platform();
void Install(const Services& services);

// Whether a graphical display can be reached: X11, Wayland, or a Qt platform named outright
// (QT_QPA_PLATFORM, as the tests' offscreen one).
bool HasDisplay();

// Shows the wait cursor for the lifetime of the object.
class CWaitCursor {
public:
    CWaitCursor() { Platform().waitCursor->Begin(); }
    ~CWaitCursor() { Platform().waitCursor->End(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

} // namespace tsl::platform
