#include "document/PntUtilDoc.h"

#include "core/Extensions.h"
#include "document/HandOff.h"
#include "document/ImageFiles.h"
#include "document/NewImageDlg.h"
#include "document/PntUtilView.h"
#include "framework/Ids.h"
#include "framework/MdiFrame.h"
#include "imaging/LBitmap.h"
#include "platform/FileFilter.h"
#include "platform/FileNames.h"
#include "platform/Platform.h"

#include <QApplication>
#include <QFileInfo>

namespace tsl {

CPntUtilDoc::CPntUtilDoc() {
    OnCommand(ID_FILE_SAVE, [this] { DoSave(); });
    OnCommand(ID_FILE_SAVE_AS, [this] { DoSaveAs(); });
}

bool CPntUtilDoc::OnNewDocument() {
    if (!CDocument::OnNewDocument()) return false;
    if (HandOff().IsAllocated()) {
        m_handOffName = HandOff().name;
        m_holder.SetImage(DdbFromImage(HandOff().Take()), {});
        SetModifiedFlag(true);
        if (HandOff().multipleCaptures) SendToMainFrame(ID_CAPTURE_REARM);
        else RestoreMainFrame();
        return true;
    }
    CNewImageDlg dialog;
    if (platform::Platform().dialogs->RunModal(dialog) != QDialog::Accepted) return false;
    // The chosen depth shapes the first bitmap; the document keeps 24 bits per pixel.
    LBitmapBase bitmap;
    const int status = bitmap.Create(dialog.WidthPixels(), dialog.HeightPixels(), dialog.BitsPerPixel());
    if (status < 1) {
        ReportImageError(status);
        return false;
    }
    CDdb screen = bitmap.ConvertToDDB();
    const COLORREF c = dialog.Background();
    for (int y = 0; y < screen.Height(); ++y) {
        std::uint8_t* p = screen.Row(y);
        for (int x = 0; x < screen.Width(); ++x, p += 4)
            p[0] = static_cast<std::uint8_t>(GetBValue(c)), p[1] = static_cast<std::uint8_t>(GetGValue(c)),
            p[2] = static_cast<std::uint8_t>(GetRValue(c)), p[3] = 0;
    }
    m_holder.SetImage(std::move(screen), bitmap.GetHandle().Palette());
    m_bitsPerPixel = 24;
    RestoreMainFrame();
    return true;
}

void CPntUtilDoc::RestoreMainFrame() {
    // The program may have been minimised while the image was made: every new image brings the
    // main frame back.
    SendToMainFrame(ID_RESTORE_FRAME);
}

void CPntUtilDoc::SendToMainFrame(int command) {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (auto* frame = qobject_cast<CMdiFrame*>(top)) frame->ExecuteCommand(command);
    }
}

bool CPntUtilDoc::OnOpenDocument(const QString& path) {
    CBmp holder;
    int bpp = 24;
    if (!LoadImageFile(path, holder, true, bpp)) return false;
    m_transparent = holder.Transparent();
    m_transparentColour = holder.TransparentColour();
    m_holder = std::move(holder);
    m_bitsPerPixel = bpp;
    SetModifiedFlag(false);
    return true;
}

CDdb CPntUtilDoc::TakeBitmap() { return m_holder.TakeBitmap(); }

template <typename F> void CPntUtilDoc::ForEachControl(F f) const {
    for (CView* view : Views())
        if (auto* v = dynamic_cast<CPntUtilView*>(view)) f(v->Control());
}

CDdb CPntUtilDoc::CurrentBitmap() const {
    for (CView* view : Views())
        if (auto* v = dynamic_cast<CPntUtilView*>(view); v && v->Control().HasImage())
            return v->CurrentBitmap();
    return ScreenDdb(m_holder.DeviceBitmap());
}

bool CPntUtilDoc::IsModified() const {
    bool modified = CDocument::IsModified();
    ForEachControl([&](const CPntCtrl& ctrl) { modified = modified || ctrl.IsModified(); });
    return modified;
}

bool CPntUtilDoc::OnSaveDocument(const QString& path) {
    SaveRequest request;
    request.image = CurrentBitmap();
    request.documentBitsPerPixel = m_bitsPerPixel;
    request.transparent = m_transparent;
    request.transparentColour = m_transparentColour;
    const int status = SaveImageFile(path, request);
    if (status < 1) {
        ReportImageError(status, path);
        return false;
    }
    SetPathName(path);
    SetModifiedFlag(false);
    // An image cannot be undone past a save.
    ForEachControl([](CPntCtrl& ctrl) { ctrl.SetModified(false); });
    return true;
}

bool CPntUtilDoc::DoSave() {
    if (!GetPathName().isEmpty() && IsRegularFile(GetPathName()))
        return OnSaveDocument(GetPathName());
    return DoSaveAs();
}

bool CPntUtilDoc::DoSaveAs(const QString& defaultExtension, const QString& emptyName) {
    const SaveAsProposal proposal = ProposeSaveAs(GetTitle());
    platform::FileRequest request;
    request.caption = QStringLiteral("Save file as");
    request.fileName = proposal.name.isEmpty() ? emptyName : proposal.name;
    request.filter = QString::fromStdString(SaveFilter());
    request.defaultExtension = defaultExtension.isEmpty() ? proposal.extension : defaultExtension;
    request.mustExist = false;
    request.overwritePrompt = true;
    const QString chosen = platform::Platform().files->GetSaveFileName(nullptr, request);
    if (chosen.isEmpty()) return false;
    // A name without an extension (or with the "any" extension "*" that the save-modified
    // query offers) is saved as Save As saves it: in the format of the title's extension, bmp
    // by default. The dialog checked the name typed, so an existing file of the completed name
    // is only replaced when the user agrees.
    QString path = chosen;
    if (path.endsWith(QLatin1String(".*"))) path.chop(2);
    if (QFileInfo(path).suffix().isEmpty() && !proposal.extension.isEmpty()) {
        if (!path.endsWith(QLatin1Char('.'))) path += QLatin1Char('.');
        path += proposal.extension;
    }
    if (path != chosen && QFileInfo::exists(path)) {
        using namespace platform;
        const int answer = Platform().prompt->MessageBox(
            nullptr,
            QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(QFileInfo(path).fileName()),
            QStringLiteral("Save file as"), Buttons::YesNo, Icon::Warning);
        if (answer != IDYES) return false;
    }
    return OnSaveDocument(path);
}

bool CPntUtilDoc::SaveModified() {
    // The controls' flags move to the document; clearing them empties their undo histories,
    // also when the close is then cancelled.
    bool modified = CDocument::IsModified();
    ForEachControl([&](CPntCtrl& ctrl) {
        modified = modified || ctrl.IsModified();
        ctrl.SetModified(false);
    });
    SetModifiedFlag(modified);
    if (!modified) return true;
    using namespace platform;
    const int answer = Platform().prompt->MessageBox(
        nullptr, QStringLiteral("Save changes to %1?").arg(GetTitle()), QStringLiteral("Tessaly"),
        Buttons::YesNoCancel, Icon::Question);
    if (answer == IDCANCEL) return false;
    if (answer == IDNO) {
        SetModifiedFlag(false);
        return true;
    }
    if (!GetPathName().isEmpty() && IsRegularFile(GetPathName()))
        return OnSaveDocument(GetPathName());
    return DoSaveAs(QStringLiteral("*"), QStringLiteral("Untitled"));
}

} // namespace tsl
