#include "ui/CustToolBar.h"

#include "platform/Platform.h"
#include "ui/CustomizeToolBarDlg.h"

#include <QContextMenuEvent>
#include <QDataStream>
#include <QMainWindow>
#include <QWidgetAction>

#include <set>

namespace tsl {
namespace {

void PutLe32(QByteArray& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::uint32_t Le32(const QByteArray& in, qsizetype at) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(in[at + i])) << (8 * i);
    return v;
}

bool IsHexText(const QString& text) {
    if (text.size() % 2 != 0) return false;
    for (QChar c : text)
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
              (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
              (c >= QLatin1Char('A') && c <= QLatin1Char('F'))))
            return false;
    return true;
}

const QString kSeparatorWidthKey = QStringLiteral("Separator Width");

} // namespace

QByteArray EncodeToolBarState(const ToolBarLayout& layout) {
    QByteArray out;
    out.reserve(4 + ToolBarButton::kSize * static_cast<qsizetype>(layout.size()));
    PutLe32(out, static_cast<std::uint32_t>(layout.size()));
    for (const ToolBarButton& b : layout) {
        PutLe32(out, static_cast<std::uint32_t>(b.bitmap));
        PutLe32(out, static_cast<std::uint32_t>(b.command));
        out.append(static_cast<char>(b.state));
        out.append(static_cast<char>(b.style));
        out.append(2, '\0');
        PutLe32(out, static_cast<std::uint32_t>(b.data));
        PutLe32(out, static_cast<std::uint32_t>(b.string));
    }
    return out;
}

std::optional<ToolBarLayout> DecodeToolBarState(const QByteArray& bytes) {
    if (bytes.size() < 4) return std::nullopt;
    const std::uint32_t count = Le32(bytes, 0);
    if (count > static_cast<std::uint32_t>(kMaxStateButtons)) return std::nullopt;
    if (bytes.size() != 4 + ToolBarButton::kSize * static_cast<qsizetype>(count))
        return std::nullopt;
    ToolBarLayout layout(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const qsizetype at = 4 + ToolBarButton::kSize * static_cast<qsizetype>(i);
        ToolBarButton& b = layout[i];
        b.bitmap = static_cast<std::int32_t>(Le32(bytes, at));
        b.command = static_cast<std::int32_t>(Le32(bytes, at + 4));
        b.state = static_cast<std::uint8_t>(bytes[at + 8]);
        b.style = static_cast<std::uint8_t>(bytes[at + 9]);
        b.data = static_cast<std::int32_t>(Le32(bytes, at + 12));
        b.string = static_cast<std::int32_t>(Le32(bytes, at + 16));
    }
    return layout;
}

CCustToolBar::CCustToolBar(const QString& title, int controlId, QWidget* parent)
    : CToolBarEx(title, parent), m_controlId(controlId) {
    connect(this, &QToolBar::orientationChanged, this, [this] { ApplySeparatorWidth(); });
}

CCustToolBar::~CCustToolBar() = default;

QString CCustToolBar::StateValueName() const {
    const QString hex = QString::number(static_cast<uint>(m_controlId) & 0xFFFFu, 16).toUpper();
    return QStringLiteral("ToolBar State(0x%1)").arg(hex.rightJustified(4, QLatin1Char('0')));
}

void CCustToolBar::LoadToolBar() {
    m_available.clear();
    m_buttonActions.clear();
    for (QAction* action : actions()) {
        const int command = CommandOf(action);
        if (action->isSeparator() || command == 0) continue;
        ToolBarButton b;
        b.bitmap = static_cast<std::int32_t>(m_available.size());
        b.command = command;
        b.style = action->isCheckable() ? ToolBarButton::kCheck : ToolBarButton::kButton;
        m_available.push_back(b);
        m_buttonActions.push_back(action);
    }
    m_default = CurrentLayout();
}

QAction* CCustToolBar::ButtonAction(int command) const {
    if (command == 0) return nullptr;
    if (QWidgetAction* control = ControlAction(command)) return control;
    for (std::size_t i = 0; i < m_available.size(); ++i)
        if (m_available[i].command == command) return m_buttonActions[i];
    return nullptr;
}

QString CCustToolBar::ButtonText(int command) const {
    const QAction* action = ButtonAction(command);
    if (!action) return {};
    if (auto* control = qobject_cast<const QWidgetAction*>(action);
        control && control->defaultWidget()) {
        const QString tip = control->defaultWidget()->toolTip();
        if (!tip.isEmpty()) return tip;
    }
    return action->toolTip().isEmpty() ? action->text() : action->toolTip();
}

ToolBarButton CCustToolBar::RecordFor(QAction* action) const {
    ToolBarButton b;
    if (action->isSeparator()) {
        b.bitmap = std::max(0, m_separatorWidth);
        b.style = ToolBarButton::kSeparator;
        return b;
    }
    b.command = CommandOf(action);
    b.bitmap = -1;
    for (const ToolBarButton& available : m_available)
        if (available.command == b.command) b.bitmap = available.bitmap;
    b.style = action->isCheckable() ? ToolBarButton::kCheck : ToolBarButton::kButton;
    b.state = 0;
    if (action->isEnabled()) b.state |= ToolBarButton::kEnabled;
    if (action->isChecked()) b.state |= ToolBarButton::kChecked;
    if (!action->isVisible()) b.state |= ToolBarButton::kHidden;
    return b;
}

ToolBarLayout CCustToolBar::CurrentLayout() const {
    ToolBarLayout layout;
    for (QAction* action : actions())
        if (action->isSeparator() || CommandOf(action) != 0) layout.push_back(RecordFor(action));
    return layout;
}

void CCustToolBar::ApplyLayout(const ToolBarLayout& layout) {
    for (QAction* action : actions()) {
        removeAction(action);
        if (action->isSeparator() && action->parent() == this) delete action;
    }
    std::set<int> placed;
    for (const ToolBarButton& b : layout) {
        if (b.IsSeparator()) {
            addSeparator();
            continue;
        }
        QAction* action = ButtonAction(b.command);
        if (!action || !placed.insert(b.command).second) continue;
        action->setVisible((b.state & ToolBarButton::kHidden) == 0);
        addAction(action);
    }
    ApplySeparatorWidth();
}

void CCustToolBar::SetSeparatorWidth(int width) {
    m_separatorWidth = width;
    ApplySeparatorWidth();
}

void CCustToolBar::ApplySeparatorWidth() {
    if (m_separatorWidth < 0) return;
    for (QAction* action : actions()) {
        if (!action->isSeparator()) continue;
        QWidget* separator = widgetForAction(action);
        if (!separator) continue;
        if (orientation() == Qt::Horizontal) {
            separator->setMinimumHeight(0);
            separator->setMaximumHeight(QWIDGETSIZE_MAX);
            separator->setFixedWidth(m_separatorWidth);
        } else {
            separator->setMinimumWidth(0);
            separator->setMaximumWidth(QWIDGETSIZE_MAX);
            separator->setFixedHeight(m_separatorWidth);
        }
    }
}

void CCustToolBar::SaveState(const QString& section) const {
    if (section.isEmpty()) return;
    platform::IProfile& profile = *platform::Platform().profile;
    profile.WriteString(section, StateValueName(),
                        QString::fromLatin1(EncodeToolBarState(CurrentLayout()).toHex().toUpper()));
    profile.WriteInt(section, kSeparatorWidthKey, m_separatorWidth);
}

bool CCustToolBar::LoadState(const QString& section, bool rememberSection) {
    platform::IProfile& profile = *platform::Platform().profile;
    SetSeparatorWidth(profile.GetInt(section, kSeparatorWidthKey, m_separatorWidth));
    if (rememberSection) m_section = section;
    const QString text = profile.GetString(section, StateValueName());
    if (text.isEmpty() || !IsHexText(text)) return false;
    const std::optional<ToolBarLayout> layout =
        DecodeToolBarState(QByteArray::fromHex(text.toLatin1()));
    if (!layout) return false;
    ApplyLayout(*layout);
    return true;
}

void CCustToolBar::WriteArchive(QDataStream& stream) const {
    const QByteArray bytes = EncodeToolBarState(CurrentLayout());
    const QDataStream::ByteOrder order = stream.byteOrder();
    stream.setByteOrder(QDataStream::LittleEndian);
    stream << static_cast<quint16>(bytes.size());
    stream.writeRawData(bytes.constData(), static_cast<int>(bytes.size()));
    stream.setByteOrder(order);
}

bool CCustToolBar::ReadArchive(QDataStream& stream) {
    const QDataStream::ByteOrder order = stream.byteOrder();
    stream.setByteOrder(QDataStream::LittleEndian);
    quint16 length = 0;
    stream >> length;
    stream.setByteOrder(order);
    QByteArray bytes(length, '\0');
    if (stream.status() != QDataStream::Ok || stream.readRawData(bytes.data(), length) != length)
        return false;
    const std::optional<ToolBarLayout> layout = DecodeToolBarState(bytes);
    if (!layout) return false;
    ApplyLayout(*layout);
    return true;
}

void CCustToolBar::Customize() {
    CCustomizeToolBarDlg dialog(this, window());
    BeginAdjust();
    platform::Platform().dialogs->RunModal(dialog);
    EndAdjust();
}

void CCustToolBar::BeginAdjust() {
    m_start = CurrentLayout();
}

void CCustToolBar::EndAdjust() {
    m_start.reset();
}

void CCustToolBar::Reset(bool control) {
    ApplyLayout(control || !m_start ? m_default : *m_start);
    ToolBarChanged();
}

void CCustToolBar::ShowHelp() {
    platform::Platform().prompt->MessageBox(window(), QStringLiteral("Help not implemented!"),
                                            QStringLiteral("Tessaly"));
}

void CCustToolBar::ToolBarChanged() {
    adjustSize();
    updateGeometry();
    if (auto* frame = qobject_cast<QMainWindow*>(parentWidget())) frame->update();
    if (!m_section.isEmpty()) SaveState(m_section);
    emit layoutChanged();
}

void CCustToolBar::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    Customize();
}

} // namespace tsl
