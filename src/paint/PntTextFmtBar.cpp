#include "paint/PntTextFmtBar.h"

#include "framework/Ids.h"
#include "paint/PntCtrl.h"
#include "platform/Platform.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QTextOption>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace tsl {
namespace {

const QString kFontKey = QStringLiteral("Font");
const QString kAlignmentKey = QStringLiteral("Alignment");
const QString kButtonBitmap = QStringLiteral(":/tsl/bitmap/PNTTEXT.bmp");
constexpr QRgb kLightGrey = qRgb(192, 192, 192);
constexpr QSize kPicture(16, 15);

// The bar's first size: the template's 148 x 98 dialog units in the dialog font.
constexpr QSize kBarSize(222, 159);
constexpr int kMargin = 6;
constexpr int kButtonSize = 22;
constexpr int kFontButtonWidth = 52;

QFont& SharedFontStorage() {
    static QFont font;
    return font;
}

} // namespace

CPntTextFmtBar::CPntTextFmtBar(CPntCtrl& ctrl, QWidget* parent)
    : CPntDlg(IDD_TEXT_TOOL, parent), m_ctrl(ctrl) {
    setWindowTitle(QString::fromLatin1(kTitle));
    setModal(false);

    m_fontButton = new QPushButton(QStringLiteral("Font..."), this);
    m_fontButton->setObjectName(ControlName(IDC_TEXT_FONT));
    m_fontButton->setAutoDefault(false);
    m_fontButton->setGeometry(kMargin, kMargin, kFontButtonWidth, kButtonSize);
    connect(m_fontButton, &QPushButton::clicked, this, &CPntTextFmtBar::ChooseFont);

    static constexpr int kButtonIds[6] = {IDC_TEXT_ALIGN_LEFT, IDC_TEXT_ALIGN_CENTRE,
                                          IDC_TEXT_ALIGN_RIGHT, IDC_TEXT_BOLD,
                                          IDC_TEXT_ITALIC, IDC_TEXT_UNDERLINE};
    static constexpr const char* kTips[6] = {"Align Left", "Center", "Align Right",
                                             "Bold", "Italic", "Underline"};
    int x = kMargin + kFontButtonWidth + 4;
    for (int i = 0; i < 6; ++i) {
        auto* button = new QToolButton(this);
        button->setObjectName(ControlName(kButtonIds[i]));
        button->setCheckable(true);
        button->setToolTip(QString::fromLatin1(kTips[i]));
        button->setIconSize(kPicture);
        button->setGeometry(x, kMargin, kButtonSize, kButtonSize);
        x += kButtonSize + (i == 2 ? 4 : 0);
        m_buttons[static_cast<std::size_t>(i)] = button;
    }
    connect(m_buttons[0], &QToolButton::clicked, this, [this] { SetAlignment(0); });
    connect(m_buttons[1], &QToolButton::clicked, this, [this] { SetAlignment(1); });
    connect(m_buttons[2], &QToolButton::clicked, this, [this] { SetAlignment(2); });
    connect(m_buttons[3], &QToolButton::clicked, this, &CPntTextFmtBar::ToggleBold);
    connect(m_buttons[4], &QToolButton::clicked, this, &CPntTextFmtBar::ToggleItalic);
    connect(m_buttons[5], &QToolButton::clicked, this, &CPntTextFmtBar::ToggleUnderline);

    static constexpr int kEditIds[3] = {IDC_TEXT_EDIT_LEFT, IDC_TEXT_EDIT_CENTRE,
                                        IDC_TEXT_EDIT_RIGHT};
    static constexpr Qt::Alignment kAlign[3] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    m_editOffset = QPoint(kMargin, kMargin + kButtonSize + kMargin);
    for (int i = 0; i < 3; ++i) {
        auto* edit = new QPlainTextEdit(this);
        edit->setObjectName(ControlName(kEditIds[i]));
        edit->setTabChangesFocus(false);
        edit->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        QTextOption option = edit->document()->defaultTextOption();
        option.setAlignment(kAlign[i]);
        edit->document()->setDefaultTextOption(option);
        edit->setVisible(i == 0);
        connect(edit, &QPlainTextEdit::textChanged, this,
                [this, edit] { m_ctrl.SetText(edit->toPlainText()); });
        m_edits[static_cast<std::size_t>(i)] = edit;
    }
    resize(kBarSize);
    LayOutEdits();
    LoadBitmaps();
    UpdateButtons();
}

CPntTextFmtBar::~CPntTextFmtBar() = default;

const QFont& CPntTextFmtBar::SharedFont() { return SharedFontStorage(); }

QPlainTextEdit* CPntTextFmtBar::Edit(int alignment) const {
    return m_edits[static_cast<std::size_t>(std::clamp(alignment, 0, 2))];
}

// ---- showing and hiding

void CPntTextFmtBar::ShowTextBar() {
    m_hidden = false;
    show();
    raise();
}

void CPntTextFmtBar::HideTextBar() {
    hide();
    m_hidden = true;
}

void CPntTextFmtBar::ClearTextBar() {
    for (QPlainTextEdit* edit : m_edits) edit->setPlainText(QString());
}

void CPntTextFmtBar::FocusEdit() {
    if (m_hidden) return;
    QPlainTextEdit* edit = VisibleEdit();
    if (edit->hasFocus()) return;
    if (!isActiveWindow()) activateWindow();
    edit->setFocus(Qt::OtherFocusReason);
}

void CPntTextFmtBar::Close() {
    HideTextBar();
    if (QWidget* main = m_ctrl.window(); main && main != this) main->activateWindow();
    m_ctrl.setFocus(Qt::OtherFocusReason);
    m_ctrl.SetMode(kModeSelect);
}

void CPntTextFmtBar::closeEvent(QCloseEvent* event) {
    event->ignore();
    Close();
}

void CPntTextFmtBar::reject() { Close(); }

// ---- the control's commands and keys

void CPntTextFmtBar::Copy() { VisibleEdit()->copy(); }
void CPntTextFmtBar::Cut() { VisibleEdit()->cut(); }
void CPntTextFmtBar::Paste() { VisibleEdit()->paste(); }

bool CPntTextFmtBar::CanPaste() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasText();
}

void CPntTextFmtBar::ForwardKey(QKeyEvent& event) {
    FocusEdit();
    QKeyEvent copy(event.type(), event.key(), event.modifiers(), event.text(),
                   event.isAutoRepeat(), static_cast<ushort>(event.count()));
    QCoreApplication::sendEvent(VisibleEdit(), &copy);
    event.accept();
}

// ---- initialisation, bitmaps and layout

void CPntTextFmtBar::OnInitDialog() {
    CPntDlg::OnInitDialog();
    LoadBitmaps();
    platform::IProfile& profile = *platform::Platform().profile;
    const QString section = QString::fromLatin1(kSection);
    ApplyFont(CTextFontDesc::Parse(profile.GetString(section, kFontKey,
                                                     QString::fromLatin1(CTextFontDesc::kDefault))),
              true);
    const int alignment = std::clamp(profile.GetInt(section, kAlignmentKey, 0), 0, 2);
    for (QPlainTextEdit* edit : m_edits) edit->hide();
    m_alignment = alignment;
    VisibleEdit()->show();
    SetAlignment(alignment);
}

void CPntTextFmtBar::LoadBitmaps() {
    // Light grey stands for the button face, so the pictures follow the desktop's colours.
    QImage strip = QImage(kButtonBitmap).convertToFormat(QImage::Format_RGB32);
    if (strip.isNull()) return;
    const QRgb face = palette().color(QPalette::Button).rgb();
    for (int y = 0; y < strip.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(strip.scanLine(y));
        for (int x = 0; x < strip.width(); ++x) {
            if ((row[x] & 0xFFFFFF) == (kLightGrey & 0xFFFFFF)) row[x] = face;
        }
    }
    for (int i = 0; i < 6; ++i) {
        const QImage picture = strip.copy(i * kPicture.width(), 0, kPicture.width(), kPicture.height());
        m_buttons[static_cast<std::size_t>(i)]->setIcon(QIcon(QPixmap::fromImage(picture)));
    }
}

void CPntTextFmtBar::changeEvent(QEvent* event) {
    CPntDlg::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) LoadBitmaps();
}

void CPntTextFmtBar::resizeEvent(QResizeEvent* event) {
    CPntDlg::resizeEvent(event);
    LayOutEdits();
}

void CPntTextFmtBar::LayOutEdits() {
    // The edits fill the client area; their top-left offset is kept as the margin on the
    // right and at the bottom.
    const QRect area(m_editOffset, QSize(std::max(width() - 2 * m_editOffset.x(), 0),
                                         std::max(height() - 2 * m_editOffset.y(), 0)));
    for (QPlainTextEdit* edit : m_edits) edit->setGeometry(area);
}

void CPntTextFmtBar::MoveIntoPlace() {
    // A change of font or alignment keeps the bar where it is unless it has left the work
    // area of the main window's screen; then it is moved back inside.
    if (!isVisible()) return;
    const QWidget* main = m_ctrl.window();
    const QScreen* screen = main && main != this ? main->screen() : this->screen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    QRect frame = frameGeometry();
    frame.moveLeft(std::max(area.left(), std::min(frame.left(), area.right() - frame.width() + 1)));
    frame.moveTop(std::max(area.top(), std::min(frame.top(), area.bottom() - frame.height() + 1)));
    if (frame.topLeft() != frameGeometry().topLeft()) move(frame.topLeft());
}

int CPntTextFmtBar::ScreenDpiY() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int dpi = screen ? static_cast<int>(std::lround(screen->logicalDotsPerInchY())) : 96;
    return dpi > 0 ? dpi : 96;
}

void CPntTextFmtBar::UpdateButtons() {
    const unsigned align = m_ctrl.TextFormat() & 3u;
    m_buttons[0]->setChecked(align == 0);
    m_buttons[1]->setChecked(align & 1u);
    m_buttons[2]->setChecked(align & 2u);
    m_buttons[3]->setChecked(m_font.weight > 400);
    m_buttons[4]->setChecked(m_font.italic != 0);
    m_buttons[5]->setChecked(m_font.underline != 0);
}

// ---- the buttons

void CPntTextFmtBar::SetAlignment(int alignment) {
    alignment = std::clamp(alignment, 0, 2);
    const unsigned bits = alignment == 1 ? 1u : alignment == 2 ? 2u : 0u;
    m_ctrl.SetTextFormat((m_ctrl.TextFormat() & ~3u) | bits);
    MoveIntoPlace();
    if (alignment != m_alignment) {
        QPlainTextEdit* from = VisibleEdit();
        QPlainTextEdit* to = Edit(alignment);
        {
            // The control has drawn the text with the new alignment already.
            const QSignalBlocker blocker(to);
            to->setPlainText(from->toPlainText());
        }
        const QTextCursor old = from->textCursor();
        QTextCursor cursor = to->textCursor();
        cursor.setPosition(old.anchor());
        cursor.setPosition(old.position(), QTextCursor::KeepAnchor);
        to->setTextCursor(cursor);
        from->hide();
        to->show();
        to->repaint();
        m_alignment = alignment;
        FocusEdit();
        platform::Platform().profile->WriteInt(QString::fromLatin1(kSection), kAlignmentKey,
                                               alignment);
    }
    UpdateButtons();
}

void CPntTextFmtBar::ToggleBold() {
    CTextFontDesc desc = m_font;
    desc.weight = desc.weight == 400 ? 700 : 400;
    ApplyFont(desc, true);
    FocusEdit();
}

void CPntTextFmtBar::ToggleItalic() {
    CTextFontDesc desc = m_font;
    desc.italic = desc.italic == 1 ? 0 : 1;
    ApplyFont(desc, true);
    FocusEdit();
}

void CPntTextFmtBar::ToggleUnderline() {
    CTextFontDesc desc = m_font;
    desc.underline = desc.underline == 1 ? 0 : 1;
    ApplyFont(desc, true);
    FocusEdit();
}

void CPntTextFmtBar::ChooseFont() {
    QFont font = m_font.ToFont();
    const COLORREF fore = m_ctrl.ForeColour();
    QColor colour(GetRValue(fore), GetGValue(fore), GetBValue(fore));
    if (platform::Platform().font->GetFont(this, font, &colour) != platform::DialogResult::Ok) {
        UpdateButtons();
        return;
    }
    if (colour.isValid()) m_ctrl.SetForeColour(RGB(colour.red(), colour.green(), colour.blue()));
    ApplyFont(m_font.WithFont(font, ScreenDpiY()), true);
    FocusEdit();
}

void CPntTextFmtBar::ApplyFont(const CTextFontDesc& desc, bool tellControl) {
    m_font = desc;
    SharedFontStorage() = desc.ToFont();
    for (QPlainTextEdit* edit : m_edits) edit->setFont(SharedFontStorage());
    if (tellControl) m_ctrl.SetTextFont(SharedFontStorage());
    MoveIntoPlace();
    setWindowTitle(Caption(desc, ScreenDpiY()));
    platform::Platform().profile->WriteString(QString::fromLatin1(kSection), kFontKey,
                                              desc.Format());
    UpdateButtons();
}

QString CPntTextFmtBar::Caption(const CTextFontDesc& desc, int dpiY) {
    return QStringLiteral("%1 [%2, %3pt]")
        .arg(QString::fromLatin1(kTitle), desc.face)
        .arg(desc.PointSize(dpiY));
}

} // namespace tsl
