// The image view's transformation and colour commands: Flip, Mirror, Shear, the rotations,
// Resample and Resize, Change Size, Trim Blank Space, Change Color Depth, Convert to Grayscale,
// Replace Color, Swap Colors and the transparency commands.

#include "document/PntUtilView.h"

#include "codecs/CBmp.h"
#include "document/ImageFiles.h"
#include "document/ImageOps.h"
#include "document/PntUtilDoc.h"
#include "document/TransformDlgs.h"
#include "framework/CommandTrigger.h"
#include "framework/Ids.h"
#include "imaging/dialogs/LDialog.h"
#include "platform/Platform.h"

namespace tsl {

namespace {

int RunModal(QDialog& dialog) { return platform::Platform().dialogs->RunModal(dialog); }

} // namespace

void CPntUtilView::RegisterImageCommands() {
    const auto writable = [this](CCmdUI& ui) { ui.Enable(m_ctrl->HasImage() && !m_ctrl->IsReadOnly()); };
    const auto pixels = [this, writable](int id, std::function<void()> run) {
        OnCommand(id, std::move(run));
        OnUpdate(id, writable);
    };
    pixels(ID_IMAGE_FLIP, [this] { TransformSelection([](LBitmapBase& b) { return b.Flip(); }, false); });
    for (int id : {ID_IMAGE_MIRROR, ID_IMAGE_MIRROR_BAR})
        pixels(id, [this] { TransformSelection([](LBitmapBase& b) { return b.Reverse(); }, false); });
    pixels(ID_ROTATE_90_CW, [this] {
        TransformSelection([](LBitmapBase& b) { return b.Rotate(9000, kRotateResize, 0); }, true);
    });
    pixels(ID_ROTATE_90_ACW, [this] {
        TransformSelection([](LBitmapBase& b) { return b.Rotate(27000, kRotateResize, 0); }, true);
    });
    for (const unsigned kind : {kAngleDialogRotate, kAngleDialogShear}) {
        pixels(kind == kAngleDialogRotate ? ID_ROTATE_ANY : ID_IMAGE_SHEAR, [this, kind] {
            auto dialog = std::make_shared<LDialog>(nullptr, this);
            dialog->SetBackColor(m_ctrl->BackColour() & 0xFFFFFF);
            TransformSelection(
                [dialog, kind](LBitmapBase& b) {
                    return kind == kAngleDialogRotate
                               ? b.Rotate(dialog->GetAngle(), dialog->GetAngleFlag(), dialog->GetBackColor())
                               : b.Shear(dialog->GetAngle(), dialog->GetAngleFlag(), dialog->GetBackColor());
                },
                true,
                [dialog, kind](LBitmapBase& part) {
                    dialog->SetBitmap(&part);
                    return dialog->DoModalGetAngle(kind) >= kSuccess;
                });
        });
    }
    pixels(ID_IMAGE_RESAMPLE, [this] { ResampleAndResize(); });
    pixels(ID_IMAGE_RESIZE, [this] { ResampleAndResize(); });
    pixels(ID_IMAGE_CHANGE_SIZE, [this] { ChangeSize(); });
    pixels(ID_IMAGE_TRIM, [this] { TrimBlankSpace(); });
    pixels(ID_IMAGE_COLOR_DEPTH, [this] { ChangeColorDepth(); });
    pixels(ID_IMAGE_GRAYSCALE, [this] { ConvertToGrayscale(); });
    pixels(ID_IMAGE_REPLACE_COLOR, [this] { ReplaceColor(CCommandTrigger::Shift()); });

    OnCommand(ID_IMAGE_SWAP_COLORS, [this] { SwapColors(); });
    OnCommand(ID_IMAGE_TRANSPARENCY, [this] { ImageTransparency(); });
    OnUpdate(ID_IMAGE_TRANSPARENCY, [this](CCmdUI& ui) {
        ui.Enable(Document() != nullptr);
        ui.SetCheck(Document() && Document()->Transparent());
    });
    OnCommand(ID_SET_TRANSPARENT_FG, [this] {
        if (CPntUtilDoc* doc = Document()) doc->SetTransparentColour(m_ctrl->ForeColour() & 0xFFFFFF);
    });
    OnCommand(ID_SET_TRANSPARENT_BG, [this] {
        if (CPntUtilDoc* doc = Document()) doc->SetTransparentColour(m_ctrl->BackColour() & 0xFFFFFF);
    });
}

CDdb CPntUtilView::ScreenBitmap() const { return ScreenDdb(CurrentBitmap()); }

void CPntUtilView::GiveWholeImage(CDdb bitmap) {
    RememberedImageSize() = m_ctrl->Image().Size();
    m_ctrl->ReplaceImageWithUndo(std::move(bitmap));
    ShowSizeReadout();
    RefitIfSizeChanged();
}

bool CPntUtilView::TransformSelection(const std::function<int(LBitmapBase&)>& op, bool geometry,
                                      const std::function<bool(LBitmapBase&)>& ask) {
    if (!m_ctrl->HasImage()) return false;
    const CRect r = m_ctrl->GetSelectionRect().Normalised().Intersected(m_ctrl->ImageRect());
    if (r.IsEmpty()) return false;
    const bool whole = r.Size() == m_ctrl->Image().Size();
    CDdb image = ScreenBitmap();
    LBitmapBase part;
    part.SetHandle(whole ? std::move(image) : CopyPart(image, r));
    if (!part.IsAllocated()) return false;
    if (ask && !ask(part)) return false;
    if (const int status = op(part); status < kSuccess) {
        ReportImageError(status, {}, this);
        return false;
    }
    CDdb result = ScreenDdb(std::move(part.GetHandle()));
    if (whole) {
        GiveWholeImage(std::move(result));
        return true;
    }
    CRect selection = r;
    if (geometry) {
        // The part's old place takes the background; the new part goes over it, its
        // background-coloured pixels left out while the control draws backgrounds transparent.
        const COLORREF back = m_ctrl->BackColour() & 0xFFFFFF;
        FillPart(image, r, back);
        PastePart(image, result, r.TopLeft(),
                  m_ctrl->TransparentBackground() ? std::optional<COLORREF>(back) : std::nullopt);
        selection = {r.left, r.top, r.left + result.Width(), r.top + result.Height()};
    } else {
        PastePart(image, result, r.TopLeft());
    }
    m_ctrl->ReplaceImageWithUndo(std::move(image));
    m_ctrl->SetSelectionRect(selection);
    SetPane(1, m_ctrl->SelectionReadout());
    ShowSizeReadout();
    return true;
}

void CPntUtilView::ResampleAndResize() {
    if (!m_ctrl->HasImage() || m_ctrl->IsReadOnly()) return;
    LBitmapBase picture;
    picture.SetHandle(ScreenBitmap());
    LDialog dialog(&picture, this);
    dialog.SetNewWidth(picture.GetWidth());
    dialog.SetNewHeight(picture.GetHeight());
    if (dialog.DoModalGetSize(kSizeBilinear) < kSuccess) return;
    if (dialog.GetNewWidth() == picture.GetWidth() && dialog.GetNewHeight() == picture.GetHeight())
        return; // nothing to resample
    if (const int status = picture.Size(dialog.GetNewWidth(), dialog.GetNewHeight(), dialog.GetSizeFlag());
        status < kSuccess) {
        ReportImageError(status, {}, this);
        return;
    }
    GiveWholeImage(ScreenDdb(std::move(picture.GetHandle())));
}

void CPntUtilView::ChangeSize() {
    if (!m_ctrl->HasImage() || m_ctrl->IsReadOnly()) return;
    const CSize old = m_ctrl->Image().Size();
    CImageSizeDlg dialog(old.cx, old.cy, this);
    if (RunModal(dialog) != QDialog::Accepted) return;
    // A zero, negative or unreadable size keeps the image (the dialog's OK is disabled then).
    const int width = dialog.NewWidth(), height = dialog.NewHeight();
    if (width <= 0 || height <= 0) return;
    CDdb canvas = ChangeCanvas(ScreenBitmap(), width, height, m_ctrl->BackColour() & 0xFFFFFF, dialog.Centre());
    if (canvas.IsNull()) {
        ReportImageError(kErrorTooLarge, {}, this);
        return;
    }
    GiveWholeImage(std::move(canvas));
}

void CPntUtilView::TrimBlankSpace() {
    if (!m_ctrl->HasImage() || m_ctrl->IsReadOnly()) return;
    CTrimDlg dialog(this);
    if (RunModal(dialog) != QDialog::Accepted) return;
    LBitmap picture;
    picture.SetHandle(ScreenBitmap());
    if (const int status = picture.AutoTrim(dialog.Threshold()); status < kSuccess) {
        ReportImageError(status, {}, this);
        return;
    }
    GiveWholeImage(ScreenDdb(std::move(picture.GetHandle())));
}

void CPntUtilView::ChangeColorDepth() {
    CPntUtilDoc* doc = Document();
    if (!doc || !m_ctrl->HasImage() || m_ctrl->IsReadOnly()) return;
    CColorDepthDlg dialog(doc->BitsPerPixel(), this);
    if (RunModal(dialog) != QDialog::Accepted) return;
    const int depth = dialog.ChosenDepth();
    if (depth == doc->BitsPerPixel()) return; // the depth it has: as a cancel
    LBitmapBase picture;
    picture.SetHandle(ScreenBitmap());
    if (const int status = picture.ColorRes(depth, kColorResOptimizedExact); status < kSuccess) {
        ReportImageError(status, {}, this);
        return;
    }
    m_ctrl->ReplaceImageWithUndo(picture.ConvertToDDB()); // the undo state keeps the old depth
    doc->SetBitsPerPixel(depth);
    ShowSizeReadout();
}

void CPntUtilView::ConvertToGrayscale() {
    CPntUtilDoc* doc = Document();
    if (!m_ctrl->HasImage() || m_ctrl->IsReadOnly()) return;
    LBitmapBase picture;
    picture.SetHandle(ScreenBitmap());
    if (const int status = picture.GrayScale(8); status < kSuccess) {
        ReportImageError(status, {}, this);
        return;
    }
    m_ctrl->ReplaceImageWithUndo(picture.ConvertToDDB());
    if (doc) doc->SetBitsPerPixel(8);
    ShowSizeReadout();
}

void CPntUtilView::ReplaceColor(bool swap) {
    if (!m_ctrl->HasImage() || m_ctrl->IsReadOnly()) return;
    const CRect r = m_ctrl->GetSelectionRect().Normalised().Intersected(m_ctrl->ImageRect());
    if (r.IsEmpty()) return;
    const COLORREF fore = m_ctrl->ForeColour() & 0xFFFFFF, back = m_ctrl->BackColour() & 0xFFFFFF;
    CDdb image = ScreenBitmap();
    ReplaceColourIn(image, r, swap ? fore : back, swap ? back : fore);
    m_ctrl->ReplaceImageWithUndo(std::move(image));
    m_ctrl->SetSelectionRect(r);
    SetPane(1, m_ctrl->SelectionReadout());
    if (CPntUtilDoc* doc = Document()) doc->SetModifiedFlag(true);
}

void CPntUtilView::SwapColors() {
    const COLORREF fore = m_ctrl->ForeColour(), back = m_ctrl->BackColour();
    m_ctrl->SetForeColour(back);
    m_ctrl->SetBackColour(fore);
    m_ctrl->SetFillColour(back);
}

void CPntUtilView::ImageTransparency() {
    CPntUtilDoc* doc = Document();
    if (!doc) return;
    CTransparencyDlg dialog(doc->Transparent(), doc->TransparentColour(), m_ctrl->ForeColour() & 0xFFFFFF,
                            m_ctrl->BackColour() & 0xFFFFFF, this);
    if (RunModal(dialog) != QDialog::Accepted) return;
    if (dialog.Option() == 0)
        doc->SetTransparency(false, RGB(255, 255, 255));
    else
        doc->SetTransparency(true, dialog.Colour());
}

} // namespace tsl
