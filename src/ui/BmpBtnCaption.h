#pragma once
// The caption language of the bitmap button (CBmpBtn): a caption is a sequence of items
// key ":" value "~", read afresh for every drawing into a text-and-image record and a style
// record. A caption without any ':' is plain text.
//
// Reading rules:
// - At most the first 255 characters are read; the rest is ignored.
// - The key is the text up to the next ':' and only its first character counts; the value runs
//   up to the next '~' (the last value may lack its tilde). An empty key is skipped.
// - Numbers are read as the C library reads decimals: optional sign, then digits, the rest
//   ignored; no digits reads 0. One-digit values ("L", "O", "S:D....") ignore a non-digit.
// - "f:<index>#<value>" with an index outside 0-15, or without '#', is ignored.
// - "W:R<r>G<g>B<b>" values are clamped to 0-255; a W value not of that form is a colour letter.
// - "T:S<letter><digit>": the repeat digit is the digit; without a digit it is 0. Repeat digit
//   0 repeats every 100 ms like digit 1, never continuously.
// - "c:<number>" asks the installed string loader for the style string; without a loader, or
//   for a string that lacks fields, the missing fields keep their values.
// - "u" names a cursor: a standard shape name ("IDC_HAND", "HAND", "IDC_IBEAM", ...) or the
//   program resource "cursor/<name>" (any image Qt reads; hot spot in the centre).
// - "w" names a click sound without extension; ".wav" is appended. A relative name is taken
//   from the program folder.

#include "core/Colour.h"

#include <QChar>
#include <QFont>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>

namespace tsl {

// Style record indexes.
enum BmpBtnStyleIndex : int {
    kFace = 0,
    kOuterHighlight = 1,
    kOuterShadow = 2,
    kInnerHighlight = 3,
    kInnerShadow = 4,
    kTextColour = 5,
    kTextX = 6,
    kTextY = 7,
    kTextShadowColour = 8,
    kShadowX = 9,
    kShadowY = 10,
    kOuterWidth = 11,
    kInnerWidth = 12,
    kInnerInset = 13,
    kOutline = 14,
    kDisabledText = 15, // the character field (indexes 15-16)
};

struct BmpBtnStyle {
    std::array<std::int32_t, 15> v{0xC0C0C0, 0xFFFFFF, 0x808080, 0x808080, 0xFFFFFF, 0x000000, 0, 0,
                                   0xFFFFFF, 1,        1,        2,        2,        6,        1};
    QString disabledText = QStringLiteral("8"); // first character: disabled text colour letter

    std::int32_t& operator[](int i) { return v[static_cast<std::size_t>(i)]; }
    std::int32_t operator[](int i) const { return v[static_cast<std::size_t>(i)]; }
    bool operator==(const BmpBtnStyle&) const = default;
};

// The F directive: height (negative: pixel size of the characters; positive: height of the
// character cell), weight 400 or 700, italic, face name.
struct BmpBtnFont {
    bool set = false;
    int height = 0;
    bool bold = false;
    bool italic = false;
    QString face;

    // "height,bold,italic,face" with bold and italic as 0 or 1, e.g. "-11,0,0,Arial".
    QString Description() const;
    // The font to draw with; base supplies the family when the face is empty.
    QFont ToFont(const QFont& base) const;
    bool operator==(const BmpBtnFont&) const = default;
};

struct BmpBtnCaption {
    QString text;
    QString upImage, downImage, disabledImage, rolloverImage;
    BmpBtnFont font;
    QChar textAlign = QLatin1Char('C');
    QChar bevelAlign = QLatin1Char('C');
    QChar frame = QLatin1Char('S');
    QChar tiling = QLatin1Char('0');
    QChar type = QLatin1Char('P');
    int repeatDigit = 0; // type 'S' only
    QString cursor;      // u directive
    QString sound;       // w directive, ".wav" appended
    BmpBtnStyle style;
};

// Loads a string resource by number (the c directive); empty when there is none.
using BmpBtnStringLoader = std::function<QString(int)>;
void SetBmpBtnStringLoader(BmpBtnStringLoader loader);

inline constexpr int kMaxCaptionLength = 255;

BmpBtnCaption ParseBmpBtnCaption(const QString& caption);

// The sixteen colour letters; any other character gives white.
COLORREF BmpBtnColourLetter(QChar letter);
// A W value: a colour letter or "R<r>G<g>B<b>".
COLORREF BmpBtnFaceValue(const QString& value);
// The W value the program writes for a colour.
QString BmpBtnFaceDirective(COLORREF colour);

// Get and set directive on a caption. key is a key letter, or "f" followed by a style index
// ("f5") for the f directive, whose value is the text after '#'.
QString CaptionDirective(const QString& caption, const QString& key);
QString WithCaptionDirective(const QString& caption, const QString& key, const QString& value);

} // namespace tsl
