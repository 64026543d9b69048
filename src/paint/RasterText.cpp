// CRasterDC::DrawText: GDI-style text layout (prefixes, tabs, hard and word breaks, alignment,
// clipping, measuring) with glyphs rasterised bi-level by Qt's font engine into a scratch mask
// per line and copied into the surface pixel by pixel.
//
// Choices where GDI's behaviour is not pinned down by the references:
// - The font is drawn fully hinted, without antialiasing and without kerning, the way GDI lays
//   out a bi-level TrueType font; line height, ascent and descent come from the font's OS/2
//   "Windows" metrics (what GDI reports as the text height) when the font has them.
// - A word longer than the line is broken after the last character that fits (at least one
//   character per line), so nothing is drawn past the right edge.
// - At 1 bit the text colour follows the pen and brush rule: a colour other than black or
//   white draws as the opposite of the background colour, so light text stays visible.
// - Without DT_EXPANDTABS a tab is as wide as a space; with it, tab stops are every eight
//   average character widths from the start of the line.
// - Under DT_SINGLELINE, carriage returns and line feeds are left out.
// - Without DT_NOPREFIX a lone '&' at the end of the text or before a line break is dropped.

#include "paint/Raster.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QString>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <vector>

namespace tsl {
namespace {

// The font as GDI would draw it, with its GDI-style metrics.
struct TextFont {
    explicit TextFont(const QFont& base) : font(base), metrics(Prepare(font)) {
        underlined = font;
        underlined.setUnderline(true);
        ascent = metrics.ascent();
        descent = metrics.descent();
        averageWidth = metrics.averageCharWidth();
        const QRawFont raw = QRawFont::fromFont(font);
        const QByteArray os2 = raw.isValid() ? raw.fontTable("OS/2") : QByteArray();
        if (os2.size() >= 78 && raw.unitsPerEm() > 0) {
            const auto* p = reinterpret_cast<const uchar*>(os2.constData());
            const qreal scale = raw.pixelSize() / raw.unitsPerEm();
            const int winAscent = qFromBigEndian<quint16>(p + 74);
            const int winDescent = qFromBigEndian<quint16>(p + 76);
            const int avgWidth = qFromBigEndian<qint16>(p + 2);
            if (winAscent + winDescent > 0) {
                ascent = static_cast<int>(std::lround(winAscent * scale));
                descent = static_cast<int>(std::lround(winDescent * scale));
            }
            if (avgWidth > 0) averageWidth = static_cast<int>(std::lround(avgWidth * scale));
        }
    }

    int Height() const { return ascent + descent; }
    int TabWidth() const { return std::max(1, 8 * averageWidth); }
    int Advance(const QString& text, int start, int end) const {
        return end > start ? metrics.horizontalAdvance(text.mid(start, end - start)) : 0;
    }

    QFont font;
    QFont underlined;
    QFontMetrics metrics;
    int ascent = 0;
    int descent = 0;
    int averageWidth = 0;

private:
    static const QFont& Prepare(QFont& f) {
        f.setStyleStrategy(QFont::StyleStrategy((f.styleStrategy() & ~QFont::PreferAntialias) |
                                                QFont::NoAntialias | QFont::NoSubpixelAntialias));
        f.setHintingPreference(QFont::PreferFullHinting);
        f.setKerning(false);
        return f;
    }
};

bool IsBreakChar(QChar c) { return c == u'\n' || c == u'\r'; }

// The text as shown: prefixes resolved ("&&" is '&', "&x" underlines x), and under
// DT_SINGLELINE without line breaks.
struct ShownText {
    QString text;
    std::vector<char> underline; // per character of text
};

ShownText PrepareText(const QString& in, unsigned format) {
    ShownText out;
    out.text.reserve(in.size());
    const bool prefixes = !(format & DT_NOPREFIX);
    const bool single = format & DT_SINGLELINE;
    bool underlineNext = false;
    for (qsizetype i = 0; i < in.size(); ++i) {
        const QChar c = in[i];
        if (prefixes && c == u'&' && !underlineNext) {
            if (i + 1 < in.size() && in[i + 1] == u'&') {
                out.text.append(c); // "&&" shows one '&'
                out.underline.push_back(0);
                ++i;
            } else {
                underlineNext = true;
            }
            continue;
        }
        if (single && IsBreakChar(c)) continue;
        const bool mark = underlineNext && !IsBreakChar(c);
        underlineNext = false;
        out.text.append(c);
        out.underline.push_back(mark ? 1 : 0);
    }
    return out;
}

struct Line {
    int start = 0;
    int end = 0;
    int width = 0;
};

// Lays out text into lines of at most maxWidth pixels (when breaking words).
class Layout {
public:
    Layout(const TextFont& font, const ShownText& shown, unsigned format)
        : m_font(font), m_text(shown.text), m_expandTabs(format & DT_EXPANDTABS) {}

    // Width of text[start, end) drawn from the start of a line.
    int Width(int start, int end) const {
        int x = 0;
        int run = start;
        for (int i = start; i < end; ++i) {
            if (m_text[i] != u'\t') continue;
            x += m_font.Advance(m_text, run, i);
            x = m_expandTabs ? (x / m_font.TabWidth() + 1) * m_font.TabWidth()
                             : x + m_font.metrics.horizontalAdvance(u' ');
            run = i + 1;
        }
        return x + m_font.Advance(m_text, run, end);
    }

    // The lines of the text; with maxLines above 0 layout stops once that many are made.
    std::vector<Line> Lines(bool wordBreak, int maxWidth, std::size_t maxLines = 0) const {
        std::vector<Line> lines;
        const int n = static_cast<int>(m_text.size());
        int pos = 0;
        while (pos < n || lines.empty()) {
            if (maxLines > 0 && lines.size() >= maxLines) break;
            int end = pos;
            while (end < n && !IsBreakChar(m_text[end])) ++end;
            AddParagraph(lines, pos, end, wordBreak, maxWidth, maxLines);
            // One line break ("\r\n", "\n" or "\r"); a break at the very end starts no line.
            if (end < n && m_text[end] == u'\r' && end + 1 < n && m_text[end + 1] == u'\n') ++end;
            pos = end + 1;
            if (pos >= n) break;
        }
        return lines;
    }

private:
    void AddParagraph(std::vector<Line>& lines, int pos, int end, bool wordBreak, int maxWidth,
                      std::size_t maxLines) const {
        for (;;) {
            if (maxLines > 0 && lines.size() >= maxLines) return;
            // A long rest of a paragraph whose first characters already overflow the line is
            // not measured whole: every line of a long paragraph would measure all of it.
            const int probe = std::max(maxWidth, 0) + 16;
            if (!wordBreak || end - pos <= probe || Width(pos, pos + probe) <= maxWidth) {
                const int whole = Width(pos, end);
                if (!wordBreak || whole <= maxWidth) {
                    lines.push_back({pos, end, whole});
                    return;
                }
            }
            // The last break (a space after a word) where the text before it fits.
            int cut = -1;
            for (int k = pos + 1; k < end; ++k) {
                if (m_text[k] != u' ' || m_text[k - 1] == u' ') continue;
                if (Width(pos, k) > maxWidth) break;
                cut = k;
            }
            int next;
            if (cut > 0) {
                next = cut;
                while (next < end && m_text[next] == u' ') ++next;
            } else {
                // No break fits: split the word after the last character that fits.
                cut = NextChar(pos);
                while (cut < end && Width(pos, NextChar(cut)) <= maxWidth) cut = NextChar(cut);
                next = cut;
            }
            lines.push_back({pos, cut, Width(pos, cut)});
            if (next >= end) return;
            pos = next;
        }
    }

    int NextChar(int i) const {
        return i + ((m_text[i].isHighSurrogate() && i + 1 < m_text.size()) ? 2 : 1);
    }

    const TextFont& m_font;
    const QString& m_text;
    bool m_expandTabs;
};

// The glyphs of line, with its cell's top-left at origin, as a mask of the given size (ink 255).
QImage MaskLine(const TextFont& tf, const ShownText& shown, const Layout& layout,
                const Line& line, CPoint origin, CSize size) {
    QImage mask(size.cx, size.cy, QImage::Format_Grayscale8);
    mask.fill(0);
    QPainter p(&mask);
    p.setPen(QColor(255, 255, 255));
    int runX = 0;
    int run = line.start;
    while (run < line.end) {
        if (shown.text[run] == u'\t') {
            runX = layout.Width(line.start, run + 1);
            ++run;
            continue;
        }
        // A run of text without tabs, all underlined or all not.
        int runEnd = run + 1;
        while (runEnd < line.end && shown.text[runEnd] != u'\t' &&
               shown.underline[runEnd] == shown.underline[run])
            ++runEnd;
        p.setFont(shown.underline[run] ? tf.underlined : tf.font);
        p.drawText(QPoint(origin.x + runX, origin.y + tf.ascent),
                   shown.text.mid(run, runEnd - run));
        runX += tf.Advance(shown.text, run, runEnd);
        run = runEnd;
    }
    p.end();
    return mask;
}

// Sets the pixels under the mask's ink, with its top-left at `at`, to value.
void PaintMask(CRasterDC& dc, const QImage& mask, CPoint at, std::uint32_t value) {
    for (int row = 0; row < mask.height(); ++row) {
        const uchar* m = mask.constScanLine(row);
        for (int col = 0; col < mask.width();) {
            if (m[col] < 128) {
                ++col;
                continue;
            }
            const int from = col;
            while (col < mask.width() && m[col] >= 128) ++col;
            dc.FillSpan(at.y + row, at.x + from, at.x + col, value);
        }
    }
}

} // namespace

int CRasterDC::DrawText(const QString& text, CRect& rect, unsigned format, const QFont* font) {
    const bool calcRect = format & DT_CALCRECT;
    if (text.isEmpty()) {
        if (calcRect) rect = {rect.left, rect.top, rect.left, rect.top};
        return 0;
    }
    const TextFont tf(font ? *font : QGuiApplication::font());
    const ShownText shown = PrepareText(text, format);
    const Layout layout(tf, shown, format);
    const bool single = format & DT_SINGLELINE;
    const int lineHeight = tf.Height();
    // Only the lines that start inside the rectangle are drawn; measuring needs them all.
    std::size_t maxLines = 0;
    if (!calcRect && !(format & DT_NOCLIP)) {
        const long long rows = static_cast<long long>(rect.bottom) - rect.top;
        maxLines = static_cast<std::size_t>(
            std::clamp<long long>(rows / std::max(lineHeight, 1) + 1, 1, 1LL << 30));
    }
    const std::vector<Line> lines =
        layout.Lines((format & DT_WORDBREAK) && !single, rect.right - rect.left, maxLines);

    if (calcRect) {
        int widest = 0;
        for (const Line& l : lines) widest = std::max(widest, l.width);
        rect.right = rect.left + widest;
        rect.bottom = rect.top + lineHeight * static_cast<int>(lines.size());
        return lineHeight * static_cast<int>(lines.size());
    }

    int y = rect.top;
    if (single && (format & DT_BOTTOM))
        y = rect.bottom - lineHeight;
    else if (single && (format & DT_VCENTER))
        y = rect.top + (rect.bottom - rect.top - lineHeight) / 2;

    const bool noClip = format & DT_NOCLIP;
    const CRect surface{0, 0, m_s.width, m_s.height};
    const CRect clip = m_s.bits ? (noClip ? surface : rect.Intersected(surface)) : CRect{};
    const std::uint32_t ink = PixelFor(m_textColour, true);
    const std::uint32_t paper = PixelFor(m_bkColour, false);

    for (const Line& line : lines) {
        int x = rect.left;
        if (format & DT_RIGHT)
            x = rect.right - line.width;
        else if (format & DT_CENTER)
            x = rect.left + (rect.right - rect.left - line.width) / 2;

        if (!m_transparent) {
            const CRect cell =
                CRect{x, y, x + line.width, y + lineHeight}.Intersected(clip);
            for (int row = cell.top; row < cell.bottom; ++row)
                FillSpan(row, cell.left, cell.right, paper);
        }

        // Scratch mask around the line, generous for glyphs that overhang their cell.
        const int margin = 2 * lineHeight;
        const CRect area =
            CRect{x - margin, y - lineHeight, x + line.width + margin, y + 2 * lineHeight}
                .Intersected(clip);
        if (!area.IsEmpty() && line.end > line.start)
            PaintMask(*this, MaskLine(tf, shown, layout, line, {x - area.left, y - area.top},
                                      area.Size()),
                      area.TopLeft(), ink);

        y += lineHeight;
        if (!noClip && y >= rect.bottom) break; // the rest would be below the rectangle
    }
    // With DT_VCENTER or DT_BOTTOM this is the offset from the top to the bottom of the text.
    return y - rect.top;
}

} // namespace tsl
