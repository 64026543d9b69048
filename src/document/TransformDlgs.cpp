#include "document/TransformDlgs.h"

#include "document/InputDlg.h"
#include "platform/Platform.h"
#include "ui/BmpBtn.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

namespace tsl {

namespace {

QString ControlName(int id) { return QStringLiteral("Control%1").arg(id); }

QDialogButtonBox* OkCancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

// A positive whole number, as typed (blanks around it allowed).
int PositiveInteger(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && value > 0 ? value : 0;
}

} // namespace

// ---- Trim Image

CTrimDlg::CTrimDlg(QWidget* parent)
    : QDialog(parent), m_slider(new QSlider(Qt::Horizontal)), m_value(new QLineEdit) {
    setObjectName(QStringLiteral("Dialog%1").arg(IDD_TRIM_IMAGE));
    setWindowTitle(QStringLiteral("Trim Image"));
    m_slider->setObjectName(ControlName(IDC_TRIM_SLIDER));
    m_value->setObjectName(ControlName(IDC_TRIM_VALUE));
    m_slider->setRange(0, 244);
    m_slider->setValue(30);
    m_value->setReadOnly(true);
    m_value->setText(QStringLiteral("30"));
    m_value->setMaximumWidth(60);
    connect(m_slider, &QSlider::valueChanged, this,
            [this](int v) { m_value->setText(QString::number(v)); });
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Threshold:")));
    row->addWidget(m_slider, 1);
    row->addWidget(m_value);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(OkCancel(this));
}

int CTrimDlg::Threshold() const { return LeadingInteger(m_value->text()); }

// ---- Color Depth

CColorDepthDlg::CColorDepthDlg(int currentDepth, QWidget* parent)
    : QDialog(parent), m_options(new QButtonGroup(this)) {
    setObjectName(QStringLiteral("Dialog%1").arg(IDD_COLOR_DEPTH));
    setWindowTitle(QStringLiteral("Color Depth"));
    struct Option {
        int id;
        int depth;
        const char* text;
    };
    static constexpr Option kOptions[] = {{IDC_DEPTH_1, 1, "1 bit (2 colors)"},
                                          {IDC_DEPTH_4, 4, "4 bit (16 colors)"},
                                          {IDC_DEPTH_8, 8, "8 bit (256 colors)"},
                                          {IDC_DEPTH_24, 24, "24 bit (millions of colors)"}};
    auto* layout = new QVBoxLayout(this);
    for (const Option& o : kOptions) {
        auto* radio = new QRadioButton(QString::fromLatin1(o.text));
        radio->setObjectName(ControlName(o.id));
        m_options->addButton(radio, o.depth);
        layout->addWidget(radio);
        if (o.depth == currentDepth) radio->setChecked(true);
    }
    layout->addWidget(OkCancel(this));
}

int CColorDepthDlg::ChosenDepth() const {
    const int id = m_options->checkedId();
    return id > 0 ? id : 24;
}

// ---- Image Size

CImageSizeDlg::CImageSizeDlg(int width, int height, QWidget* parent)
    : QDialog(parent), m_width(new QLineEdit(QString::number(width))),
      m_height(new QLineEdit(QString::number(height))),
      m_centre(new QCheckBox(QStringLiteral("Center Image"))) {
    setObjectName(QStringLiteral("Dialog%1").arg(IDD_IMAGE_SIZE));
    setWindowTitle(QStringLiteral("Image Size"));
    m_width->setObjectName(ControlName(IDC_SIZE_WIDTH));
    m_height->setObjectName(ControlName(IDC_SIZE_HEIGHT));
    m_centre->setObjectName(ControlName(IDC_SIZE_CENTER));
    m_centre->setChecked(true);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Width"), m_width);
    form->addRow(QStringLiteral("Height"), m_height);
    form->addRow(QString(), m_centre);
    QDialogButtonBox* buttons = OkCancel(this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    const auto update = [this] { m_ok->setEnabled(NewWidth() > 0 && NewHeight() > 0); };
    connect(m_width, &QLineEdit::textChanged, this, update);
    connect(m_height, &QLineEdit::textChanged, this, update);
    update();
    m_width->selectAll();
}

int CImageSizeDlg::NewWidth() const { return PositiveInteger(m_width->text()); }
int CImageSizeDlg::NewHeight() const { return PositiveInteger(m_height->text()); }
bool CImageSizeDlg::Centre() const { return m_centre->isChecked(); }

// ---- Image Transparency

CTransparencyDlg::CTransparencyDlg(bool transparent, COLORREF colour, COLORREF fore,
                                   COLORREF back, QWidget* parent)
    : QDialog(parent), m_options(new QButtonGroup(this)),
      m_button(new CBmpBtn(QStringLiteral("L:1~"), IDC_TRANSPARENCY_BUTTON)),
      m_note(new QLabel(QStringLiteral(
          "Note: transparency is ignored unless you save the file in the gif format."))),
      m_colour(colour), m_fore(fore), m_back(back) {
    setObjectName(QStringLiteral("Dialog%1").arg(IDD_IMAGE_TRANSPARENCY));
    setWindowTitle(QStringLiteral("Image Transparency"));
    struct Option {
        int id;
        const char* text;
    };
    static constexpr Option kOptions[] = {
        {IDC_TRANSPARENCY_NONE, "No transparency"},
        {IDC_TRANSPARENCY_BACK, "Set transparency to the current background color"},
        {IDC_TRANSPARENCY_FORE, "Set transparency to the current foreground color"},
        {IDC_TRANSPARENCY_COLOUR, "Set transparent color"}};
    auto* layout = new QVBoxLayout(this);
    int index = 0;
    for (const Option& o : kOptions) {
        auto* radio = new QRadioButton(QString::fromLatin1(o.text));
        radio->setObjectName(ControlName(o.id));
        m_options->addButton(radio, index++);
        if (o.id == IDC_TRANSPARENCY_COLOUR) {
            auto* row = new QHBoxLayout;
            row->addWidget(radio);
            row->addWidget(m_button);
            row->addStretch(1);
            layout->addLayout(row);
        } else {
            layout->addWidget(radio);
        }
    }
    m_button->setObjectName(ControlName(IDC_TRANSPARENCY_BUTTON));
    m_button->setFixedSize(40, 22);
    m_note->setWordWrap(true);
    layout->addWidget(m_note);
    layout->addWidget(OkCancel(this));
    connect(m_options, &QButtonGroup::idClicked, this, [this](int option) {
        if (option == 1) SetColour(m_back);
        if (option == 2) SetColour(m_fore);
        m_button->setEnabled(option != 0);
    });
    connect(m_button, &QAbstractButton::clicked, this, &CTransparencyDlg::ChooseColour);
    SetOption(transparent ? 3 : 0);
    SetColour(m_colour);
}

int CTransparencyDlg::Option() const { return std::max(0, m_options->checkedId()); }

void CTransparencyDlg::SetOption(int option) {
    if (QAbstractButton* b = m_options->button(option)) b->click();
}

void CTransparencyDlg::SetColour(COLORREF colour) {
    m_colour = colour & 0xFFFFFF;
    m_button->SetFaceColour(m_colour);
}

void CTransparencyDlg::ChooseColour() {
    QColor colour(GetRValue(m_colour), GetGValue(m_colour), GetBValue(m_colour));
    if (platform::Platform().colour->GetColour(this, colour) != platform::DialogResult::Ok) return;
    SetColour(RGB(colour.red(), colour.green(), colour.blue()));
}

} // namespace tsl
