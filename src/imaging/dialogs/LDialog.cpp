#include "imaging/dialogs/LDialog.h"

#include "imaging/dialogs/LDialogFilterForms.h"
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

namespace tsl {

namespace {
int Run(QDialog& dialog) { return platform::Platform().dialogs->RunModal(dialog); }
} // namespace

int LDialog::DoModalGetChange(unsigned flag) {
    if (!m_bitmap || !m_bitmap->IsAllocated()) return kErrorNoBitmap;
    int min = 0, max = 0, standard = 0;
    if (!CChangeDlg::Range(flag, min, max, standard)) return kErrorInvalidParameter;
    CChangeDlg dialog(*m_bitmap, flag, m_change, m_parent);
    if (Run(dialog) != QDialog::Accepted) return kFailure;
    m_change = dialog.Change();
    return kSuccess;
}

int LDialog::DoModalGetNoise() {
    if (!m_bitmap || !m_bitmap->IsAllocated()) return kErrorNoBitmap;
    CNoiseDlg dialog(*m_bitmap, m_range, m_channel, m_parent);
    if (Run(dialog) != QDialog::Accepted) return kFailure;
    m_range = dialog.Range();
    m_channel = dialog.Channel();
    return kSuccess;
}

int LDialog::DoModalGetEmboss() {
    if (!m_bitmap || !m_bitmap->IsAllocated()) return kErrorNoBitmap;
    CEmbossDlg dialog(*m_bitmap, m_direction, m_depth, m_parent);
    if (Run(dialog) != QDialog::Accepted) return kFailure;
    m_direction = dialog.Direction();
    m_depth = dialog.Depth();
    return kSuccess;
}

int LDialog::DoModalGetFilter(unsigned family) {
    if (!m_bitmap || !m_bitmap->IsAllocated()) return kErrorNoBitmap;
    CFilterDlg dialog(*m_bitmap, family, m_spatialFilter, m_parent);
    if (dialog.Ids().empty()) return kErrorInvalidParameter;
    if (Run(dialog) != QDialog::Accepted) return kFailure;
    m_spatialFilter = dialog.Filter();
    return kSuccess;
}

} // namespace tsl
