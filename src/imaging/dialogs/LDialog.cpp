#include "imaging/dialogs/LDialog.h"

#include "imaging/dialogs/LDialogForms.h"
#include "platform/Platform.h"

namespace tsl {

int LDialog::DoModalGetAngle(unsigned kind) {
    if (!m_bitmap || !m_bitmap->IsAllocated()) return kErrorNoBitmap;
    CAngleDlg dialog(*m_bitmap, kind, m_parent);
    dialog.SetAngle(m_angle);
    dialog.SetBackColour(m_backColor);
    if (platform::Platform().dialogs->RunModal(dialog) != QDialog::Accepted) return kFailure;
    m_angle = dialog.Angle();
    m_angleFlag = dialog.AngleFlag();
    m_backColor = dialog.BackColour();
    return kSuccess;
}

int LDialog::DoModalGetSize(unsigned method) {
    if (!m_bitmap || !m_bitmap->IsAllocated()) return kErrorNoBitmap;
    const int width = m_newWidth > 0 ? m_newWidth : m_bitmap->GetWidth();
    const int height = m_newHeight > 0 ? m_newHeight : m_bitmap->GetHeight();
    CSizeDlg dialog(*m_bitmap, width, height, method, m_parent);
    if (platform::Platform().dialogs->RunModal(dialog) != QDialog::Accepted) return kFailure;
    m_newWidth = dialog.NewWidth();
    m_newHeight = dialog.NewHeight();
    m_sizeFlag = dialog.Method();
    return kSuccess;
}

} // namespace tsl
