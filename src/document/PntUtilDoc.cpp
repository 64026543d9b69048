#include "document/PntUtilDoc.h"

#include "core/Extensions.h"
#include "document/HandOff.h"
#include "document/ImageFiles.h"
#include "document/PntUtilView.h"
#include "framework/Ids.h"
#include "platform/FileFilter.h"
#include "platform/Platform.h"

#include <QFileInfo>

namespace tsl {

CPntUtilDoc::CPntUtilDoc() {
    OnCommand(ID_FILE_SAVE, [this] { DoSave(); });
    OnCommand(ID_FILE_SAVE_AS, [this] { DoSaveAs(); });
}

bool CPntUtilDoc::OnNewDocument() {
    if (!CDocument::OnNewDocument()) return false;
    if (HandOff().IsAllocated()) {
        m_holder.SetImage(DdbFromImage(HandOff().Take()), {});
        SetModifiedFlag(true);
        return true;
    }
    QImage blank(300, 200, QImage::Format_RGB32);
    blank.fill(Qt::white);
    m_holder.SetImage(DdbFromImage(blank), {});
    return true;
}

bool CPntUtilDoc::OnOpenDocument(const QString& path) {
    CBmp holder;
    int bpp = 24;
    if (!LoadImageFile(path, holder, true, bpp)) return false;
    m_holder = CBmp();
    holder.Copy(m_holder);
    m_bitsPerPixel = bpp;
    m_transparent = holder.Transparent();
    m_transparentColour = holder.TransparentColour();
    SetModifiedFlag(false);
    return true;
}

QImage CPntUtilDoc::TakeImage() {
    QImage out = m_holder.Bitmap();
    m_holder.Free();
    return out;
}

QImage CPntUtilDoc::CurrentImage() const {
    for (CView* view : Views())
        if (auto* v = dynamic_cast<CPntUtilView*>(view); v && !v->Image().isNull()) return v->Image();
    return m_holder.Bitmap();
}

bool CPntUtilDoc::OnSaveDocument(const QString& path) {
    SaveRequest request;
    request.image = DdbFromImage(CurrentImage());
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
    return true;
}

bool CPntUtilDoc::DoSave() {
    if (!GetPathName().isEmpty() && QFileInfo(GetPathName()).isFile())
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
    const QString path = platform::Platform().files->GetSaveFileName(nullptr, request);
    if (path.isEmpty()) return false;
    return OnSaveDocument(path);
}

bool CPntUtilDoc::SaveModified() {
    if (!IsModified()) return true;
    using namespace platform;
    const int answer = Platform().prompt->MessageBox(
        nullptr, QStringLiteral("Save changes to %1?").arg(GetTitle()), QStringLiteral("Tessaly"),
        Buttons::YesNoCancel, Icon::Question);
    if (answer == IDCANCEL) return false;
    if (answer == IDNO) {
        SetModifiedFlag(false);
        return true;
    }
    if (!GetPathName().isEmpty() && QFileInfo(GetPathName()).isFile())
        return OnSaveDocument(GetPathName());
    return DoSaveAs(QStringLiteral("*"), QStringLiteral("Untitled"));
}

} // namespace tsl
