#include "slideshow/SlideShowExport.h"

#include "core/Services.h"
#include "platform/FileNames.h"
#include "platform/FileOps.h"
#include "platform/Platform.h"
#include "slideshow/SlideShowDlg.h"
#include "slideshow/SlideShowModel.h"

#include <QApplication>
#include <QProgressBar>
#include <QVBoxLayout>

#include <algorithm>

#include <sys/stat.h>

namespace tsl {

CExportProgressWnd::CExportProgressWnd(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowTitleHint), m_bar(new QProgressBar(this)) {
    setObjectName(QStringLiteral("Dialog%1").arg(kTemplateId));
    setWindowTitle(QStringLiteral("Creating the slide show"));
    m_bar->setObjectName(QStringLiteral("Control%1").arg(kBarId));
    m_bar->setTextVisible(false);
    m_bar->setMinimumWidth(260);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_bar);
}

void CExportProgressWnd::SetRange(int low, int high) {
    m_bar->setRange(low, high);
}

void CExportProgressWnd::SetPos(int position) {
    m_position = position;
    m_bar->setValue(std::clamp(position, m_bar->minimum(), m_bar->maximum()));
}

QString StandAlonePlayerPath() {
    return DecodeFileName(QByteArray::fromStdString(Resources().ProgramFolder())) +
           QStringLiteral("Bin/SlideShowPlayer.bin");
}

ExportTarget ExportTargetOf(const QString& showPath) {
    const qsizetype slash = showPath.lastIndexOf(QLatin1Char('/'));
    const QString name = showPath.mid(slash + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return {showPath.left(slash + 1), dot < 0 ? name : name.left(dot)};
}

QString WriteStandAloneShow(const CSlideShowModel& model, const QString& showPath,
                            const QString& playerPath, const std::function<void(int)>& position,
                            const std::function<void(const QString&)>& showFailed) {
    const ExportTarget target = ExportTargetOf(showPath);
    const int count = model.Count();
    for (int i = 0; i < count; ++i) {
        const QString& entry = model.imageEntries.at(i);
        CopyFileSafely(entry, target.folder + DisplayNameOf(entry), false); // skipped on failure
        if (position) position(i + 1);
    }
    const QString error = WriteShowFile(model, showPath, ShowFileForm::NameOnly);
    if (!error.isEmpty() && showFailed) showFailed(error);
    if (model.useSound == 1 && !model.soundFile.isEmpty())
        CopyFileSafely(model.soundFile, target.folder + DisplayNameOf(model.soundFile), false);
    const QString player = target.folder + target.title;
    if (CopyFileSafely(playerPath, player, false))
        ::chmod(NativePath(player).c_str(), 0755); // whatever the shipped file's mode
    if (position) position(11 * count);
    return error;
}

void ExportStandAloneShow(CSlideShowDlg& editor) {
    if (!editor.UpdateData(true)) return;
    platform::FileRequest request;
    request.caption = QString::fromLatin1(kExportTitle);
    request.filter = QString::fromLatin1(kExportFilter);
    request.defaultExtension = QStringLiteral("SlideShow");
    request.overwritePrompt = true;
    request.mustExist = false;
    request.folder = CSlideShowDlg::ShowFolder();
    const QString path = platform::Platform().files->GetSaveFileName(&editor, request);
    if (path.isEmpty()) return;

    CExportProgressWnd progress(&editor);
    progress.SetRange(0, editor.Model().Count());
    progress.show();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    WriteStandAloneShow(
        editor.Model(), AbsoluteFilePath(path), StandAlonePlayerPath(),
        [&](int position) {
            progress.SetPos(position);
            emit editor.exportPosition(position, progress.Bar()->maximum());
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        },
        [&](const QString& error) { ReportShowFileError(error, &editor); });
    progress.hide();
}

} // namespace tsl
