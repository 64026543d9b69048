#include "paint/PntDimDlg.h"

#include "core/Dib.h"
#include "framework/Ids.h"
#include "platform/Platform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <optional>

namespace tsl {

namespace {

constexpr int kDepthBits[] = {1, 4, 8, 16, 24, 32};
constexpr int kDefaultDepthIndex = 2;

// An integer as the number transfer reads it: optional sign, digits, surrounding blanks.
std::optional<int> IntegerOf(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? std::optional<int>(value) : std::nullopt;
}

} // namespace

CPntDimDlg::CPntDimDlg(QWidget* parent)
    : CPntDlg(IDD_BITMAP_DIMENSIONS, parent), m_widthLabel(new QLabel(QStringLiteral("&Width:"))),
      m_widthEdit(new QLineEdit), m_heightLabel(new QLabel(QStringLiteral("&Height:"))),
      m_heightEdit(new QLineEdit), m_depthList(new QComboBox),
      m_cropBox(new QCheckBox(QStringLiteral("Crop to selection rectangle"))) {
    setWindowTitle(QStringLiteral("Enter Bitmap Dimensions"));
    m_widthLabel->setObjectName(ControlName(IDC_DIM_WIDTH_LABEL));
    m_widthEdit->setObjectName(ControlName(IDC_DIM_WIDTH));
    m_heightLabel->setObjectName(ControlName(IDC_DIM_HEIGHT_LABEL));
    m_heightEdit->setObjectName(ControlName(IDC_DIM_HEIGHT));
    m_depthList->setObjectName(ControlName(IDC_DIM_COLORS));
    m_cropBox->setObjectName(ControlName(IDC_DIM_CROP));
    m_widthLabel->setBuddy(m_widthEdit);
    m_heightLabel->setBuddy(m_heightEdit);
    auto* depthLabel = new QLabel(QStringLiteral("&Colors:"));
    depthLabel->setBuddy(m_depthList);
    for (const char* text :
         {"Monochrome", "16 Colors", "256 Colors", "High Color", "True Color", "32 bit Colour"})
        m_depthList->addItem(QString::fromLatin1(text));
    m_depthList->setCurrentIndex(kDefaultDepthIndex);

    // Fields on the left, stretching with the dialog; OK and Cancel stacked on the right.
    auto* fields = new QGridLayout;
    fields->addWidget(m_widthLabel, 0, 0);
    fields->addWidget(m_widthEdit, 0, 1);
    fields->addWidget(m_heightLabel, 0, 2);
    fields->addWidget(m_heightEdit, 0, 3);
    fields->addWidget(depthLabel, 1, 0);
    fields->addWidget(m_depthList, 1, 1, 1, 3);
    fields->addWidget(m_cropBox, 2, 0, 1, 4);
    fields->setColumnStretch(1, 1);
    fields->setColumnStretch(3, 1);
    fields->setRowStretch(3, 1);
    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Vertical);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(ControlName(1));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(ControlName(2));
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(fields, 1);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_cropBox, &QCheckBox::toggled, this, &CPntDimDlg::UpdateSizeControls);
    m_widthEdit->setFocus();
}

void CPntDimDlg::SetValues(int width, int height, int bitsPerPixel) {
    m_width = width;
    m_height = height;
    m_widthEdit->setText(QString::number(width));
    m_heightEdit->setText(QString::number(height));
    int index = kDefaultDepthIndex;
    for (int i = 0; i < 6; ++i)
        if (kDepthBits[i] == bitsPerPixel) index = i;
    m_depthList->setCurrentIndex(index);
}

void CPntDimDlg::SetCropAllowed(bool allowed) {
    if (!allowed) m_cropBox->setChecked(false);
    m_cropBox->setEnabled(allowed);
    UpdateSizeControls();
}

void CPntDimDlg::UpdateSizeControls() {
    const bool sized = !Crop();
    for (QWidget* w : {static_cast<QWidget*>(m_widthLabel), static_cast<QWidget*>(m_widthEdit),
                       static_cast<QWidget*>(m_heightLabel), static_cast<QWidget*>(m_heightEdit)})
        w->setEnabled(sized);
}

int CPntDimDlg::Width() const {
    return IntegerOf(m_widthEdit->text()).value_or(m_width);
}
int CPntDimDlg::Height() const {
    return IntegerOf(m_heightEdit->text()).value_or(m_height);
}
bool CPntDimDlg::Crop() const {
    return m_cropBox->isChecked();
}

int CPntDimDlg::BitsPerPixel() const {
    const int index = m_depthList->currentIndex();
    return index >= 0 && index < 6 ? kDepthBits[index] : 8;
}

bool CPntDimDlg::Refuse(QLineEdit* edit, const QString& text) {
    platform::Platform().prompt->MessageBox(this, text, QStringLiteral("Tessaly"),
                                            platform::Buttons::Ok, platform::Icon::Warning);
    edit->setFocus();
    edit->selectAll();
    return false;
}

bool CPntDimDlg::TransferAndValidate() {
    if (Crop()) return true;
    const QString notInteger = QStringLiteral("Please enter an integer.");
    const std::optional<int> width = IntegerOf(m_widthEdit->text());
    if (!width) return Refuse(m_widthEdit, notInteger);
    const std::optional<int> height = IntegerOf(m_heightEdit->text());
    if (!height) return Refuse(m_heightEdit, notInteger);

    const QString outOfRange =
        QStringLiteral("Please enter an integer between 1 and %1.").arg(kSideLimit);
    if (*width < 1 || static_cast<unsigned>(*width) > kSideLimit)
        return Refuse(m_widthEdit, outOfRange);
    if (*height < 1 || static_cast<unsigned>(*height) > kSideLimit)
        return Refuse(m_heightEdit, outOfRange);
    if (static_cast<std::uint64_t>(*width) * static_cast<std::uint64_t>(*height) > kPixelLimit)
        return Refuse(m_widthEdit,
                      QStringLiteral("An image of %1 x %2 pixels is too large: width times height "
                                     "may be at most %3 pixels.")
                          .arg(*width)
                          .arg(*height)
                          .arg(kPixelLimit));
    m_width = *width;
    m_height = *height;
    return true;
}

} // namespace tsl
