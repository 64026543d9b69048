#include "capture/CaptureSetupDlg.h"

#include "capture/LScreenCapture.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tsl {

CCaptureSetupDlg::CCaptureSetupDlg(int kind, bool multiple, LScreenCapture& capture, QWidget* owner)
    : QDialog(owner), m_capture(capture), m_owner(owner) {
    setWindowTitle(QStringLiteral("Capture Setup"));
    static const char* const kTexts[9] = {"&Area",      "&Client area",        "Active &window",
                                          "&Full screen", "&Object",           "&Menu under cursor",
                                          "Wi&ndow under cursor", "Mo&use cursor", "Wallpap&er"};
    auto* group = new QGroupBox(QStringLiteral(" Capture "), this);
    auto* grid = new QGridLayout(group);
    m_kinds = new QButtonGroup(this);
    for (int i = 0; i < 9; ++i) {
        auto* radio = new QRadioButton(QString::fromLatin1(kTexts[i]), group);
        m_kinds->addButton(radio, kOrder[i]);
        grid->addWidget(radio, i % 5, i / 5);
    }
    m_kinds->button(kind >= 1 && kind <= 9 ? kind : 3)->setChecked(true);
    m_multipleBox = new QCheckBox(QStringLiteral("Multiple captures"), this);
    m_multipleBox->setChecked(multiple);

    auto* options = new QVBoxLayout;
    auto addOption = [&](const char* text, auto open) {
        auto* button = new QPushButton(QString::fromLatin1(text), this);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, open] { (m_capture.*open)(m_owner); });
        options->addWidget(button);
    };
    addOption("Capture Options...", &LScreenCapture::SetCaptureOptionDlg);
    addOption("Area Options...", &LScreenCapture::CaptureAreaOptionDlg);
    addOption("Object Options...", &LScreenCapture::CaptureObjectOptionDlg);
    options->addStretch();

    auto* start = new QPushButton(QStringLiteral("Start capturing!"), this);
    start->setDefault(true);
    connect(start, &QPushButton::clicked, this, [this] {
        m_start = true;
        accept();
    });
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* top = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(group);
    left->addWidget(m_multipleBox);
    top->addLayout(left);
    top->addLayout(options);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(start);
    bottom->addStretch();
    bottom->addWidget(ok);
    bottom->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(bottom);
}

QPushButton* CCaptureSetupDlg::Button(const QString& text) const {
    for (QPushButton* button : findChildren<QPushButton*>())
        if (button->text() == text) return button;
    return nullptr;
}

void CCaptureSetupDlg::accept() {
    m_kind = m_kinds->checkedId();
    m_multiple = m_multipleBox->isChecked();
    QDialog::accept();
}

} // namespace tsl
