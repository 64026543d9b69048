#include "ui/FolderDialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QRegularExpression>

namespace tsl {
namespace {

platform::FileRequest FolderRequest(const QString& title, const QString& start) {
    platform::FileRequest r;
    r.caption = title;
    r.folder = start;
    return r;
}

} // namespace

QString CFolderDialog::StartFolder(const QString& folder) {
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:([\\\\/].*)?$"));
    if (folder.isEmpty() || drive.match(folder).hasMatch() || !QFileInfo(folder).isDir())
        return QDir::homePath();
    return QFileInfo(folder).absoluteFilePath();
}

CFolderDialog::CFolderDialog(QString& result, const QString& title, QWidget* parent,
                             const QString& startFolder)
    : CFileDialog(FolderRequest(title, StartFolder(startFolder)), parent),
      m_result(result) {
    setFileMode(QFileDialog::Directory);
    setOption(QFileDialog::ShowDirsOnly, true);
    setLabelText(QFileDialog::Accept, QString::fromLatin1(kSelectText));
    setWindowTitle(title);
    Arrange();
}

void CFolderDialog::Arrange() {
    for (const char* name : {"fileNameEdit", "fileNameLabel", "fileTypeCombo", "fileTypeLabel"})
        if (QWidget* w = Control<QWidget>(name)) w->hide();
    auto* grid = qobject_cast<QGridLayout*>(layout());
    auto* buttons = Control<QDialogButtonBox>("buttonBox");
    if (!grid || !buttons) return;
    // The buttons leave their column beside the (hidden) name and type boxes for a line of
    // their own under the folder list, in the desktop's button order.
    grid->removeWidget(buttons);
    buttons->setOrientation(Qt::Horizontal);
    grid->addWidget(buttons, grid->rowCount(), 0, 1, grid->columnCount());
}

void CFolderDialog::accept() { done(QDialog::Accepted); }

QStringList CFolderDialog::AcceptedPaths() const { return {directory().absolutePath()}; }

void CFolderDialog::OnFileOk() { m_result = GetPathName(); }

} // namespace tsl
