#include "ui/ColourPicker.h"

#include "platform/Platform.h"

#include <QColorDialog>
#include <QPainter>

namespace tsl {
namespace {

const QString kMoreColours = QStringLiteral("More Colors...");

int SquaredDistance(const QColor& a, const QColor& b) {
    const int r = a.red() - b.red(), g = a.green() - b.green(), bl = a.blue() - b.blue();
    return r * r + g * g + bl * bl;
}

} // namespace

QColor ColourOfRef(COLORREF colour) {
    return QColor(GetRValue(colour), GetGValue(colour), GetBValue(colour));
}

COLORREF RefOfColour(const QColor& colour) {
    return RGB(colour.red(), colour.green(), colour.blue());
}

const std::vector<ColourEntry>& CColourPicker::DefaultColours() {
    static const std::vector<ColourEntry> colours = {
        {0x000000, QStringLiteral("Black")},
        {0x002AA5, QStringLiteral("Brown")},
        {0x404000, QStringLiteral("Dark Olive Green")},
        {0x008000, QStringLiteral("Dark Green")},
        {0x5E0000, QStringLiteral("Dark Teal")},
        {0x800000, QStringLiteral("Dark Blue")},
        {0x82004B, QStringLiteral("Indigo")},
        {0x282828, QStringLiteral("Dark grey")},
        {0x000080, QStringLiteral("Dark red")},
        {0x2068FF, QStringLiteral("Orange")},
        {0x008080, QStringLiteral("Dark yellow")},
        {0x009300, QStringLiteral("Green")},
        {0x808000, QStringLiteral("Dark Cyan")},
        {0xFF0000, QStringLiteral("Blue")},
        {0xC07B7B, QStringLiteral("Blue-grey")},
        {0x666666, QStringLiteral("Grey - 40%")},
        {0x0000FF, QStringLiteral("Red")},
        {0x5BADFF, QStringLiteral("Light orange")},
        {0x32CD32, QStringLiteral("Lime")},
        {0x71B33C, QStringLiteral("Sea green")},
        {0xFFFF00, QStringLiteral("Cyan")},
        {0xC09E7D, QStringLiteral("Light blue")},
        {0x800080, QStringLiteral("Dark Magenta")},
        {0x808080, QStringLiteral("Grey - 50%")},
        {0xCBC0FF, QStringLiteral("Pink")},
        {0x00D7FF, QStringLiteral("Gold")},
        {0x00FFFF, QStringLiteral("Yellow")},
        {0x00FF00, QStringLiteral("Bright green")},
        {0xD0E040, QStringLiteral("Turquoise")},
        {0xFFFF80, QStringLiteral("Light Cyan")},
        {0xFF00FF, QStringLiteral("Magenta")},
        {0xC0C0C0, QStringLiteral("Light grey")},
        {0xE1E4FF, QStringLiteral("Rose")},
        {0x8CB4D2, QStringLiteral("Tan")},
        {0x80FFFF, QStringLiteral("Light yellow")},
        {0x80FF80, QStringLiteral("Light green ")},
        {0xEEEEAF, QStringLiteral("Pale turquoise")},
        {0x8B8368, QStringLiteral("Pale blue")},
        {0xFAE6E6, QStringLiteral("Lavender")},
        {0xFFFFFF, QStringLiteral("White")},
    };
    return colours;
}

CColourPicker::CColourPicker(QWidget* parent) : CCoolCombo(parent) {
    SetTitle(QStringLiteral("Choose Color"));
    SetDefaultEntryText(QStringLiteral("Automatic"));
    SetExtraEntries({kMoreColours});
    SetCellSize(QSize(kCellSize, kCellSize));
    SetColumns(8);
    SetColourList(nullptr, 0);
}

CColourPicker::~CColourPicker() = default;

void CColourPicker::SetColourList(const ColourEntry* entries, int n) {
    if (!entries || n <= 0) {
        m_colours = DefaultColours();
    } else {
        m_colours.assign(entries, entries + n);
        for (ColourEntry& e : m_colours)
            e.name.truncate(kMaxNameLength);
    }
    m_palette.clear();
    for (const ColourEntry& e : m_colours) {
        RGBQUAD q{};
        q.rgbRed = static_cast<std::uint8_t>(GetRValue(e.colour));
        q.rgbGreen = static_cast<std::uint8_t>(GetGValue(e.colour));
        q.rgbBlue = static_cast<std::uint8_t>(GetBValue(e.colour));
        m_palette.push_back(q);
    }
    SetCurrentIndex(CurrentSlot());
    update();
}

int CColourPicker::LookUp(COLORREF colour) const {
    for (std::size_t i = 0; i < m_colours.size(); ++i)
        if ((m_colours[i].colour & 0xFFFFFF) == (colour & 0xFFFFFF)) return static_cast<int>(i);
    return ExtraEntries().contains(kMoreColours)
               ? kExtraBase + static_cast<int>(ExtraEntries().indexOf(kMoreColours))
               : -1;
}

int CColourPicker::CurrentSlot() const {
    if (m_colour == kNoColour) return HasDefaultEntry() ? -1 : kNoSlot;
    const int slot = LookUp(m_colour);
    return slot == -1 ? kNoSlot : slot;
}

void CColourPicker::SelectColour(COLORREF colour) {
    const bool changed = colour != m_colour;
    m_colour = colour;
    SetCurrentIndex(CurrentSlot());
    if (Popup()) Popup()->SetHotSlot(CurrentSlot());
    if (changed) update();
}

int CColourPicker::CellData(int index) const {
    return index >= 0 && index < ItemCount() ? static_cast<int>(m_colours[index].colour) : -1;
}

QString CColourPicker::CellTip(int index) const {
    return index >= 0 && index < ItemCount() ? m_colours[index].name : QString();
}

void CColourPicker::ChooseCell(int index) {
    if (index < 0 || index >= ItemCount()) return;
    SelectColour(m_colours[index].colour);
    emit notified(kNotifyChosen, static_cast<int>(m_colour));
}

void CColourPicker::ChooseDefault() {
    SelectColour(kNoColour);
    emit notified(kNotifyDefault, -1);
}

void CColourPicker::ChooseExtra(int index) {
    if (index >= 0 && index < ExtraEntries().size() && ExtraEntries()[index] == kMoreColours)
        MoreColours();
    else
        CCoolCombo::ChooseExtra(index);
}

void CColourPicker::MoreColours() {
    emit notified(kNotifyMoreColours, 0);
    for (int i = 0; i < 16; ++i)
        QColorDialog::setCustomColor(i, ColourOfRef(m_custom[i]));
    QColor colour = m_colour == kNoColour ? QColor(Qt::black) : ColourOfRef(m_colour);
    switch (platform::Platform().colour->GetColour(this, colour)) {
    case platform::DialogResult::Ok:
        for (int i = 0; i < 16; ++i)
            m_custom[i] = RefOfColour(QColorDialog::customColor(i));
        SelectColour(RefOfColour(colour));
        emit notified(kNotifyChosen, static_cast<int>(m_colour));
        break;
    case platform::DialogResult::Cancel:
        emit notified(kNotifyCancelled, 0);
        break;
    case platform::DialogResult::Failed:
        platform::Platform().prompt->MessageBox(
            this, QStringLiteral("Unable to display colour chooser dialog"),
            QStringLiteral("Tessaly"), platform::Buttons::Ok, platform::Icon::Error);
        break;
    }
}

COLORREF CColourPicker::ShownColour() const {
    if (CCoolComboPopup* popup = Popup()) {
        const int hot = popup->HotSlot();
        if (hot >= 0 && hot < ItemCount()) return m_colours[hot].colour;
    }
    return m_colour;
}

QColor CColourPicker::SwatchColour() const {
    const COLORREF shown = ShownColour();
    return shown == kNoColour ? palette().color(QPalette::Button) : ColourOfRef(shown);
}

QColor CColourPicker::SwatchOutline() const {
    const COLORREF shown = ShownColour();
    if (shown == kNoColour) return palette().color(QPalette::Dark);
    if (SquaredDistance(ColourOfRef(shown), palette().color(QPalette::Button)) < 255)
        return QColor(Qt::black);
    return {};
}

QRect CColourPicker::SwatchRect() const {
    const QRect face = FaceRect();
    if (FacePicture().isNull()) return face.adjusted(1, 1, -1, -1);
    return QRect(face.left() + 1, face.bottom() - 4, face.width() - 2, 4);
}

QSize CColourPicker::sizeHint() const {
    if (FacePicture().isNull()) return QSize(40, 22);
    const QSize picture = FacePicture().size();
    return QSize(std::max(24, picture.width() + 6) + kArrowWidth + 6,
                 std::max(22, picture.height() + 12));
}

void CColourPicker::DrawCell(QPainter& p, const QRect& cell, int index, bool enabled) {
    if (index < 0 || index >= ItemCount()) return;
    const QPalette& pal = palette();
    p.fillRect(cell, enabled ? ColourOfRef(m_colours[index].colour) : pal.color(QPalette::Button));
    p.setPen(pal.color(QPalette::Dark));
    p.setBrush(Qt::NoBrush);
    p.drawRect(cell.adjusted(0, 0, -1, -1));
}

void CColourPicker::DrawFace(QPainter& p, const QRect& face) {
    const QPalette& pal = palette();
    if (!FacePicture().isNull()) {
        const QPixmap& picture = FacePicture();
        const int top = face.top() + std::max(0, (face.height() - 5 - picture.height()) / 2);
        p.drawPixmap(face.left() + (face.width() - picture.width()) / 2, top, picture);
    }
    const QRect swatch = SwatchRect();
    if (!isEnabled()) {
        p.setBrush(Qt::NoBrush);
        p.setPen(pal.color(QPalette::Light));
        p.drawRect(swatch.adjusted(1, 1, -1, -1));
        p.setPen(pal.color(QPalette::Dark));
        p.drawRect(swatch.adjusted(0, 0, -2, -2));
        return;
    }
    p.fillRect(swatch, SwatchColour());
    const QColor outline = SwatchOutline();
    if (outline.isValid()) {
        p.setPen(outline);
        p.setBrush(Qt::NoBrush);
        p.drawRect(swatch.adjusted(0, 0, -1, -1));
    }
}

} // namespace tsl
