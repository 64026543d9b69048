#include "framework/DocTemplate.h"

#include "framework/ChildFrame.h"
#include "framework/Document.h"
#include "framework/MdiFrame.h"

#include <QMdiArea>
#include <QWidget>

#include <algorithm>

namespace tsl {

CMultiDocTemplate::CMultiDocTemplate(int resourceId, const QString& templateString,
                                     Factories factories)
    : m_resourceId(resourceId), m_templateString(templateString),
      m_factories(std::move(factories)) {}

CMultiDocTemplate::~CMultiDocTemplate() {
    for (CDocument* document : m_documents) document->m_template = nullptr;
}

QString CMultiDocTemplate::GetDocString(DocStringIndex index) const {
    return m_templateString.section(QLatin1Char('\n'), index, index);
}

CDocument* CMultiDocTemplate::OpenDocumentFile(const QString& path) {
    CDocument* document = m_factories.document();
    document->m_template = this;
    m_documents.push_back(document);
    CChildFrame* frame = m_factories.frame();
    CView* view = m_factories.view(document);
    document->AddView(view);
    frame->SetView(view);

    bool ok;
    if (path.isEmpty()) {
        document->SetTitle(GetDocString(docName) + QString::number(++m_untitledCount));
        ok = document->OnNewDocument();
    } else {
        ok = document->OnOpenDocument(path);
        if (ok) document->SetPathName(path);
    }
    if (!ok) {
        document->m_closing = true;
        document->Detach();
        delete frame; // deletes the view
        delete document;
        return nullptr;
    }
    if (m_area) {
        // The new window cascades from the active one, whichever way it was opened.
        auto* mdiFrame = qobject_cast<CMdiFrame*>(m_area->window());
        const QPoint position = mdiFrame ? mdiFrame->NextChildPosition() : QPoint(0, 0);
        m_area->addSubWindow(frame);
        frame->move(position);
    }
    frame->setWindowTitle(document->GetTitle());
    view->OnInitialUpdate();
    frame->show();
    if (m_area) m_area->setActiveSubWindow(frame);
    if (onDocumentOpened) onDocumentOpened(document);
    return document;
}

bool CMultiDocTemplate::SaveAllModified() {
    std::vector<CDocument*> documents = m_documents;
    for (CDocument* document : documents)
        if (!document->SaveModified()) return false;
    return true;
}

void CMultiDocTemplate::CloseAllDocuments() {
    std::vector<CDocument*> documents = m_documents;
    for (CDocument* document : documents) document->OnCloseDocument();
}

void CMultiDocTemplate::RemoveDocument(CDocument* document) {
    m_documents.erase(std::remove(m_documents.begin(), m_documents.end(), document),
                      m_documents.end());
}

} // namespace tsl
