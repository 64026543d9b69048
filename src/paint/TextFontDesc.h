#pragma once
// CTextFontDesc: the text tool's font as the profile stores it, fourteen comma-separated
// fields: height, width, escapement, orientation, weight (signed), italic, underline,
// strike-out, character set, output precision, clip precision, quality, pitch-and-family
// (bytes) and the face name.
//
// Reading is forgiving: the face is everything after the last comma (none without a comma);
// the numbers before it are read in order until one is not a number, and what is missing
// stays 0; bytes are held to 0..255. Only height, weight, italic, underline, strike-out and
// face mean something to Qt; the other fields are kept as read and written back unchanged.
//
// Height follows the logical-font rule: negative is the character height in pixels, positive
// the cell height, 0 the default size. Weight 0 is the default (normal). The face "System"
// (any case) and an empty face name the desktop's general font.

#include <QFont>
#include <QString>

namespace tsl {

struct CTextFontDesc {
    int height = 0;
    int width = 0;
    int escapement = 0;
    int orientation = 0;
    int weight = 0;
    unsigned italic = 0;
    unsigned underline = 0;
    unsigned strikeOut = 0;
    unsigned charSet = 0;
    unsigned outPrecision = 0;
    unsigned clipPrecision = 0;
    unsigned quality = 0;
    unsigned pitchAndFamily = 0;
    QString face = QStringLiteral("System");

    static constexpr const char* kDefault = "0,0,0,0,0,0,0,0,0,0,0,0,0,System";
    // Pixel sizes beyond this are drawn at it: a stored absurd height must not make the
    // rasteriser allocate glyph masks of gigabytes.
    static constexpr int kMaxPixelSize = 1000;

    static CTextFontDesc Parse(const QString& text);
    QString Format() const;

    // The Qt font this describes.
    QFont ToFont() const;
    // A description of font (as a font dialog returned it), keeping this one's fields that
    // Qt has no notion of.
    CTextFontDesc WithFont(const QFont& font, double dpiY) const;

    // The point size a caption shows: -(height x 72 / dpiY), rounded half away from zero.
    int PointSize(int dpiY) const;

    bool operator==(const CTextFontDesc&) const = default;
};

// Win32-style MulDiv: a x b / c rounded half away from zero, 64-bit in between; -1 for c = 0.
int MulDiv(int a, int b, int c);

} // namespace tsl
