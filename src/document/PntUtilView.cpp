#include "document/PntUtilView.h"

#include "codecs/CBmp.h"
#include "document/ImageFiles.h"
#include "document/ImagePrinter.h"
#include "document/InputDlg.h"
#include "document/PntUtilDoc.h"
#include "framework/ChildFrame.h"
#include "framework/CommandTrigger.h"
#include "framework/Ids.h"
#include "framework/MdiFrame.h"
#include "platform/Platform.h"
#include "ui/IconPainter.h"

#include <QFileInfo>
#include <QMdiArea>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTimer>

#include <cstring>

namespace tsl {
namespace {

std::function<void(CPntCtrl*)>& ActivationHook() {
    static std::function<void(CPntCtrl*)> hook;
    return hook;
}

struct ZoomCommand {
    int id;
    int percent;
};
constexpr ZoomCommand kZoomCommands[] = {
    {ID_ZOOM_10, 10},   {ID_ZOOM_50, 50},   {ID_ZOOM_100, 100},        {ID_ZOOM_200, 200},
    {ID_ZOOM_300, 300}, {ID_ZOOM_400, 400}, {ID_ZOOM_500, 500},        {ID_ZOOM_600, 600},
    {ID_ZOOM_PIXEL_LEVEL, 600},
};

// A device bitmap of the image at its own depth, its colour table as the palette.
CDdb BitmapOf(const CDIBSection& image) {
    if (!image.HasImage()) return {};
    CDdb bitmap = CDdb::Create(image.Width(), image.Height(), image.BitsPerPixel(), image.Bits());
    if (bitmap.IsNull() || bitmap.Stride() != image.Stride() || bitmap.Bits().size() != image.ImageSize())
        return {};
    bitmap.Palette().assign(image.ColourTable(), image.ColourTable() + image.ColourCount());
    return bitmap;
}

} // namespace

CDIBSection CPntUtilView::SectionFromBitmap(CDdb bitmap) {
    CDIBSection section;
    section.AdoptBitmap(ScreenDdb(std::move(bitmap)));
    return section;
}

// ---- the view's paint control

CViewPaintCtrl::CViewPaintCtrl(CPntUtilView& view, QWidget* parent)
    : CPntCtrl(parent), m_view(view) {}

bool CViewPaintCtrl::Undo() { return StepAndRefit(false); }

bool CViewPaintCtrl::Redo() { return StepAndRefit(true); }

bool CViewPaintCtrl::StepAndRefit(bool redo) {
    CPntUtilView::RememberedImageSize() = Image().Size();
    const bool done = redo ? CPntCtrl::Redo() : CPntCtrl::Undo();
    m_view.SetPane(1, QString());
    m_view.ShowSizeReadout();
    m_view.RefitIfSizeChanged();
    return done;
}

void CViewPaintCtrl::OnBeginTrack() { m_selectionReadout = true; }

void CViewPaintCtrl::OnTrackChanged() {
    if (m_selectionReadout) m_view.SetPane(1, SelectionReadout());
}

void CViewPaintCtrl::OnEndTrack() {
    m_selectionReadout = false;
    m_view.SetPane(1, QString());
}

void CViewPaintCtrl::NotifyMagChanged() {
    m_view.ShowZoomReadout();
    m_view.FitFrame();
}

int CViewPaintCtrl::StateTag() const {
    return m_view.Document() ? m_view.Document()->BitsPerPixel() : 0;
}

void CViewPaintCtrl::RestoreStateTag(int tag) {
    if (CPntUtilDoc* doc = m_view.Document(); doc && tag > 0) doc->SetBitsPerPixel(tag);
}

bool CViewPaintCtrl::EditImageProperties() {
    m_view.ResampleAndResize();
    return true;
}

bool CViewPaintCtrl::ReplaceColour() {
    m_view.ReplaceColor(CCommandTrigger::Shift());
    return true;
}

bool CViewPaintCtrl::ReplaceImageWithUndo(CDdb bitmap, const std::vector<RGBQUAD>* palette) {
    CDIBSection image;
    if (!image.AdoptBitmap(std::move(bitmap), palette)) return false;
    // One undo step whose snapshot is the image shown; the history is kept (SetImage would
    // clear it).
    if (!ReplaceImageKeepingHistory(std::move(image))) return false;
    SetModified(true);
    ResetSelection();
    UpdateScrollBars();
    viewport()->update();
    // A readout of the old image would name points that may no longer exist.
    m_view.SetPane(1, QString());
    return true;
}

QString CViewPaintCtrl::SelectionReadout() const {
    const CRect r = GetSelectionRect();
    return QStringLiteral("(%1, %2) -> (%3, %4) = (%5 x %6)")
        .arg(r.left)
        .arg(r.top)
        .arg(r.right)
        .arg(r.bottom)
        .arg(r.Width())
        .arg(r.Height());
}

QString CViewPaintCtrl::PointerReadout(CPoint client) const {
    const CPoint p = ClientToImage(client);
    if (!HasImage() || p.x < 0 || p.y < 0 || p.x >= Image().Width() || p.y >= Image().Height())
        return {};
    QString text = QStringLiteral("%1, %2").arg(p.x).arg(p.y);
    if (GetMode() == kModeSampler) {
        const COLORREF c = Image().GetPixel(p.x, p.y);
        text += QStringLiteral("  RGB ( %1, %2, %3 )").arg(GetRValue(c)).arg(GetGValue(c)).arg(GetBValue(c));
    }
    return text;
}

void CViewPaintCtrl::mouseMoveEvent(QMouseEvent* event) {
    CPntCtrl::mouseMoveEvent(event);
    // While the selection is tracked, pane 1 shows the selection instead.
    if (IsTracking()) return;
    const QPoint p = event->position().toPoint();
    m_view.SetPane(1, PointerReadout({p.x(), p.y()}));
}

void CViewPaintCtrl::focusInEvent(QFocusEvent* event) {
    CPntCtrl::focusInEvent(event);
    m_view.ShowSizeReadout();
    m_view.ShowZoomReadout();
}

// ---- the view

CPntUtilView::CPntUtilView(QWidget* parent) : QWidget(parent), m_ctrl(new CViewPaintCtrl(*this)) {
    m_ctrl->create(kWsVisible, {0, 0, width(), height()}, this, 1);
    m_ctrl->SetTransparentBackground(true);
    setFocusProxy(m_ctrl);
    RegisterCommands();
}

CPntUtilView::~CPntUtilView() = default;

void CPntUtilView::SetActivationHook(std::function<void(CPntCtrl*)> hook) {
    ActivationHook() = std::move(hook);
}

CSize& CPntUtilView::RememberedImageSize() {
    static CSize size;
    return size;
}

void CPntUtilView::RefitIfSizeChanged() const {
    if (m_ctrl->Image().Size() != RememberedImageSize()) FitFrame();
}

void CPntUtilView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_ctrl->setGeometry(rect());
}

CPntUtilDoc* CPntUtilView::Document() const {
    return static_cast<CPntUtilDoc*>(GetDocument());
}

CDdb CPntUtilView::CurrentBitmap() const { return BitmapOf(m_ctrl->Image()); }

QImage CPntUtilView::Image() const { return ImageFromDdb(CurrentBitmap()); }

void CPntUtilView::SetPane(int pane, const QString& text) const {
    if (auto* frame = qobject_cast<CMdiFrame*>(window())) frame->SetPaneText(pane, text);
}

void CPntUtilView::ShowSizeReadout() const {
    const CDIBSection& image = m_ctrl->Image();
    const int bpp = Document() ? Document()->BitsPerPixel() : image.BitsPerPixel();
    SetPane(2, QStringLiteral("%1 x %2 x %3").arg(image.Width()).arg(image.Height()).arg(bpp));
}

void CPntUtilView::ShowZoomReadout() const {
    SetPane(3, QStringLiteral("%1%").arg(m_ctrl->GetZoomPercent()));
}

namespace {

QSize CutToArea(int w, int h, QSize available) {
    if (available.width() > 0) w = std::min(w, available.width());
    if (available.height() > 0) h = std::min(h, available.height());
    if (w <= 4) w = 160;
    if (h <= 4) h = 100;
    return {w, h};
}

} // namespace

QSize CPntUtilView::FittedFrameSize(QSize frameSize, QSize clientSize, CSize image, int zoom,
                                    QSize available) {
    const auto side = [zoom](int frame, int client, int length) {
        return static_cast<int>((frame - client) + static_cast<long long>(zoom) * length / 100 + 12);
    };
    return CutToArea(side(frameSize.width(), clientSize.width(), image.cx),
                     side(frameSize.height(), clientSize.height(), image.cy), available);
}

QSize CPntUtilView::FittedFrameSize(QSize frameSize, QSize clientSize, CSize image,
                                    double magnification, QSize available) {
    // Scaled as the control scales the image it draws.
    const auto side = [magnification](int frame, int client, int length) {
        const double shown = std::min(static_cast<double>(length) * magnification, 1e9);
        return static_cast<int>((frame - client) + static_cast<long long>(shown) + 12);
    };
    return CutToArea(side(frameSize.width(), clientSize.width(), image.cx),
                     side(frameSize.height(), clientSize.height(), image.cy), available);
}

void CPntUtilView::FitFrame() const {
    CChildFrame* frame = CChildFrame::Of(const_cast<CPntUtilView*>(this));
    if (!frame || frame->isMaximized() || frame->isMinimized() || !m_ctrl->HasImage()) return;
    QSize available;
    if (const QWidget* area = frame->parentWidget()) {
        // The MDI area is the main frame's client less its bars and docked tool bars.
        available = QSize(area->width() - frame->x(), area->height() - frame->y());
    }
    frame->resize(FittedFrameSize(frame->size(), size(), m_ctrl->Image().Size(),
                                  m_ctrl->Magnification(), available));
}

void CPntUtilView::OnInitialUpdate() {
    CPntUtilDoc* doc = Document();
    if (doc) m_ctrl->SetImage(SectionFromBitmap(doc->TakeBitmap()));
    ShowSizeReadout();
    if (ActivationHook()) ActivationHook()(m_ctrl);
    if (CChildFrame* frame = CChildFrame::Of(this)) {
        frame->setWindowIcon(ApplicationIcon());
        // The frame has its final decorations once shown; fit it then.
        QTimer::singleShot(0, this, [this] { FitFrame(); });
    }
    m_ctrl->SetBackColour(doc && doc->Transparent() ? doc->TransparentColour() : RGB(255, 255, 255));
    m_ctrl->SetTransparentBackground(true);
    m_ctrl->SetMode(kModeSelect);
}

void CPntUtilView::OnActivateView(bool active) {
    if (!active) return;
    if (ActivationHook()) ActivationHook()(m_ctrl);
    // Pane 1 is this view's: its selection while one is being drawn, otherwise empty until the
    // pointer moves over the image.
    SetPane(1, m_ctrl->IsTracking() ? m_ctrl->SelectionReadout() : QString());
    ShowSizeReadout();
    ShowZoomReadout();
}

// ---- commands

void CPntUtilView::RegisterCommands() {
    for (const ZoomCommand& z : kZoomCommands) {
        OnCommand(z.id, [this, p = z.percent] { Zoom(p); });
        OnUpdate(z.id, [this, p = z.percent](CCmdUI& ui) { ui.SetCheck(m_ctrl->GetZoomPercent() == p); });
    }
    OnCommand(ID_ZOOM_TO_WINDOW, [this] { m_ctrl->ZoomToFit(); });
    OnCommand(ID_ZOOM_IN, [this] {
        const int next = m_ctrl->NextZoomStep(m_ctrl->GetZoomPercent(), true);
        if (next > m_ctrl->GetZoomPercent()) Zoom(next);
    });
    OnCommand(ID_ZOOM_OUT, [this] {
        const int next = m_ctrl->NextZoomStep(m_ctrl->GetZoomPercent(), false);
        if (next > 9) Zoom(next);
    });
    OnCommand(ID_ZOOM_SPECIFY, [this] { SpecifyZoom(); });

    OnCommand(ID_SELECT_ENTIRE_IMAGE, [this] {
        m_ctrl->ResetSelection();
        m_ctrl->ShowSelection(true);
    });
    OnCommand(ID_SHOW_SELECTION, [this] { m_ctrl->ShowSelection(!m_ctrl->IsSelectionVisible()); });
    OnUpdate(ID_SHOW_SELECTION, [this](CCmdUI& ui) { ui.SetCheck(m_ctrl->IsSelectionVisible()); });
    OnCommand(ID_SELECT_TO_CLIPBOARD_SIZE, [this] {
        const CSize c = CDIBSection::ClipboardBitmapSize();
        const CRect s = m_ctrl->GetSelectionRect();
        m_ctrl->SetSelectionRect({s.left, s.top, s.left + c.cx, s.top + c.cy});
    });
    OnUpdate(ID_SELECT_TO_CLIPBOARD_SIZE,
             [](CCmdUI& ui) { ui.Enable(CDIBSection::ClipboardHasBitmap()); });
    OnCommand(ID_CROP_TO_SELECTION, [this] { CropToSelection(); });
    for (int id : {ID_NUDGE_UP, ID_NUDGE_DOWN, ID_NUDGE_LEFT, ID_NUDGE_RIGHT, ID_GROW_WIDTH,
                   ID_SHRINK_WIDTH, ID_GROW_HEIGHT, ID_SHRINK_HEIGHT}) {
        OnCommand(id, [this, id] { Nudge(id); });
    }
    OnCommand(ID_DISPLAY_ONLY, [this] { m_ctrl->SetReadOnly(!m_ctrl->IsReadOnly()); });
    OnUpdate(ID_DISPLAY_ONLY, [this](CCmdUI& ui) { ui.SetCheck(m_ctrl->IsReadOnly()); });
    OnCommand(ID_CENTRE_IMAGE, [this] { m_ctrl->SetCentred(!m_ctrl->IsCentred()); });
    OnUpdate(ID_CENTRE_IMAGE, [this](CCmdUI& ui) { ui.SetCheck(m_ctrl->IsCentred()); });
    OnCommand(ID_FILE_RELOAD, [this] { Reload(); });

    OnCommand(ID_FILE_PRINT, [this] { OnPrint(false); });
    OnCommand(ID_FILE_PRINT_PREVIEW, [this] { OnPrint(true); });
    OnCommand(ID_FIT_TO_PAGE, [this] { m_fitToPage = !m_fitToPage; });
    OnUpdate(ID_FIT_TO_PAGE, [this](CCmdUI& ui) { ui.SetCheck(m_fitToPage); });
    RegisterImageCommands();
    RegisterEffectCommands();
}

void CPntUtilView::Zoom(int percent) { m_ctrl->SetZoomPercent(percent); }

void CPntUtilView::SpecifyZoom() {
    CInputDlg dialog(QStringLiteral("Specify magnification %"),
                     QString::number(m_ctrl->GetZoomPercent()), this);
    if (platform::Platform().dialogs->RunModal(dialog) != QDialog::Accepted) return;
    // The leading digits count ("150%" is 150); text without any gives 0, which the control's
    // limits raise to its minimum.
    Zoom(LeadingInteger(dialog.Text()));
}

void CPntUtilView::CropToSelection() {
    const CDIBSection& image = m_ctrl->Image();
    // Only the part of the selection that lies on the image can be kept.
    const CRect r = m_ctrl->GetSelectionRect().Normalised().Intersected(m_ctrl->ImageRect());
    if (r.IsEmpty()) return;
    CDIBSection part;
    const std::vector<RGBQUAD> table(image.ColourTable(), image.ColourTable() + image.ColourCount());
    if (!part.Create(r.Width(), r.Height(), image.Planes(), image.BitsPerPixel(), nullptr,
                     table.empty() ? nullptr : &table)) {
        return;
    }
    image.Draw(part, 0, 0, r.TopLeft(), r.Size());
    RememberedImageSize() = image.Size();
    m_ctrl->ReplaceImageWithUndo(BitmapOf(part));
    ShowSizeReadout();
    FitFrame();
}

void CPntUtilView::Nudge(int id) {
    CRect r = m_ctrl->GetSelectionRect();
    switch (id) {
    case ID_NUDGE_UP: r = r.Offset(0, -1); break;
    case ID_NUDGE_DOWN: r = r.Offset(0, 1); break;
    case ID_NUDGE_LEFT: r = r.Offset(-1, 0); break;
    case ID_NUDGE_RIGHT: r = r.Offset(1, 0); break;
    case ID_SHRINK_HEIGHT: --r.bottom; break;
    case ID_GROW_HEIGHT: ++r.bottom; break;
    case ID_SHRINK_WIDTH: --r.right; break;
    case ID_GROW_WIDTH: ++r.right; break;
    default: return;
    }
    m_ctrl->SetSelectionRect(r.Normalised());
    SetPane(1, m_ctrl->SelectionReadout());
}

void CPntUtilView::Reload() {
    CPntUtilDoc* doc = Document();
    if (!doc) return;
    const QString path = doc->GetPathName().trimmed();
    if (path.isEmpty() || !QFileInfo(path).isFile()) return;
    CBmp holder;
    int bpp = 24; // the document keeps its own depth
    if (!LoadImageFile(path, holder, true, bpp)) return;
    RememberedImageSize() = m_ctrl->Image().Size();
    m_ctrl->ReplaceImageWithUndo(ScreenDdb(holder.TakeBitmap()));
    ShowSizeReadout();
    RefitIfSizeChanged();
}

void CPntUtilView::OnPrint(bool preview) {
    m_printPreview = preview;
    const QImage image = Image();
    QPrinter printer(QPrinter::HighResolution);
    printer.setFromTo(1, 1);
    if (preview) {
        QPrintPreviewDialog dialog(&printer, this);
        connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this, &image](QPrinter* target) {
            QPainter painter(target);
            const QRect page = target->pageLayout().paintRectPixels(target->resolution());
            PaintPrintedImage(painter, image, page.size(), target->logicalDpiX(),
                              target->logicalDpiY(), m_fitToPage, true);
        });
        platform::Platform().dialogs->RunModal(dialog);
        return;
    }
    QPrintDialog dialog(&printer, this);
    dialog.setMinMax(1, 1);
    if (platform::Platform().dialogs->RunModal(dialog) != QDialog::Accepted) return;
    PrintImage(printer, image, m_fitToPage);
}

} // namespace tsl
