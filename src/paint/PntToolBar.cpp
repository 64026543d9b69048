#include "paint/PntToolBar.h"

#include "framework/CommandTrigger.h"
#include "framework/Ids.h"
#include "paint/PntCtrl.h"

#include <QAction>
#include <QIcon>
#include <QLayout>
#include <QPixmap>
#include <QWidgetAction>

#include <algorithm>

namespace tsl {
namespace {

constexpr QRgb kClear = qRgb(192, 192, 192); // light grey: clear in every picture
constexpr QRgb kMask = qRgb(255, 0, 0);      // red: the colour-chooser pictures' mask
constexpr int kForePicture = 27;
constexpr int kBackPicture = 28;
constexpr QSize kImageSize(16, 15);

const QString kButtonBitmap = QStringLiteral(":/tsl/bitmap/PNTBAR.bmp");
const QString kLineWidthBitmap = QStringLiteral(":/tsl/bitmap/PNTLINEW.bmp");
const QString kEraserWidthBitmap = QStringLiteral(":/tsl/bitmap/PNTERASEW.bmp");

constexpr std::array<CPntToolBar::Entry, CPntToolBar::kEntryCount> kEntries = {{
    {ID_PAINT_CUT, "Cut"},
    {ID_PAINT_COPY, "Copy"},
    {ID_PAINT_PASTE, "Paste"},
    {ID_PAINT_CLEAR, "Clear"},
    {ID_PAINT_UNDO, "Undo"},
    {ID_PAINT_REDO, "Redo"},
    {ID_PAINT_MAGNIFY, "Magnify"},
    {ID_PAINT_SIZE_TO_FIT, "Size to fit window"},
    {ID_PAINT_RESIZE, "Resize"},
    {ID_PAINT_SELECT, "Select Area"},
    {ID_PAINT_SAMPLER, "Select Color"},
    {ID_PAINT_FILL, "Flood Fill"},
    {ID_PAINT_TEXT, "Add Text"},
    {ID_PAINT_AIRBRUSH, "Air brush"},
    {ID_PAINT_REPLACE_COLOUR, "Color replacer"},
    {ID_PAINT_ERASER, "Freehand Erase"},
    {ID_PAINT_PEN, "Freehand Draw"},
    {ID_PAINT_LINE, "Line"},
    {ID_PAINT_ERASER_WIDTH, "Eraser width"},
    {ID_PAINT_LINE_WIDTH, "Pen Width"},
    {0, "Separator1"},
    {ID_PAINT_RECTANGLE, "Rectangle"},
    {ID_PAINT_ROUND_RECT, "Rounded Rectangle"},
    {ID_PAINT_ELLIPSE, "Ellipse"},
    {ID_PAINT_FILLED_RECTANGLE, "Filled Rectangle"},
    {ID_PAINT_FILLED_ROUND_RECT, "Filled Rounded Rectangle"},
    {ID_PAINT_FILLED_ELLIPSE, "Filled Ellipse"},
    {ID_PAINT_FORE_COLOUR, "Foreground Color"},
    {ID_PAINT_BACK_COLOUR, "Background Color (Shift+tool)"},
}};

struct ToolMode {
    int id;
    int mode;
};
constexpr ToolMode kToolModes[] = {
    {ID_PAINT_MAGNIFY, kModeZoom},
    {ID_PAINT_SELECT, kModeSelect},
    {ID_PAINT_SAMPLER, kModeSampler},
    {ID_PAINT_FILL, kModeFill},
    {ID_PAINT_TEXT, kModeText},
    {ID_PAINT_AIRBRUSH, kModeAirbrush},
    {ID_PAINT_ERASER, kModeEraser},
    {ID_PAINT_PEN, kModePen},
    {ID_PAINT_LINE, kModeLine},
    {ID_PAINT_RECTANGLE, kModeRectangle},
    {ID_PAINT_ROUND_RECT, kModeRoundRect},
    {ID_PAINT_ELLIPSE, kModeEllipse},
    {ID_PAINT_FILLED_RECTANGLE, kModeFilledRectangle},
    {ID_PAINT_FILLED_ROUND_RECT, kModeFilledRoundRect},
    {ID_PAINT_FILLED_ELLIPSE, kModeFilledEllipse},
};

// The mode a tool button sets; -1 for the other ids.
int ModeOf(int id) {
    for (const ToolMode& t : kToolModes)
        if (t.id == id) return t.mode;
    return -1;
}

bool IsChooserPlace(int id) {
    return id == ID_PAINT_ERASER_WIDTH || id == ID_PAINT_LINE_WIDTH ||
           id == ID_PAINT_FORE_COLOUR || id == ID_PAINT_BACK_COLOUR;
}

bool HasAction(int id) { return id != 0 && !IsChooserPlace(id); }

QImage WithClear(const QImage& image, QRgb key) {
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((line[x] & 0xFFFFFF) == (key & 0xFFFFFF)) line[x] = 0;
    }
    return out;
}

// Button image index of the strip, made clear where its mask colour is.
QImage CellOf(const QImage& strip, int index) {
    if (index < 0 || index >= CPntToolBar::kEntryCount) return {};
    const QImage cell = strip.copy(QRect(QPoint(index * kImageSize.width(), 0), kImageSize));
    const bool masked = index == kForePicture || index == kBackPicture;
    return WithClear(cell, masked ? kMask : kClear);
}

template <std::size_t N> int IndexIn(const std::array<int, N>& list, int value) {
    const auto it = std::find(list.begin(), list.end(), value);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

} // namespace

const std::array<CPntToolBar::Entry, CPntToolBar::kEntryCount>& CPntToolBar::Entries() {
    return kEntries;
}

const std::vector<ColourEntry>& CPntToolBar::NamedColours() {
    static const std::vector<ColourEntry> colours = {
        {0x000000, QStringLiteral("Black")},
        {0xFFFFFF, QStringLiteral("White")},
        {0xFF0000, QStringLiteral("Blue")},
        {0x00FF00, QStringLiteral("Bright green")},
        {0xFFFF00, QStringLiteral("Cyan")},
        {0x0000FF, QStringLiteral("Red")},
        {0xFF00FF, QStringLiteral("Magenta")},
        {0x00FFFF, QStringLiteral("Yellow")},
        {0x800000, QStringLiteral("Dark Blue")},
        {0x008000, QStringLiteral("Dark Green")},
        {0x808000, QStringLiteral("Dark Cyan")},
        {0x000080, QStringLiteral("Dark red")},
        {0x800080, QStringLiteral("Dark Magenta")},
        {0x008080, QStringLiteral("Dark yellow")},
        {0x808080, QStringLiteral("Grey - 50%")},
        {0xC0C0C0, QStringLiteral("Light grey")},
    };
    return colours;
}

QString CPntToolBar::ToolTipFor(int id) {
    if (id == 0) return {};
    for (const Entry& e : kEntries)
        if (e.id == id) return QString::fromLatin1(e.text).left(kMaxTipLength);
    return {};
}

QImage CPntToolBar::ButtonStrip() { return QImage(kButtonBitmap); }

QImage CPntToolBar::ButtonImage(int index) { return CellOf(ButtonStrip(), index); }

CPntToolBar::CPntToolBar(QWidget* parent) : CToolBarEx(QStringLiteral("Tools"), parent) {
    setObjectName(QStringLiteral("PaintBar"));
    setAllowedAreas(Qt::AllToolBarAreas);
    layout()->setSpacing(0);
    CCommandTrigger::Track();
    AddButtons();
    CreateChoosers();
    RegisterCommands();
    RefreshFromControl();
}

CPntToolBar::~CPntToolBar() {
    for (const QMetaObject::Connection& c : m_ctrlConnections) disconnect(c);
}

void CPntToolBar::AddButtons() {
    const QImage strip = ButtonStrip();
    for (int i = 0; i < kEntryCount; ++i) {
        const Entry& e = kEntries[static_cast<std::size_t>(i)];
        if (e.id == 0) {
            addSeparator();
            continue;
        }
        auto* action = new QAction(this);
        action->setProperty(kCommandProperty, e.id);
        action->setText(ToolTipFor(e.id));
        action->setToolTip(ToolTipFor(e.id));
        action->setIcon(QIcon(QPixmap::fromImage(CellOf(strip, i))));
        action->setCheckable(ModeOf(e.id) >= 0);
        if (HasAction(e.id))
            connect(action, &QAction::triggered, this, [this, id = e.id] {
                const CCommandTrigger::Scope trigger(CCommandTrigger::LastInput());
                RunCommand(id);
            });
        addAction(action);
        if (QWidget* button = widgetForAction(action))
            button->setFixedSize(kButtonWidth, kButtonHeight);
    }
}

void CPntToolBar::PlaceChooser(int id, QWidget* chooser, QSize size) {
    chooser->setFixedSize(size);
    chooser->setToolTip(ToolTipFor(id));
    SetButtonControl(id, chooser);
}

void CPntToolBar::CreateChoosers() {
    const int unit = kButtonWidth;
    const int narrow = 3 * unit / 2;
    const int wide = 3 * unit - narrow;
    const QRgb clear = kClear;

    m_eraserWidth = new CCoolCombo(this);
    m_eraserWidth->SetItemStrip(QImage(kEraserWidthBitmap), 16, clear);
    m_eraserWidth->SetTitle(ToolTipFor(ID_PAINT_ERASER_WIDTH));
    m_eraserWidth->EnableDefaultEntry(false);
    m_eraserWidth->SetCurrentIndex(0);
    PlaceChooser(ID_PAINT_ERASER_WIDTH, m_eraserWidth, {narrow, kWidthChooserHeight});

    m_lineWidth = new CCoolCombo(this);
    m_lineWidth->SetItemStrip(QImage(kLineWidthBitmap), 32, clear);
    m_lineWidth->SetTitle(ToolTipFor(ID_PAINT_LINE_WIDTH));
    m_lineWidth->EnableDefaultEntry(false);
    m_lineWidth->SetCurrentIndex(0);
    PlaceChooser(ID_PAINT_LINE_WIDTH, m_lineWidth, {wide, kWidthChooserHeight});

    m_fore = new CColourPicker(this);
    m_fore->SetFacePicture(QPixmap::fromImage(ButtonImage(kForePicture)));
    m_fore->SetTitle(QStringLiteral("Foreground Color"));
    m_fore->SelectColour(0x000000);
    PlaceChooser(ID_PAINT_FORE_COLOUR, m_fore, {narrow, kColourChooserHeight});

    m_anyColourExtras = m_fore->ExtraEntries();

    m_back = new CColourPicker(this);
    m_back->SetFacePicture(QPixmap::fromImage(ButtonImage(kBackPicture)));
    m_back->SetTitle(QStringLiteral("Background Color"));
    m_back->EnableDefaultEntry(true);
    m_back->SetDefaultEntryText(QStringLiteral("None"));
    m_back->SelectColour(0xFFFFFF);
    PlaceChooser(ID_PAINT_BACK_COLOUR, m_back, {wide, kColourChooserHeight});

    connect(m_eraserWidth, &CCoolCombo::notified, this,
            [this](int code, int data) { OnEraserWidth(code, data); });
    connect(m_lineWidth, &CCoolCombo::notified, this,
            [this](int code, int data) { OnLineWidth(code, data); });
    connect(m_fore, &CCoolCombo::notified, this,
            [this](int code, int data) { OnForeColour(code, data); });
    connect(m_back, &CCoolCombo::notified, this,
            [this](int code, int data) { OnBackColour(code, data); });
}

void CPntToolBar::RegisterCommands() {
    for (const Entry& e : kEntries) {
        if (!HasAction(e.id)) continue;
        OnCommand(e.id, [this, id = e.id] {
            CPntCtrl* ctrl = m_ctrl.data();
            if (!ctrl) return;
            switch (id) {
            case ID_PAINT_CUT: ctrl->Cut(); break;
            case ID_PAINT_COPY: ctrl->Copy(); break;
            case ID_PAINT_PASTE: ctrl->Paste(); break;
            case ID_PAINT_CLEAR: {
                const CRect selection = ctrl->GetSelectionRect();
                ctrl->EraseSelection(&selection, true);
                break;
            }
            case ID_PAINT_UNDO: ctrl->Undo(); break;
            case ID_PAINT_REDO: ctrl->Redo(); break;
            case ID_PAINT_SIZE_TO_FIT: ctrl->ZoomToFit(); break;
            case ID_PAINT_RESIZE: ctrl->EditImageProperties(); break;
            case ID_PAINT_REPLACE_COLOUR: ctrl->ReplaceColour(); break;
            default: ctrl->SetMode(ModeOf(id)); break;
            }
        });
        OnUpdate(e.id, [this](CCmdUI& ui) {
            const CPntCtrl* ctrl = m_ctrl.data();
            if (!ctrl) {
                ui.Enable(false);
                return;
            }
            const bool writable = !ctrl->IsReadOnly();
            const int mode = ctrl->GetMode();
            switch (ui.Id()) {
            case ID_PAINT_CUT:
            case ID_PAINT_CLEAR:
            case ID_PAINT_RESIZE: ui.Enable(writable); break;
            case ID_PAINT_COPY:
            case ID_PAINT_SIZE_TO_FIT:
            case ID_PAINT_REPLACE_COLOUR: ui.Enable(true); break;
            case ID_PAINT_PASTE: ui.Enable(writable && ctrl->CanPaste()); break;
            case ID_PAINT_UNDO: ui.Enable(writable && ctrl->CanUndo()); break;
            case ID_PAINT_REDO: ui.Enable(writable && ctrl->CanRedo()); break;
            case ID_PAINT_MAGNIFY:
                ui.Enable(true);
                ui.SetCheck(mode == kModeZoom);
                break;
            case ID_PAINT_SELECT:
                ui.Enable(true);
                ui.SetCheck(mode == kModeSelect || mode == kModeMove);
                break;
            default:
                ui.Enable(writable);
                ui.SetCheck(mode == ModeOf(ui.Id()));
                break;
            }
        });
    }
}

CCmdUI CPntToolBar::CommandState(int id) {
    CCmdUI ui(id);
    if (!OnUpdateCmdUI(ui)) ui.Enable(false);
    return ui;
}

bool CPntToolBar::RunCommand(int id) {
    if (!CommandState(id).IsEnabled()) {
        UpdateButtons(); // a toggled button takes its state back
        return false;
    }
    const bool handled = OnCmdMsg(id);
    RefreshFromControl();
    if (CPntCtrl* ctrl = m_ctrl.data()) ctrl->viewport()->update();
    return handled;
}

QAction* CPntToolBar::ButtonAction(int id) const {
    QAction* action = EntryFor(id);
    return qobject_cast<QWidgetAction*>(action) ? nullptr : action;
}

CPntCtrl* CPntToolBar::Attached() const { return m_ctrl.data(); }

void CPntToolBar::Attach(CPntCtrl* ctrl) {
    for (const QMetaObject::Connection& c : m_ctrlConnections) disconnect(c);
    m_ctrlConnections.clear();
    m_ctrl = ctrl;
    if (ctrl) {
        // A widget announces its destruction before its weak pointers are cleared, and by then
        // it is no paint control any more: drop it first.
        m_ctrlConnections.push_back(connect(ctrl, &QObject::destroyed, this, [this] {
            m_ctrl = nullptr;
            m_ctrlConnections.clear();
            RefreshFromControl();
        }));
        m_ctrlConnections.push_back(
            connect(ctrl, &CPntCtrl::modeChanged, this, [this] { UpdateButtons(); }));
        m_ctrlConnections.push_back(
            connect(ctrl, &CPntCtrl::imageChanged, this, [this] { RefreshFromControl(); }));
    }
    RefreshFromControl();
}

void CPntToolBar::SetColourCountSource(ColourCountSource source) {
    m_colourCount = std::move(source);
    m_offered = -1; // offer again from the new source
    RefreshFromControl();
}

void CPntToolBar::SetForceSixteenColours(bool on) {
    m_force16 = on;
    RefreshFromControl();
}

void CPntToolBar::RefreshFromControl() {
    const CPntCtrl* ctrl = m_ctrl.data();
    if (ctrl) {
        const int n = m_force16       ? 16
                      : m_colourCount ? m_colourCount(*ctrl)
                                      : ctrl->Image().ColourCount();
        if (n != m_offered && !m_fore->IsPopupOpen() && !m_back->IsPopupOpen()) {
            m_offered = n;
            // A fixed list leaves out "More Colors...": a colour-table image offers exactly
            // its first n named colours. Any colour: the picker's own list and its dialog.
            const bool fixed = n >= 1 && n <= 16;
            for (CColourPicker* picker : {m_fore, m_back}) {
                if (fixed)
                    picker->SetColourList(NamedColours().data(), n);
                else
                    picker->SetColourList(nullptr, 0);
                picker->SetExtraEntries(fixed ? QStringList() : m_anyColourExtras);
            }
        }
        // A chooser whose popup is open keeps the highlight the user is moving.
        if (!m_fore->IsPopupOpen()) m_fore->SelectColour(ctrl->ForeColour());
        if (!m_back->IsPopupOpen()) m_back->SelectColour(ctrl->BackColour());
        if (!m_lineWidth->IsPopupOpen())
            m_lineWidth->SetCurrentIndex(IndexIn(kLineWidths, ctrl->LineWidth()));
        if (!m_eraserWidth->IsPopupOpen())
            m_eraserWidth->SetCurrentIndex(IndexIn(kEraserWidths, ctrl->EraserWidth()));
        m_readOnly = ctrl->IsReadOnly();
    }
    const bool enable = ctrl && !m_readOnly;
    for (QWidget* chooser : {static_cast<QWidget*>(m_lineWidth), static_cast<QWidget*>(m_eraserWidth),
                             static_cast<QWidget*>(m_fore), static_cast<QWidget*>(m_back)})
        chooser->setEnabled(enable);
    UpdateButtons();
}

void CPntToolBar::UpdateButtons() {
    for (const Entry& e : kEntries) {
        if (!HasAction(e.id)) continue;
        QAction* action = ButtonAction(e.id);
        if (!action) continue;
        const CCmdUI ui = CommandState(e.id);
        action->setEnabled(ui.IsEnabled());
        if (action->isCheckable()) action->setChecked(ui.IsChecked());
    }
}

void CPntToolBar::OnEraserWidth(int code, int data) {
    CPntCtrl* ctrl = m_ctrl.data();
    if (!ctrl || code != CCoolCombo::kNotifyChosen) return;
    if (data >= 0 && data < static_cast<int>(kEraserWidths.size()))
        ctrl->SetEraserWidth(kEraserWidths[static_cast<std::size_t>(data)]);
    RefreshFromControl();
}

void CPntToolBar::OnLineWidth(int code, int data) {
    CPntCtrl* ctrl = m_ctrl.data();
    if (!ctrl || code != CCoolCombo::kNotifyChosen) return;
    if (data >= 0 && data < static_cast<int>(kLineWidths.size()))
        ctrl->SetLineWidth(kLineWidths[static_cast<std::size_t>(data)]);
    RefreshFromControl();
}

void CPntToolBar::OnForeColour(int code, int data) {
    CPntCtrl* ctrl = m_ctrl.data();
    if (!ctrl || (code != CCoolCombo::kNotifyChosen && code != CCoolCombo::kNotifyDefault))
        return;
    const COLORREF colour = code == CCoolCombo::kNotifyDefault ? 0 : static_cast<COLORREF>(data);
    ctrl->SetForeColour(colour);
    ctrl->SetFillColour(colour);
    RefreshFromControl();
}

void CPntToolBar::OnBackColour(int code, int data) {
    CPntCtrl* ctrl = m_ctrl.data();
    if (!ctrl || (code != CCoolCombo::kNotifyChosen && code != CCoolCombo::kNotifyDefault))
        return;
    // "None" is white: the background colour is never "no colour".
    ctrl->SetBackColour(code == CCoolCombo::kNotifyDefault ? 0xFFFFFF
                                                           : static_cast<COLORREF>(data));
    RefreshFromControl();
}

} // namespace tsl
