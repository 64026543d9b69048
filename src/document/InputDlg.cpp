#include "document/InputDlg.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <climits>
#include <cstdlib>

namespace tsl {

int LeadingInteger(const QString& text) {
    const QByteArray bytes = text.toLatin1();
    const long value = std::strtol(bytes.constData(), nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

CInputDlg::CInputDlg(const QString& caption, const QString& text, QWidget* parent)
    : QDialog(parent), m_edit(new QLineEdit(text)) {
    setObjectName(QStringLiteral("Dialog%1").arg(IDD_INPUT));
    setWindowTitle(caption);
    m_edit->setObjectName(QStringLiteral("Control%1").arg(IDC_INPUT_TEXT));
    m_edit->selectAll();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_edit);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    const auto update = [this] { m_ok->setEnabled(!m_edit->text().isEmpty()); };
    connect(m_edit, &QLineEdit::textChanged, this, update);
    update();
}

QString CInputDlg::Text() const { return m_edit->text(); }

} // namespace tsl
