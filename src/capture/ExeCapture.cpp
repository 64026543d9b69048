// Resource capture out of Windows executables and DLLs.

#include "capture/LScreenCapture.h"

namespace tsl {

int LScreenCapture::CaptureFromEXEDlg(QWidget*, ExeDialogType) {
    return Fail(kCaptureUnsupported, QStringLiteral("Resource capture is not available yet."), true);
}

} // namespace tsl
