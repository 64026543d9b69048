#include "paint/PntCtrl.h"

#include "core/Ddb.h"
#include "framework/Ids.h"
#include "paint/PntCursors.h"
#include "paint/PntTextFmtBar.h"
#include "paint/ScaledRender.h"

#include <QApplication>
#include <QFontDatabase>
#include <QMainWindow>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStatusBar>

#include <algorithm>
#include <cmath>
#include <random>

namespace tsl {
namespace {

// Status-bar texts of the modes, by mode number.
constexpr const char* kDescriptions[kModeCount] = {
    "",
    "Adjusts the selection rectangle for the image.",
    "Drag and drop the selected area within the image.",
    "Increases or decreases the magnification of the image.",
    "Fills an area.",
    "Draws using a pen with the current width.",
    "Erases using an eraser with the current width.",
    "Select a colour from the image",
    "Draws a line using the current pen width and colour.",
    "Draws text using the current pen colour.",
    "Paints with the airbrush in the current colour.",
    "",
    "Draws a rectangle using the current pen width and colour.",
    "Draws a rounded rectangle using the current pen width and colour.",
    "Draws an ellipse using the current pen width and colour.",
    "Draws a filled rectangle using the current pen width and colour.",
    "Draws a filled rounded rectangle using the current pen width and colour.",
    "Draws a filled ellipse using the current pen width and colour.",
};

// Truncation towards zero that forgives the representation error of products such as
// 3 / 0.1, which must give 30 and not 29.
double Truncate(double v) { return std::trunc(v + (v >= 0 ? 1e-9 : -1e-9)); }

QColor ColourOf(COLORREF c) { return {GetRValue(c), GetGValue(c), GetBValue(c)}; }

} // namespace

CPntCtrl::CPntCtrl(QWidget* parent) : QAbstractScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_textFont = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    auto engine = std::make_shared<std::minstd_rand>(std::random_device{}());
    m_random = [engine] { return static_cast<unsigned>((*engine)()); };
    LoadCursors();
    ResetSelection();
    RegisterCommands();
}

CPntCtrl::~CPntCtrl() {
    StopAirbrush();
    delete m_textBar.data();
    // A frame being destroyed is no longer a QMainWindow here, so this writes nothing then.
    CPntCtrl::ShowReadyText();
    CPntCtrl::FreeCursors();
}

bool CPntCtrl::create(unsigned style, const CRect& rect, QWidget* parent, int id) {
    setParent(parent);
    setGeometry(rect.left, rect.top, rect.Width(), rect.Height());
    m_id = id;
    UpdateScrollBars();
    if (style & kWsVisible) show();
    return true;
}

QWidget* CreateControlByClass(const QString& className, QWidget* parent) {
    if (className != QLatin1String(kPaintCtrlClass)) return nullptr;
    return new CPntCtrl(parent);
}

// ---- virtual operations

void CPntCtrl::Refresh() { viewport()->update(); }

bool CPntCtrl::ReplaceColour() { return true; }

void CPntCtrl::LoadCursors() {
    FreeCursors();
    for (int i = 0; i < 7; ++i) m_cursors[static_cast<std::size_t>(i)] = PaintCursor(kCursorCrosshair + i);
}

void CPntCtrl::FreeCursors() {}

QString CPntCtrl::GetToolDescription(int mode) const {
    if (mode < 0 || mode >= kModeCount) return {};
    return QString::fromUtf8(kDescriptions[mode]);
}

void CPntCtrl::OnBeginTrack() {}
void CPntCtrl::OnTrackChanged() {}
void CPntCtrl::OnEndTrack() {}
void CPntCtrl::OnContextMenu(QWidget*, const QPoint&) {}

void CPntCtrl::ShowStatusText(const QString& text) {
    auto* frame = qobject_cast<QMainWindow*>(window());
    if (!frame) return;
    // statusBar() would create a bar; only an existing one is written.
    if (auto* bar = frame->findChild<QStatusBar*>(QString(), Qt::FindDirectChildrenOnly)) {
        bar->showMessage(text);
    }
}

void CPntCtrl::ShowReadyText() { ShowStatusText(QStringLiteral("Ready")); }

void CPntCtrl::OnPrePaint(QPainter&) {}

void CPntCtrl::OnPostPaint(QPainter& painter) {
    PaintGrid(painter, painter.clipBoundingRect().toAlignedRect());
}

void CPntCtrl::NotifyImageChanged() { emit imageChanged(m_id); }
void CPntCtrl::NotifyMagChanged() { emit magChanged(m_id); }
void CPntCtrl::NotifyColourSampled() { emit colourSampled(m_id); }
void CPntCtrl::NotifyModeChanged() { emit modeChanged(m_id); }

// ---- image replacement

void CPntCtrl::AfterNewImage() {
    m_modified = false;
    ClearHistory();
    m_floatingLive = false;
    ResetSelection();
    UpdateScrollBars();
    Refresh();
}

bool CPntCtrl::SetImage(const BITMAPINFO& info, const void* bits) {
    const bool ok = m_image.CreateFromInfo(info, bits);
    AfterNewImage();
    return ok;
}

bool CPntCtrl::SetImage(const CDdb& bitmap, const std::vector<RGBQUAD>* palette) {
    const bool ok = m_image.CreateFromBitmap(bitmap, palette);
    AfterNewImage();
    return ok;
}

bool CPntCtrl::SetImage(CDIBSection&& image) {
    m_image = std::move(image);
    AfterNewImage();
    return m_image.HasImage();
}

bool CPntCtrl::LoadResourceBitmap(const std::string& name) {
    const bool ok = m_image.LoadResourceBitmap(name);
    AfterNewImage();
    return ok;
}

bool CPntCtrl::LoadBmp(const std::string& path) {
    const bool ok = m_image.LoadBmp(path);
    AfterNewImage();
    return ok;
}

bool CPntCtrl::CreateBlank(int width, int height, int planes, int bitsPerPixel, const void* bits,
                           const std::vector<RGBQUAD>* palette) {
    const bool ok = m_image.Create(width, height, planes, bitsPerPixel, bits, palette);
    AfterNewImage();
    return ok;
}

// ---- editing state

void CPntCtrl::SetMode(int mode) {
    // The live text ends; clearing the edits afterwards leaves its rendering in the image.
    m_floatingLive = false;
    m_text.clear();
    m_textRendered = false;
    if (m_textBar) m_textBar->ClearTextBar();
    if (m_mode == kModeSelect || m_mode == kModeText) m_selectionVisible = m_savedSelectionVisible;
    m_previousMode = m_mode;
    m_mode = mode;
    ShowStatusText(GetToolDescription(mode));
    if (mode == kModeSelect || mode == kModeText) {
        m_savedSelectionVisible = m_selectionVisible;
        m_selectionVisible = true;
        Refresh();
    }
    NotifyModeChanged();
    if (mode == kModeText) {
        TextBar().ShowTextBar();
        m_floatingLive = true;
    } else {
        if (m_textBar) m_textBar->HideTextBar();
        CaptureSelection(m_selection);
    }
    UpdateCursor(m_lastClient);
}

void CPntCtrl::SetForeColour(COLORREF c) {
    m_foreColour = c;
    if (m_mode == kModeText) SetText(QString(m_text));
}

void CPntCtrl::SetBackColour(COLORREF c) {
    m_backColour = c;
    if (m_transparentBackground) Refresh();
}

void CPntCtrl::SetTransparentBackground(bool on) {
    m_transparentBackground = on;
    Refresh();
}

void CPntCtrl::SetModified(bool modified) {
    m_modified = modified;
    if (modified) {
        NotifyImageChanged();
    } else {
        ClearHistory();
    }
}

// ---- view

int CPntCtrl::GetZoomPercent() const { return static_cast<int>(std::lround(m_mag * 100.0)); }

void CPntCtrl::SetZoomPercent(int percent) {
    percent = std::clamp(percent, kMinZoomPercent, kMaxZoomPercent);
    m_mag = percent * 0.01;
    UpdateScrollBars();
    NotifyMagChanged();
    Refresh();
}

int CPntCtrl::NextZoomStep(int percent, bool up) const {
    if (percent == -1) percent = GetZoomPercent();
    if (up) {
        for (int step : kZoomTable) {
            if (step > percent) return step;
        }
        return -1;
    }
    int found = -1;
    for (int step : kZoomTable) {
        if (step < percent) found = step;
    }
    return found;
}

void CPntCtrl::ZoomToFit() {
    if (!m_image.HasImage()) return;
    const QSize client = contentsRect().size(); // as if no scroll bar were shown
    const double w = client.width() - (2 * m_margin.cx + 1);
    const double h = client.height() - (2 * m_margin.cy + 1);
    double mag = std::min(w / m_image.Width(), h / m_image.Height());
    mag = std::clamp(mag, kMinZoomPercent * 0.01, kMaxZoomPercent * 0.01);
    m_mag = mag;
    UpdateScrollBars();
    NotifyMagChanged();
    Refresh();
}

void CPntCtrl::SetCentred(bool on) {
    m_centred = on;
    UpdateScrollBars();
    Refresh();
}

void CPntCtrl::SetImageOrigin(CPoint origin) {
    m_origin = origin;
    UpdateScrollBars();
    Refresh();
}

CSize CPntCtrl::DisplayedSize() const {
    const auto scaled = [this](int v) {
        return static_cast<int>(std::min(static_cast<double>(v) * m_mag, 1e9));
    };
    return {scaled(m_image.Width() + m_origin.x) + 2 * m_margin.cx,
            scaled(m_image.Height() + m_origin.y) + 2 * m_margin.cy};
}

void CPntCtrl::UpdateScrollBars() {
    if (m_inUpdateScrollBars) return;
    m_inUpdateScrollBars = true;
    const QSize full = contentsRect().size(); // the client without scroll bars
    int clientW = full.width();
    int clientH = full.height();
    int vRange = 0;
    int hRange = 0;
    if (m_image.HasImage()) {
        const CSize d = DisplayedSize();
        const int barW = verticalScrollBar()->sizeHint().width();
        const int barH = horizontalScrollBar()->sizeHint().height();
        if (d.cy >= clientH) {
            vRange = d.cy;
            clientW -= barW;
        }
        if (d.cx >= clientW) {
            hRange = d.cx;
            if (vRange == 0) {
                clientH -= barH;
                if (d.cy >= clientH) {
                    vRange = d.cy;
                    clientW -= barW;
                }
            }
        }
    }
    m_hRange = hRange;
    m_vRange = vRange;
    // The pages are the client that remains once the chosen bars are shown.
    clientW = std::max(full.width() - (vRange > 0 ? verticalScrollBar()->sizeHint().width() : 0), 0);
    clientH = std::max(full.height() - (hRange > 0 ? horizontalScrollBar()->sizeHint().height() : 0), 0);
    // A bar's maximum is the range less the page, so that its value is the scroll position.
    QScrollBar* hb = horizontalScrollBar();
    QScrollBar* vb = verticalScrollBar();
    hb->setPageStep(std::max(clientW, 1));
    vb->setPageStep(std::max(clientH, 1));
    hb->setSingleStep(std::max(clientW / 10, 1));
    vb->setSingleStep(std::max(clientH / 10, 1));
    hb->setRange(0, std::max(hRange - clientW, 0));
    vb->setRange(0, std::max(vRange - clientH, 0));
    setHorizontalScrollBarPolicy(hRange > 0 ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(vRange > 0 ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);

    const CSize d = m_image.HasImage() ? DisplayedSize() : CSize{0, 0};
    if (m_centred) {
        m_offset = {std::max((clientW - d.cx) / 2, 0) + m_margin.cx,
                    std::max((clientH - d.cy) / 2, 0) + m_margin.cy};
    } else {
        m_offset = {m_margin.cx, m_margin.cy};
    }
    m_inUpdateScrollBars = false;
}

CPoint CPntCtrl::ImageToClient(CPoint p) const {
    const int sx = m_hRange > 0 ? horizontalScrollBar()->value() : 0;
    const int sy = m_vRange > 0 ? verticalScrollBar()->value() : 0;
    const auto conv = [this](int v, int origin, int offset, int scroll) {
        const double s = Truncate((static_cast<double>(v) + origin) * m_mag);
        return static_cast<int>(std::clamp(s, -1e9, 1e9)) + offset - scroll;
    };
    return {conv(p.x, m_origin.x, m_offset.x, sx), conv(p.y, m_origin.y, m_offset.y, sy)};
}

CPoint CPntCtrl::ClientToImage(CPoint p) const {
    if (m_mag <= 0) return {0, 0};
    const int sx = m_hRange > 0 ? horizontalScrollBar()->value() : 0;
    const int sy = m_vRange > 0 ? verticalScrollBar()->value() : 0;
    const auto conv = [this](int v, int origin, int offset, int scroll) {
        const double s = Truncate((static_cast<double>(v) + scroll - offset) / m_mag);
        return static_cast<int>(std::clamp(s, -1e9, 1e9)) - origin;
    };
    return {conv(p.x, m_origin.x, m_offset.x, sx), conv(p.y, m_origin.y, m_offset.y, sy)};
}

CRect CPntCtrl::ImageToClient(const CRect& r) const {
    const CPoint a = ImageToClient(CPoint{r.left, r.top});
    const CPoint b = ImageToClient(CPoint{r.right, r.bottom});
    return {a.x, a.y, b.x, b.y};
}

CRect CPntCtrl::ClientToImage(const CRect& r) const {
    const CPoint a = ClientToImage(CPoint{r.left, r.top});
    const CPoint b = ClientToImage(CPoint{r.right, r.bottom});
    return {a.x, a.y, b.x, b.y};
}

void CPntCtrl::SetGrid(bool enabled, int minimumZoom, bool wholeMultiplesOnly) {
    m_gridEnabled = enabled;
    m_gridMinZoom = minimumZoom;
    m_gridWholeOnly = wholeMultiplesOnly;
    Refresh();
}

void CPntCtrl::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void CPntCtrl::scrollContentsBy(int dx, int dy) {
    // Only the uncovered strip is painted again.
    viewport()->scroll(dx, dy);
}

// ---- painting

void CPntCtrl::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect exposed = event->rect();
    painter.setClipRect(exposed);
    const QColor workspace = palette().color(QPalette::Dark);
    if (!m_image.HasImage()) {
        painter.fillRect(exposed, workspace);
        return;
    }
    const bool keyed = m_transparentBackground && m_backColour != kNoColour;
    const QColor back = keyed ? ColourOf(m_backColour) : workspace;
    const CRect ir = ImageToClient(ImageRect());
    const QRect imageClient(ir.left, ir.top, ir.Width(), ir.Height());
    const QRect inside = exposed.intersected(imageClient);
    // The bands around the image in the workspace colour, the image's own area in the back colour.
    const QRegion bands = QRegion(exposed).subtracted(QRegion(inside));
    for (const QRect& band : bands) painter.fillRect(band, workspace);
    // The image covers its own area; the back colour shows only through keyed pixels, which
    // the rendering gives that colour itself.

    OnPrePaint(painter);
    if (!inside.isEmpty()) {
        // Only the visible part is converted: each client column and row names its pixel.
        std::vector<int> xs(static_cast<std::size_t>(inside.width()));
        std::vector<int> ys(static_cast<std::size_t>(inside.height()));
        for (int i = 0; i < inside.width(); ++i) {
            const int x = ClientToImage(CPoint{inside.left() + i, inside.top()}).x;
            xs[static_cast<std::size_t>(i)] = std::clamp(x, 0, m_image.Width() - 1);
        }
        for (int j = 0; j < inside.height(); ++j) {
            const int y = ClientToImage(CPoint{inside.left(), inside.top() + j}).y;
            ys[static_cast<std::size_t>(j)] = std::clamp(y, 0, m_image.Height() - 1);
        }
        const QImage shown = RenderScaled(m_image.Surface(), xs, ys, keyed ? m_backColour : kNoColour,
                                          back.rgb());
        painter.drawImage(inside.topLeft(), shown);
    }
    OnPostPaint(painter);

    if (m_mode != kModeSelect && m_mode != kModeText) {
        // The image's outline, one pixel outside it.
        QPen pen(Qt::black);
        pen.setWidth(0);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(ir.left - 1, ir.top - 1, ir.Width() + 1, ir.Height() + 1);
    }
    if (m_selectionVisible) {
        if (m_tracker && m_tracker->IsTracking()) {
            CPntTracker live(m_tracker->Tracked(), TrackerSpace());
            live.Draw(painter);
        } else {
            MakeTracker().Draw(painter);
        }
    }
}

void CPntCtrl::PaintGrid(QPainter& painter, const QRect& exposed) {
    const int zoom = GetZoomPercent();
    if (!m_gridEnabled || !m_image.HasImage() || zoom < m_gridMinZoom || zoom < 200) return;
    if (m_gridWholeOnly && zoom % 100 != 0) return;
    // An 8 x 8 pattern of rows 0xAA, 0xAA, 0x55, 0x55: set bits take the button face, clear
    // bits the shadow, aligned to the client origin.
    QImage pattern(8, 8, QImage::Format_RGB32);
    const QRgb face = palette().color(QPalette::Button).rgb();
    const QRgb shadow = palette().color(QPalette::Mid).rgb();
    static constexpr unsigned char kRows[4] = {0xAA, 0xAA, 0x55, 0x55};
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            const bool set = (kRows[y & 3] >> (7 - x)) & 1;
            pattern.setPixel(x, y, set ? face : shadow);
        }
    }
    const QBrush brush(pattern);
    const CPoint topLeft = ImageToClient(CPoint{0, 0});
    const CRect ir = ImageToClient(ImageRect());
    const QRect area = exposed.intersected(QRect(ir.left, ir.top, ir.Width() + 1, ir.Height() + 1));
    if (area.isEmpty()) return;
    const auto lineAt = [zoom](int origin, long long i) {
        return origin + static_cast<int>(i * zoom / 100);
    };
    // Vertical lines: one strip 8 rows high holds the pattern's pixels on the line columns and
    // is transparent elsewhere; one fill paints every vertical line of the area.
    QImage strip(area.width(), 8, QImage::Format_ARGB32_Premultiplied);
    strip.fill(Qt::transparent);
    const int iFirst = std::max(0, static_cast<int>((static_cast<long long>(area.left() - topLeft.x) * 100) / zoom) - 1);
    for (long long i = iFirst; i <= m_image.Width(); ++i) {
        const int x = lineAt(topLeft.x, i);
        if (x > area.right()) break;
        if (x < area.left()) continue;
        for (int y = 0; y < 8; ++y) {
            strip.setPixel(x - area.left(), y, pattern.pixel(x & 7, y));
        }
    }
    painter.save();
    painter.setBrushOrigin(area.left(), 0);
    painter.fillRect(QRect(area.left(), std::max(area.top(), ir.top), area.width(),
                           std::min(area.bottom() + 1, ir.bottom) - std::max(area.top(), ir.top)),
                     QBrush(strip));
    painter.restore();
    // Horizontal lines, each one fill.
    const int jFirst = std::max(0, static_cast<int>((static_cast<long long>(area.top() - topLeft.y) * 100) / zoom) - 1);
    const int left = std::max(area.left(), ir.left);
    const int right = std::min(area.right() + 1, ir.right);
    for (long long j = jFirst; j <= m_image.Height(); ++j) {
        const int y = lineAt(topLeft.y, j);
        if (y > area.bottom()) break;
        if (y < area.top()) continue;
        painter.fillRect(QRect(left, y, right - left, 1), brush);
    }
}

void CPntCtrl::RepaintImageRect(const CRect& imageRect) {
    const CRect c = ImageToClient(imageRect).Normalised();
    // One client pixel more on each side covers the rounding of the scaled edges.
    viewport()->repaint(QRect(c.left - 1, c.top - 1, c.Width() + 2, c.Height() + 2));
}

// ---- cursors

QCursor CPntCtrl::CursorAt(CPoint client) const {
    const auto toolCursor = [this](int id) { return m_cursors[static_cast<std::size_t>(id - kCursorCrosshair)]; };
    if (m_mode == kModeSelect || m_mode == kModeMove || m_mode == kModeText) {
        const CRect ir = ImageToClient(ImageRect());
        const bool nearImage = m_image.HasImage() && client.x >= ir.left - m_margin.cx &&
                               client.x < ir.right + m_margin.cx && client.y >= ir.top - m_margin.cy &&
                               client.y < ir.bottom + m_margin.cy;
        if (!m_selectionVisible || !nearImage) return QCursor(Qt::ArrowCursor);
        switch (MakeTracker().HitTest(client)) {
        case hitTopLeft:
        case hitBottomRight: return QCursor(Qt::SizeFDiagCursor);
        case hitTopRight:
        case hitBottomLeft: return QCursor(Qt::SizeBDiagCursor);
        case hitTop:
        case hitBottom: return QCursor(Qt::SizeVerCursor);
        case hitLeft:
        case hitRight: return QCursor(Qt::SizeHorCursor);
        case hitMiddle:
            return m_readOnly ? toolCursor(kCursorCrosshair) : QCursor(Qt::SizeAllCursor);
        default: return toolCursor(kCursorCrosshair);
        }
    }
    if (IsShapeMode(m_mode)) return toolCursor(kCursorCrosshair);
    switch (m_mode) {
    case kModeZoom: return toolCursor(kCursorZoom);
    case kModeFill: return toolCursor(kCursorFill);
    case kModePen: return toolCursor(kCursorPen);
    case kModeEraser: return toolCursor(kCursorEraser);
    case kModeSampler: return toolCursor(kCursorSampler);
    case kModeAirbrush: return toolCursor(kCursorAirbrush);
    default: return QCursor(Qt::ArrowCursor);
    }
}

void CPntCtrl::UpdateCursor(CPoint client) { viewport()->setCursor(CursorAt(client)); }

// ---- window events

void CPntCtrl::contextMenuEvent(QContextMenuEvent* event) {
    OnContextMenu(this, event->globalPos());
}

void CPntCtrl::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    if (event->reason() == Qt::ActiveWindowFocusReason) Refresh();
}

bool CPntCtrl::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) Refresh();
    return QAbstractScrollArea::viewportEvent(event);
}

void CPntCtrl::RegisterCommands() {
    OnCommand(ID_EDIT_UNDO, [this] { Undo(); });
    OnUpdate(ID_EDIT_UNDO, [this](CCmdUI& ui) { ui.Enable(CanUndo()); });
    OnCommand(ID_EDIT_REDO, [this] { Redo(); });
    OnUpdate(ID_EDIT_REDO, [this](CCmdUI& ui) { ui.Enable(CanRedo()); });
    OnCommand(ID_EDIT_COPY, [this] { Copy(); });
    OnUpdate(ID_EDIT_COPY, [this](CCmdUI& ui) { ui.Enable(CanCopy()); });
    OnCommand(ID_EDIT_CUT, [this] { Cut(); });
    OnUpdate(ID_EDIT_CUT, [this](CCmdUI& ui) { ui.Enable(CanCut()); });
    OnCommand(ID_EDIT_PASTE, [this] { Paste(); });
    OnUpdate(ID_EDIT_PASTE, [this](CCmdUI& ui) { ui.Enable(CanPaste()); });
}

} // namespace tsl
