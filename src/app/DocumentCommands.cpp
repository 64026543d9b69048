// The main frame's commands over all documents: Save All, Close All and Paste as New Image.
//
// Close All never loses work silently: a document is closed only after its save succeeded (a
// failed save keeps it open and modified, with the error report), and with "Yes to all"
// remembered a modified image without a file is left for the save-modified query, which offers
// Save As, instead of being cleared and closed.

#include "app/TessalyApp.h"

#include "document/PntUtilDoc.h"
#include "framework/DocTemplate.h"
#include "platform/Platform.h"

#include <QFileInfo>

namespace tsl {

namespace {

bool HasFile(const CDocument* document) {
    return !document->GetPathName().isEmpty() && QFileInfo(document->GetPathName()).isFile();
}

} // namespace

void CTessalyApp::OnSaveAll() {
    std::vector<CDocument*> documents = m_template->Documents();
    for (CDocument* document : documents)
        if (document->IsModified() && HasFile(document))
            document->OnSaveDocument(document->GetPathName());
    m_template->SaveAllModified();
}

// One pass over the documents; false when the user cancelled.
bool CTessalyApp::CloseAllPass() {
    using namespace platform;
    int remembered = 0;
    std::vector<CDocument*> documents = m_template->Documents();
    for (CDocument* document : documents) {
        if (!document->IsModified()) {
            document->OnCloseDocument();
            continue;
        }
        if (remembered == IDNOTOALL) {
            document->SetModifiedFlag(false);
            document->OnCloseDocument();
            continue;
        }
        if (!HasFile(document)) continue; // left for the save-modified query
        int answer = remembered;
        if (answer != IDYESTOALL) {
            answer = Platform().prompt->AskSaveChanges(nullptr, document->GetPathName());
            if (answer == IDCANCEL) return false;
            if (answer == IDYESTOALL || answer == IDNOTOALL) remembered = answer;
        }
        if (answer == IDNO || answer == IDNOTOALL) {
            document->SetModifiedFlag(false);
            document->OnCloseDocument();
        } else if (document->OnSaveDocument(document->GetPathName())) {
            document->OnCloseDocument();
        }
    }
    return true;
}

void CTessalyApp::OnCloseAll() {
    if (!CloseAllPass()) return;
    if (!m_template->SaveAllModified()) return;
    // Whatever was saved or declined is no longer modified; what failed to save stays open.
    std::vector<CDocument*> documents = m_template->Documents();
    for (CDocument* document : documents)
        if (!document->IsModified()) document->OnCloseDocument();
}

void CTessalyApp::OnPasteAsNewImage() {
    const QImage image = platform::Platform().clipboard->Image();
    if (!image.isNull()) NewFromHandOff(&image);
}

bool CTessalyApp::CanPasteAsNewImage() const { return platform::Platform().clipboard->HasImage(); }

} // namespace tsl
