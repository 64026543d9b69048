#include "paint/FlexDialog.h"

#include "framework/Ids.h"

#include <QAbstractButton>
#include <QShowEvent>

namespace tsl {

QString ControlName(int id) {
    return QStringLiteral("Control%1").arg(id);
}

CNSFlexDialog::CNSFlexDialog(QWidget* parent) : QDialog(parent) {
    setSizeGripEnabled(true);
}

QAbstractButton* CNSFlexDialog::ApplyButton() const {
    return findChild<QAbstractButton*>(ControlName(IDC_APPLY));
}

void CNSFlexDialog::EnableApply(bool enable) {
    if (QAbstractButton* apply = ApplyButton()) apply->setEnabled(enable);
}

void CNSFlexDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_initialised || event->spontaneous()) return;
    m_initialised = true;
    OnInitDialog();
}

void CNSFlexDialog::OnInitDialog() {
    setMinimumSize(size());
    if (QAbstractButton* apply = ApplyButton()) {
        apply->setEnabled(false);
        connect(apply, &QAbstractButton::clicked, this, &CNSFlexDialog::Apply,
                Qt::UniqueConnection);
    }
}

void CNSFlexDialog::accept() {
    if (TransferAndValidate()) QDialog::accept();
}

bool CNSFlexDialog::Apply() {
    if (!TransferAndValidate()) return false;
    EnableApply(false);
    return true;
}

} // namespace tsl
