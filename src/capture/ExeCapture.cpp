// Resource capture: a picture out of a Windows executable or DLL becomes the captured image.

#include "capture/ExeResourceDlg.h"
#include "capture/LScreenCapture.h"
#include "capture/PeResources.h"
#include "platform/Platform.h"

#include <QFileInfo>

namespace tsl {

int LScreenCapture::CaptureFromEXEDlg(QWidget* owner, ExeDialogType type) {
    using platform::Platform;
    if (m_active) return Fail(kCaptureBusy, QStringLiteral("A capture is already waiting."), false);
    platform::FileRequest request;
    request.caption = QStringLiteral("Open an executable or a DLL");
    request.filter = QStringLiteral(
        "Programs and Libraries (*.exe;*.dll)|*.exe;*.dll;*.ocx;*.cpl;*.scr;*.sys|All Files (*.*)|*.*||");
    request.mustExist = true;
    const QStringList files = Platform().files->GetOpenFileNames(owner, request);
    if (files.isEmpty()) return kCaptureStopped;
    const QString path = files.first();
    pe::PeResources resources;
    std::string error;
    if (!resources.LoadFile(QFile::encodeName(path).toStdString(), error))
        return Fail(kCaptureFailed,
                    QStringLiteral("%1 cannot be read: %2.").arg(QFileInfo(path).fileName(),
                                                                 QString::fromStdString(error)),
                    true);
    if (resources.Pictures().empty())
        return Fail(kCaptureFailed,
                    QStringLiteral("%1 holds no bitmaps, icons or cursors.").arg(QFileInfo(path).fileName()),
                    true);
    CExeResourceDlg dialog(resources, type, QFileInfo(path).fileName(), owner);
    if (Platform().dialogs->RunModal(dialog) != QDialog::Accepted) return kCaptureStopped;
    const QImage image = dialog.ChosenImage();
    if (image.isNull()) return kCaptureStopped;
    CaptureCallBack(image);
    return kCaptureDone;
}

} // namespace tsl
