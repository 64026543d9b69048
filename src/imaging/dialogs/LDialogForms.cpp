#include "imaging/dialogs/LDialogForms.h"

#include "codecs/CBmp.h"
#include "imaging/dialogs/LDialog.h"
#include "ui/ColourPicker.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPixmap>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tsl {

namespace {

// Nearest-neighbour sample of a picture at its own depth, reading only the sampled pixels.
CDdb Sample(const CDdb& from, int w, int h) {
    CDdb to = CDdb::Create(w, h, from.BitsPerPixel());
    if (to.IsNull()) return to;
    to.Palette() = from.Palette();
    const int bpp = from.BitsPerPixel();
    const int bytes = bpp / 8;
    for (int y = 0; y < h; ++y) {
        const int sy = static_cast<int>(static_cast<long long>(y) * from.Height() / h);
        const std::uint8_t* s = from.Row(sy);
        std::uint8_t* d = to.Row(y);
        for (int x = 0; x < w; ++x) {
            const int sx = static_cast<int>(static_cast<long long>(x) * from.Width() / w);
            if (bpp >= 8) {
                std::memcpy(d + static_cast<std::size_t>(x) * bytes, s + static_cast<std::size_t>(sx) * bytes,
                            static_cast<std::size_t>(bytes));
            } else {
                const int from_bit = sx * bpp, to_bit = x * bpp;
                const int v = (s[from_bit / 8] >> (8 - bpp - from_bit % 8)) & ((1 << bpp) - 1);
                d[to_bit / 8] |= static_cast<std::uint8_t>(v << (8 - bpp - to_bit % 8));
            }
        }
    }
    return to;
}


} // namespace

void LayOutWithPreview(QDialog& dialog, QLayout* form, QWidget* preview) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto* layout = new QVBoxLayout(&dialog);
    auto* body = new QHBoxLayout;
    body->addLayout(form);
    body->addWidget(preview);
    layout->addLayout(body);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
}

// ---- preview

LBitmapBase CImagePreview::FittingCopy(const LBitmapBase& picture, int w, int h, double* scale) {
    LBitmapBase copy;
    const int pw = picture.GetWidth(), ph = picture.GetHeight();
    const double s = std::min({1.0, static_cast<double>(w) / pw, static_cast<double>(h) / ph});
    if (scale) *scale = s;
    const int cw = std::max(1, static_cast<int>(std::lround(pw * s)));
    const int ch = std::max(1, static_cast<int>(std::lround(ph * s)));
    if (s >= 1.0) {
        copy.SetHandle(picture.GetHandle());
        return copy;
    }
    // Twice the size first, so the averaging below smooths what nearest sampling skipped.
    const int sw = std::min(pw, cw * 2), sh = std::min(ph, ch * 2);
    copy.SetHandle(Sample(picture.GetHandle(), sw, sh));
    if (copy.Size(cw, ch, kSizeBilinear) < kSuccess) copy.SetHandle(Sample(picture.GetHandle(), cw, ch));
    return copy;
}

CImagePreview::CImagePreview(const LBitmapBase& picture, Render render, QWidget* parent)
    : QLabel(parent), m_render(std::move(render)), m_timer(new QTimer(this)) {
    m_copy = FittingCopy(picture, kBoxWidth, kBoxHeight, &m_scale);
    setObjectName(QStringLiteral("Preview"));
    setFixedSize(kBoxWidth, kBoxHeight);
    setAlignment(Qt::AlignCenter);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_timer->setSingleShot(true);
    m_timer->setInterval(0);
    connect(m_timer, &QTimer::timeout, this, &CImagePreview::RenderNow);
    Schedule();
}

void CImagePreview::Schedule() { m_timer->start(); }

void CImagePreview::RenderNow() {
    m_timer->stop();
    LBitmapBase work;
    work.SetHandle(m_copy.GetHandle());
    if (m_render) m_render(work);
    QImage image = ImageFromDdb(work.ConvertToDDB());
    // A result larger than the box (a rotation that grows, an enlargement) is shown fitted.
    if (image.width() > kBoxWidth || image.height() > kBoxHeight)
        image = image.scaled(kBoxWidth, kBoxHeight, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    m_shown = image;
    setPixmap(QPixmap::fromImage(image));
    ++m_renders;
}

// ---- angle dialog

CAngleDlg::CAngleDlg(const LBitmapBase& picture, unsigned kind, QWidget* parent)
    : QDialog(parent), m_shear(kind == kAngleDialogShear), m_angle(new QDoubleSpinBox),
      m_colour(new CColourPicker) {
    setWindowTitle(m_shear ? QStringLiteral("Shear") : QStringLiteral("Rotate"));
    m_angle->setObjectName(QStringLiteral("Angle"));
    m_angle->setDecimals(2);
    m_angle->setSingleStep(1.0);
    m_angle->setRange(m_shear ? -45.0 : -360.0, m_shear ? 45.0 : 360.0);
    m_angle->setSuffix(QStringLiteral(" \u00B0"));
    m_colour->setObjectName(QStringLiteral("BackColour"));
    m_colour->SetTitle(QStringLiteral("Background Color"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Angle:"), m_angle);
    if (m_shear) {
        m_horizontal = new QRadioButton(QStringLiteral("&Horizontal"));
        m_vertical = new QRadioButton(QStringLiteral("&Vertical"));
        m_horizontal->setChecked(true);
        auto* direction = new QHBoxLayout;
        direction->addWidget(m_horizontal);
        direction->addWidget(m_vertical);
        form->addRow(QStringLiteral("Direction:"), direction);
    } else {
        m_resize = new QCheckBox(QStringLiteral("&Resize to fit"));
        m_resize->setChecked(true);
        form->addRow(QString(), m_resize);
    }
    form->addRow(QStringLiteral("&Background:"), m_colour);

    m_preview = new CImagePreview(picture, [this](LBitmapBase& copy) {
        if (m_shear)
            copy.Shear(Angle(), AngleFlag(), BackColour());
        else
            copy.Rotate(Angle(), AngleFlag(), BackColour());
    });

    LayOutWithPreview(*this, form, m_preview);
    connect(m_angle, &QDoubleSpinBox::valueChanged, m_preview, &CImagePreview::Schedule);
    connect(m_colour, &CCoolCombo::notified, m_preview, &CImagePreview::Schedule);
    if (m_resize) connect(m_resize, &QCheckBox::toggled, m_preview, &CImagePreview::Schedule);
    if (m_vertical) connect(m_vertical, &QRadioButton::toggled, m_preview, &CImagePreview::Schedule);
    m_angle->setFocus();
    m_angle->selectAll();
}

int CAngleDlg::Angle() const { return static_cast<int>(std::lround(m_angle->value() * 100.0)); }

unsigned CAngleDlg::AngleFlag() const {
    if (m_shear) return m_vertical->isChecked() ? kShearVertical : kShearHorizontal;
    return m_resize->isChecked() ? kRotateResize : 0u;
}

COLORREF CAngleDlg::BackColour() const {
    const COLORREF c = m_colour->Colour();
    return c == kNoColour ? RGB(255, 255, 255) : c;
}

void CAngleDlg::SetAngle(int hundredths) { m_angle->setValue(hundredths / 100.0); }

void CAngleDlg::SetBackColour(COLORREF colour) {
    m_colour->SelectColour(colour);
    m_preview->Schedule();
}

// ---- size dialog

namespace {
constexpr int kMaxSide = 1000000;
constexpr unsigned kMethods[] = {kSizeNearest, kSizeBilinear, kSizeBicubic};
} // namespace

CSizeDlg::CSizeDlg(const LBitmapBase& picture, int width, int height, unsigned method,
                   QWidget* parent)
    : QDialog(parent), m_baseWidth(picture.GetWidth()), m_baseHeight(picture.GetHeight()),
      m_width(new QSpinBox), m_height(new QSpinBox), m_unit(new QComboBox),
      m_keepAspect(new QCheckBox(QStringLiteral("&Keep aspect ratio"))), m_method(new QComboBox) {
    setWindowTitle(QStringLiteral("Resize"));
    m_width->setObjectName(QStringLiteral("Width"));
    m_height->setObjectName(QStringLiteral("Height"));
    for (QSpinBox* box : {m_width, m_height}) box->setRange(1, kMaxSide);
    m_unit->addItems({QStringLiteral("Pixels"), QStringLiteral("Percent")});
    m_method->addItems({QStringLiteral("Nearest neighbour (fast)"), QStringLiteral("Bilinear"),
                        QStringLiteral("Bicubic (best quality)")});
    const auto* known = std::find(std::begin(kMethods), std::end(kMethods), method);
    m_method->setCurrentIndex(known == std::end(kMethods) ? 1 : static_cast<int>(known - std::begin(kMethods)));
    m_keepAspect->setChecked(true);
    m_width->setValue(width);
    m_height->setValue(height);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Width:"), m_width);
    form->addRow(QStringLiteral("&Height:"), m_height);
    form->addRow(QStringLiteral("&Units:"), m_unit);
    form->addRow(QString(), m_keepAspect);
    form->addRow(QStringLiteral("&Resampling:"), m_method);

    m_preview = new CImagePreview(picture, [this](LBitmapBase& copy) {
        // The result at the preview's scale, made smaller still when it would not fit the box.
        const double s = m_preview->Scale();
        const double w = NewWidth() * s, h = NewHeight() * s;
        const double fit = std::min({1.0, CImagePreview::kBoxWidth / w, CImagePreview::kBoxHeight / h});
        copy.Size(std::max(1, static_cast<int>(w * fit)), std::max(1, static_cast<int>(h * fit)), Method());
    });

    LayOutWithPreview(*this, form, m_preview);
    connect(m_width, &QSpinBox::valueChanged, this, &CSizeDlg::OnWidthChanged);
    connect(m_height, &QSpinBox::valueChanged, this, &CSizeDlg::OnHeightChanged);
    connect(m_unit, &QComboBox::currentIndexChanged, this, &CSizeDlg::OnUnitChanged);
    connect(m_method, &QComboBox::currentIndexChanged, m_preview, &CImagePreview::Schedule);
    connect(m_keepAspect, &QCheckBox::toggled, this, [this](bool on) {
        if (on) OnWidthChanged();
    });
    m_width->setFocus();
    m_width->selectAll();
}

bool CSizeDlg::Percent() const { return m_unit->currentIndex() == 1; }

long long CSizeDlg::PixelsOf(int value, int base) const {
    return Percent() ? std::max(1LL, std::llround(static_cast<double>(value) * base / 100.0)) : value;
}

int CSizeDlg::NewWidth() const {
    return static_cast<int>(std::min<long long>(PixelsOf(m_width->value(), m_baseWidth), kMaxSide));
}

int CSizeDlg::NewHeight() const {
    return static_cast<int>(std::min<long long>(PixelsOf(m_height->value(), m_baseHeight), kMaxSide));
}

unsigned CSizeDlg::Method() const {
    const int i = m_method->currentIndex();
    return i >= 0 && i < 3 ? kMethods[i] : kSizeBilinear;
}

void CSizeDlg::SetPixels(int width, int height) {
    const bool keep = m_keepAspect->isChecked();
    m_keepAspect->setChecked(false);
    const auto shown = [this](int pixels, int base) {
        return Percent() ? static_cast<int>(std::lround(100.0 * pixels / base)) : pixels;
    };
    m_width->setValue(shown(width, m_baseWidth));
    m_height->setValue(shown(height, m_baseHeight));
    m_keepAspect->setChecked(keep);
}

void CSizeDlg::Follow(QSpinBox* from, int fromBase, QSpinBox* to, int toBase) {
    if (m_keepAspect->isChecked() && !m_linking) {
        m_linking = true;
        // In percent both sides take the same value; in pixels the other side keeps the ratio.
        to->setValue(Percent() ? from->value()
                               : static_cast<int>(std::clamp<long long>(
                                     std::llround(static_cast<double>(from->value()) * toBase / fromBase), 1,
                                     kMaxSide)));
        m_linking = false;
    }
    m_preview->Schedule();
}

void CSizeDlg::OnWidthChanged() { Follow(m_width, m_baseWidth, m_height, m_baseHeight); }

void CSizeDlg::OnHeightChanged() { Follow(m_height, m_baseHeight, m_width, m_baseWidth); }

void CSizeDlg::OnUnitChanged() {
    // The boxes keep the same size in the new unit.
    const bool toPercent = Percent();
    const auto convert = [toPercent](int value, int base) {
        return toPercent ? static_cast<int>(std::max(1LL, std::llround(100.0 * value / base)))
                         : static_cast<int>(std::max(1LL, std::llround(static_cast<double>(value) * base / 100.0)));
    };
    if (m_lastUnit == m_unit->currentIndex()) return;
    m_lastUnit = m_unit->currentIndex();
    m_linking = true;
    m_width->setValue(convert(m_width->value(), m_baseWidth));
    m_height->setValue(convert(m_height->value(), m_baseHeight));
    m_linking = false;
    m_preview->Schedule();
}

} // namespace tsl
