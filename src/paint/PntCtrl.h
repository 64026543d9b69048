#pragma once
// CPntCtrl: the paint control. A scrollable widget (its viewport is the client area) that shows
// one CDIBSection at any magnification, lets the user select a rectangle of it, paint on it with
// the tools, move or copy the selected pixels, exchange pixels with the clipboard, and undo and
// redo whole-image snapshots. The image view derives from it and overrides its virtual
// operations; hosts learn of changes through four signals.
//
// Coordinates: image -> client is x' = trunc((x + origin.x) * mag) + offset.x - scroll.x (the
// scroll position counts only while that axis has a scroll range); client -> image is the
// inverse with truncation. Drawing converts only the visible part of the image, nearest
// neighbour. System colours come from the palette: the workspace is QPalette::Dark, the grid's
// button face QPalette::Button and its shadow QPalette::Mid.
//
// Tracking the selection is driven by press/move/release (CPntTracker), never by a nested loop.
// Every modal question goes through the platform services; the airbrush's random source and
// timer tick are reachable for tests, and modifiers are taken from each event.
//
// Sound behaviour beyond the plain rules: line and eraser widths below 1 count as 1; every
// selection operation works on the selection's intersection with the image; a click of the
// sampler or the fill outside the image is ignored; zooms are held to 1..6400 %; a move of a
// pasted floating buffer never erases anything under its old place; a click inside a moved
// selection that does not move it keeps the earlier move.

#include "core/Colour.h"
#include "core/Geometry.h"
#include "framework/CmdTarget.h"
#include "paint/DIBSection.h"
#include "paint/PntTracker.h"

#include <QAbstractScrollArea>
#include <QCursor>
#include <QFont>
#include <QPointer>
#include <QString>

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

class QDialog;

namespace tsl {
class CPntTextFmtBar;
}

namespace tsl {

// Paint modes as the host and the tool bar pass them.
enum PaintMode {
    kModeNone = 0,
    kModeSelect = 1,
    kModeMove = 2,
    kModeZoom = 3,
    kModeFill = 4,
    kModePen = 5,
    kModeEraser = 6,
    kModeSampler = 7,
    kModeLine = 8,
    kModeText = 9,
    kModeAirbrush = 10,
    kModeNoTool = 11,
    kModeRectangle = 12,
    kModeRoundRect = 13,
    kModeEllipse = 14,
    kModeFilledRectangle = 15,
    kModeFilledRoundRect = 16,
    kModeFilledEllipse = 17,
    kModeCount = 18,
};

// The line and the six shapes: the modes drawn on a rubber band.
constexpr bool IsShapeMode(int mode) {
    return mode == kModeLine || (mode >= kModeRectangle && mode <= kModeFilledEllipse);
}

// The names under which the four notifications are registered.
inline constexpr const char* kImageChangedName = "_PAINT_CONTROL_IMAGE_CHANGED_";
inline constexpr const char* kMagChangedName = "_PAINT_CONTROL_MAG_CHANGED_";
inline constexpr const char* kColourSamplerName = "_PAINT_CONTROL_COLOUR_SAMPLER";
inline constexpr const char* kModeChangedName = "_PAINT_CONTROL_MODE_CHANGED";

// The window class name dialogs place the control by.
inline constexpr const char* kPaintCtrlClass = "MFCPaintCtrl";

// Window style bits create() understands.
inline constexpr unsigned kWsVisible = 0x10000000u;

class CPntCtrl : public QAbstractScrollArea, public CCmdTarget {
    Q_OBJECT
public:
    static constexpr int kZoomTable[] = {10, 50, 100, 200, 300, 400, 500, 600};
    static constexpr int kMinZoomPercent = 1;
    static constexpr int kMaxZoomPercent = 6400;
    static constexpr const char* kCropPrompt =
        "Clipboard image is larger than the\nSelection area. Crop to selection area?";

    explicit CPntCtrl(QWidget* parent = nullptr);
    ~CPntCtrl() override;

    // Places the control in parent at rect with a child id; shows it when the style says so.
    bool create(unsigned style, const CRect& rect, QWidget* parent, int id);
    int Id() const { return m_id; }

    // ---- virtual operations, in their order
    virtual void Refresh();
    virtual bool Undo();
    virtual bool Redo();
    virtual bool EditImageProperties();
    virtual bool ReplaceColour();
    virtual void LoadCursors();
    virtual void FreeCursors();
    virtual QString GetToolDescription(int mode) const;
    virtual void OnBeginTrack();
    virtual void OnTrackChanged();
    virtual void OnEndTrack();
    virtual void OnContextMenu(QWidget* window, const QPoint& globalPos);
    virtual void ShowStatusText(const QString& text);
    virtual void ShowReadyText();
    virtual void OnPrePaint(QPainter& painter);
    virtual void OnPostPaint(QPainter& painter);
    virtual bool SaveUndoStep();
    virtual void NotifyImageChanged();
    virtual void NotifyMagChanged();
    virtual void NotifyColourSampled();
    // A number the host keeps with each undo state and gets back when undo or redo returns to
    // it (the image view keeps the document's depth, which changes with the pixels).
    virtual int StateTag() const { return 0; }
    virtual void RestoreStateTag(int tag) { (void)tag; }

    // ---- image replacement; each clears the modified flag and the history and selects all
    bool SetImage(const BITMAPINFO& info, const void* bits);
    bool SetImage(const CDdb& bitmap, const std::vector<RGBQUAD>* palette = nullptr);
    bool SetImage(CDIBSection&& image);
    bool LoadResourceBitmap(const std::string& name);
    bool LoadBmp(const std::string& path);
    bool CreateBlank(int width, int height, int planes, int bitsPerPixel,
                     const void* bits = nullptr, const std::vector<RGBQUAD>* palette = nullptr);
    bool SaveBmp(const std::string& path) const { return m_image.SaveBmp(path); }
    CDIBSection& Image() { return m_image; }
    const CDIBSection& Image() const { return m_image; }
    bool HasImage() const { return m_image.HasImage(); }

    // ---- editing state
    void SetMode(int mode);
    int GetMode() const { return m_mode; }
    int PreviousMode() const { return m_previousMode; }
    void SetForeColour(COLORREF c);
    COLORREF ForeColour() const { return m_foreColour; }
    void SetFillColour(COLORREF c) { m_fillColour = c; }
    COLORREF FillColour() const { return m_fillColour; }
    void SetBackColour(COLORREF c);
    COLORREF BackColour() const { return m_backColour; }
    void SetLineWidth(int w) { m_lineWidth = w; }
    int LineWidth() const { return m_lineWidth; }
    void SetEraserWidth(int w) { m_eraserWidth = w; }
    int EraserWidth() const { return m_eraserWidth; }
    void SetTransparentBackground(bool on);
    bool TransparentBackground() const { return m_transparentBackground; }
    void SetReadOnly(bool on) { m_readOnly = on; }
    bool IsReadOnly() const { return m_readOnly; }
    // The text tool. In text mode with a live text, SetText takes the previous rendering back
    // (one undo step) and draws the new text into the selection rectangle as one new step;
    // font, format and foreground colour changes draw the text again the same way.
    void SetText(const QString& text);
    const QString& Text() const { return m_text; }
    void SetTextFormat(unsigned format);
    unsigned TextFormat() const { return m_textFormat; }
    void SetTextFont(const QFont& font);
    const QFont& TextFont() const { return m_textFont; }
    // The text tool bar, made the first time it is asked for; TextBarIfMade() does not make it.
    CPntTextFmtBar& TextBar();
    CPntTextFmtBar* TextBarIfMade() const;

    // ---- view
    int GetZoomPercent() const;
    double Magnification() const { return m_mag; }
    void SetZoomPercent(int percent);
    // The next table entry above (up) or below the percentage (-1: the current zoom); -1 when
    // there is none.
    int NextZoomStep(int percent, bool up) const;
    void ZoomToFit();
    void SetCentred(bool on);
    bool IsCentred() const { return m_centred; }
    void SetImageOrigin(CPoint origin);
    CPoint ImageOrigin() const { return m_origin; }
    CPoint DisplayOffset() const { return m_offset; }
    CSize Margin() const { return m_margin; }
    // (image size + origin) x magnification, truncated, plus the margins.
    CSize DisplayedSize() const;
    void UpdateScrollBars();
    int HorizontalRange() const { return m_hRange; }
    int VerticalRange() const { return m_vRange; }
    CPoint ImageToClient(CPoint p) const;
    CPoint ClientToImage(CPoint p) const;
    CRect ImageToClient(const CRect& r) const;
    CRect ClientToImage(const CRect& r) const;
    CRect ImageRect() const { return {0, 0, m_image.Width(), m_image.Height()}; }

    // ---- grid
    void SetGrid(bool enabled, int minimumZoom = 600, bool wholeMultiplesOnly = true);
    bool GridEnabled() const { return m_gridEnabled; }

    // ---- selection
    CRect GetSelectionRect() const { return m_selection; }
    void SetSelectionRect(const CRect& rect, bool drawFloating = false);
    void ShowSelection(bool show);
    bool IsSelectionVisible() const { return m_selectionVisible; }
    void ResetSelection();
    void CaptureSelection(const CRect& rect);
    // Fills the rectangle's part of the image (the whole image without one) with the background
    // colour; with record, as one undo step.
    bool EraseSelection(const CRect* rect, bool record);
    bool EraseAll();
    const CDIBSection& FloatingBuffer() const { return m_floating; }
    CRect FloatingRect() const { return m_floatingRect; }
    bool IsFloatingLive() const { return m_floatingLive; }
    bool IsTracking() const { return m_tracker.has_value() && m_tracker->IsTracking(); }

    // ---- clipboard
    bool Copy();
    bool Cut();
    bool Paste();
    bool CanCopy() const;
    bool CanCut() const { return CanCopy(); }
    bool CanPaste() const;

    // ---- undo
    bool CanUndo() const;
    bool CanRedo() const;
    void ClearHistory();
    int HistorySize() const { return static_cast<int>(m_history.size()); }
    int UndoPosition() const { return m_undoPos; }
    void SetUndoDepth(int depth) { m_undoDepth = depth; }

    void SetModified(bool modified);
    bool IsModified() const { return m_modified; }

    // ---- airbrush: one timer tick, and the random source (any uniform integer generator)
    void AirbrushTick();
    void SetRandomSource(std::function<unsigned()> source) { m_random = std::move(source); }
    bool AirbrushRunning() const { return m_airbrushTimer != 0; }

    // The cursor the control shows for a client point now.
    QCursor CursorAt(CPoint client) const;

signals:
    void imageChanged(int id);
    void magChanged(int id);
    void colourSampled(int id);
    void modeChanged(int id);

protected:
    // Replaces the image with one undo step, the image shown moving into the history as the
    // step's snapshot (what SaveUndoStep and an assignment do, without copying the pixels).
    // False, and nothing changed, for an empty image.
    bool ReplaceImageKeepingHistory(CDIBSection&& image);
    // Called after every image replacement.
    void AfterNewImage();
    void NotifyModeChanged();

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    // Drawing
    void PaintGrid(QPainter& painter, const QRect& exposed);
    void RepaintImageRect(const CRect& imageRect);
    // Tools (each takes the event's client point and modifiers)
    bool ToolsActive() const;
    void BeginTool(CPoint image, Qt::KeyboardModifiers mods);
    void ContinueTool(CPoint image, Qt::KeyboardModifiers mods);
    void EndTool(CPoint image, Qt::KeyboardModifiers mods, Qt::MouseButton button);
    void DrawShape(CPoint from, CPoint to, Qt::KeyboardModifiers mods);
    void Spray(CPoint centre, Qt::KeyboardModifiers mods);
    void StopAirbrush();
    COLORREF PenColour(Qt::KeyboardModifiers mods) const;
    COLORREF EraseColour() const;
    bool TakeShapeBackup();
    bool RestoreShapeBackup(bool discard);
    void CancelDrag();
    // Selection tracking
    CTrackerSpace TrackerSpace() const;
    CPntTracker MakeTracker() const;
    bool StartTrack(CPoint client, Qt::KeyboardModifiers mods);
    void TrackTo(CPoint client);
    void FinishTrack(CPoint client);
    void CancelTrack();
    void DrawMoveFeedback(const CRect& rect);
    // A move (not a copy) leaves the background colour where the floating pixels came from.
    void EraseMoveSource();
    void DrawFloating(const CRect& rect);
    bool MakeLikeImage(CDIBSection& buffer, int width, int height) const;
    // The floating buffer becomes a copy of the image's pixels under r.
    void FillFloating(const CRect& r);
    void UpdateCursor(CPoint client);
    void RegisterCommands();
    // Text tool (PntCtrlText.cpp)
    bool RenderText(const CRect& rect);
    // Takes the current rendering of the text back, keeping the selection and the live flag.
    bool UndoTextRendering();
    // The text ends: what was drawn stays, the text and the bar's edits are emptied.
    void EndText();
    void StartTextTrack(int hit);
    void DrawTextFeedback(const CRect& rect);
    void FinishTextTrack(bool ok, const CRect& result);
    void CancelTextTrack();
    void EscapeKey();

    int m_id = 0;
    CDIBSection m_image;
    std::deque<std::unique_ptr<CDIBSection>> m_history;
    std::deque<int> m_historyTags; // StateTag() of each state in m_history
    std::unique_ptr<CDIBSection> m_shapeBackup;
    CDIBSection m_floating;
    int m_vRange = 0;
    int m_hRange = 0;
    bool m_readOnly = false;
    int m_mode = kModeNone;
    int m_previousMode = kModeNone;
    COLORREF m_foreColour = 0;
    COLORREF m_fillColour = 0;
    COLORREF m_backColour = 0xFFFFFF;
    int m_eraserWidth = 4;
    int m_lineWidth = 1;
    bool m_selectionVisible = false;
    bool m_savedSelectionVisible = false;
    bool m_transparentBackground = false;
    CPoint m_origin{0, 0};
    CPoint m_offset{5, 5};
    CSize m_margin{5, 5};
    int m_undoDepth = 5;
    CPoint m_dragStart;
    CPoint m_lastPoint;
    bool m_cancelled = false;
    bool m_dragging = false;
    QString m_text;
    unsigned m_textFormat = 0x810;
    QFont m_textFont;
    std::array<QCursor, 7> m_cursors;
    bool m_gridEnabled = true;
    int m_gridMinZoom = 600;
    bool m_gridWholeOnly = true;
    bool m_pasteFlag = true;
    bool m_centred = false;
    bool m_floatingLive = false;
    bool m_floatingPasted = false;
    bool m_floatingPending = false; // the whole image was captured; copied when a move starts
    CRect m_floatingRect;
    bool m_moveNotCopy = false;
    int m_airbrushTimerId = 1; // the id asked for; the running timer is m_airbrushTimer
    int m_airbrushTimer = 0;
    int m_airbrushInterval = 1;
    int m_airbrushRadiusFactor = 4;
    int m_airbrushDots = 10;
    QPointer<CPntTextFmtBar> m_textBar;
    bool m_textRendered = false;   // the last undo step is this text's rendering
    bool m_textUndoing = false;    // the text tool is taking its own rendering back
    bool m_textTrackBox = false;   // a text box is moved or resized (not a new one)
    bool m_textTrackUndid = false; // that track took the rendering back
    QString m_cropPrompt = QString::fromUtf8(kCropPrompt);
    int m_undoPos = -1; // index into m_history; -1: the image is the newest state
    double m_mag = 1.0;
    bool m_modified = false;
    CRect m_selection;

    bool m_inUpdateScrollBars = false;
    bool m_suppressErase = false;
    std::optional<CPntTracker> m_tracker;
    bool m_trackUndidMove = false; // the track began by undoing the previous move
    int m_modeBeforeMove = kModeSelect;
    Qt::KeyboardModifiers m_trackModifiers;
    CPoint m_lastClient; // the client point of the last mouse event
    Qt::KeyboardModifiers m_lastModifiers;
    std::function<unsigned()> m_random;
};

// Creates a control by window class name for dialogs ("MFCPaintCtrl"); null for other names.
QWidget* CreateControlByClass(const QString& className, QWidget* parent);

} // namespace tsl
