// The image view's effects: the blends, Drop Shadow, Buttonize and Frame computed here
// (document/Effects.h, dialogs in EffectDlgs.h), and the imaging layer's filters with their
// parameter dialogs (imaging/dialogs/LDialog.h). Each runs on the selected part through the
// selection transfer and gives the result back as one undo step.

#include "document/PntUtilView.h"

#include "codecs/CBmp.h"
#include "core/Services.h"
#include "core/SettingsFile.h"
#include "document/ButtonFile.h"
#include "document/EffectDlgs.h"
#include "document/Effects.h"
#include "document/ImageFiles.h"
#include "document/ImageOps.h"
#include "document/PntUtilDoc.h"
#include "framework/Ids.h"
#include "imaging/Filters.h"
#include "imaging/dialogs/LDialog.h"
#include "platform/Platform.h"

#include <memory>

namespace tsl {

namespace {

std::function<void(const QImage&)>& NewImageHook() {
    static std::function<void(const QImage&)> hook;
    return hook;
}

// The button states as last confirmed, kept while the program runs; a settings file that
// cannot be read leaves them as they are.
CButtonRecords& ButtonRecords() {
    static CButtonRecords records = DefaultButtonRecords();
    return records;
}

bool ClipboardHasImage() { return platform::Platform().clipboard->HasImage(); }

CDdb ClipboardPicture() {
    const QImage image = platform::Platform().clipboard->Image();
    return image.isNull() ? CDdb{} : ScreenDdb(DdbFromImage(image));
}

// Runs a filter of the imaging layer on the part, under the wait cursor.
int OnLibraryBitmap(LBitmapBase& part, const std::function<int(LBitmap&)>& filter) {
    platform::CWaitCursor wait;
    LBitmap bitmap;
    bitmap.SetHandle(std::move(part.GetHandle()));
    const int status = filter(bitmap);
    part.SetHandle(std::move(bitmap.GetHandle()));
    return status;
}

} // namespace

void CPntUtilView::SetNewImageHook(std::function<void(const QImage&)> hook) { NewImageHook() = std::move(hook); }

void CPntUtilView::RegisterEffectCommands() {
    const auto writable = [this] { return m_ctrl->HasImage() && !m_ctrl->IsReadOnly(); };
    const auto effect = [this, writable](int id, std::function<void()> run, bool clipboard = false) {
        OnCommand(id, std::move(run));
        OnUpdate(id, [writable, clipboard](CCmdUI& ui) { ui.Enable(writable() && (!clipboard || ClipboardHasImage())); });
    };
    effect(ID_EFFECT_TILE_BLEND, [this] { BlendEffect(ID_EFFECT_TILE_BLEND); }, true);
    effect(ID_EFFECT_STRETCH_BLEND, [this] { BlendEffect(ID_EFFECT_STRETCH_BLEND); }, true);
    effect(ID_EFFECT_LIGHTEN, [this] { BlendEffect(ID_EFFECT_LIGHTEN); });
    effect(ID_EFFECT_DARKEN, [this] { BlendEffect(ID_EFFECT_DARKEN); });
    effect(ID_EFFECT_DROP_SHADOW, [this] { DropShadow(); });
    effect(ID_EFFECT_BUTTONIZE, [this] { Buttonize(); });
    effect(ID_EFFECT_FRAME, [this] { Frame(); });
    const struct {
        int id;
        unsigned flag;
    } changes[] = {{ID_EFFECT_SHARPEN, kChangeSharpen}, {ID_EFFECT_BLUR, kChangeBlur},
                   {ID_EFFECT_POSTERIZE, kChangePosterize}, {ID_EFFECT_MOSAIC, kChangeMosaic},
                   {ID_EFFECT_MEDIAN, kChangeMedian}, {ID_EFFECT_OILIFY, kChangeOilify}};
    for (const auto& c : changes) effect(c.id, [this, flag = c.flag] { ChangeFilter(flag); });
    effect(ID_EFFECT_ADD_NOISE, [this] { AddNoise(); });
    effect(ID_EFFECT_EMBOSS, [this] { Emboss(); });
    effect(ID_EFFECT_EDGE_ENHANCE, [this] { EdgeEnhance(); });
    const struct {
        int id;
        unsigned family;
    } filters[] = {{ID_FILTER_GRADIENT, kSpatialFamilyGradient}, {ID_FILTER_LAPLACIAN, kSpatialFamilyLaplacian},
                   {ID_FILTER_SOBEL, kSpatialFamilySobel}, {ID_FILTER_PREWITT, kSpatialFamilyPrewitt},
                   {ID_FILTER_SHIFT_DIFFERENCE, kSpatialFamilyShiftDifference},
                   {ID_FILTER_LINE_SEGMENT, kSpatialFamilyLineSegment}};
    for (const auto& f : filters) effect(f.id, [this, family = f.family] { SpatialFilterOf(family); });
}

// ---- computed here

void CPntUtilView::BlendEffect(int id) {
    if (!m_ctrl->HasImage() || m_ctrl->IsReadOnly()) return;
    const bool fromClipboard = id == ID_EFFECT_TILE_BLEND || id == ID_EFFECT_STRETCH_BLEND;
    const CDdb clip = ClipboardPicture();
    if (fromClipboard && clip.IsNull()) return;
    struct Choice {
        CDdb overlay;
        int percent = 0;
    };
    auto choice = std::make_shared<Choice>();
    TransformSelection(
        [choice](LBitmapBase& part) {
            Blend(part.GetHandle(), choice->overlay, choice->percent);
            return kSuccess;
        },
        false,
        [this, id, &clip, choice](LBitmapBase& part) {
            const int w = part.GetWidth(), h = part.GetHeight();
            const char* caption = "Darken";
            switch (id) {
            case ID_EFFECT_TILE_BLEND:
                choice->overlay = TiledOverlay(clip, w, h);
                caption = "Tiler blending";
                break;
            case ID_EFFECT_STRETCH_BLEND:
                choice->overlay = StretchedOverlay(clip, w, h);
                caption = "Stretch blending";
                break;
            case ID_EFFECT_LIGHTEN:
                choice->overlay = SolidBitmap(w, h, RGB(255, 255, 255));
                caption = "Lighen";
                break;
            default: choice->overlay = SolidBitmap(w, h, RGB(0, 0, 0));
            }
            if (choice->overlay.IsNull()) return false;
            CBlendDlg dialog(QString::fromLatin1(caption), part.GetHandle(), choice->overlay, this);
            if (platform::Platform().dialogs->RunModal(dialog) != QDialog::Accepted) return false;
            choice->percent = dialog.Percent();
            return true;
        });
}

void CPntUtilView::DropShadow() {
    if (!m_ctrl->HasImage() || m_ctrl->IsReadOnly()) return;
    const CRect r = m_ctrl->GetSelectionRect().Normalised().Intersected(m_ctrl->ImageRect());
    if (r.IsEmpty()) return;
    CDdb whole = ScreenBitmap();
    CRect area;
    CDdb result;
    {
        CDropShadowDlg dialog(whole, r, m_ctrl->BackColour(), this);
        if (platform::Platform().dialogs->RunModal(dialog) != QDialog::Accepted) return;
        result = dialog.Result(&area);
    }
    if (result.IsNull()) {
        ReportImageError(kErrorNoMemory, {}, this);
        return;
    }
    PastePart(whole, result, area.TopLeft());
    m_ctrl->ReplaceImageWithUndo(std::move(whole));
    m_ctrl->SetSelectionRect(r);
    SetPane(1, m_ctrl->SelectionReadout());
}

void CPntUtilView::Buttonize() {
    if (!m_ctrl->HasImage() || m_ctrl->IsReadOnly()) return;
    // The records of the last file, or of the shipped default when none was remembered.
    CSettingsFile& settings = Settings();
    std::string path = settings.ReadGeneral(keys::LastBtn);
    if (path.empty()) path = Resources().ProgramFolder() + "Bin/Default.btn";
    LoadButtonFile(path, ButtonRecords());
    settings.WriteString(keys::General, keys::LastBtn, path);
    settings.Save();

    auto rendering = std::make_shared<CDdb>();
    TransformSelection([rendering](LBitmapBase& part) {
        part.SetHandle(std::move(*rendering));
        return kSuccess;
    },
                       false, [this, rendering](LBitmapBase& part) {
                           CButtonizeDlg dialog(part.GetHandle(), m_ctrl->BackColour(), ButtonRecords(),
                                                [](const CDdb& image) {
                                                    if (NewImageHook()) NewImageHook()(ImageFromDdb(image));
                                                },
                                                this);
                           if (platform::Platform().dialogs->RunModal(dialog) != QDialog::Accepted) return false;
                           ButtonRecords() = dialog.Records();
                           *rendering = dialog.Rendering();
                           return !rendering->IsNull();
                       });
}

void CPntUtilView::Frame() {
    if (!m_ctrl->HasImage() || m_ctrl->IsReadOnly()) return;
    const int width = m_ctrl->LineWidth();
    const COLORREF colour = m_ctrl->ForeColour() & 0xFFFFFF;
    TransformSelection([width, colour](LBitmapBase& part) {
        DrawFrame(part.GetHandle(), width, colour);
        return kSuccess;
    },
                       false);
}

// ---- the imaging layer's filters

void CPntUtilView::ChangeFilter(unsigned flag) {
    if (!m_ctrl->HasImage() || m_ctrl->IsReadOnly()) return;
    auto dialog = std::make_shared<LDialog>(nullptr, this);
    TransformSelection(
        [dialog, flag](LBitmapBase& part) {
            return OnLibraryBitmap(part, [&](LBitmap& b) {
                switch (flag) {
                case kChangeSharpen: return b.Sharpen(dialog->GetChange());
                case kChangeBlur: return b.AverageFilter(dialog->GetChange());
                case kChangePosterize: return b.Posterize(dialog->GetChange());
                case kChangeMosaic: return b.Mosaic(dialog->GetChange());
                case kChangeMedian: return b.MedianFilter(dialog->GetChange());
                default: return b.Oilify(dialog->GetChange());
                }
            });
        },
        false,
        [dialog, flag](LBitmapBase& part) {
            dialog->SetBitmap(&part);
            return dialog->DoModalGetChange(flag) == kSuccess;
        });
}

void CPntUtilView::AddNoise() {
    if (!m_ctrl->HasImage() || m_ctrl->IsReadOnly()) return;
    auto dialog = std::make_shared<LDialog>(nullptr, this);
    TransformSelection(
        [dialog](LBitmapBase& part) {
            return OnLibraryBitmap(part, [&](LBitmap& b) { return b.AddNoise(dialog->GetRange(), dialog->GetChannel()); });
        },
        false,
        [dialog](LBitmapBase& part) {
            dialog->SetBitmap(&part);
            return dialog->DoModalGetNoise() == kSuccess;
        });
}

void CPntUtilView::Emboss() {
    if (!m_ctrl->HasImage() || m_ctrl->IsReadOnly()) return;
    auto dialog = std::make_shared<LDialog>(nullptr, this);
    TransformSelection(
        [dialog](LBitmapBase& part) {
            return OnLibraryBitmap(part,
                                   [&](LBitmap& b) { return b.Emboss(dialog->GetDirection(), dialog->GetDepth()); });
        },
        false,
        [dialog](LBitmapBase& part) {
            dialog->SetBitmap(&part);
            return dialog->DoModalGetEmboss() == kSuccess;
        });
}

void CPntUtilView::SpatialFilterOf(unsigned family) {
    if (!m_ctrl->HasImage() || m_ctrl->IsReadOnly()) return;
    auto dialog = std::make_shared<LDialog>(nullptr, this);
    TransformSelection(
        [dialog](LBitmapBase& part) {
            return OnLibraryBitmap(part, [&](LBitmap& b) { return b.SpatialFilter(dialog->GetSpatialFilter()); });
        },
        false,
        [dialog, family](LBitmapBase& part) {
            dialog->SetBitmap(&part);
            return dialog->DoModalGetFilter(family) == kSuccess;
        });
}

void CPntUtilView::EdgeEnhance() {
    if (!m_ctrl->HasImage() || m_ctrl->IsReadOnly()) return;
    TransformSelection(
        [](LBitmapBase& part) {
            return OnLibraryBitmap(part, [](LBitmap& b) {
                // The edges of one copy added onto the other.
                LBitmap edges;
                edges.SetHandle(b.GetHandle());
                int status = edges.SpatialFilter(kSpatialEdgeEnhance);
                if (status != kSuccess) return status;
                status = edges.Combine(b, 0, 0, b.GetWidth(), b.GetHeight(), 0, 0, kCombineAdd);
                if (status >= kSuccess) b.SetHandle(std::move(edges.GetHandle()));
                return status;
            });
        },
        false);
}

} // namespace tsl
