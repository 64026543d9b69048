#include "paint/TextFontDesc.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace tsl {
namespace {

// The leading integer of a field after blanks, as %d reads it; false when there is none.
bool LeadingInt(const QString& field, long long& value) {
    qsizetype i = 0;
    while (i < field.size() && field[i].isSpace()) ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == u'-' || field[i] == u'+')) {
        negative = field[i] == u'-';
        ++i;
    }
    const qsizetype digits = i;
    long long v = 0;
    while (i < field.size() && field[i] >= u'0' && field[i] <= u'9') {
        v = std::min<long long>(v * 10 + (field[i].unicode() - u'0'), 1LL << 40);
        ++i;
    }
    if (i == digits) return false;
    value = negative ? -v : v;
    return true;
}

int ClampInt(long long v) {
    return static_cast<int>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
}

bool IsSystemFace(const QString& face) {
    return face.trimmed().isEmpty() || face.trimmed().compare(u"System", Qt::CaseInsensitive) == 0;
}

} // namespace

int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    const long long product = static_cast<long long>(a) * b;
    const long long half = std::llabs(static_cast<long long>(c)) / 2;
    const bool negative = (product < 0) != (c < 0);
    const long long q = (std::llabs(product) + half) / std::llabs(static_cast<long long>(c));
    return ClampInt(negative ? -q : q);
}

CTextFontDesc CTextFontDesc::Parse(const QString& text) {
    CTextFontDesc d;
    d.face.clear();
    const qsizetype lastComma = text.lastIndexOf(u',');
    QString numbers = text;
    if (lastComma >= 0) {
        d.face = text.mid(lastComma + 1);
        numbers = text.left(lastComma);
    }
    const QStringList fields = numbers.split(u',');
    int* ints[] = {&d.height, &d.width, &d.escapement, &d.orientation, &d.weight};
    unsigned* bytes[] = {&d.italic,       &d.underline,     &d.strikeOut,
                         &d.charSet,      &d.outPrecision,  &d.clipPrecision,
                         &d.quality,      &d.pitchAndFamily};
    for (int i = 0; i < 13 && i < fields.size(); ++i) {
        long long v = 0;
        if (!LeadingInt(fields[i], v)) break; // reading stops at the first non-number
        if (i < 5)
            *ints[i] = ClampInt(v);
        else
            *bytes[i - 5] = static_cast<unsigned>(std::clamp<long long>(v, 0, 255));
    }
    return d;
}

QString CTextFontDesc::Format() const {
    return QStringLiteral("%1,%2,%3,%4,%5,%6,%7,%8,%9,%10,%11,%12,%13,%14")
        .arg(height)
        .arg(width)
        .arg(escapement)
        .arg(orientation)
        .arg(weight)
        .arg(italic)
        .arg(underline)
        .arg(strikeOut)
        .arg(charSet)
        .arg(outPrecision)
        .arg(clipPrecision)
        .arg(quality)
        .arg(pitchAndFamily)
        .arg(face);
}

QFont CTextFontDesc::ToFont() const {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    if (!IsSystemFace(face)) font.setFamilies({face});
    if (height < 0) {
        font.setPixelSize(std::clamp(-static_cast<long long>(height), 1LL,
                                     static_cast<long long>(kMaxPixelSize)));
    } else if (height > 0) {
        // A cell height: the em is the part of the cell the font's ascent and descent leave.
        const int cell = std::min(height, kMaxPixelSize);
        font.setPixelSize(cell);
        const int measured = QFontMetrics(font).height();
        if (measured > 0 && measured != cell) {
            font.setPixelSize(std::max(1, static_cast<int>(std::lround(
                                              static_cast<double>(cell) * cell / measured))));
        }
    }
    font.setWeight(weight <= 0 ? QFont::Normal : QFont::Weight(std::clamp(weight, 1, 1000)));
    font.setItalic(italic != 0);
    font.setUnderline(underline != 0);
    font.setStrikeOut(strikeOut != 0);
    return font;
}

CTextFontDesc CTextFontDesc::WithFont(const QFont& font, double dpiY) const {
    CTextFontDesc d = *this;
    if (font.pixelSize() > 0)
        d.height = -font.pixelSize();
    else if (font.pointSizeF() > 0)
        d.height = -static_cast<int>(std::lround(font.pointSizeF() * dpiY / 72.0));
    d.weight = font.weight();
    d.italic = font.italic() ? 1 : 0;
    d.underline = font.underline() ? 1 : 0;
    d.strikeOut = font.strikeOut() ? 1 : 0;
    d.face = font.family();
    return d;
}

int CTextFontDesc::PointSize(int dpiY) const { return -MulDiv(height, 72, dpiY); }

} // namespace tsl
