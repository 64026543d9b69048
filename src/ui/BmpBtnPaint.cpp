// Drawing of CBmpBtn: the style copy of each state, the four frame kinds, the text with its
// shadow, the group-box form, and image placement, scaling and tiling.

#include "ui/BmpBtn.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace tsl {
namespace {

constexpr std::int32_t kNone = -1;

// A colour reference as a colour; a palette-relative reference (top byte 2) is drawn as its
// RGB value, the screen having no palette.
QColor Colour(std::int32_t value) {
    const auto c = static_cast<COLORREF>(value);
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

// The style record of a state.
BmpBtnStyle StyleFor(const BmpBtnCaption& c, CBmpBtn::State state) {
    BmpBtnStyle s = c.style;
    if (state == CBmpBtn::State::Down) {
        s[kOuterHighlight] = c.style[kOuterShadow];
        s[kOuterShadow] = c.style[kFace];
        if (c.type != QLatin1Char('R') && c.type != QLatin1Char('C')) {
            ++s[kShadowX];
            ++s[kShadowY];
        }
    } else if (state == CBmpBtn::State::Disabled) {
        if (c.type == QLatin1Char('I')) {
            std::swap(s[kOuterHighlight], s[kOuterShadow]);
        } else {
            s[kFace] = 0xC0C0C0;
            const QChar letter = s.disabledText.isEmpty() ? QChar() : s.disabledText[0];
            s[kTextColour] = static_cast<std::int32_t>(BmpBtnColourLetter(letter));
        }
    }
    return s;
}

// width lines of a raised or sunken bevel inside r: light on the top and left edges, dark on
// the bottom and right edges, which are drawn last and so own the corners.
void Bevel(QPainter& p, QRect r, int width, std::int32_t light, std::int32_t dark) {
    for (int i = 0; i < width && r.width() > 0 && r.height() > 0; ++i) {
        p.setPen(Colour(light));
        p.drawLine(r.left(), r.top(), r.right(), r.top());
        p.drawLine(r.left(), r.top(), r.left(), r.bottom());
        p.setPen(Colour(dark));
        p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
        p.drawLine(r.right(), r.top(), r.right(), r.bottom());
        r.adjust(1, 1, -1, -1);
    }
}

void Frame(QPainter& p, const QRect& r, const QColor& colour) {
    if (r.width() <= 0 || r.height() <= 0) return;
    p.setPen(colour);
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0, 0, -1, -1));
}

void DrawFrame(QPainter& p, const BmpBtnCaption& c, const BmpBtnStyle& s, const QRect& r) {
    const int outer = s[kOuterWidth];
    switch (c.frame.unicode()) {
    case 'T': { // kind 0: light and dark lines inside, a sunken edge inset, a black frame
        p.setPen(Qt::white);
        p.drawLine(r.left() + 1, r.top() + 1, r.right() - 1, r.top() + 1);
        p.drawLine(r.left() + 1, r.top() + 1, r.left() + 1, r.bottom() - 1);
        p.setPen(Qt::black);
        p.drawLine(r.left() + 1, r.bottom() - 1, r.right() - 1, r.bottom() - 1);
        p.drawLine(r.right() - 1, r.top() + 1, r.right() - 1, r.bottom() - 1);
        Bevel(p, r.adjusted(outer, outer, -outer, -outer), 1, 0x000000, 0xFFFFFF);
        Frame(p, r, Qt::black);
        break;
    }
    case 'R': // kind 1: etched
        Frame(p, r.adjusted(0, 0, -1, -1), QColor(0x80, 0x80, 0x80));
        Frame(p, r.adjusted(1, 1, 0, 0), Qt::white);
        break;
    case 'D': { // kind 2: outer bevel and an inner bevel inset
        if (s[kOuterHighlight] != kNone) Bevel(p, r, outer, s[kOuterHighlight], s[kOuterShadow]);
        const int inset = outer + s[kInnerInset];
        if (s[kInnerHighlight] != kNone)
            Bevel(p, r.adjusted(inset, inset, -inset, -inset), s[kInnerWidth], s[kInnerHighlight],
                  s[kInnerShadow]);
        break;
    }
    default: // kind 3
        Bevel(p, r, outer, s[kOuterHighlight], s[kOuterShadow]);
        break;
    }
}

void DrawText(QPainter& p, const BmpBtnCaption& c, const BmpBtnStyle& s, const QRect& r,
              const QFont& font) {
    if (c.text.isEmpty()) return;
    p.setFont(font);
    QRect box = r;
    int flags = Qt::AlignVCenter;
    if (c.textAlign == QLatin1Char('G')) {
        const QFontMetrics metrics(font);
        const QRect bounds = metrics.boundingRect(c.text.section(QLatin1Char('\n'), 0, 0));
        box = QRect(r.left() + 10, r.top(), bounds.width() + 2, metrics.height());
        p.fillRect(box.adjusted(-2, 0, 2, 0), Colour(s[kFace]));
        flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
    } else if (c.textAlign == QLatin1Char('L')) {
        box.translate(4, 0);
        flags |= Qt::AlignLeft;
    } else if (c.textAlign == QLatin1Char('R')) {
        box.translate(-4, 0);
        flags |= Qt::AlignRight;
    } else {
        flags |= Qt::AlignHCenter;
    }
    box.translate(s[kTextX], s[kTextY]);
    const QString text =
        c.textAlign == QLatin1Char('G') ? c.text.section(QLatin1Char('\n'), 0, 0) : c.text;
    if (s[kShadowX] > 0 || s[kShadowY] > 0) {
        p.setPen(Colour(s[kTextShadowColour]));
        p.drawText(box.translated(s[kShadowX], s[kShadowY]), flags, text);
    }
    p.setPen(Colour(s[kTextColour]));
    p.drawText(box, flags, text);
}

void PlaceImage(QPainter& p, CBmp& image, const BmpBtnCaption& c, const BmpBtnStyle& s,
                const QRect& r) {
    const int outer = s[kOuterWidth];
    const int maxW = r.width() - 2 * outer - 2, maxH = r.height() - 2 * outer - 2;
    if (maxW <= 0 || maxH <= 0) return;
    int w = image.Width(), h = image.Height();
    if (w > maxW || h > maxH) {
        // Proportionally down to the larger of the two reductions.
        if (static_cast<long long>(w) * maxH > static_cast<long long>(h) * maxW) {
            h = std::max(1, static_cast<int>(static_cast<long long>(h) * maxW / w));
            w = maxW;
        } else {
            w = std::max(1, static_cast<int>(static_cast<long long>(w) * maxH / h));
            h = maxH;
        }
    }
    int x = r.left() + (r.width() - w) / 2;
    if (c.bevelAlign == QLatin1Char('L')) x = r.left() + outer + 6;
    if (c.bevelAlign == QLatin1Char('R')) x = r.left() + r.width() - outer - 6 - w;
    const int y = r.top() + (r.height() - h) / 2;
    image.Draw(p, 0, 0, w, h, x, y, true);
}

} // namespace

void CBmpBtn::DrawState(QPainter& p, State state) {
    const BmpBtnCaption c = Refresh();
    const BmpBtnStyle s = StyleFor(c, state);
    const bool outline = s[kOutline] != 0;
    const QRect item = rect();
    const QRect drawing = outline ? item.adjusted(1, 1, -1, -1) : item;
    const QFont textFont = c.font.ToFont(font());
    p.setRenderHint(QPainter::Antialiasing, false);

    QRect frame = drawing;
    if (c.textAlign == QLatin1Char('G') && !c.text.isEmpty()) {
        // Group-box form: the frame starts half a text line down; the strip above is face.
        const int half = QFontMetrics(textFont).height() / 2;
        if (s[kFace] != kNone)
            p.fillRect(drawing.left(), drawing.top(), drawing.width(), half, Colour(s[kFace]));
        frame.setTop(drawing.top() + half);
    }

    const bool tiled = c.tiling == QLatin1Char('1');
    if (s[kFace] != kNone && !(tiled && state == State::Disabled))
        p.fillRect(frame, Colour(s[kFace]));

    QString name;
    switch (state) {
    case State::Up:
        name = c.upImage;
        break;
    case State::Down:
        name = c.downImage.isEmpty() ? c.upImage : c.downImage;
        break;
    case State::Disabled:
        name = c.disabledImage.isEmpty() ? c.upImage : c.disabledImage;
        break;
    case State::Rollover:
        name = c.rolloverImage;
        break;
    }
    CBmp* image = Image(name);
    if (image && tiled) {
        p.save();
        p.setClipRect(drawing);
        image->Tile(p, drawing.left(), drawing.top(), drawing.left() + drawing.width(),
                    drawing.top() + drawing.height());
        p.restore();
    }

    DrawFrame(p, c, s, frame);
    DrawText(p, c, s, drawing, textFont);

    if (image && !tiled) {
        if (c.type == QLatin1Char('R') && c.text.isEmpty() && s[kOuterWidth] == 0)
            p.fillRect(drawing, QColor(0xC0, 0xC0, 0xC0));
        PlaceImage(p, *image, c, s, drawing);
    }
    if (outline) Frame(p, item, Qt::black);
}

void CBmpBtn::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const State state = CurrentState();
    DrawState(p, state);
    const BmpBtnCaption c = Parsed();
    const bool outline = c.style[kOutline] != 0;
    const QRect drawing = outline ? rect().adjusted(1, 1, -1, -1) : rect();
    if (isDown() && isEnabled() && c.style[kOuterWidth] > 0)
        Frame(p, drawing.adjusted(1, 1, -1, -1), Qt::black);
    if (state == State::Rollover && hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = drawing.adjusted(3, 3, -3, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &p, this);
    }
}

} // namespace tsl
