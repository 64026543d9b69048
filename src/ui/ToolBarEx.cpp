#include "ui/ToolBarEx.h"

#include <QActionEvent>
#include <QPainter>
#include <QStyle>
#include <QToolButton>
#include <QWidgetAction>

namespace tsl {
namespace {

constexpr const char* kAdoptedProperty = "tslToolBarExButton";

void Bevel(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
    p.setPen(topLeft);
    p.drawLine(r.left(), r.top(), r.right(), r.top());
    p.drawLine(r.left(), r.top(), r.left(), r.bottom());
    p.setPen(bottomRight);
    p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    p.drawLine(r.right(), r.top(), r.right(), r.bottom());
}

} // namespace

CToolBarEx::CToolBarEx(const QString& title, QWidget* parent) : QToolBar(title, parent) {
    setIconSize(QSize(16, 16));
    setMovable(true);
    setFloatable(true);
    ReadColours();
}

CToolBarEx::~CToolBarEx() = default;

void CToolBarEx::ReadColours() {
    const QPalette& pal = palette();
    m_face = pal.color(QPalette::Button);
    m_highlight = pal.color(QPalette::Light);
    m_shadow = pal.color(QPalette::Dark);
    m_light = pal.color(QPalette::Midlight);
    if (m_light == m_face) m_light = m_highlight;
}

int CToolBarEx::CommandOf(const QAction* action) {
    return action ? action->property(kCommandProperty).toInt() : 0;
}

QAction* CToolBarEx::EntryFor(int command) const {
    if (command == 0) return nullptr;
    for (QAction* action : actions())
        if (CommandOf(action) == command) return action;
    return nullptr;
}

int CToolBarEx::IndexOf(const QAction* action) const {
    return static_cast<int>(actions().indexOf(const_cast<QAction*>(action)));
}

QRect CToolBarEx::ButtonRect(int index) const {
    const QList<QAction*> list = actions();
    return index >= 0 && index < list.size() ? actionGeometry(list[index]) : QRect();
}

QAction* CToolBarEx::SetButtonControl(int command, QWidget* control) {
    auto* action = new QWidgetAction(this);
    action->setDefaultWidget(control);
    action->setProperty(kCommandProperty, command);
    QAction* place = EntryFor(command);
    if (place) {
        action->setText(place->text());
        action->setToolTip(place->toolTip());
        action->setIcon(place->icon());
        insertAction(place, action);
        removeAction(place);
        if (auto* old = qobject_cast<QWidgetAction*>(place); old && m_controls[command] == old)
            delete old;
    } else {
        addAction(action);
    }
    m_controls[command] = action;
    return action;
}

QWidget* CToolBarEx::ButtonControl(int command) const {
    QWidgetAction* action = ControlAction(command);
    return action ? action->defaultWidget() : nullptr;
}

QWidgetAction* CToolBarEx::ControlAction(int command) const {
    auto it = m_controls.find(command);
    return it == m_controls.end() ? nullptr : it->second;
}

void CToolBarEx::SetGripper(bool on) {
    m_gripper = on;
    update();
}

bool CToolBarEx::ShowsGripper() const {
    return m_gripper && isMovable() && !isFloating();
}

void CToolBarEx::actionEvent(QActionEvent* event) {
    QToolBar::actionEvent(event);
    if (event->type() == QEvent::ActionAdded) AdoptButton(widgetForAction(event->action()));
    if (event->type() == QEvent::ActionRemoved && m_hot >= 0) m_hot = -1;
}

void CToolBarEx::AdoptButton(QWidget* widget) {
    auto* button = qobject_cast<QToolButton*>(widget);
    if (!button || button->property(kAdoptedProperty).toBool()) return;
    button->setProperty(kAdoptedProperty, true);
    button->setAutoRaise(true);
    button->installEventFilter(this);
}

bool CToolBarEx::eventFilter(QObject* watched, QEvent* event) {
    auto* button = qobject_cast<QToolButton*>(watched);
    if (!button || !button->property(kAdoptedProperty).toBool())
        return QToolBar::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Paint:
        PaintButton(button);
        return true;
    case QEvent::Enter:
        m_hot = IndexOf(button->defaultAction());
        button->update();
        break;
    case QEvent::Leave:
        if (m_hot == IndexOf(button->defaultAction())) m_hot = -1;
        button->update();
        break;
    default:
        break;
    }
    return QToolBar::eventFilter(watched, event);
}

QImage CToolBarEx::EmbossedImage(const QImage& icon) const {
    const QImage source = icon.convertToFormat(QImage::Format_ARGB32);
    QImage out(source.width() + 1, source.height() + 1, QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    auto dark = [&](int x, int y) {
        const QRgb c = source.pixel(x, y);
        return qAlpha(c) >= 128 && qGray(c) < 192;
    };
    for (int pass = 0; pass < 2; ++pass) {
        const QRgb colour = (pass == 0 ? m_highlight : m_shadow).rgb();
        const int offset = pass == 0 ? 1 : 0;
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x)
                if (dark(x, y)) out.setPixel(x + offset, y + offset, colour);
    }
    return out;
}

void CToolBarEx::PaintButton(QToolButton* button) {
    QAction* action = button->defaultAction();
    const int index = IndexOf(action);
    QPainter p(button);
    const QRect r = button->rect();
    emit customDraw(ItemPrePaint, index, &p, r);
    const bool enabled = button->isEnabled();
    const bool down = button->isDown();
    const bool latched = button->isChecked();
    const bool hot = enabled && index == m_hot && m_hot >= 0;
    if (latched && !down) {
        // The dithered background of a latched button: face and highlight pixels alternate.
        QImage dither(2, 2, QImage::Format_RGB32);
        dither.setPixel(0, 0, m_face.rgb());
        dither.setPixel(1, 1, m_face.rgb());
        dither.setPixel(1, 0, m_highlight.rgb());
        dither.setPixel(0, 1, m_highlight.rgb());
        p.fillRect(r.adjusted(1, 1, -1, -1), QBrush(dither));
    }
    const QRect& frame = r;
    if (down || latched)
        Bevel(p, frame, m_shadow, m_highlight);
    else if (hot)
        Bevel(p, frame, m_highlight, m_shadow);

    const QPoint shift = down || latched ? QPoint(1, 1) : QPoint(0, 0);
    const QIcon icon = action ? action->icon() : QIcon();
    if (!icon.isNull()) {
        const QPixmap pixmap = icon.pixmap(iconSize());
        const QSize size = pixmap.deviceIndependentSize().toSize();
        const QPoint at((r.width() - size.width()) / 2 + shift.x(),
                        (r.height() - size.height()) / 2 + shift.y());
        if (enabled)
            p.drawPixmap(at, pixmap);
        else
            p.drawImage(QRect(at, size + QSize(1, 1)),
                        EmbossedImage(pixmap.toImage().scaled(size)));
    } else if (action) {
        p.setPen(enabled ? palette().color(QPalette::ButtonText) : m_shadow);
        p.drawText(r.translated(shift), Qt::AlignCenter, action->iconText());
    }
    emit customDraw(ItemPostPaint, index, &p, r);
}

void CToolBarEx::DrawGripper(QPainter& p) {
    // Two etched bars, 3 pixels thick, 1 pixel apart.
    const bool horizontal = orientation() == Qt::Horizontal;
    for (int i = 0; i < 2; ++i) {
        const int at = 2 + 4 * i;
        const QRect bar = horizontal ? QRect(at, 3, 3, height() - 6) : QRect(3, at, width() - 6, 3);
        Bevel(p, bar, m_highlight, m_shadow);
    }
}

void CToolBarEx::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), m_face);
    emit customDraw(PrePaint, -1, &p, rect());
    if (ShowsGripper()) DrawGripper(p);
    emit customDraw(PostPaint, -1, &p, rect());
}

void CToolBarEx::changeEvent(QEvent* event) {
    QToolBar::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        ReadColours();
        update();
        for (QAction* action : actions())
            if (QWidget* widget = widgetForAction(action)) widget->update();
    }
}

} // namespace tsl
