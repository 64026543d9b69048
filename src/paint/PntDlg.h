#pragma once
// CPntDlg: the paint engine's dialog base. It remembers the dialog's window rectangle between
// runs in the profile section "PaintDlg:<template id>" (integer keys X, Y, Width and Height:
// the frame rectangle in screen coordinates; a missing key reads -1).
//
// The rectangle is restored when the dialog is first shown and saved whenever it is hidden by
// the program (closed, accepted, rejected or hidden; not when the window system minimises it)
// and when it is destroyed while visible.
//
// Restoring checks the rectangle against the work area of the screen that holds its top-left
// corner (the dialog's own screen when none does; the whole screen when the work area is
// empty). A negative X or Y, a rectangle without area or one not entirely inside the work
// area centres the dialog on its parent's window, or on the work area without a parent, kept
// inside the work area where it fits. A restored rectangle smaller than the dialog's first
// size grows to that minimum.

#include "paint/FlexDialog.h"

namespace tsl {

class CPntDlg : public CNSFlexDialog {
    Q_OBJECT
public:
    explicit CPntDlg(int templateId, QWidget* parent = nullptr);
    ~CPntDlg() override;

    int TemplateId() const { return m_templateId; }
    QString Section() const;

    void SavePosition();
    void RestorePosition();

protected:
    void OnInitDialog() override;
    void hideEvent(QHideEvent* event) override;

private:
    void CentreIn(const QRect& area);

    int m_templateId;
};

} // namespace tsl
