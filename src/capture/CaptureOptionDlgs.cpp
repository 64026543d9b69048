#include "capture/CaptureOptionDlgs.h"

#include "platform/Platform.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QKeySequenceEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace tsl {
namespace {

QDialogButtonBox* OkCancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

} // namespace

CCaptureOptionsDlg::CCaptureOptionsDlg(const CaptureOptions& options, QWidget* parent)
    : QDialog(parent), m_options(options) {
    setWindowTitle(QStringLiteral("Capture Options"));
    auto* form = new QFormLayout;
    m_hotKey = new QKeySequenceEdit(QKeySequence(options.hotKey), this);
    form->addRow(QStringLiteral("&Hot key:"), m_hotKey);
    m_delay = new QSpinBox(this);
    m_delay->setRange(0, 60000);
    m_delay->setSingleStep(100);
    m_delay->setSuffix(QStringLiteral(" ms"));
    m_delay->setValue(options.delayMs);
    form->addRow(QStringLiteral("&Delay before the capture:"), m_delay);
    m_cursor = new QCheckBox(QStringLiteral("Include the &cursor"), this);
    m_cursor->setChecked(options.includeCursor);
    form->addRow(m_cursor);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(OkCancel(this));
}

CaptureOptions CCaptureOptionsDlg::Options() const {
    CaptureOptions out = m_options;
    const QKeySequence sequence = m_hotKey->keySequence();
    if (!sequence.isEmpty()) out.hotKey = sequence[0];
    out.delayMs = m_delay->value();
    out.includeCursor = m_cursor->isChecked();
    return out;
}

void CCaptureOptionsDlg::accept() {
    if (m_hotKey->keySequence().isEmpty()) {
        platform::Platform().prompt->MessageBox(this, QStringLiteral("Please press the key to use as the hot key."),
                                                windowTitle());
        return;
    }
    QDialog::accept();
}

CAreaOptionsDlg::CAreaOptionsDlg(const AreaOptions& options, QWidget* parent)
    : QDialog(parent), m_options(options) {
    setWindowTitle(QStringLiteral("Area Options"));
    auto* group = new QGroupBox(QStringLiteral(" Shape "), this);
    auto* column = new QVBoxLayout(group);
    m_shapes = new QButtonGroup(this);
    const char* names[] = {"&Rectangle", "R&ounded rectangle", "&Ellipse", "&Freehand"};
    for (int i = 0; i < 4; ++i) {
        auto* radio = new QRadioButton(QString::fromLatin1(names[i]), group);
        m_shapes->addButton(radio, i);
        column->addWidget(radio);
    }
    m_shapes->button(int(options.shape))->setChecked(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(OkCancel(this));
}

AreaOptions CAreaOptionsDlg::Options() const {
    AreaOptions out = m_options;
    out.shape = AreaShape(std::max(0, m_shapes->checkedId()));
    return out;
}

CObjectOptionsDlg::CObjectOptionsDlg(const ObjectOptions& options, QWidget* parent)
    : QDialog(parent), m_options(options) {
    setWindowTitle(QStringLiteral("Object Options"));
    auto* form = new QFormLayout;
    m_border = new QSpinBox(this);
    m_border->setRange(1, 16);
    m_border->setValue(options.borderWidth);
    form->addRow(QStringLiteral("&Highlight frame width:"), m_border);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(OkCancel(this));
}

ObjectOptions CObjectOptionsDlg::Options() const {
    ObjectOptions out = m_options;
    out.borderWidth = m_border->value();
    return out;
}

} // namespace tsl
