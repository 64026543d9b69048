#include "paint/PntDlg.h"

#include "platform/Platform.h"

#include <QGuiApplication>
#include <QHideEvent>
#include <QScreen>

#include <algorithm>

namespace tsl {

namespace {

const QString kX = QStringLiteral("X");
const QString kY = QStringLiteral("Y");
const QString kWidth = QStringLiteral("Width");
const QString kHeight = QStringLiteral("Height");

QRect WorkArea(const QScreen* screen) {
    if (!screen) return {};
    const QRect area = screen->availableGeometry();
    return area.isEmpty() ? screen->geometry() : area;
}

} // namespace

CPntDlg::CPntDlg(int templateId, QWidget* parent)
    : CNSFlexDialog(parent), m_templateId(templateId) {
    setObjectName(QStringLiteral("Dialog%1").arg(templateId));
}

CPntDlg::~CPntDlg() {
    if (isVisible()) SavePosition();
}

QString CPntDlg::Section() const {
    return QStringLiteral("PaintDlg:%1").arg(m_templateId);
}

void CPntDlg::SavePosition() {
    const QRect frame = frameGeometry();
    platform::IProfile& profile = *platform::Platform().profile;
    profile.WriteInt(Section(), kX, frame.x());
    profile.WriteInt(Section(), kY, frame.y());
    profile.WriteInt(Section(), kWidth, frame.width());
    profile.WriteInt(Section(), kHeight, frame.height());
}

void CPntDlg::RestorePosition() {
    platform::IProfile& profile = *platform::Platform().profile;
    const QRect stored(profile.GetInt(Section(), kX, -1), profile.GetInt(Section(), kY, -1),
                       profile.GetInt(Section(), kWidth, -1),
                       profile.GetInt(Section(), kHeight, -1));
    const QScreen* screen = QGuiApplication::screenAt(stored.topLeft());
    if (!screen) screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect area = WorkArea(screen);

    if (stored.x() < 0 || stored.y() < 0 || stored.width() <= 0 || stored.height() <= 0 ||
        !area.contains(stored)) {
        CentreIn(area);
        return;
    }
    // move() places the frame; resize() sizes the client area inside it, so the window
    // decorations come off the stored size. Before its first mapping an X11 window does not
    // know them yet; the owner's decorations stand in, so the size does not grow every run.
    QSize margins = frameGeometry().size() - size();
    const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    if (margins == QSize(0, 0) && owner && owner->isVisible())
        margins = owner->frameGeometry().size() - owner->size();
    move(stored.topLeft());
    resize(stored.size() - margins);
}

void CPntDlg::CentreIn(const QRect& area) {
    QRect frame = frameGeometry();
    const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    if (owner)
        frame.moveCenter(owner->frameGeometry().center());
    else if (!area.isEmpty())
        frame.moveCenter(area.center());
    else
        return;
    if (!area.isEmpty()) {
        frame.moveLeft(
            std::max(area.left(), std::min(frame.left(), area.right() - frame.width() + 1)));
        frame.moveTop(
            std::max(area.top(), std::min(frame.top(), area.bottom() - frame.height() + 1)));
    }
    move(frame.topLeft());
}

void CPntDlg::OnInitDialog() {
    CNSFlexDialog::OnInitDialog();
    RestorePosition();
}

void CPntDlg::hideEvent(QHideEvent* event) {
    CNSFlexDialog::hideEvent(event);
    if (!event->spontaneous()) SavePosition();
}

} // namespace tsl
