#include "ui/CoolCombo.h"

#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QToolTip>

namespace tsl {
namespace {

constexpr int kMargin = 3;

// A one-pixel bevel around r: raised (light top and left) or sunken.
void Bevel(QPainter& p, const QRect& r, bool raised, const QPalette& palette) {
    const QColor light = palette.color(QPalette::Light);
    const QColor dark = palette.color(QPalette::Dark);
    p.setPen(raised ? light : dark);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(raised ? dark : light);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
}

} // namespace

// ---------------------------------------------------------------------------------------
// CCoolCombo

CCoolCombo::CCoolCombo(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
}

CCoolCombo::~CCoolCombo() {
    if (m_popup) {
        m_popup->m_notified = true; // closing now tells nobody
        delete m_popup.data();
    }
}

void CCoolCombo::SetItems(const QList<QPixmap>& pictures) {
    m_items = pictures;
    update();
}

void CCoolCombo::SetItemStrip(const QImage& strip, int cellWidth, QRgb transparent) {
    QList<QPixmap> items;
    if (cellWidth > 0) {
        for (int x = 0; x + cellWidth <= strip.width(); x += cellWidth) {
            QImage cell =
                strip.copy(x, 0, cellWidth, strip.height()).convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < cell.height(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(cell.scanLine(y));
                for (int i = 0; i < cell.width(); ++i)
                    if ((line[i] & 0xFFFFFF) == (transparent & 0xFFFFFF)) line[i] = 0;
            }
            items << QPixmap::fromImage(cell);
        }
    }
    SetItems(items);
}

QPixmap CCoolCombo::Item(int index) const {
    return index >= 0 && index < m_items.size() ? m_items[index] : QPixmap();
}

void CCoolCombo::SetFacePicture(const QPixmap& picture) {
    m_face = picture;
    update();
}

QSize CCoolCombo::CellSize() const {
    if (m_cellSize.isValid()) return m_cellSize;
    QSize size(12, 12);
    for (const QPixmap& item : m_items)
        size = size.expandedTo(item.size());
    return size + QSize(4, 4);
}

void CCoolCombo::SetCurrentIndex(int index) {
    if (index == m_current) return;
    m_current = index;
    if (m_popup) m_popup->SetHotSlot(CurrentSlot());
    update();
}

QSize CCoolCombo::sizeHint() const {
    QSize face = CellSize();
    if (!m_face.isNull()) face = face.expandedTo(m_face.size() + QSize(4, 4));
    return QSize(face.width() + kArrowWidth + 6, std::max(face.height() + 6, 22));
}

QRect CCoolCombo::ArrowRect() const {
    return QRect(width() - kArrowWidth - 1, 1, kArrowWidth, height() - 2);
}

QRect CCoolCombo::FaceRect() const {
    return QRect(3, 3, std::max(0, width() - kArrowWidth - 6), std::max(0, height() - 6));
}

void CCoolCombo::ShowPopup() {
    if (m_popup || !isEnabled()) return;
    emit notified(kNotifyUpdate, 0);
    m_popup = new CCoolComboPopup(this);
    m_popup->Layout();
    QPoint at = mapToGlobal(QPoint(0, height()));
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        const QSize size = m_popup->size();
        if (at.x() + size.width() > area.right()) at.setX(area.right() - size.width());
        if (at.y() + size.height() > area.bottom())
            at.setY(mapToGlobal(QPoint(0, 0)).y() - size.height());
        at.setX(std::max(at.x(), area.left()));
        at.setY(std::max(at.y(), area.top()));
    }
    m_popup->move(at);
    m_popup->show();
    m_popup->setFocus();
    update();
    emit notified(kNotifyPopupOpened, 0);
}

void CCoolCombo::ClosePopup() {
    if (m_popup) m_popup->close();
}

void CCoolCombo::PopupClosed(bool chosen) {
    m_popup = nullptr;
    update();
    emit notified(kNotifyPopupClosed, 0);
    if (!chosen) emit notified(kNotifyCancelled, 0);
}

void CCoolCombo::Choose(int slot) {
    if (slot == -1)
        ChooseDefault();
    else if (slot >= kExtraBase)
        ChooseExtra(slot - kExtraBase);
    else if (slot >= 0)
        ChooseCell(slot);
}

void CCoolCombo::ChooseCell(int index) {
    SetCurrentIndex(index);
    emit notified(kNotifyChosen, CellData(index));
}

void CCoolCombo::ChooseDefault() {
    SetCurrentIndex(-1);
    emit notified(kNotifyDefault, -1);
}

void CCoolCombo::ChooseExtra(int index) {
    SetCurrentIndex(kExtraBase + index);
    emit notified(kNotifyExtra, index);
}

void CCoolCombo::HighlightChanged(int slot) {
    if (slot >= 0 && slot < kExtraBase)
        emit notified(kNotifyHighlight, CellData(slot));
    else if (slot != kNoSlot)
        emit notified(kNotifyHighlightEntry, slot);
    update();
}

QString CCoolCombo::CellTip(int) const {
    return {};
}

void CCoolCombo::DrawCell(QPainter& p, const QRect& cell, int index, bool enabled) {
    const QPixmap picture = Item(index);
    if (picture.isNull()) return;
    const QRect target(cell.center() - QPoint(picture.width() / 2, picture.height() / 2) +
                           QPoint(cell.width() % 2 ? 0 : 1, cell.height() % 2 ? 0 : 1) -
                           QPoint(1, 1),
                       picture.size());
    if (enabled) {
        p.drawPixmap(target.topLeft(), picture);
    } else {
        p.setOpacity(0.4);
        p.drawPixmap(target.topLeft(), picture);
        p.setOpacity(1.0);
    }
}

void CCoolCombo::DrawFace(QPainter& p, const QRect& face) {
    const int index = m_popup && m_popup->HotSlot() >= 0 && m_popup->HotSlot() < ItemCount()
                          ? m_popup->HotSlot()
                          : m_current;
    if (index >= 0 && index < ItemCount()) {
        DrawCell(p, face, index, isEnabled());
    } else if (!m_face.isNull()) {
        p.drawPixmap(face.center() - QPoint(m_face.width() / 2, m_face.height() / 2), m_face);
    }
}

void CCoolCombo::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& pal = palette();
    p.fillRect(rect(), pal.color(QPalette::Button));
    Bevel(p, rect(), !m_popup, pal);
    p.save();
    p.setClipRect(FaceRect());
    DrawFace(p, FaceRect());
    p.restore();
    const QRect arrow = ArrowRect();
    p.setPen(pal.color(QPalette::Dark));
    p.drawLine(arrow.left(), arrow.top() + 2, arrow.left(), arrow.bottom() - 2);
    const QColor ink = isEnabled() ? pal.color(QPalette::ButtonText) : pal.color(QPalette::Dark);
    const int cx = arrow.left() + arrow.width() / 2 + (m_popup ? 1 : 0);
    const int cy = arrow.top() + arrow.height() / 2 - 1 + (m_popup ? 1 : 0);
    for (int i = 0; i < 3; ++i)
        p.fillRect(cx - 2 + i, cy + i, 5 - 2 * i, 1, ink);
    if (hasFocus()) {
        p.setPen(QPen(pal.color(QPalette::ButtonText), 1, Qt::DotLine));
        p.drawRect(FaceRect().adjusted(-1, -1, 0, 0));
    }
}

void CCoolCombo::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    if (m_popup)
        ClosePopup();
    else
        ShowPopup();
}

void CCoolCombo::keyPressEvent(QKeyEvent* event) {
    const bool open = event->key() == Qt::Key_F4 || event->key() == Qt::Key_Space ||
                      (event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier));
    if (open)
        ShowPopup();
    else
        QWidget::keyPressEvent(event);
}

void CCoolCombo::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled()) ClosePopup();
        update();
    }
}

// ---------------------------------------------------------------------------------------
// CCoolComboPopup

CCoolComboPopup::CCoolComboPopup(CCoolCombo* owner)
    : QWidget(owner, Qt::Popup | Qt::FramelessWindowHint), m_owner(owner) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    // The click that closes the popup outside it is not passed on: a click on the control
    // closes the popup instead of opening it again.
    setAttribute(Qt::WA_NoMouseReplay);
}

void CCoolComboPopup::Layout() {
    const QFontMetrics metrics(font());
    const int line = metrics.height();
    const int n = m_owner->ItemCount();
    const int columns = std::max(1, std::min(m_owner->Columns(), n));
    const QSize cell = m_owner->CellSize();
    const int rows = n > 0 ? (n + columns - 1) / columns : 0;
    int width = columns * cell.width();
    if (!m_owner->Title().isEmpty())
        width = std::max(width, metrics.horizontalAdvance(m_owner->Title()) + 8);
    if (m_owner->HasDefaultEntry())
        width = std::max(width, metrics.horizontalAdvance(m_owner->DefaultEntryText()) + 16);
    for (const QString& text : m_owner->ExtraEntries())
        width = std::max(width, metrics.horizontalAdvance(text) + 16);

    int y = kMargin;
    m_title = m_default = m_grid = QRect();
    m_extraRects.clear();
    if (!m_owner->Title().isEmpty()) {
        m_title = QRect(kMargin, y, width, line + 4);
        y += line + 7;
    }
    if (m_owner->HasDefaultEntry()) {
        m_default = QRect(kMargin, y, width, line + 8);
        y += line + 10;
    }
    if (rows > 0) {
        m_grid = QRect(kMargin + (width - columns * cell.width()) / 2, y, columns * cell.width(),
                       rows * cell.height());
        y += m_grid.height() + 2;
    }
    for (int i = 0; i < m_owner->ExtraEntries().size(); ++i) {
        m_extraRects << QRect(kMargin, y, width, line + 8);
        y += line + 10;
    }
    resize(width + 2 * kMargin, y + kMargin - 2);
    const int current = m_owner->CurrentSlot();
    m_hot = SlotRect(current).isEmpty() ? CCoolCombo::kNoSlot : current;
}

QRect CCoolComboPopup::SlotRect(int slot) const {
    if (slot == -1) return m_owner->HasDefaultEntry() ? m_default : QRect();
    if (slot >= CCoolCombo::kExtraBase) {
        const int i = slot - CCoolCombo::kExtraBase;
        return i < m_extraRects.size() ? m_extraRects[i] : QRect();
    }
    if (slot < 0 || slot >= m_owner->ItemCount() || m_grid.isEmpty()) return {};
    const int columns = std::max(1, std::min(m_owner->Columns(), m_owner->ItemCount()));
    const QSize cell = m_owner->CellSize();
    return QRect(m_grid.left() + (slot % columns) * cell.width(),
                 m_grid.top() + (slot / columns) * cell.height(), cell.width(), cell.height());
}

QList<int> CCoolComboPopup::Slots() const {
    QList<int> order;
    if (m_owner->HasDefaultEntry()) order << -1;
    for (int i = 0; i < m_owner->ItemCount(); ++i)
        order << i;
    for (int i = 0; i < m_extraRects.size(); ++i)
        order << CCoolCombo::kExtraBase + i;
    return order;
}

int CCoolComboPopup::SlotAt(QPoint point) const {
    for (int slot : Slots())
        if (SlotRect(slot).contains(point)) return slot;
    return CCoolCombo::kNoSlot;
}

void CCoolComboPopup::SetHotSlot(int slot) {
    if (slot == m_hot) return;
    m_hot = slot;
    update();
    m_owner->HighlightChanged(slot);
}

void CCoolComboPopup::ChooseSlot(int slot) {
    if (slot == CCoolCombo::kNoSlot || SlotRect(slot).isEmpty()) return;
    m_chosen = true;
    CCoolCombo* owner = m_owner;
    close();
    owner->Choose(slot);
}

void CCoolComboPopup::DrawBox(QPainter& p, const QRect& r, int slot, const QString& text) {
    const bool current = slot == m_owner->CurrentSlot();
    if (slot == m_hot || current) Bevel(p, r, !current, palette());
    p.setPen(palette().color(QPalette::ButtonText));
    p.drawText(r, Qt::AlignCenter, text);
}

void CCoolComboPopup::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& pal = palette();
    p.fillRect(rect(), pal.color(QPalette::Button));
    p.setPen(pal.color(QPalette::Shadow));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    if (!m_title.isEmpty()) {
        p.setPen(pal.color(QPalette::ButtonText));
        p.drawText(m_title, Qt::AlignCenter, m_owner->Title());
        p.setPen(pal.color(QPalette::Dark));
        p.drawLine(m_title.left(), m_title.bottom() + 1, m_title.right(), m_title.bottom() + 1);
        p.setPen(pal.color(QPalette::Light));
        p.drawLine(m_title.left(), m_title.bottom() + 2, m_title.right(), m_title.bottom() + 2);
    }
    if (!m_default.isEmpty()) DrawBox(p, m_default, -1, m_owner->DefaultEntryText());
    for (int i = 0; i < m_owner->ItemCount(); ++i) {
        const QRect cell = SlotRect(i);
        if (cell.isEmpty()) continue;
        m_owner->DrawCell(p, cell.adjusted(2, 2, -2, -2), i, true);
        const bool current = i == m_owner->CurrentSlot();
        if (i == m_hot || current) Bevel(p, cell, !current, pal);
    }
    for (int i = 0; i < m_extraRects.size(); ++i)
        DrawBox(p, m_extraRects[i], CCoolCombo::kExtraBase + i, m_owner->ExtraEntries()[i]);
}

void CCoolComboPopup::mouseMoveEvent(QMouseEvent* event) {
    const int slot = SlotAt(event->position().toPoint());
    if (slot != CCoolCombo::kNoSlot) SetHotSlot(slot);
}

void CCoolComboPopup::mousePressEvent(QMouseEvent* event) {
    // A press outside the popup closes it without a choice.
    if (!rect().contains(event->position().toPoint())) close();
}

void CCoolComboPopup::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const int slot = SlotAt(event->position().toPoint());
    if (slot != CCoolCombo::kNoSlot) ChooseSlot(slot);
}

void CCoolComboPopup::keyPressEvent(QKeyEvent* event) {
    const QList<int> order = Slots();
    if (order.isEmpty()) {
        if (event->key() == Qt::Key_Escape) close();
        return;
    }
    const int n = m_owner->ItemCount();
    const int columns = std::max(1, std::min(m_owner->Columns(), n));
    const int at = order.indexOf(m_hot);
    auto step = [&](int by) {
        if (at < 0) return order.first();
        return order[std::clamp(at + by, 0, static_cast<int>(order.size()) - 1)];
    };
    const bool cell = m_hot >= 0 && m_hot < n;
    switch (event->key()) {
    case Qt::Key_Left:
        SetHotSlot(step(-1));
        break;
    case Qt::Key_Right:
        SetHotSlot(step(1));
        break;
    case Qt::Key_Up:
        SetHotSlot(cell && m_hot - columns >= 0 ? m_hot - columns
                   : cell                       ? (m_owner->HasDefaultEntry() ? -1 : m_hot)
                                                : step(-1));
        break;
    case Qt::Key_Down:
        if (cell && m_hot + columns < n)
            SetHotSlot(m_hot + columns);
        else if (cell)
            SetHotSlot(m_extraRects.isEmpty() ? m_hot : CCoolCombo::kExtraBase);
        else
            SetHotSlot(step(1));
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        ChooseSlot(m_hot);
        break;
    case Qt::Key_Escape:
        close();
        break;
    default:
        QWidget::keyPressEvent(event);
        break;
    }
}

void CCoolComboPopup::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (m_notified) return;
    m_notified = true;
    m_owner->PopupClosed(m_chosen);
    deleteLater();
}

bool CCoolComboPopup::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int slot = SlotAt(help->pos());
        const QString tip =
            slot >= 0 && slot < CCoolCombo::kExtraBase ? m_owner->CellTip(slot) : QString();
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, this, SlotRect(slot));
        return true;
    }
    return QWidget::event(event);
}

} // namespace tsl
