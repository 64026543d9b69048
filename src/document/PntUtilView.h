#pragma once
// CPntUtilView: the view of an image document. It hosts one paint control (CViewPaintCtrl, child
// id 1) that fills the view and owns the image's pixels, selection, zoom and undo history, and
// adds what ties that control to the document and the main window: the hand-over of the loaded
// image, the zoom commands, the three status-bar readouts, fitting the child frame to the
// zoomed image, the selection commands, Reload, and printing.
//
// Every command reaches the control first (CommandPrelude); the view's own map sees only what
// the control does not handle. Left (32775) toggles the control's centred flag.
//
// The image commands (ImageCommands.cpp) work on the selection (the whole image when the
// selection covers it) or the whole image, through the imaging layer, and give every result
// back as one undo step. A result beyond the pixel limit, or any failure of the imaging layer,
// is shown with the image-operation error report and changes nothing (no undo step either).
// Commands that change pixels are enabled while the control has an image and is not
// read-only; Swap Colors and the transparency commands whenever a document is open.

#include "core/Ddb.h"
#include "framework/Document.h"
#include "imaging/LBitmap.h"
#include "paint/PntCtrl.h"

#include <QWidget>

#include <functional>

namespace tsl {

class CPntUtilDoc;
class CPntUtilView;

// The view's paint control: readouts in the main frame's status panes and a refit of the
// child frame after zoom and size changes.
class CViewPaintCtrl : public CPntCtrl {
    Q_OBJECT
public:
    explicit CViewPaintCtrl(CPntUtilView& view, QWidget* parent = nullptr);

    bool Undo() override;
    bool Redo() override;
    // The tool bar's "Resize": the view's Resample and Resize.
    bool EditImageProperties() override;
    // The tool bar's "Color replacer": Replace Color, Shift from the click that ran it.
    bool ReplaceColour() override;
    // Each undo state keeps the document's depth, so undoing a depth change gives it back.
    int StateTag() const override;
    void RestoreStateTag(int tag) override;
    void OnBeginTrack() override;
    void OnTrackChanged() override;
    void OnEndTrack() override;
    void NotifyMagChanged() override;

    // Every image command gives its result through this: one undo step, modified, the whole
    // selection, new scroll bars and a redraw.
    // The bitmap's rows are taken over when they fit.
    bool ReplaceImageWithUndo(CDdb bitmap, const std::vector<RGBQUAD>* palette = nullptr);

    // "(%d, %d) -> (%d, %d) = (%d x %d)" of the selection.
    QString SelectionReadout() const;
    // "%d, %d" of the image point under a client point (with "  RGB ( %d, %d, %d )" while the
    // sampler is active); empty outside the image.
    QString PointerReadout(CPoint client) const;

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    // Runs the base control's undo (or redo), then refreshes the size readout and refits the
    // frame when the image's size changed.
    bool StepAndRefit(bool redo);

    CPntUtilView& m_view;
    bool m_selectionReadout = false;
};

class CPntUtilView : public QWidget, public CView {
    Q_OBJECT
public:
    explicit CPntUtilView(QWidget* parent = nullptr);
    ~CPntUtilView() override;
    QWidget* Widget() override { return this; }
    void OnInitialUpdate() override;
    void OnActivateView(bool active) override;
    void OnFrameArranged() override { FitFrame(); }
    CCmdTarget* CommandPrelude() override { return m_ctrl; }
    CPntUtilDoc* Document() const;

    CViewPaintCtrl& Control() const { return *m_ctrl; }
    // The control's image as a device bitmap at its own depth (null without an image).
    CDdb CurrentBitmap() const;
    // The same as a picture.
    QImage Image() const;
    // A device bitmap as a 32-bit image section: how the loaded image reaches the control. A
    // 32-bit bitmap's rows are taken over without a copy.
    static CDIBSection SectionFromBitmap(CDdb bitmap);
    bool FitToPage() const { return m_fitToPage; }

    // Status panes 1 (pointer or selection), 2 (size and depth), 3 (zoom) of the main frame.
    void SetPane(int pane, const QString& text) const;
    void ShowSizeReadout() const;
    void ShowZoomReadout() const;
    // Fits the child frame around the zoomed image within the main frame's free client area;
    // never while the frame is maximised.
    void FitFrame() const;
    // The new frame size for a frame of `frameSize` whose view's client is `clientSize`, an image
    // of `image` at `zoom` percent, within `available` (from the frame's top-left corner).
    static QSize FittedFrameSize(QSize frameSize, QSize clientSize, CSize image, int zoom,
                                 QSize available);
    // The same at a magnification (1.0 is 100 %) as the control applies it: a fit-to-window
    // zoom lies between whole percents, and the frame must hold what is actually shown.
    static QSize FittedFrameSize(QSize frameSize, QSize clientSize, CSize image,
                                 double magnification, QSize available);

    // The size of the image before the last size-changing command, shared by all views.
    static CSize& RememberedImageSize();
    // Refits the frame when the image's size differs from the remembered one.
    void RefitIfSizeChanged() const;

    // Called with the view's control whenever the view becomes active (the main frame attaches
    // it to its paint bar).
    static void SetActivationHook(std::function<void(CPntCtrl*)> hook);
    // Makes a picture a new document (the application's hand-off): how Buttonize's Create
    // Images opens its three images.
    static void SetNewImageHook(std::function<void(const QImage&)> hook);

    void Reload();

    // ---- image commands (ImageCommands.cpp)
    void ResampleAndResize();
    void ChangeSize();
    void TrimBlankSpace();
    void ChangeColorDepth();
    void ConvertToGrayscale();
    // Inside the selection: the background colour becomes the foreground colour, or with
    // swap (Shift) the foreground colour becomes the background colour. One undo step even
    // when no pixel matches.
    void ReplaceColor(bool swap);
    void SwapColors();
    void ImageTransparency();

    // ---- effects (EffectCommands.cpp): each on the selection (the whole image when nothing
    // smaller is selected) as one undo step; a cancelled dialog changes nothing.
    // Tile Blend, Stretch Blend, Lighten and Darken by their command ids.
    void BlendEffect(int id);
    void DropShadow();
    void Buttonize();
    void Frame();
    // A change-value filter of the imaging layer (LDialog's kChange... flag).
    void ChangeFilter(unsigned flag);
    void AddNoise();
    void Emboss();
    // A spatial filter of a family (kSpatialFamily...).
    void SpatialFilterOf(unsigned family);
    void EdgeEnhance();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void RegisterCommands();
    void RegisterImageCommands();
    void RegisterEffectCommands();
    // The selection transfer: op runs on the selected part (the whole image when the selection
    // covers it) after ask, when given, has confirmed its parameters; the part goes back as
    // the command says (geometry: the part may change size). False when nothing changed.
    bool TransformSelection(const std::function<int(LBitmapBase&)>& op, bool geometry,
                            const std::function<bool(LBitmapBase&)>& ask = {});
    // The control's image as a 32-bit bitmap.
    CDdb ScreenBitmap() const;
    // Gives a whole-image result to the control and follows its size.
    void GiveWholeImage(CDdb bitmap);
    void Zoom(int percent);
    void SpecifyZoom();
    void CropToSelection();
    void Nudge(int id);
    void OnPrint(bool preview);

    CViewPaintCtrl* m_ctrl;
    bool m_printPreview = false;
    bool m_fitToPage = true;
};

} // namespace tsl
