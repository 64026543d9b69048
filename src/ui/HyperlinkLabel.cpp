#include "ui/HyperlinkLabel.h"

#include "platform/Platform.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

namespace tsl {
namespace {

bool StartsWith(const QString& text, QLatin1StringView prefix) {
    return text.startsWith(prefix, Qt::CaseInsensitive);
}

// The decimal number that follows "msg:" (trailing text ignored); -1 when there is none or it
// does not fit an int.
int CommandNumber(const QString& text) {
    const qsizetype start = 4;
    qsizetype end = start;
    while (end < text.size() && text.at(end) >= QLatin1Char('0') &&
           text.at(end) <= QLatin1Char('9'))
        ++end;
    bool ok = false;
    const int id = text.mid(start, end - start).toInt(&ok);
    return ok ? id : -1;
}

} // namespace

CHyperlinkLabel::CHyperlinkLabel(QWidget* parent) : CHyperlinkLabel(QString(), parent) {}

CHyperlinkLabel::CHyperlinkLabel(const QString& text, QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setText(text);
    setFont(QApplication::font());
    m_textColour = palette().color(QPalette::WindowText);
    m_face = palette().color(QPalette::Button);
}

CHyperlinkLabel::~CHyperlinkLabel() = default;

void CHyperlinkLabel::SetTextColour(const QColor& colour) {
    m_textColour = colour;
    repaint();
}

void CHyperlinkLabel::SetBackgroundColour(const QColor& colour) {
    m_background = colour;
    update();
}

void CHyperlinkLabel::SetBold(bool bold) {
    QFont f = font();
    f.setWeight(bold ? QFont::Bold : QFont::Normal); // 700 or 400
    ChangeFont(f);
}

void CHyperlinkLabel::SetUnderline(bool underline) {
    QFont f = font();
    f.setUnderline(underline);
    ChangeFont(f);
}

void CHyperlinkLabel::SetFontHeight(int pixels) {
    if (pixels < 1) return;
    QFont f = font();
    f.setPixelSize(pixels);
    ChangeFont(f);
}

void CHyperlinkLabel::ChangeFont(const QFont& f) {
    setFont(f);
    update();
}

void CHyperlinkLabel::SetLink(bool enabled, const QString& target) {
    m_linkEnabled = enabled;
    m_linkTarget = target;
    setAttribute(Qt::WA_TransparentForMouseEvents, !enabled);
}

void CHyperlinkLabel::SetLinkCursor(const QCursor& cursor) {
    setCursor(cursor);
}

void CHyperlinkLabel::ClearLinkCursor() {
    unsetCursor();
}

void CHyperlinkLabel::SetEffectMode(int mode) {
    m_effectMode = mode;
    update();
}

void CHyperlinkLabel::SetEffectText(const QString& text) {
    m_effectText = text;
}

void CHyperlinkLabel::StartEffect(int mode, int intervalMs) {
    if (mode == EffectBlinkText && m_effectText.isEmpty()) m_effectText = text();
    SetEffectMode(mode);
    if (!m_effectTimer) {
        m_effectTimer = new QTimer(this);
        connect(m_effectTimer, &QTimer::timeout, this, &CHyperlinkLabel::Tick);
    }
    m_effectTimer->start(intervalMs);
}

void CHyperlinkLabel::StopEffect() {
    if (m_effectTimer) m_effectTimer->stop();
    if (m_effectMode == EffectBlinkText) setText(m_effectText);
    m_effectPhase = false;
    SetEffectMode(EffectNone);
}

QColor CHyperlinkLabel::CurrentBackground() const {
    const bool offPhase = m_effectMode == EffectFlashBackground && !m_effectPhase;
    return m_background.isValid() && !offPhase ? m_background : m_face;
}

void CHyperlinkLabel::Tick() {
    const bool wasOn = m_effectPhase;
    m_effectPhase = !m_effectPhase;
    if (m_effectMode == EffectBlinkText)
        setText(wasOn ? m_effectText : QString());
    else if (m_effectMode == EffectFlashBackground)
        repaint();
}

void CHyperlinkLabel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) {
        m_face = palette().color(QPalette::Button);
        update();
    }
    QLabel::changeEvent(event);
}

void CHyperlinkLabel::mousePressEvent(QMouseEvent* event) {
    // A disabled link takes no clicks; events sent to it directly go on to the parent.
    if (!m_linkEnabled) {
        event->ignore();
        return;
    }
    if (event->button() == Qt::LeftButton) FollowLink();
    QLabel::mousePressEvent(event);
    event->accept(); // the link took the click; the parent does not see it
}

void CHyperlinkLabel::FollowLink() {
    const QString target = m_linkTarget.isEmpty() ? text() : m_linkTarget;
    if (StartsWith(target, QLatin1StringView("http:")) ||
        StartsWith(target, QLatin1StringView("https:")) ||
        StartsWith(target, QLatin1StringView("mailto:"))) {
        platform::Platform().shell->Open(target);
    } else if (StartsWith(target, QLatin1StringView("msg:"))) {
        const int id = CommandNumber(target);
        if (id >= 0) emit commandRequested(id);
    } else if (target.contains(QLatin1Char('@'))) {
        platform::Platform().shell->Open(QStringLiteral("mailto:") + target);
    }
}

void CHyperlinkLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), CurrentBackground());
    painter.setFont(font());
    painter.setPen(m_textColour);
    int flags = static_cast<int>(alignment());
    if (wordWrap()) flags |= Qt::TextWordWrap;
    const int m = margin();
    painter.drawText(contentsRect().adjusted(m, m, -m, -m), flags, text());
}

} // namespace tsl
