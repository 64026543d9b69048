#include "capture/X11Grabber.h"

#include "capture/X11Wrapper.h"

#include <QPainter>
#include <QSocketNotifier>
#include <QTimer>

namespace tsl {
namespace {

QImage ImageOf(x11::Pixels&& pixels) {
    QImage image(pixels.width, pixels.height, QImage::Format_RGB32);
    if (image.isNull()) return image;
    const std::size_t row = std::size_t(pixels.width) * 4;
    for (int y = 0; y < pixels.height; ++y) {
        auto* out = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
        const auto* in = reinterpret_cast<const std::uint32_t*>(pixels.bytes.data() + y * row);
        for (int x = 0; x < pixels.width; ++x) out[x] = in[x] | 0xFF000000u;
    }
    return image;
}

QRect QRectOf(const x11::Rect& r) { return {r.x, r.y, r.width, r.height}; }

} // namespace

X11Grabber::X11Grabber(const std::string& displayName) : m_x(x11::X11Connection::Open(displayName)) {}

X11Grabber::~X11Grabber() { ReleaseHotKey(); }

bool X11Grabber::UsesSharedMemory() const { return m_x && m_x->HasSharedMemory(); }

bool X11Grabber::Supports(GrabTarget target) const {
    return m_x && target != GrabTarget::Area; // areas are chosen on an overlay of a full grab
}

GrabResult X11Grabber::GrabWindowRect(std::uint32_t window, const char* what) {
    GrabResult result;
    const std::optional<x11::Rect> rect = m_x->RootRectOf(window);
    if (!window || !rect) {
        result.error = QStringLiteral("There is no %1 to capture.").arg(QLatin1String(what));
        return result;
    }
    std::optional<x11::Pixels> pixels = m_x->GrabRoot(*rect);
    if (!pixels) {
        result.error = QStringLiteral("The %1 could not be read from the screen.").arg(QLatin1String(what));
        return result;
    }
    result.image = ImageOf(std::move(*pixels));
    // Clipped to the screen: where the pixels came from.
    const QRect screen = QRectOf(m_x->Screen());
    result.where = QRectOf(*rect).intersected(screen);
    return result;
}

GrabResult X11Grabber::Grab(GrabTarget target, QRgb background, bool withCursor) {
    GrabResult result;
    if (!m_x) {
        result.error = QStringLiteral("No X server is available.");
        return result;
    }
    switch (target) {
    case GrabTarget::FullScreen: {
        // Straight into the image: a full screen is large.
        const x11::Rect screen = m_x->Screen();
        QImage image(screen.width, screen.height, QImage::Format_RGB32);
        if (image.isNull() || !m_x->GrabRootInto(screen, image.bits(), std::size_t(image.bytesPerLine()))) {
            result.error = QStringLiteral("The screen could not be read.");
            return result;
        }
        result.image = std::move(image);
        result.where = QRectOf(screen);
        break;
    }
    case GrabTarget::ActiveClient:
    case GrabTarget::ActiveWindow: {
        const std::uint32_t active = m_x->ActiveWindow();
        if (!active) {
            result.error = QStringLiteral("There is no active window to capture.");
            return result;
        }
        const bool client = target == GrabTarget::ActiveClient;
        result = GrabWindowRect(client ? m_x->ClientOf(active) : m_x->TopLevelOf(active),
                                client ? "client area" : "active window");
        break;
    }
    case GrabTarget::WindowUnderCursor: {
        int x = 0, y = 0;
        std::uint32_t top = 0;
        if (!m_x->Pointer(x, y, top) || !top) {
            result.error = QStringLiteral("There is no window under the cursor.");
            return result;
        }
        result = GrabWindowRect(top, "window under the cursor");
        break;
    }
    case GrabTarget::MenuUnderCursor: {
        int x = 0, y = 0;
        std::uint32_t top = 0;
        if (!m_x->Pointer(x, y, top)) return result;
        const std::uint32_t popup = m_x->PopupAt(x, y);
        if (!popup) {
            result.error = QStringLiteral("There is no menu under the cursor.");
            return result;
        }
        result = GrabWindowRect(popup, "menu under the cursor");
        break;
    }
    case GrabTarget::Cursor: {
        std::optional<x11::CursorImage> cursor = m_x->Cursor();
        if (!cursor) {
            result.error = QStringLiteral("The mouse cursor could not be read.");
            return result;
        }
        // Premultiplied alpha over the background: out = c + bg * (255 - a) / 255.
        QImage image(cursor->pixels.width, cursor->pixels.height, QImage::Format_RGB32);
        const int bgR = qRed(background), bgG = qGreen(background), bgB = qBlue(background);
        for (int y = 0; y < image.height(); ++y) {
            auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const std::uint8_t* p = cursor->pixels.bytes.data() + (std::size_t(y) * image.width() + x) * 4;
                const int rest = 255 - p[3];
                auto over = [rest](int c, int bg) { return std::min(255, c + (bg * rest + 127) / 255); };
                out[x] = qRgb(over(p[2], bgR), over(p[1], bgG), over(p[0], bgB));
            }
        }
        result.image = image;
        result.where = QRect(cursor->x - cursor->hotX, cursor->y - cursor->hotY, image.width(), image.height());
        return result; // never with a second cursor drawn in
    }
    case GrabTarget::Wallpaper: {
        std::optional<x11::Pixels> pixels = m_x->Wallpaper();
        if (!pixels) {
            result.error = QStringLiteral(
                "The desktop publishes no wallpaper (the root window has no background pixmap).");
            return result;
        }
        result.image = ImageOf(std::move(*pixels));
        return result;
    }
    case GrabTarget::Area:
        result.error = QStringLiteral("Areas are chosen on the screen overlay.");
        return result;
    }
    if (result.ok() && withCursor) DrawCursorInto(result.image, result.where.topLeft());
    return result;
}

void X11Grabber::DrawCursorInto(QImage& image, QPoint origin) {
    std::optional<x11::CursorImage> cursor = m_x->Cursor();
    if (!cursor) return;
    // The cursor's bytes are premultiplied B, G, R, A: exactly ARGB32_Premultiplied.
    QImage sprite(cursor->pixels.bytes.data(), cursor->pixels.width, cursor->pixels.height,
                  cursor->pixels.width * 4, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.drawImage(QPoint(cursor->x - cursor->hotX, cursor->y - cursor->hotY) - origin, sprite);
}

std::vector<PickableWindow> X11Grabber::Windows() {
    std::vector<PickableWindow> out;
    if (!m_x) return out;
    for (const x11::TreeWindow& w : m_x->Tree()) out.push_back({QRectOf(w.rect), w.depth});
    return out;
}

void X11Grabber::KeySymOf(QKeyCombination key, std::uint32_t& keysym, std::uint16_t& modifiers) {
    keysym = 0;
    modifiers = 0;
    const Qt::KeyboardModifiers mods = key.keyboardModifiers();
    if (mods & Qt::ShiftModifier) modifiers |= 1;   // ShiftMask
    if (mods & Qt::ControlModifier) modifiers |= 4; // ControlMask
    if (mods & Qt::AltModifier) modifiers |= 8;     // Mod1Mask
    if (mods & Qt::MetaModifier) modifiers |= 64;   // Mod4Mask
    const int k = key.key();
    if (k >= Qt::Key_F1 && k <= Qt::Key_F35) keysym = 0xFFBE + (k - Qt::Key_F1);
    else if (k >= Qt::Key_A && k <= Qt::Key_Z) keysym = 'a' + (k - Qt::Key_A);
    else if (k >= Qt::Key_0 && k <= Qt::Key_9) keysym = k;
    else if (k == Qt::Key_Space) keysym = ' ';
    else {
        static const std::pair<int, std::uint32_t> kSpecial[] = {
            {Qt::Key_Print, 0xFF61},  {Qt::Key_Pause, 0xFF13},    {Qt::Key_ScrollLock, 0xFF14},
            {Qt::Key_Insert, 0xFF63}, {Qt::Key_Delete, 0xFFFF},   {Qt::Key_Home, 0xFF50},
            {Qt::Key_End, 0xFF57},    {Qt::Key_PageUp, 0xFF55},   {Qt::Key_PageDown, 0xFF56},
            {Qt::Key_Left, 0xFF51},   {Qt::Key_Up, 0xFF52},       {Qt::Key_Right, 0xFF53},
            {Qt::Key_Down, 0xFF54},   {Qt::Key_Escape, 0xFF1B},   {Qt::Key_Tab, 0xFF09},
            {Qt::Key_Return, 0xFF0D}, {Qt::Key_Backspace, 0xFF08},
        };
        for (const auto& [qt, sym] : kSpecial)
            if (qt == k) keysym = sym;
    }
}

bool X11Grabber::GrabHotKey(QKeyCombination key, std::function<void()> onPress, QString& error) {
    ReleaseHotKey();
    if (!m_x) {
        error = QStringLiteral("No X server is available.");
        return false;
    }
    std::uint32_t keysym = 0;
    std::uint16_t modifiers = 0;
    KeySymOf(key, keysym, modifiers);
    if (!keysym) {
        error = QStringLiteral("This key cannot serve as a hot key.");
        return false;
    }
    std::string reason;
    if (!m_x->GrabKey(keysym, modifiers, reason)) {
        error = QString::fromStdString(reason);
        return false;
    }
    m_x->TakeKeyPress(); // drop what was queued before the grab
    m_onPress = std::move(onPress);
    m_notifier = std::make_unique<QSocketNotifier>(m_x->FileDescriptor(), QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { PollKeys(); });
    // Replies read by other requests can leave events queued without the socket being
    // readable again: a short poll picks them up.
    m_poll = std::make_unique<QTimer>();
    m_poll->setInterval(50);
    QObject::connect(m_poll.get(), &QTimer::timeout, [this] { PollKeys(); });
    m_poll->start();
    return true;
}

void X11Grabber::PollKeys() {
    if (!m_x || !m_onPress) return;
    if (m_x->TakeKeyPress()) {
        std::function<void()> call = m_onPress; // the handler may release the key
        call();
    }
}

void X11Grabber::ReleaseHotKey() {
    m_poll.reset();
    m_notifier.reset();
    m_onPress = nullptr;
    if (m_x) m_x->UngrabKey();
}

} // namespace tsl
