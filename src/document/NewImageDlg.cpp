#include "document/NewImageDlg.h"

#include "document/InputDlg.h"

#include "core/SettingsFile.h"
#include "platform/Platform.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cstdio>
#include <cstdlib>

namespace tsl {

namespace {

QString Exponent(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%e", value);
    return QString::fromLatin1(text);
}

// The number a box holds, as the platform's string-to-number reading takes it (leading
// digits; nothing readable is 0).
double DecimalOf(const QString& text) { return std::atof(text.toLatin1().constData()); }
int IntegerOf(const QString& text) { return LeadingInteger(text); }

} // namespace

QString ConvertUnitText(const QString& text, Unit from, Unit to) {
    if (from == to) return text;
    switch (from) {
    case Unit::Pixels: {
        const int pixels = IntegerOf(text);
        return Exponent(to == Unit::Inches ? pixels * 0.013888888695988 : pixels * 0.035277777287809);
    }
    case Unit::Inches: {
        const double inches = DecimalOf(text);
        if (to == Unit::Pixels) return QString::number(static_cast<long long>(inches * 72));
        return Exponent(inches * 2.54);
    }
    case Unit::Centimetres: {
        const double cm = DecimalOf(text);
        if (to == Unit::Pixels) return QString::number(static_cast<long long>(cm * 28.34645708661389));
        return Exponent(cm * 0.393700787401575);
    }
    }
    return text;
}

int PixelsOf(const QString& text, Unit unit) {
    const long long pixels = unit == Unit::Pixels ? IntegerOf(text)
                                                  : ConvertUnitText(text, unit, Unit::Pixels).toLongLong();
    return pixels < 1 ? 1 : pixels > (1 << 18) ? (1 << 18) : static_cast<int>(pixels);
}

int DepthForIndex(int index) {
    static constexpr int kDepths[] = {1, 4, 8, 16, 24, 32};
    return index >= 0 && index < 6 ? kDepths[index] : 24;
}

CNewImageDlg::CNewImageDlg(QWidget* parent)
    : QDialog(parent), m_width(new QLineEdit), m_height(new QLineEdit),
      m_units(new QButtonGroup(this)), m_depths(new QButtonGroup(this)),
      m_colour(new QPushButton) {
    setWindowTitle(QStringLiteral("New Image"));
    auto* size = new QGroupBox(QStringLiteral("Size"));
    auto* sizeForm = new QFormLayout(size);
    sizeForm->addRow(QStringLiteral("&Width:"), m_width);
    sizeForm->addRow(QStringLiteral("&Height:"), m_height);
    auto* unitRow = new QHBoxLayout;
    int id = 0;
    for (const char* name : {"&Pixels", "&Inches", "&Centimeters"}) {
        auto* radio = new QRadioButton(QString::fromLatin1(name));
        m_units->addButton(radio, id++);
        unitRow->addWidget(radio);
    }
    sizeForm->addRow(unitRow);

    auto* depth = new QGroupBox(QStringLiteral("Colors"));
    auto* depthBox = new QVBoxLayout(depth);
    id = 0;
    for (const char* name : {"&Monochrome", "16 colors", "256 colors", "High color (16 bit)",
                             "True color (24 bit)", "True color (32 bit)"}) {
        auto* radio = new QRadioButton(QString::fromLatin1(name));
        m_depths->addButton(radio, id++);
        depthBox->addWidget(radio);
    }
    auto* background = new QFormLayout;
    m_colour->setFixedSize(48, 24);
    background->addRow(QStringLiteral("&Background:"), m_colour);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(size);
    layout->addWidget(depth);
    layout->addLayout(background);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_colour, &QPushButton::clicked, this, &CNewImageDlg::ChooseColour);

    // Section "New" of the settings; absent keys keep the defaults.
    const CSettingsFile& s = Settings();
    std::string text;
    m_width->setText(s.ReadString(keys::New, keys::Width, text) ? QString::fromStdString(text)
                                                               : QStringLiteral("300"));
    m_height->setText(s.ReadString(keys::New, keys::Height, text) ? QString::fromStdString(text)
                                                                 : QStringLiteral("200"));
    int unit = 0, depthIndex = 4;
    s.ReadInt(keys::New, keys::MeasureType, unit);
    s.ReadInt(keys::New, keys::ColorDepth, depthIndex);
    s.ReadColour(keys::New, keys::Bgd, m_background);
    m_unit = unit >= 0 && unit <= 2 ? static_cast<Unit>(unit) : Unit::Pixels;
    m_units->button(static_cast<int>(m_unit))->setChecked(true);
    m_depths->button(depthIndex >= 0 && depthIndex <= 5 ? depthIndex : 4)->setChecked(true);
    connect(m_units, &QButtonGroup::idClicked, this, &CNewImageDlg::ChangeUnit);
    PaintColourButton();
    m_width->setFocus();
}

void CNewImageDlg::ChangeUnit(int unit) {
    const Unit to = static_cast<Unit>(unit);
    m_width->setText(ConvertUnitText(m_width->text(), m_unit, to));
    m_height->setText(ConvertUnitText(m_height->text(), m_unit, to));
    m_unit = to;
}

void CNewImageDlg::ChooseColour() {
    QColor colour(GetRValue(m_background), GetGValue(m_background), GetBValue(m_background));
    if (platform::Platform().colour->GetColour(this, colour) != platform::DialogResult::Ok) return;
    m_background = RGB(colour.red(), colour.green(), colour.blue());
    PaintColourButton();
}

void CNewImageDlg::PaintColourButton() {
    QPixmap swatch(36, 14);
    swatch.fill(QColor(GetRValue(m_background), GetGValue(m_background), GetBValue(m_background)));
    m_colour->setIcon(swatch);
    m_colour->setIconSize(swatch.size());
}

int CNewImageDlg::WidthPixels() const { return PixelsOf(m_width->text(), m_unit); }
int CNewImageDlg::HeightPixels() const { return PixelsOf(m_height->text(), m_unit); }
int CNewImageDlg::BitsPerPixel() const { return DepthForIndex(m_depths->checkedId()); }

void CNewImageDlg::accept() {
    CSettingsFile& s = Settings();
    s.WriteInt(keys::New, keys::ColorDepth, m_depths->checkedId());
    s.WriteInt(keys::New, keys::MeasureType, static_cast<int>(m_unit));
    s.WriteString(keys::New, keys::Width, m_width->text().toStdString());
    s.WriteString(keys::New, keys::Height, m_height->text().toStdString());
    s.WriteColour(keys::New, keys::Bgd, m_background);
    s.Save();
    QDialog::accept();
}

} // namespace tsl
