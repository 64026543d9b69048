#pragma once
// CFolderDialog: the open-file dialog turned into a folder chooser. It lists folders only;
// its file name and file type boxes are hidden, its buttons sit on one line below the list, the
// OK button reads "Select", and the title is the one given. "Select" answers the folder being
// shown (the one the user navigated to), whether or not a folder in the list is selected;
// opening a folder in the list (double click, Enter) goes into it. On OK the folder is written
// into the caller's result string.
//
// A drive letter ("c:\") as the start folder, an empty or a missing one starts in the user's
// home folder.

#include "platform/FileDialog.h"

namespace tsl {

class CFolderDialog : public platform::CFileDialog {
    Q_OBJECT
public:
    static constexpr const char* kSelectText = "Select";

    CFolderDialog(QString& result, const QString& title, QWidget* parent = nullptr,
                  const QString& startFolder = {});

    bool IsFolderChooser() const override { return true; }

    // The folder a start folder stands for (see above).
    static QString StartFolder(const QString& folder);

public slots:
    // "Select": the folder being shown, at once.
    void accept() override;

protected:
    QStringList AcceptedPaths() const override;
    void OnFileOk() override;

private:
    void Arrange();

    QString& m_result;
};

} // namespace tsl
