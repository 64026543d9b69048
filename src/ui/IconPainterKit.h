#pragma once
// The drawing kit behind IconPainter: a 24-unit design grid snapped to the pixels of the target
// size, the palette, outlined shapes, and the parts that several icons share. Private to ui/.

#include <QColor>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <initializer_list>

namespace tsl::icons {

// A hue in three tones: highlight, body and outline.
struct Tone {
    QColor light, base, dark;
};

namespace pal {
inline const Tone kPaper{QColor(0xffffff), QColor(0xe3e9ef), QColor(0x5f6b78)};
inline const Tone kBlue{QColor(0x8fc1f2), QColor(0x3a7dd6), QColor(0x1c4a8c)};
inline const Tone kAmber{QColor(0xffe19c), QColor(0xf0b238), QColor(0x96640c)};
inline const Tone kGreen{QColor(0x9fe3a2), QColor(0x43a64a), QColor(0x1f6528)};
inline const Tone kRed{QColor(0xff9d92), QColor(0xdb3e32), QColor(0x871d15)};
inline const Tone kMetal{QColor(0xf5f7f9), QColor(0xb8c1cb), QColor(0x56616d)};
inline const Tone kSlate{QColor(0x8591a0), QColor(0x46515e), QColor(0x20272f)};
inline const Tone kPurple{QColor(0xb9a0f2), QColor(0x7252c6), QColor(0x3d267b)};
inline const Tone kBrown{QColor(0xe6b57f), QColor(0xb9793a), QColor(0x6b4118)};
inline const Tone kYellow{QColor(0xfff4a3), QColor(0xffc61f), QColor(0xa86f00)};
inline const Tone kSteel{QColor(0xdce1e6), QColor(0x8d99a6), QColor(0x38424d)};
inline const Tone kSky{QColor(0xdcf0ff), QColor(0x8ccbf8), QColor(0x3d7db3)};
inline const QColor kTextLine(0x8da2ba); // lines of text on a page
} // namespace pal

// One icon's drawing surface: `size` pixels addressed in 24 design units. Edges given in units
// are rounded to whole pixels, so rectangles and 1-pixel lines land on the pixel grid.
class Canvas {
public:
    // line: the outline width in pixels.
    Canvas(QPainter& painter, int size, double line);

    QPainter& p;
    int Size() const { return m_size; }
    bool Small() const { return m_size < 20; } // the 16-px class: fewer details
    double Line() const { return m_line; }
    double K() const { return m_k; } // pixels per unit

    double E(double u) const;                  // an edge, snapped
    double Px(double at24, double at16) const; // a unit picked per size class
    double W(double at24, double at16) const;  // pixels picked per size class, scaled above 24
    QPointF At(double x, double y) const { return {E(x), E(y)}; }       // a snapped corner
    QPointF Pt(double x, double y) const { return {x * m_k, y * m_k}; } // an exact point
    QRectF Box(double x0, double y0, double x1, double y1) const;       // snapped edges
    QPainterPath Poly(std::initializer_list<QPointF> points) const;     // a closed polygon

    // The part of a shape inside its outline.
    QPainterPath Inset(const QPainterPath& path) const;
    // A shape filled with `fill` and outlined `line` wide inside its edge.
    void Shape(const QPainterPath& path, const QBrush& fill, const QColor& line) const;
    void Rect(const QRectF& box, const QBrush& fill, const QColor& line, double radius = 0) const;
    void Oval(const QRectF& box, const QBrush& fill, const QColor& line) const;
    // A line one outline wide along the pixel row that starts at unit y.
    void HLine(double x0, double x1, double y, const QColor& colour) const;
    // A free line or curve of `width` pixels.
    void Stroke(const QPainterPath& path, const QColor& colour, double width,
                Qt::PenCapStyle cap = Qt::RoundCap) const;
    // A filled arrowhead whose tip is at `tip`, pointing along `direction`.
    void Head(QPointF tip, QPointF direction, double length, double halfWidth,
              const QColor& colour) const;

    // A top-to-bottom gradient from a tone's highlight to its body over the given pixel rows.
    static QLinearGradient Vertical(const Tone& tone, double top, double bottom);

private:
    int m_size;
    double m_k;
    double m_line;
};

// Parts shared by several icons; coordinates are design units, QRectF boxes are pixels.
void Page(const Canvas& c, double x0, double y0, double x1, double y1, double fold, bool text);
// A small landscape (sky, sun, hills) in one of four colourings, framed or edge to edge.
void Picture(const Canvas& c, const QRectF& box, int scene = 0, bool framed = true);
void Sparkle(const Canvas& c, double cx, double cy, double radius);
void Folder(const Canvas& c, double x0, double y0, double x1, double y1, bool behind = false);
void Gear(const Canvas& c, double cx, double cy, double radius, const Tone& tone);

// The icons.
void DrawNew(const Canvas& c);
void DrawOpen(const Canvas& c);
void DrawSave(const Canvas& c);
void DrawSaveAll(const Canvas& c);
void DrawPrint(const Canvas& c);
void DrawPrintPreview(const Canvas& c);
void DrawCut(const Canvas& c);
void DrawCopy(const Canvas& c);
void DrawPaste(const Canvas& c);
void DrawPasteNew(const Canvas& c);
void DrawBrowse(const Canvas& c);
void DrawProcessor(const Canvas& c);
void DrawSlideShow(const Canvas& c);
void DrawQuickSlideShow(const Canvas& c);
void DrawMultiFolderShow(const Canvas& c);
void DrawCapture(const Canvas& c);
void DrawCaptureSetup(const Canvas& c);
void DrawManual(const Canvas& c);
void DrawAbout(const Canvas& c);
void DrawFlip(const Canvas& c);
void DrawMirror(const Canvas& c);
void DrawResize(const Canvas& c);
void DrawRotate90(const Canvas& c);
void DrawAnyAngle(const Canvas& c);
void DrawDropShadow(const Canvas& c);
void DrawButtonize(const Canvas& c);
void DrawSharpen(const Canvas& c);
void DrawEmboss(const Canvas& c);
void DrawTileBlend(const Canvas& c);
void DrawApplication(const Canvas& c);

} // namespace tsl::icons
