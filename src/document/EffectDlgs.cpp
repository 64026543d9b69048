#include "document/EffectDlgs.h"

#include "codecs/CBmp.h"
#include "core/ProgramFolder.h"
#include "core/Services.h"
#include "core/SettingsFile.h"
#include "document/ImageOps.h"
#include "imaging/LBitmap.h"
#include "platform/Platform.h"
#include "ui/ColourPicker.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace tsl {

namespace {

constexpr int kPageStep = 10;

QTimer* RenderTimer(QObject* owner, std::function<void()> render) {
    auto* timer = new QTimer(owner);
    timer->setSingleShot(true);
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, owner, std::move(render));
    return timer;
}

QDialogButtonBox* OkCancel(QDialog& dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return buttons;
}

// A labelled row of a value bar in a grid.
QLabel* Label(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy); // makes the & a mnemonic
    return label;
}

void AddRow(QGridLayout* grid, const QString& label, CValueBar* bar) {
    const int row = grid->rowCount();
    grid->addWidget(Label(label, bar->Box()), row, 0);
    grid->addWidget(bar->Box(), row, 1);
    grid->addWidget(bar->Bar(), row, 2);
}

QString Id(int id) { return QString::number(id); }

} // namespace

// ---- value bar

CValueBar::CValueBar(int boxId, int barId, int min, int max, int value, Qt::Orientation orientation,
                     QObject* parent)
    : QObject(parent), m_box(new QLineEdit), m_bar(new QScrollBar(orientation)), m_min(min), m_max(max) {
    m_box->setObjectName(Id(boxId));
    m_bar->setObjectName(Id(barId));
    m_box->setMaximumWidth(56);
    m_bar->setRange(min, max);
    m_bar->setSingleStep(1);
    m_bar->setPageStep(kPageStep);
    if (orientation == Qt::Horizontal)
        m_bar->setMinimumWidth(140);
    else
        m_bar->setMinimumHeight(80);
    SetValue(value);
    connect(m_box, &QLineEdit::textChanged, this, [this] {
        if (m_syncing) return;
        m_syncing = true;
        m_bar->setValue(Value());
        m_syncing = false;
        emit changed();
    });
    connect(m_bar, &QScrollBar::valueChanged, this, [this](int v) {
        if (m_syncing) return;
        m_syncing = true;
        m_box->setText(QString::number(v));
        m_syncing = false;
        emit changed();
    });
}

int CValueBar::Value() const { return std::clamp(m_box->text().trimmed().toInt(), m_min, m_max); }

void CValueBar::SetValue(int value) {
    m_syncing = true;
    m_box->setText(QString::number(value));
    m_bar->setValue(std::clamp(value, m_min, m_max));
    m_syncing = false;
}

// ---- preview

CEffectPreview::CEffectPreview(QWidget* parent) : QLabel(parent) {
    setObjectName(Id(1107));
    setAlignment(Qt::AlignCenter);
}

void CEffectPreview::Show(const QImage& image) {
    m_shown = image;
    setPixmap(QPixmap::fromImage(image));
    if (image.width() > width() || image.height() > height()) resize(image.size());
    ++m_renders;
}

// ---- blend

CBlendDlg::CBlendDlg(const QString& caption, const CDdb& part, const CDdb& overlay, QWidget* parent)
    : QDialog(parent), m_percent(new CValueBar(1101, 1106, 0, 100, 50, Qt::Horizontal, this)),
      m_preview(new CEffectPreview) {
    setObjectName(Id(164));
    setWindowTitle(caption);
    const CSize fit = PreviewFit({part.Width(), part.Height()}, {CEffectPreview::kBoxWidth, CEffectPreview::kBoxHeight});
    m_part = StretchedOverlay(part, fit.cx, fit.cy);
    m_overlay = StretchedOverlay(overlay, fit.cx, fit.cy);
    if (fit.cx != part.Width() || fit.cy != part.Height()) {
        // The library's smoothing resize, as the preview shows the picture.
        for (auto [from, to] : {std::pair{&part, &m_part}, std::pair{&overlay, &m_overlay}}) {
            LBitmapBase b;
            b.SetHandle(*from);
            if (b.Size(fit.cx, fit.cy, kSizeBilinear) >= kSuccess) *to = ScreenDdb(std::move(b.GetHandle()));
        }
    }
    m_preview->setFixedSize(CEffectPreview::kBoxWidth, CEffectPreview::kBoxHeight);
    m_preview->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* grid = new QGridLayout;
    AddRow(grid, QStringLiteral("&Percentage:"), m_percent);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(m_preview, 0, Qt::AlignHCenter);
    layout->addWidget(OkCancel(*this));
    m_timer = RenderTimer(this, [this] { RenderNow(); });
    connect(m_percent, &CValueBar::changed, m_timer, qOverload<>(&QTimer::start));
    m_timer->start();
}

void CBlendDlg::RenderNow() {
    m_timer->stop();
    CDdb shown = m_part;
    Blend(shown, m_overlay, Percent());
    m_preview->Show(ImageFromDdb(shown));
}

// ---- drop shadow

CDropShadowDlg::CDropShadowDlg(const CDdb& whole, const CRect& selection, COLORREF back, QWidget* parent)
    : QDialog(parent), m_whole(whole), m_selection(selection), m_back(back & 0xFFFFFF),
      m_part(CopyPart(whole, selection)), m_colour(new CColourPicker),
      m_opacity(new CValueBar(1109, 1113, 0, 100, 30, Qt::Horizontal, this)),
      m_blur(new CValueBar(1110, 1114, 3, 11, 5, Qt::Horizontal, this)),
      m_dx(new CValueBar(1111, 1115, -30, 30, 6, Qt::Horizontal, this)),
      m_dy(new CValueBar(1112, 1117, -30, 30, 6, Qt::Vertical, this)), m_preview(new CEffectPreview),
      m_scroll(new QScrollArea) {
    setObjectName(Id(166));
    setWindowTitle(QStringLiteral("Drop Shadow"));
    m_colour->setObjectName(Id(1108));
    m_colour->SelectColour(RGB(0, 0, 0));
    auto* grid = new QGridLayout;
    grid->addWidget(Label(QStringLiteral("&Color:"), m_colour), 0, 0);
    grid->addWidget(m_colour, 0, 1);
    AddRow(grid, QStringLiteral("&Opacity:"), m_opacity);
    AddRow(grid, QStringLiteral("&Blur:"), m_blur);
    AddRow(grid, QStringLiteral("&Horizontal offset:"), m_dx);
    const int row = grid->rowCount();
    grid->addWidget(Label(QStringLiteral("&Vertical offset:"), m_dy->Box()), row, 0);
    grid->addWidget(m_dy->Box(), row, 1);
    grid->addWidget(m_dy->Bar(), row, 2, Qt::AlignLeft);
    m_scroll->setWidget(m_preview);
    m_scroll->setFixedSize(CEffectPreview::kBoxWidth + 4, CEffectPreview::kBoxHeight + 4);
    m_scroll->setAlignment(Qt::AlignCenter);
    auto* body = new QHBoxLayout;
    body->addLayout(grid);
    body->addWidget(m_scroll);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addWidget(OkCancel(*this));
    m_timer = RenderTimer(this, [this] { RenderNow(); });
    for (CValueBar* bar : {m_opacity, m_blur, m_dx, m_dy})
        connect(bar, &CValueBar::changed, m_timer, qOverload<>(&QTimer::start));
    connect(m_colour, &CCoolCombo::notified, m_timer, qOverload<>(&QTimer::start));
    m_timer->start();
}

CDropShadow CDropShadowDlg::Values() const {
    const COLORREF c = m_colour->Colour();
    return {c == kNoColour ? RGB(0, 0, 0) : c & 0xFFFFFF, m_opacity->Value(), m_blur->Value(), m_dx->Value(),
            m_dy->Value()};
}

const CDdb& CDropShadowDlg::Silhouette(const CDropShadow& values) {
    // Only a change of colour or blur makes a new one; offsets and opacity reuse it.
    if (m_silhouetteColour != values.colour || m_silhouetteBlur != values.blur) {
        m_silhouette = ShadowSilhouette(m_part, m_back, values.colour, values.blur);
        m_silhouetteColour = values.colour;
        m_silhouetteBlur = values.blur;
    }
    return m_silhouette;
}

CDdb CDropShadowDlg::Result(CRect* area) {
    const CDropShadow values = Values();
    const CRect a = DropShadowArea({m_whole.Width(), m_whole.Height()}, m_selection, values.dx, values.dy);
    if (area) *area = a;
    return DropShadowResult(m_whole, m_selection, m_part, Silhouette(values), values, m_back, a);
}

void CDropShadowDlg::RenderNow() {
    m_timer->stop();
    const CDropShadow values = Values();
    const CDdb result = DropShadowResult(m_whole, m_selection, m_part, Silhouette(values), values, m_back, m_selection);
    m_preview->Show(ImageFromDdb(result));
}

// ---- buttonize

QString ButtonSettingsFolder() {
    return QString::fromStdString(Resources().ProgramFolder()) + QStringLiteral("Bin");
}

CButtonizeDlg::CButtonizeDlg(const CDdb& part, COLORREF back, const CButtonRecords& records, NewImage newImage,
                             QWidget* parent)
    : QDialog(parent), m_part(part), m_back(back & 0xFFFFFF), m_records(records), m_newImage(std::move(newImage)),
      m_size(new CValueBar(1106, 1129, 0, 30, 4, Qt::Horizontal, this)),
      m_opacity(new CValueBar(1109, 1130, 0, 100, 35, Qt::Horizontal, this)),
      m_brightness(new CValueBar(1127, 1131, 0, 100, 50, Qt::Horizontal, this)), m_upperLeft(new CColourPicker),
      m_bottomRight(new CColourPicker), m_autoSet(new QCheckBox(QStringLiteral("&Auto-set"))),
      m_preview(new CEffectPreview) {
    setObjectName(Id(167));
    setWindowTitle(QStringLiteral("Buttonize"));
    m_upperLeft->setObjectName(Id(1122));
    m_bottomRight->setObjectName(Id(1123));
    m_upperLeft->SelectColour(RGB(176, 176, 176));
    m_bottomRight->SelectColour(RGB(97, 97, 97));
    m_autoSet->setObjectName(Id(1132));
    m_autoSet->setChecked(true);
    const char* names[3] = {"&Normal", "&Pressed", "Roll-&over"};
    const int ids[3] = {1118, 1119, 1120};
    auto* states = new QGroupBox(QStringLiteral("Button State"));
    auto* stateRow = new QHBoxLayout(states);
    for (int s : {kButtonNormal, kButtonRollOver, kButtonPressed}) {
        m_stateButtons[s] = new QRadioButton(QString::fromLatin1(names[s]));
        m_stateButtons[s]->setObjectName(Id(ids[s]));
        stateRow->addWidget(m_stateButtons[s]);
        connect(m_stateButtons[s], &QRadioButton::clicked, this, [this, s] { SelectState(s); });
    }
    auto* grid = new QGridLayout;
    AddRow(grid, QStringLiteral("&Size:"), m_size);
    AddRow(grid, QStringLiteral("Opac&ity:"), m_opacity);
    AddRow(grid, QStringLiteral("&Brightness:"), m_brightness);
    int row = grid->rowCount();
    grid->addWidget(Label(QStringLiteral("&Upper-left:"), m_upperLeft), row, 0);
    grid->addWidget(m_upperLeft, row, 1);
    grid->addWidget(m_autoSet, row, 2);
    grid->addWidget(Label(QStringLiteral("Bottom-&right:"), m_bottomRight), ++row, 0);
    grid->addWidget(m_bottomRight, row, 1);
    auto* create = new QPushButton(QStringLiteral("&Create Images"));
    auto* save = new QPushButton(QStringLiteral("Sa&ve Settings..."));
    auto* load = new QPushButton(QStringLiteral("&Load Settings..."));
    auto* actions = new QHBoxLayout;
    for (QPushButton* b : {create, save, load}) actions->addWidget(b);
    m_preview->setFixedSize(CEffectPreview::kBoxWidth, CEffectPreview::kBoxHeight);
    m_preview->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* left = new QVBoxLayout;
    left->addLayout(grid);
    left->addWidget(states);
    left->addLayout(actions);
    auto* body = new QHBoxLayout;
    body->addLayout(left);
    body->addWidget(m_preview);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addWidget(OkCancel(*this));

    m_timer = RenderTimer(this, [this] { RenderNow(); });
    for (CValueBar* bar : {m_size, m_opacity, m_brightness}) connect(bar, &CValueBar::changed, this, &CButtonizeDlg::Changed);
    connect(m_upperLeft, &CCoolCombo::notified, this, [this](int code, int data) {
        if (code == CCoolCombo::kNotifyChosen) PickUpperLeft(static_cast<COLORREF>(data));
    });
    connect(m_bottomRight, &CCoolCombo::notified, this, [this](int code, int data) {
        if (code == CCoolCombo::kNotifyChosen) PickBottomRight(static_cast<COLORREF>(data));
    });
    connect(create, &QPushButton::clicked, this, &CButtonizeDlg::CreateImages);
    connect(save, &QPushButton::clicked, this, &CButtonizeDlg::SaveSettings);
    connect(load, &QPushButton::clicked, this, &CButtonizeDlg::LoadSettings);
    m_stateButtons[kButtonNormal]->setChecked(true);
    ShowRecord();
    m_timer->start();
}

void CButtonizeDlg::StoreControls() {
    CButtonRecord& r = m_records[m_state];
    r.bevel = static_cast<std::int16_t>(m_size->Value());
    r.transparency = static_cast<std::int16_t>(100 - m_opacity->Value());
    r.brightness = static_cast<std::int16_t>(2 * m_brightness->Value() - 100);
    r.upperLeft = m_upperLeft->Colour() & 0xFFFFFF;
    r.bottomRight = m_bottomRight->Colour() & 0xFFFFFF;
}

void CButtonizeDlg::ShowRecord() {
    m_showing = true;
    const CButtonRecord& r = m_records[m_state];
    m_size->SetValue(r.bevel);
    m_opacity->SetValue(100 - r.transparency);
    m_brightness->SetValue(r.brightness / 2 + 50);
    m_upperLeft->SelectColour(r.upperLeft & 0xFFFFFF);
    m_bottomRight->SelectColour(r.bottomRight & 0xFFFFFF);
    m_showing = false;
}

void CButtonizeDlg::Changed() {
    if (m_showing) return;
    StoreControls();
    m_timer->start();
}

void CButtonizeDlg::SelectState(int state) {
    if (state < 0 || state > 2) return;
    StoreControls();
    m_state = state;
    m_stateButtons[state]->setChecked(true);
    ShowRecord();
    m_timer->start();
}

const CButtonRecords& CButtonizeDlg::Records() {
    StoreControls();
    return m_records;
}

void CButtonizeDlg::PickUpperLeft(COLORREF colour) {
    m_upperLeft->SelectColour(colour & 0xFFFFFF);
    if (m_autoSet->isChecked())
        m_bottomRight->SelectColour(AutoSetColour(colour, m_state != kButtonPressed));
    Changed();
}

void CButtonizeDlg::PickBottomRight(COLORREF colour) {
    m_bottomRight->SelectColour(colour & 0xFFFFFF);
    if (m_autoSet->isChecked())
        m_upperLeft->SelectColour(AutoSetColour(colour, m_state == kButtonPressed));
    Changed();
}

CDdb CButtonizeDlg::Rendering() {
    StoreControls();
    return RenderButton(m_part, m_records[m_state], m_back);
}

void CButtonizeDlg::RenderNow() {
    m_timer->stop();
    QImage image = ImageFromDdb(Rendering());
    if (image.width() > CEffectPreview::kBoxWidth || image.height() > CEffectPreview::kBoxHeight)
        image = image.scaled(CEffectPreview::kBoxWidth, CEffectPreview::kBoxHeight, Qt::KeepAspectRatio,
                             Qt::FastTransformation);
    m_preview->Show(image);
}

void CButtonizeDlg::CreateImages() {
    StoreControls();
    for (int s : {kButtonNormal, kButtonPressed, kButtonRollOver}) {
        const CDdb image = RenderButton(m_part, m_records[s], m_back);
        if (m_newImage && !image.IsNull()) m_newImage(image);
    }
    RenderNow();
}

namespace {

platform::FileRequest ButtonFileRequest(const QString& caption, bool save) {
    platform::FileRequest request;
    request.caption = caption;
    request.folder = ButtonSettingsFolder();
    request.filter = QStringLiteral("Settings Files (*.btn)|*.btn||");
    request.defaultExtension = QStringLiteral("btn");
    request.mustExist = !save;
    request.overwritePrompt = save;
    return request;
}

void RememberButtonFile(const QString& path) {
    Settings().WriteString(keys::General, keys::LastBtn, path.toStdString());
    Settings().Save();
}

} // namespace

void CButtonizeDlg::SaveSettings() {
    StoreControls();
    const QString path = platform::Platform().files->GetSaveFileName(
        this, ButtonFileRequest(QStringLiteral("Save Button Settings"), true));
    if (path.isEmpty()) return;
    SaveButtonFile(path.toStdString(), m_records); // a file error is not reported
    RememberButtonFile(path);
}

void CButtonizeDlg::LoadSettings() {
    const QStringList paths = platform::Platform().files->GetOpenFileNames(
        this, ButtonFileRequest(QStringLiteral("Load Button Settings"), false));
    if (paths.isEmpty()) return;
    LoadButtonFile(paths.front().toStdString(), m_records);
    RememberButtonFile(paths.front());
    m_state = kButtonNormal;
    m_stateButtons[kButtonNormal]->setChecked(true);
    ShowRecord();
    m_timer->start();
}

} // namespace tsl
