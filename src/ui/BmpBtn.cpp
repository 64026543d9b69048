#include "ui/BmpBtn.h"

#include "core/Services.h"
#include "platform/Platform.h"
#include "ui/BmpBtnImages.h"

#include <QEnterEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPixmap>
#include <QTimer>

namespace tsl {
namespace {

std::optional<QCursor> CursorByName(const QString& name) {
    static const std::pair<const char*, Qt::CursorShape> kShapes[] = {
        {"ARROW", Qt::ArrowCursor},        {"HAND", Qt::PointingHandCursor},
        {"IBEAM", Qt::IBeamCursor},        {"CROSS", Qt::CrossCursor},
        {"WAIT", Qt::WaitCursor},          {"APPSTARTING", Qt::BusyCursor},
        {"NO", Qt::ForbiddenCursor},       {"SIZEALL", Qt::SizeAllCursor},
        {"SIZENS", Qt::SizeVerCursor},     {"SIZEWE", Qt::SizeHorCursor},
        {"SIZENWSE", Qt::SizeFDiagCursor}, {"SIZENESW", Qt::SizeBDiagCursor},
        {"UPARROW", Qt::UpArrowCursor},    {"HELP", Qt::WhatsThisCursor},
    };
    QString shape = name.toUpper();
    if (shape.startsWith(QLatin1String("IDC_"))) shape = shape.mid(4);
    for (const auto& [text, cursor] : kShapes)
        if (shape == QLatin1String(text)) return QCursor(cursor);
    const std::vector<std::uint8_t> bytes = Resources().Resource("cursor/" + name.toStdString());
    QPixmap pixmap;
    if (!bytes.empty() && pixmap.loadFromData(bytes.data(), static_cast<uint>(bytes.size())))
        return QCursor(pixmap);
    return std::nullopt;
}

} // namespace

CBmpBtn::CBmpBtn(QWidget* parent) : CBmpBtn(QString(), 0, parent) {}

CBmpBtn::CBmpBtn(const QString& caption, int controlId, QWidget* parent)
    : QAbstractButton(parent), m_repeat(new QTimer(this)) {
    setMouseTracking(true);
    SetControlId(controlId);
    connect(m_repeat, &QTimer::timeout, this, &CBmpBtn::RepeatTick);
    connect(this, &QAbstractButton::pressed, this, &CBmpBtn::OnPressed);
    connect(this, &QAbstractButton::released, this, &CBmpBtn::OnReleased);
    SetCaption(caption);
}

CBmpBtn::~CBmpBtn() = default;

void CBmpBtn::SetCaption(const QString& caption) {
    m_images.clear();
    setText(caption);
    Refresh();
    update();
}

void CBmpBtn::SetDirective(const QString& key, const QString& value) {
    SetCaption(WithCaptionDirective(text(), key, value));
}

void CBmpBtn::SetFaceColour(COLORREF colour) {
    SetDirective(QStringLiteral("W"), BmpBtnFaceDirective(colour));
}

COLORREF CBmpBtn::FaceColour() const {
    return static_cast<COLORREF>(Parsed().style[kFace]);
}

void CBmpBtn::SetControlId(int id) {
    setProperty(kControlIdProperty, id);
}
int CBmpBtn::ControlId() const {
    return property(kControlIdProperty).toInt();
}
void CBmpBtn::SetGroupStart(bool start) {
    setProperty(kGroupStartProperty, start);
}
bool CBmpBtn::IsGroupStart() const {
    return property(kGroupStartProperty).toBool();
}

void CBmpBtn::SetCheckState(QChar state) {
    Refresh();
    setChecked(state == QLatin1Char('C'));
    update();
}

BmpBtnCaption CBmpBtn::Refresh() {
    BmpBtnCaption c = Parsed();
    const bool checkable = c.type == QLatin1Char('C') || c.type == QLatin1Char('R');
    if (checkable != isCheckable()) setCheckable(checkable);
    if (!c.cursor.isEmpty() && !m_cursorTried) {
        m_cursorTried = true;
        m_cursor = CursorByName(c.cursor);
        if (m_cursor) setCursor(*m_cursor);
    }
    return c;
}

CBmpBtn::State CBmpBtn::CurrentState() const {
    if (!isEnabled()) return State::Disabled;
    const BmpBtnCaption c = Parsed();
    if (isDown()) {
        // A checked check box shows up while pressed: the release will uncheck it.
        return c.type == QLatin1Char('C') && isChecked() ? State::Up : State::Down;
    }
    if (m_hot && !m_cursor && !c.rolloverImage.isEmpty()) return State::Rollover;
    return isChecked() ? State::Down : State::Up;
}

void CBmpBtn::OnPressed() {
    const BmpBtnCaption c = Refresh();
    if (c.type == QLatin1Char('S')) {
        emit notified(ControlId(), kNotifyCode);
        m_repeat->start(100 * std::max(1, c.repeatDigit));
    }
    if (!c.sound.isEmpty()) PlaySound(c.sound);
}

void CBmpBtn::OnReleased() {
    m_repeat->stop();
}

void CBmpBtn::RepeatTick() {
    if (!isDown()) {
        m_repeat->stop();
        return;
    }
    emit notified(ControlId(), kNotifyCode);
}

void CBmpBtn::PlaySound(const QString& sound) {
    QString path = sound;
    if (QFileInfo(path).isRelative())
        path = QString::fromStdString(Resources().ProgramFolder()) + path;
    platform::Platform().sound->Play(path);
}

void CBmpBtn::nextCheckState() {
    const BmpBtnCaption c = Refresh();
    if (c.type == QLatin1Char('R')) {
        ClearRadioGroup();
        setChecked(true);
    } else if (c.type == QLatin1Char('C')) {
        setChecked(!isChecked());
    }
}

QWidget* CBmpBtn::Sibling(int id) const {
    QWidget* parent = parentWidget();
    if (!parent) return nullptr;
    for (QObject* child : parent->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget) continue;
        const QVariant value = widget->property(kControlIdProperty);
        if (value.isValid() && value.toInt() == id) return widget;
    }
    return nullptr;
}

void CBmpBtn::ClearRadioGroup() {
    const int id = ControlId();
    auto uncheck = [](CBmpBtn* button) {
        if (!button->isChecked()) return;
        button->setChecked(false);
        button->repaint();
    };
    // Down: this button first (its group start ends the walk), then at most 17 more.
    for (int k = 0; k <= kGroupWalk; ++k) {
        auto* button = qobject_cast<CBmpBtn*>(k == 0 ? this : Sibling(id - k));
        if (!button) break;
        if (button != this) uncheck(button);
        if (button->IsGroupStart()) break;
    }
    for (int k = 1; k <= kGroupWalk; ++k) {
        auto* button = qobject_cast<CBmpBtn*>(Sibling(id + k));
        if (!button || button->IsGroupStart()) break;
        uncheck(button);
    }
}

void CBmpBtn::mouseMoveEvent(QMouseEvent* event) {
    QAbstractButton::mouseMoveEvent(event);
    const BmpBtnCaption c = Refresh();
    if (m_cursor) {
        emit cursorCommand(ControlId() + kCursorCommandOffset);
        return;
    }
    if (c.type == QLatin1Char('P')) emit notified(ControlId(), kNotifyCode);
}

void CBmpBtn::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    m_hot = true;
    update();
}

void CBmpBtn::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    m_hot = false;
    update();
}

void CBmpBtn::changeEvent(QEvent* event) {
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled()) m_repeat->stop();
        update();
    }
}

CBmp* CBmpBtn::Image(const QString& name) {
    if (name.isEmpty()) return nullptr;
    auto it = m_images.find(name);
    if (it == m_images.end()) {
        it = m_images.emplace(name, CBmp()).first;
        LoadBmpBtnImage(name, it->second);
    }
    return it->second.IsNull() ? nullptr : &it->second;
}

QSize CBmpBtn::sizeHint() const {
    const BmpBtnCaption c = Parsed();
    const int bevel = 2 * (c.style[kOuterWidth] + 2);
    QSize size(0, 0);
    if (!c.text.isEmpty()) {
        const QFontMetrics metrics(c.font.ToFont(font()));
        size = metrics.size(0, c.text) + QSize(16 + c.style[kTextX], 6);
    }
    auto* self = const_cast<CBmpBtn*>(this);
    if (const CBmp* image = self->Image(c.upImage))
        size = size.expandedTo(QSize(image->Width() + c.style[kTextX], image->Height()));
    return (size + QSize(bevel, bevel)).expandedTo(QSize(16, 16));
}

} // namespace tsl
