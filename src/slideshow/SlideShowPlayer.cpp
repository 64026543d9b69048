#include "slideshow/SlideShowPlayer.h"

#include "document/ImageFiles.h"
#include "platform/Platform.h"
#include "slideshow/ScreenTransitionTarget.h"
#include "slideshow/SlideShowModel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRandomGenerator>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cstring>

namespace tsl {
namespace {

class CQtSlideTimer : public ISlideTimer {
public:
    CQtSlideTimer() {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (onTick) onTick();
        });
    }
    void Start(int milliseconds) override { m_timer.start(std::max(milliseconds, 1)); }
    void Stop() override { m_timer.stop(); }
    bool IsActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
};

// Variant v of the player's transitions: kind, direction and block size.
struct Variant {
    std::uint16_t kind;
    std::uint16_t direction;
    std::uint16_t blockWidth;
    std::uint16_t blockHeight;
};
constexpr Variant kVariants[12] = {
    {TRANSITION_DISSOLVE, 0, 3, 4}, {TRANSITION_BLINDS, 2, 18, 18}, {TRANSITION_BLINDS, 1, 20, 20},
    {TRANSITION_WIPE, 1, 4, 4},     {TRANSITION_WIPE, 2, 4, 4},     {TRANSITION_WIPE, 4, 4, 4},
    {TRANSITION_WIPE, 8, 4, 4},     {TRANSITION_SLIDE, 1, 20, 20},  {TRANSITION_SLIDE, 2, 20, 20},
    {TRANSITION_SLIDE, 4, 20, 20},  {TRANSITION_SLIDE, 8, 20, 20},  {TRANSITION_DISSOLVE, 0, 4, 4},
};

std::uint32_t ButtonMessage(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton:
        return kMsgLButtonDown;
    case Qt::RightButton:
        return kMsgRButtonDown;
    case Qt::MiddleButton:
        return kMsgMButtonDown;
    default:
        return 0;
    }
}

} // namespace

const std::vector<SlideAccelerator>& SlideShowAccelerators() {
    static const std::vector<SlideAccelerator> table = {
        {Qt::Key_Right, ID_SLIDE_NEXT},      {Qt::Key_Down, ID_SLIDE_NEXT},
        {Qt::Key_Space, ID_SLIDE_NEXT},      {Qt::Key_Left, ID_SLIDE_PREVIOUS},
        {Qt::Key_Up, ID_SLIDE_PREVIOUS},     {Qt::Key_Home, ID_SLIDE_FIRST},
        {Qt::Key_End, ID_SLIDE_LAST},        {Qt::Key_PageDown, ID_SLIDE_FORWARD_TEN},
        {Qt::Key_PageUp, ID_SLIDE_BACK_TEN}, {Qt::Key_Escape, ID_SLIDE_CANCEL},
        {Qt::Key_Return, ID_SLIDE_OK},       {Qt::Key_Enter, ID_SLIDE_OK},
    };
    return table;
}

TRANSITION CSlideShowPlayer::TransitionForVariant(int variant) {
    TRANSITION t; // block 4 x 4, slice step 2, no delay, stop on a key or a mouse press
    const Variant& v = kVariants[std::clamp(variant, 0, 11)];
    t.kind = v.kind;
    t.direction = v.direction;
    t.blockWidth = v.blockWidth;
    t.blockHeight = v.blockHeight;
    return t;
}

CSlideShowPlayer::CSlideShowPlayer(CSlideShowModel* model, QWidget* parent, QScreen* screen)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_model(model),
      m_screen(screen ? screen : QGuiApplication::primaryScreen()), m_hand(Qt::OpenHandCursor),
      m_timer(std::make_unique<CQtSlideTimer>()),
      m_random([] { return static_cast<int>(QRandomGenerator::global()->bounded(32768)); }) {
    setObjectName(QStringLiteral("SlideShowPlayer"));
    setWindowTitle(QStringLiteral("Slide show"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);
    m_timer->onTick = [this] { Tick(); };
}

CSlideShowPlayer::~CSlideShowPlayer() {
    if (m_inTransition) qApp->removeEventFilter(this);
    m_timer->Stop();
}

void CSlideShowPlayer::SetTimer(std::unique_ptr<ISlideTimer> timer) {
    m_timer = std::move(timer);
    m_timer->onTick = [this] { Tick(); };
}

void CSlideShowPlayer::Play(CSlideShowModel& model, QWidget* parent) {
    QScreen* screen = parent && parent->window()->screen() ? parent->window()->screen()
                                                           : QGuiApplication::primaryScreen();
    CSlideShowPlayer player(&model, parent, screen);
    player.setWindowModality(Qt::ApplicationModal);
    player.setGeometry(screen->geometry());
    player.showFullScreen();
    player.activateWindow();
    player.setFocus();
    // The first slide's transition is drawn once the window can be seen.
    QElapsedTimer waited;
    waited.start();
    while (player.windowHandle() && !player.windowHandle()->isExposed() && waited.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    player.Start();
    if (!player.Ended()) platform::Platform().dialogs->RunModal(player);
}

void CSlideShowPlayer::Start() {
    if (m_started) return;
    m_started = true;
    // The whole screen, in device pixels: pictures are shown at their own size.
    m_ratio = m_screen->devicePixelRatio();
    const QRect geometry = m_screen->geometry();
    m_width = qRound(geometry.width() * m_ratio);
    m_height = qRound(geometry.height() * m_ratio);
    if (!isVisible()) setGeometry(geometry);
    m_frame = QImage(m_width, m_height, QImage::Format_RGB32);
    m_frame.fill(Qt::black);
    m_shown = m_frame.copy(); // two buffers kept for the show: no fresh memory per slide
    m_inhibitor.Inhibit(QStringLiteral("Playing a slide show"));

    if (m_model->useSound == 1 && !m_model->soundFile.isEmpty() &&
        QFileInfo::exists(m_model->soundFile)) {
        if (m_model->soundLoop == 1) m_media.SetPlayCount(kSoundLoopCount);
        m_media.SetFileName(m_model->soundFile);
    }
    if (m_model->Count() == 0) { // nothing to show
        End();
        return;
    }
    GoTo(0);
    if (m_ended) return;
    if (m_model->advanceMode == 1) {
        m_timerActive = true;
        m_timer->Start(m_model->delay);
    }
}

void CSlideShowPlayer::ExecuteCommand(int command) {
    if (m_ended) return;
    switch (command) {
    case ID_SLIDE_NEXT:
        Next(1);
        break;
    case ID_SLIDE_PREVIOUS:
        Previous(1);
        break;
    case ID_SLIDE_FIRST:
        GoTo(0);
        break;
    case ID_SLIDE_LAST:
        GoTo(m_model->Count() - 1);
        break;
    case ID_SLIDE_FORWARD_TEN:
        Next(10);
        break;
    case ID_SLIDE_BACK_TEN:
        Previous(10);
        break;
    case ID_SLIDE_OK:
    case ID_SLIDE_CANCEL:
        End();
        break;
    default:
        break;
    }
}

void CSlideShowPlayer::Tick() {
    // A tick while a transition or a message runs is dropped: the timer restarts with each
    // slide, so the slide is seen for the whole delay.
    if (m_busy || m_ended || !m_timerActive) return;
    Next(1);
}

void CSlideShowPlayer::Next(int step) {
    const int index = m_index + step;
    if (index > m_model->Count() - 1) {
        if (m_model->loop == 1) {
            GoTo(0);
        } else {
            KillTimer();
            End();
        }
        return;
    }
    GoTo(index);
}

void CSlideShowPlayer::Previous(int step) {
    const int index = m_index - step;
    GoTo(index < 0 ? m_model->Count() - 1 : index);
}

void CSlideShowPlayer::GoTo(int index) {
    if (m_model->Count() == 0) return;
    m_index = std::clamp(index, 0, m_model->Count() - 1);
    m_path = m_model->PlayPath(m_index);
    LoadSlide();
}

void CSlideShowPlayer::LoadSlide() {
    m_picture = QImage();
    ++m_busy;
    if (!QFileInfo::exists(m_path)) {
        platform::Platform().prompt->MessageBox(
            this, QStringLiteral("File ") + m_path + QStringLiteral(" does not exist."),
            QStringLiteral("Tessaly"));
        --m_busy;
        return;
    }
    const DecodedSlide slide = m_decoder.Take(m_path);
    if (!slide.ok && slide.status != 0) ReportImageError(slide.status, m_path, this);
    --m_busy;
    if (m_ended) return;
    m_picture = slide.image;
    m_wider = m_picture.width() > m_width;
    m_taller = m_picture.height() > m_height;
    m_panX = m_wider ? 0 : (m_width - m_picture.width()) / 2;
    m_panY = m_taller ? 0 : (m_height - m_picture.height()) / 2;
    UpdateCursor();
    ComposeAndShow(true);
    // Once the slide is on the screen: the next one starts decoding, the far ones go.
    QTimer::singleShot(0, this, [this] {
        if (!m_ended) Prefetch();
    });
    if (m_timerActive && !m_ended) m_timer->Start(m_model->delay);
}

void CSlideShowPlayer::Prefetch() {
    const int count = m_model->Count();
    QStringList keep{m_path};
    if (m_index > 0 || m_model->loop == 1) keep << m_model->PlayPath((m_index + count - 1) % count);
    const int next = m_index + 1 < count ? m_index + 1 : (m_model->loop == 1 ? 0 : -1);
    if (next >= 0) {
        const QString path = m_model->PlayPath(next);
        keep << path;
        if (QFileInfo::exists(path)) m_decoder.Prefetch(path);
    }
    m_decoder.Retain(keep);
}

void CSlideShowPlayer::ComposeAndShow(bool transition) {
    m_frame.fill(Qt::black);
    {
        QPainter painter(&m_frame);
        if (!m_picture.isNull()) painter.drawImage(QPoint(m_panX, m_panY), m_picture);
        if (m_model->showFileName == 1) {
            painter.setPen(QColor(0, 0, 255));
            QFont font = painter.font();
            font.setPixelSize(16);
            font.setStyleStrategy(QFont::NoAntialias); // plain blue text, as on a memory bitmap
            painter.setFont(font);
            const QString caption =
                QString::asprintf("%d of %d: ", m_index + 1, m_model->Count()) + m_path;
            painter.drawText(QRect(0, m_height - kCaptionBand, m_width, kCaptionBand),
                             Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, caption);
        }
    }
    if (transition && m_model->useTransitions == 1 && !m_panning && isVisible()) RunTransition();
    // Whether it ran to its end or was cut short, the slide is complete now.
    std::memcpy(m_shown.bits(), m_frame.constBits(),
                static_cast<std::size_t>(m_frame.sizeInBytes()));
    Present(QRect(0, 0, m_width, m_height));
}

void CSlideShowPlayer::RunTransition() {
    int variant = 0;
    do {
        variant = m_random() / 2978;
    } while (variant == m_lastVariant);
    m_lastVariant = variant;
    TRANSITION t = TransitionForVariant(variant);
    ++m_busy;
    CScreenTransitionTarget target(*this, m_frame, m_shown, m_transitionMs,
                                   m_screen->refreshRate());
    const int result = PaintTransition(target, 0, 0, -1, -1, 0, 0, t);
    --m_busy;
    emit transitionPainted(variant, result);
}

void CSlideShowPlayer::Present(const QRect& dirty) {
    if (!isVisible() || dirty.isEmpty()) return;
    const QRectF logical(dirty.x() / m_ratio, dirty.y() / m_ratio, dirty.width() / m_ratio,
                         dirty.height() / m_ratio);
    repaint(logical.toAlignedRect());
}

void CSlideShowPlayer::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_shown.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    painter.drawImage(QRectF(0, 0, m_width / m_ratio, m_height / m_ratio), m_shown);
}

void CSlideShowPlayer::UpdateCursor() {
    if (m_wider || m_taller)
        setCursor(m_hand);
    else
        unsetCursor(); // the cursor that was current when the show started
}

void CSlideShowPlayer::KillTimer() {
    if (m_timerActive) m_timer->Stop();
    m_timerActive = false;
}

void CSlideShowPlayer::End() {
    if (m_ended) return;
    m_ended = true;
    KillTimer();
    m_media.Stop();
    unsetCursor();
    m_inhibitor.Release();
    QDialog::done(QDialog::Rejected);
}

void CSlideShowPlayer::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() & ~Qt::KeypadModifier) {
        event->ignore();
        return;
    }
    for (const SlideAccelerator& accelerator : SlideShowAccelerators())
        if (accelerator.key == event->key()) {
            ExecuteCommand(accelerator.command);
            event->accept();
            return;
        }
    event->ignore();
}

QPoint CSlideShowPlayer::DevicePosition(const QMouseEvent* event) const {
    return (event->position() * m_ratio).toPoint();
}

void CSlideShowPlayer::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        m_panning = false; // another button ends a drag
        return;
    }
    if (m_model->advanceMode == 1) {
        KillTimer();
        m_model->advanceMode = 0; // the show goes on under keyboard control
    }
    if (m_wider || m_taller) {
        m_panning = true;
        m_lastMouse = DevicePosition(event);
    }
}

void CSlideShowPlayer::mouseMoveEvent(QMouseEvent* event) {
    if (!m_panning) return;
    // The left button alone keeps the drag; another button, Shift or Ctrl ends it.
    if (event->buttons() != Qt::LeftButton ||
        (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier))) {
        m_panning = false;
        return;
    }
    const QPoint at = DevicePosition(event);
    const QPoint delta = at - m_lastMouse;
    m_lastMouse = at;
    PanTo(m_panX + delta.x(), m_panY + delta.y());
}

void CSlideShowPlayer::mouseReleaseEvent(QMouseEvent*) {
    m_panning = false;
}

void CSlideShowPlayer::PanTo(int x, int y) {
    const int oldX = m_panX, oldY = m_panY;
    if (m_wider) m_panX = std::clamp(x, m_width - m_picture.width(), 0);
    if (m_taller) m_panY = std::clamp(y, m_height - m_picture.height(), 0);
    if (m_panX != oldX || m_panY != oldY) ComposeAndShow(false);
}

void CSlideShowPlayer::closeEvent(QCloseEvent* event) {
    End();
    event->accept();
}

void CSlideShowPlayer::BeginTransitionInput() {
    m_input.clear();
    m_inTransition = true;
    qApp->installEventFilter(this);
}

void CSlideShowPlayer::EndTransitionInput() {
    qApp->removeEventFilter(this);
    m_inTransition = false;
    m_input.clear(); // presses beyond the one that stopped it are not navigation either
}

bool CSlideShowPlayer::TakeTransitionInput(TransitionMessage& message) {
    if (m_input.empty()) return false;
    message = m_input.front();
    m_input.pop_front();
    return true;
}

bool CSlideShowPlayer::eventFilter(QObject* watched, QEvent* event) {
    if (!m_inTransition || !watched->isWidgetType() ||
        static_cast<QWidget*>(watched)->window() != this)
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress:
        m_input.push_back(
            {kMsgKeyDown, static_cast<std::uint32_t>(static_cast<QKeyEvent*>(event)->key())});
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (const std::uint32_t message = ButtonMessage(mouse->button()))
            m_input.push_back({message, static_cast<std::uint32_t>(mouse->buttons())});
        return true;
    }
    case QEvent::KeyRelease:
    case QEvent::MouseButtonRelease:
    case QEvent::ShortcutOverride:
        return true;
    default:
        return QDialog::eventFilter(watched, event);
    }
}

} // namespace tsl
