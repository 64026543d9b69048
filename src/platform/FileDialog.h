#pragma once
// CFileDialog: the program's open-file dialog. It is Qt's own file dialog (never the desktop's
// native one), so that the program can arrange it and add to it: the folder chooser and the
// preview dialogs are built on it. DoModal runs it through the platform's file-dialog service
// (IFileDialogs::RunFileDialog): the Qt service executes it; the scripted service of the tests
// either answers from its queue, as a user who picked those paths and pressed OK, or hands the
// real dialog to a test's callback.

#include "platform/Platform.h"

#include <QFileDialog>
#include <QStringList>

namespace tsl::platform {

class CFileDialog : public QFileDialog {
    Q_OBJECT
public:
    // An open dialog for the request: its caption, starting folder, filter, default
    // extension and whether several files may be chosen (files must then exist).
    explicit CFileDialog(const FileRequest& request, QWidget* parent = nullptr);

    // IDOK when the user chose, IDCANCEL otherwise.
    int DoModal();

    const FileRequest& Request() const { return m_request; }
    // What the user chose, in the order the dialog lists it: files, or a folder chooser's
    // folder. Empty until the dialog was accepted.
    const QStringList& GetPathNames() const { return m_chosen; }
    QString GetPathName() const { return m_chosen.value(0); }
    virtual bool IsFolderChooser() const { return false; }

    // Takes the paths as the dialog's answer, as if the user had chosen them and pressed OK.
    void Choose(const QStringList& paths);

    // One of Qt's own controls of the dialog by object name ("fileNameEdit", "fileTypeCombo",
    // "buttonBox", "listView", "splitter"...); null if this Qt version has no such control.
    template <class T> T* Control(const char* name) const {
        return findChild<T*>(QLatin1String(name));
    }

protected:
    // The answer of an accepted dialog: the selected files unless a subclass says otherwise.
    virtual QStringList AcceptedPaths() const { return selectedFiles(); }
    // Called once the answer is taken, before the dialog closes.
    virtual void OnFileOk() {}
    void done(int result) override;

private:
    FileRequest m_request;
    QStringList m_chosen;
};

} // namespace tsl::platform
