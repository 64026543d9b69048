#include "ui/BmpBtnCaption.h"

#include <QFontMetrics>
#include <QStringList>

#include <algorithm>

namespace tsl {
namespace {

BmpBtnStringLoader& StringLoader() {
    static BmpBtnStringLoader loader;
    return loader;
}

// One item of a caption: key from keyStart to colon, value from colon + 1 to valueEnd (the
// tilde, or the end of the text).
struct Item {
    qsizetype keyStart;
    qsizetype colon;
    qsizetype valueEnd;
};

template <typename F> void ForEachItem(const QString& text, F&& visit) {
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype colon = text.indexOf(QLatin1Char(':'), pos);
        if (colon < 0) return;
        qsizetype end = text.indexOf(QLatin1Char('~'), colon + 1);
        if (end < 0) end = text.size();
        if (!visit(Item{pos, colon, end})) return;
        pos = end + 1;
    }
}

// The C library's reading of a decimal: optional blanks and sign, then digits.
int Decimal(QStringView text) {
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
        negative = text[i++] == QLatin1Char('-');
    long long value = 0;
    for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i)
        value = std::min<long long>(value * 10 + (text[i].unicode() - '0'), 0x7FFFFFFF);
    return static_cast<int>(negative ? -value : value);
}

bool IsDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

QChar First(QStringView value) {
    return value.isEmpty() ? QChar() : value[0];
}

void SetDigit(BmpBtnStyle& style, int index, QChar c) {
    if (IsDigit(c)) style[index] = c.unicode() - '0';
}

// One field of a style string or an f directive: a colour letter for the colour indexes, a
// number for the others; index 5 takes a number when the value is longer than one character.
void SetStyleValue(BmpBtnStyle& style, int index, QStringView value) {
    switch (index) {
    case kFace:
    case kOuterHighlight:
    case kOuterShadow:
    case kInnerHighlight:
    case kInnerShadow:
    case kTextShadowColour:
        style[index] = static_cast<std::int32_t>(BmpBtnColourLetter(First(value)));
        break;
    case kTextColour:
        style[index] = value.size() == 1 ? static_cast<std::int32_t>(BmpBtnColourLetter(value[0]))
                                         : Decimal(value);
        break;
    default:
        style[index] = Decimal(value);
        break;
    }
}

// "LLLLLL,x,y,S,sx,sy,outer,inner,inset,outline": six colour letters for indexes 0-5, then
// indexes 6 to 14. Missing fields keep their values.
void ApplyStyleString(BmpBtnStyle& style, const QString& text) {
    const QStringList fields = text.split(QLatin1Char(','));
    if (fields.isEmpty()) return;
    const QString& letters = fields[0];
    for (int i = 0; i < 6 && i < letters.size(); ++i)
        style[i] = static_cast<std::int32_t>(BmpBtnColourLetter(letters[i]));
    for (int i = 1; i < fields.size() && i < 10; ++i)
        SetStyleValue(style, 5 + i, fields[i]);
}

void ApplyPreset(BmpBtnCaption& c, QChar preset) {
    BmpBtnStyle& s = c.style;
    auto checkLike = [&](QChar type, const char* up, const char* down, const char* disabled) {
        c.type = type;
        c.upImage = QLatin1String(up);
        c.downImage = QLatin1String(down);
        c.disabledImage = QLatin1String(disabled);
        s[kOuterWidth] = 0;
        c.textAlign = c.bevelAlign = QLatin1Char('L');
        s[kTextX] = 19;
    };
    switch (preset.unicode()) {
    case 'B':
    case 'G':
        c.frame = QLatin1Char('R');
        c.textAlign = QLatin1Char('G');
        s.disabledText = preset == QLatin1Char('B') ? QStringLiteral("C") : QStringLiteral("0");
        break;
    case 'L':
        s[kOuterWidth] = 0;
        s[kOutline] = 0;
        c.textAlign = QLatin1Char('L');
        s.disabledText = QStringLiteral("0");
        break;
    case 'H':
        c.tiling = QLatin1Char('1');
        c.disabledImage = QStringLiteral("_H");
        break;
    case 'P':
        c.tiling = QLatin1Char('1');
        c.disabledImage = QStringLiteral("_P");
        break;
    case 'C':
        checkLike(QLatin1Char('C'), "=C", "=T", "=L");
        break;
    case 'T':
        checkLike(QLatin1Char('C'), "=C", "=F", "=L");
        break;
    case 'R':
        checkLike(QLatin1Char('R'), "=U", "=D", "=P");
        break;
    case 'V':
        c.frame = QLatin1Char('D');
        s[kOuterWidth] = 1;
        s[kInnerWidth] = 1;
        s[kInnerInset] = 1;
        s[kOutline] = 0;
        break;
    default:
        break;
    }
}

void ApplyType(BmpBtnCaption& c, QStringView value) {
    if (value.isEmpty()) return;
    c.type = value[0];
    if (c.type != QLatin1Char('S')) return;
    c.repeatDigit = value.size() > 2 && IsDigit(value[2]) ? value[2].unicode() - '0' : 0;
    if (value.size() > 1) {
        const QString base = QStringLiteral("=s") + value[1];
        c.upImage = base;
        c.downImage = base + QLatin1Char('H');
        c.disabledImage = base + QLatin1Char('D');
    }
    c.style[kOuterWidth] = 0;
    c.style[kOutline] = 0;
}

void ApplyFrame(BmpBtnCaption& c, QStringView value) {
    if (value.isEmpty()) return;
    c.frame = value[0];
    if (c.frame != QLatin1Char('D')) return;
    static constexpr int kOrder[4] = {kOuterWidth, kInnerInset, kInnerWidth, kOutline};
    for (int i = 0; i < 4 && i + 1 < value.size(); ++i) {
        if (!IsDigit(value[i + 1])) break;
        c.style[kOrder[i]] = value[i + 1].unicode() - '0';
    }
}

void ApplyStyleDirective(BmpBtnStyle& style, QStringView value) {
    const qsizetype hash = value.indexOf(QLatin1Char('#'));
    if (hash <= 0) return;
    bool ok = false;
    const int index = value.left(hash).toInt(&ok);
    if (!ok || index < 0 || index > kDisabledText) return;
    const QStringView v = value.mid(hash + 1);
    if (index == kDisabledText)
        style.disabledText = v.left(7).toString();
    else
        SetStyleValue(style, index, v);
}

BmpBtnFont ParseFont(QStringView value) {
    if (value == QLatin1String("D")) value = u"16,0,0,Arial";
    if (value == QLatin1String("d")) value = u"-11,0,0,Arial";
    BmpBtnFont font;
    font.set = true;
    const qsizetype a = value.indexOf(QLatin1Char(','));
    font.height = Decimal(value.left(a < 0 ? value.size() : a));
    if (a < 0) return font;
    const qsizetype b = value.indexOf(QLatin1Char(','), a + 1);
    const QStringView bold = value.mid(a + 1, b < 0 ? -1 : b - a - 1);
    font.bold = !bold.isEmpty() && bold[0] != QLatin1Char('0');
    if (b < 0) return font;
    const qsizetype c = value.indexOf(QLatin1Char(','), b + 1);
    const QStringView italic = value.mid(b + 1, c < 0 ? -1 : c - b - 1);
    font.italic = !italic.isEmpty() && italic[0] != QLatin1Char('0');
    if (c >= 0) font.face = value.mid(c + 1).toString();
    return font;
}

} // namespace

void SetBmpBtnStringLoader(BmpBtnStringLoader loader) {
    StringLoader() = std::move(loader);
}

COLORREF BmpBtnColourLetter(QChar letter) {
    switch (letter.unicode()) {
    case '0':
        return 0x000000;
    case '1':
        return 0x000080;
    case '2':
        return 0x008000;
    case '3':
        return 0x008080;
    case '4':
        return 0x800000;
    case '5':
        return 0x800080;
    case '6':
        return 0x808000;
    case '7':
        return 0xC0C0C0;
    case '8':
        return 0x808080;
    case '9':
        return 0x0000FF;
    case 'A':
        return 0x00FF00;
    case 'B':
        return 0x00FFFF;
    case 'C':
        return 0xFF0000;
    case 'D':
        return 0xFF00FF;
    case 'E':
        return 0xFFFF00;
    case 'G':
        return 0x02F0CAA6;
    default:
        return 0xFFFFFF;
    }
}

COLORREF BmpBtnFaceValue(const QString& value) {
    const qsizetype g = value.indexOf(QLatin1Char('G'));
    if (value.startsWith(QLatin1Char('R')) && g > 0) {
        const qsizetype b = value.indexOf(QLatin1Char('B'), g);
        auto part = [&](qsizetype from, qsizetype to) {
            return std::clamp(Decimal(QStringView(value).mid(from, to < 0 ? -1 : to - from)), 0,
                              255);
        };
        return RGB(part(1, g), part(g + 1, b), b < 0 ? 0 : part(b + 1, -1));
    }
    return BmpBtnColourLetter(value.isEmpty() ? QChar() : value[0]);
}

QString BmpBtnFaceDirective(COLORREF colour) {
    return QStringLiteral("R%1G%2B%3")
        .arg(GetRValue(colour))
        .arg(GetGValue(colour))
        .arg(GetBValue(colour));
}

QString BmpBtnFont::Description() const {
    if (!set) return {};
    return QStringLiteral("%1,%2,%3,%4")
        .arg(height)
        .arg(bold ? 1 : 0)
        .arg(italic ? 1 : 0)
        .arg(face);
}

QFont BmpBtnFont::ToFont(const QFont& base) const {
    QFont font = base;
    if (!set) return font;
    if (!face.isEmpty()) font.setFamily(face);
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    font.setItalic(italic);
    if (height < 0) {
        font.setPixelSize(-height);
    } else if (height > 0) {
        // A positive height is that of the whole character cell: the largest pixel size whose
        // line height fits.
        int size = height;
        font.setPixelSize(size);
        while (size > 1 && QFontMetrics(font).height() > height)
            font.setPixelSize(--size);
    }
    return font;
}

BmpBtnCaption ParseBmpBtnCaption(const QString& full) {
    const QString caption = full.left(kMaxCaptionLength);
    BmpBtnCaption c;
    if (!caption.contains(QLatin1Char(':'))) {
        c.text = caption;
        return c;
    }
    ForEachItem(caption, [&](const Item& item) {
        const QStringView value =
            QStringView(caption).mid(item.colon + 1, item.valueEnd - item.colon - 1);
        if (item.colon == item.keyStart) return true;
        switch (caption[item.keyStart].unicode()) {
        case 'B':
            if (!value.isEmpty()) c.bevelAlign = value[0];
            break;
        case 'C':
            c.text = value.toString();
            break;
        case 'D':
            c.downImage = value.toString();
            break;
        case 'F':
            c.font = ParseFont(value);
            break;
        case 'J':
            if (!value.isEmpty()) c.textAlign = value[0];
            break;
        case 'L':
            SetDigit(c.style, kOuterWidth, First(value));
            break;
        case 'N':
            if (!value.isEmpty()) c.tiling = value[0];
            break;
        case 'O':
            SetDigit(c.style, kOutline, First(value));
            break;
        case 'P':
            c.disabledImage = value.toString();
            break;
        case 'R':
            c.rolloverImage = value.toString();
            break;
        case 'S':
            ApplyFrame(c, value);
            break;
        case 'T':
            ApplyType(c, value);
            break;
        case 'U':
            c.upImage = value.toString();
            break;
        case 'W':
            c.style[kFace] = static_cast<std::int32_t>(BmpBtnFaceValue(value.toString()));
            break;
        case 'c':
            if (StringLoader()) ApplyStyleString(c.style, StringLoader()(Decimal(value)));
            break;
        case 'd':
            if (!value.isEmpty()) c.style.disabledText = value.left(1).toString();
            break;
        case 'f':
            ApplyStyleDirective(c.style, value);
            break;
        case 'o':
            c.style[kShadowX] = c.style[kShadowY] = Decimal(value);
            break;
        case 's':
            if (!value.isEmpty()) ApplyPreset(c, value[0]);
            break;
        case 'u':
            c.cursor = value.toString();
            break;
        case 'w':
            c.sound = value.isEmpty() ? QString() : value.toString() + QStringLiteral(".wav");
            break;
        default:
            break;
        }
        return true;
    });
    return c;
}

namespace {

// Whether an item matches key: same first character, and for "f<index>" the same index
// before '#'.
bool Matches(const QString& caption, const Item& item, const QString& key) {
    if (item.colon == item.keyStart || key.isEmpty() || caption[item.keyStart] != key[0])
        return false;
    if (key[0] != QLatin1Char('f') || key.size() == 1) return true;
    const QStringView value =
        QStringView(caption).mid(item.colon + 1, item.valueEnd - item.colon - 1);
    const qsizetype hash = value.indexOf(QLatin1Char('#'));
    return hash > 0 && value.left(hash) == QStringView(key).mid(1);
}

// Where the value of a matching item starts (after "<index>#" for an f key).
qsizetype ValueStart(const QString& caption, const Item& item, const QString& key) {
    if (key[0] == QLatin1Char('f') && key.size() > 1)
        return caption.indexOf(QLatin1Char('#'), item.colon + 1) + 1;
    return item.colon + 1;
}

} // namespace

QString CaptionDirective(const QString& caption, const QString& key) {
    QString out;
    ForEachItem(caption, [&](const Item& item) {
        if (!Matches(caption, item, key)) return true;
        const qsizetype start = ValueStart(caption, item, key);
        out = caption.mid(start, item.valueEnd - start);
        return false;
    });
    return out;
}

QString WithCaptionDirective(const QString& caption, const QString& key, const QString& value) {
    if (key.isEmpty()) return caption;
    bool replaced = false;
    QString out = caption;
    ForEachItem(caption, [&](const Item& item) {
        if (!Matches(caption, item, key)) return true;
        const qsizetype start = ValueStart(caption, item, key);
        out = caption.left(start) + value + caption.mid(item.valueEnd);
        replaced = true;
        return false;
    });
    if (replaced) return out;
    // A plain-text caption keeps its text as a C item; an unterminated last value gets its
    // tilde, so the new item stands on its own.
    if (!out.isEmpty() && !out.contains(QLatin1Char(':')))
        out = QStringLiteral("C:") + out + QLatin1Char('~');
    else if (!out.isEmpty() && !out.endsWith(QLatin1Char('~')))
        out += QLatin1Char('~');
    const QString itemKey = key[0] == QLatin1Char('f') && key.size() > 1
                                ? QStringLiteral("f:") + key.mid(1) + QLatin1Char('#')
                                : key.left(1) + QLatin1Char(':');
    return out + itemKey + value + QLatin1Char('~');
}

} // namespace tsl
