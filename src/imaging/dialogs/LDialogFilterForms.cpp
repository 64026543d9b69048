#include "imaging/dialogs/LDialogFilterForms.h"

#include "imaging/Filters.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace tsl {

namespace {

struct ChangeKind {
    unsigned flag;
    const char* title;
    const char* label;
    int min, max, standard;
    bool pixels; // a size in pixels: scaled in the preview
};

constexpr ChangeKind kChanges[] = {
    {kChangeSharpen, "Sharpen", "&Sharpness:", kSharpenMin, kSharpenMax, 250, false},
    {kChangePosterize, "Posterize", "&Levels:", kPosterizeLevelsMin, kPosterizeLevelsMax, 8, false},
    {kChangeMosaic, "Mosaic", "&Tile size:", kMosaicTileMin, kMosaicTileMax, 8, true},
    {kChangeBlur, "Blur", "&Window size:", kAverageDimMin, kAverageDimMax, 5, true},
    {kChangeMedian, "Median", "&Window size:", kMedianDimMin, kMedianDimMax, 3, true},
    {kChangeOilify, "Oilify", "&Brush size:", kOilifyDimMin, kOilifyDimMax, 5, true},
};

const ChangeKind* KindOf(unsigned flag) {
    for (const ChangeKind& k : kChanges)
        if (k.flag == flag) return &k;
    return nullptr;
}

constexpr struct {
    const char* name;
    int degrees;
} kDirections[] = {{"North", kEmbossNorth}, {"North-east", kEmbossNorthEast}, {"East", kEmbossEast},
                   {"South-east", kEmbossSouthEast}, {"South", kEmbossSouth}, {"South-west", kEmbossSouthWest},
                   {"West", kEmbossWest}, {"North-west", kEmbossNorthWest}};

} // namespace

// ---- change value

bool CChangeDlg::Range(unsigned flag, int& min, int& max, int& standard) {
    const ChangeKind* k = KindOf(flag);
    if (!k) return false;
    min = k->min, max = k->max, standard = k->standard;
    return true;
}

int CChangeDlg::PreviewValue(unsigned flag, int value, double scale) {
    const ChangeKind* k = KindOf(flag);
    if (!k || !k->pixels) return value;
    return std::clamp(static_cast<int>(std::lround(value * scale)), k->min, k->max);
}

int CChangeDlg::Apply(LBitmap& picture, unsigned flag, int value) {
    switch (flag) {
    case kChangeSharpen: return picture.Sharpen(value);
    case kChangePosterize: return picture.Posterize(value);
    case kChangeMosaic: return picture.Mosaic(value);
    case kChangeBlur: return picture.AverageFilter(value);
    case kChangeMedian: return picture.MedianFilter(value);
    case kChangeOilify: return picture.Oilify(value);
    default: return kErrorInvalidParameter;
    }
}

CChangeDlg::CChangeDlg(const LBitmapBase& picture, unsigned flag, int start, QWidget* parent)
    : QDialog(parent), m_flag(flag), m_value(new QSpinBox), m_slider(new QSlider(Qt::Horizontal)) {
    const ChangeKind* k = KindOf(flag);
    const ChangeKind fallback{flag, "Change", "&Value:", 0, 0, 0, false};
    if (!k) k = &fallback;
    setWindowTitle(QString::fromLatin1(k->title));
    m_value->setObjectName(QStringLiteral("Value"));
    for (QAbstractSlider* s : {static_cast<QAbstractSlider*>(m_slider)}) s->setRange(k->min, k->max);
    m_value->setRange(k->min, k->max);
    m_slider->setMinimumWidth(160);
    const int value = start >= k->min && start <= k->max && start != 0 ? start : k->standard;
    m_value->setValue(value);
    m_slider->setValue(value);
    auto* form = new QFormLayout;
    form->addRow(QString::fromLatin1(k->label), m_value);
    form->addRow(QString(), m_slider);
    m_preview = new CImagePreview(picture, [this](LBitmapBase& copy) {
        LBitmap b;
        b.SetHandle(std::move(copy.GetHandle()));
        Apply(b, m_flag, PreviewValue(m_flag, Change(), m_preview->Scale()));
        copy.SetHandle(std::move(b.GetHandle()));
    });
    LayOutWithPreview(*this, form, m_preview);
    connect(m_value, &QSpinBox::valueChanged, m_slider, &QSlider::setValue);
    connect(m_slider, &QSlider::valueChanged, m_value, &QSpinBox::setValue);
    connect(m_value, &QSpinBox::valueChanged, m_preview, &CImagePreview::Schedule);
    m_value->setFocus();
    m_value->selectAll();
}

int CChangeDlg::Change() const { return m_value->value(); }

// ---- noise

CNoiseDlg::CNoiseDlg(const LBitmapBase& picture, int range, int channel, QWidget* parent)
    : QDialog(parent), m_range(new QSpinBox), m_channel(new QComboBox) {
    setWindowTitle(QStringLiteral("Add Noise"));
    m_range->setObjectName(QStringLiteral("Range"));
    m_range->setRange(kNoiseRangeMin, kNoiseRangeMax);
    m_range->setValue(std::clamp(range, kNoiseRangeMin, kNoiseRangeMax));
    m_channel->addItems({QStringLiteral("Master (all)"), QStringLiteral("Red"), QStringLiteral("Green"),
                         QStringLiteral("Blue")});
    m_channel->setCurrentIndex(std::clamp(channel, 0, 3));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Range:"), m_range);
    form->addRow(QStringLiteral("&Channel:"), m_channel);
    // A fixed seed keeps the preview's grain still while the values change.
    m_preview = new CImagePreview(picture, [this](LBitmapBase& copy) { AddNoise(copy.GetHandle(), Range(), Channel(), 1); });
    LayOutWithPreview(*this, form, m_preview);
    connect(m_range, &QSpinBox::valueChanged, m_preview, &CImagePreview::Schedule);
    connect(m_channel, &QComboBox::currentIndexChanged, m_preview, &CImagePreview::Schedule);
    m_range->setFocus();
    m_range->selectAll();
}

int CNoiseDlg::Range() const { return m_range->value(); }
int CNoiseDlg::Channel() const { return std::max(0, m_channel->currentIndex()); }

// ---- emboss

CEmbossDlg::CEmbossDlg(const LBitmapBase& picture, int direction, int depth, QWidget* parent)
    : QDialog(parent), m_direction(new QComboBox), m_depth(new QSpinBox) {
    setWindowTitle(QStringLiteral("Emboss"));
    int index = 0;
    for (int i = 0; i < 8; ++i) {
        m_direction->addItem(QString::fromLatin1(kDirections[i].name));
        if (kDirections[i].degrees == direction) index = i;
    }
    m_direction->setCurrentIndex(index);
    m_depth->setObjectName(QStringLiteral("Depth"));
    m_depth->setRange(kEmbossDepthMin, kEmbossDepthMax);
    m_depth->setValue(std::clamp(depth, kEmbossDepthMin, kEmbossDepthMax));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Direction:"), m_direction);
    form->addRow(QStringLiteral("D&epth:"), m_depth);
    m_preview = new CImagePreview(picture, [this](LBitmapBase& copy) { Emboss(copy.GetHandle(), Direction(), Depth()); });
    LayOutWithPreview(*this, form, m_preview);
    connect(m_direction, &QComboBox::currentIndexChanged, m_preview, &CImagePreview::Schedule);
    connect(m_depth, &QSpinBox::valueChanged, m_preview, &CImagePreview::Schedule);
    m_direction->setFocus();
}

int CEmbossDlg::Direction() const { return kDirections[std::clamp(m_direction->currentIndex(), 0, 7)].degrees; }
int CEmbossDlg::Depth() const { return m_depth->value(); }

// ---- spatial filter

CFilterDlg::CFilterDlg(const LBitmapBase& picture, unsigned family, int start, QWidget* parent)
    : QDialog(parent), m_filter(new QComboBox) {
    const struct {
        unsigned family;
        const char* title;
    } titles[] = {{kSpatialFamilyGradient, "Gradient"}, {kSpatialFamilyLaplacian, "Laplacian"},
                  {kSpatialFamilySobel, "Sobel"}, {kSpatialFamilyPrewitt, "Prewitt"},
                  {kSpatialFamilyShiftDifference, "Shift and Difference"},
                  {kSpatialFamilyLineSegment, "Line Segment"}};
    setWindowTitle(QStringLiteral("Filter"));
    for (const auto& t : titles)
        if (t.family == family) setWindowTitle(QString::fromLatin1(t.title));
    for (unsigned bit = 1; bit <= kSpatialFamilyLineSegment; bit <<= 1)
        if (family & bit)
            for (int id : SpatialFilterIds(bit)) m_ids.push_back(id);
    for (int id : m_ids) m_filter->addItem(QString::fromLatin1(SpatialFilterName(id)));
    const auto found = std::find(m_ids.begin(), m_ids.end(), start);
    m_filter->setCurrentIndex(found == m_ids.end() ? 0 : static_cast<int>(found - m_ids.begin()));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Filter:"), m_filter);
    m_preview = new CImagePreview(picture, [this](LBitmapBase& copy) {
        if (Filter() >= 0) SpatialFilter(copy.GetHandle(), Filter());
    });
    LayOutWithPreview(*this, form, m_preview);
    connect(m_filter, &QComboBox::currentIndexChanged, m_preview, &CImagePreview::Schedule);
    m_filter->setFocus();
}

int CFilterDlg::Filter() const {
    const int i = m_filter->currentIndex();
    return i >= 0 && i < static_cast<int>(m_ids.size()) ? m_ids[static_cast<std::size_t>(i)] : -1;
}

} // namespace tsl
