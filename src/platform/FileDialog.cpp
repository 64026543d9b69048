#include "platform/FileDialog.h"

#include "platform/FileFilter.h"

namespace tsl::platform {

CFileDialog::CFileDialog(const FileRequest& request, QWidget* parent)
    : QFileDialog(parent, request.caption, request.folder), m_request(request) {
    // Qt's dialog builds its widgets here, so they can be arranged and extended.
    setOption(QFileDialog::DontUseNativeDialog, true);
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(request.multiple ? QFileDialog::ExistingFiles
                                 : (request.mustExist ? QFileDialog::ExistingFile
                                                      : QFileDialog::AnyFile));
    const QStringList filters = ToQtFilters(request.filter);
    if (!filters.isEmpty()) setNameFilters(filters);
    // "*" is any extension: the name is returned as typed, never with a literal ".*".
    if (!request.defaultExtension.isEmpty() && request.defaultExtension != QLatin1String("*"))
        setDefaultSuffix(request.defaultExtension);
}

int CFileDialog::DoModal() {
    m_chosen.clear();
    return Platform().files->RunFileDialog(*this) == IDOK ? IDOK : IDCANCEL;
}

void CFileDialog::Choose(const QStringList& paths) {
    m_chosen = paths;
    OnFileOk();
    setResult(QDialog::Accepted);
}

void CFileDialog::done(int result) {
    if (result == QDialog::Accepted) {
        m_chosen = AcceptedPaths();
        OnFileOk();
    }
    QFileDialog::done(result);
}

} // namespace tsl::platform
