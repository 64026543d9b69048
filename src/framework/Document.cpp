#include "framework/Document.h"

#include "framework/ChildFrame.h"
#include "framework/DocTemplate.h"
#include "platform/Platform.h"

#include <QFileInfo>
#include <QWidget>

#include <algorithm>

namespace tsl {

CView::~CView() {
    if (m_document) m_document->RemoveView(this);
}

CDocument::CDocument() = default;

CDocument::~CDocument() {
    for (CView* view : m_views) view->m_document = nullptr;
    Detach();
}

bool CDocument::OnNewDocument() {
    m_path.clear();
    SetModifiedFlag(false);
    return true;
}

bool CDocument::OnOpenDocument(const QString&) {
    SetModifiedFlag(false);
    return true;
}

bool CDocument::OnSaveDocument(const QString&) { return false; }

void CDocument::OnCloseDocument() {
    if (m_closing) return;
    m_closing = true;
    Detach();
    std::vector<CView*> views = m_views;
    for (CView* view : views)
        if (CChildFrame* frame = CChildFrame::Of(view->Widget())) frame->CloseWithoutAsking();
    deleteLater();
}

bool CDocument::SaveModified() {
    if (!IsModified()) return true;
    using namespace platform;
    QString name = m_path.isEmpty() ? m_title : m_path;
    int answer = Platform().prompt->MessageBox(nullptr, QStringLiteral("Save changes to %1?").arg(name),
                                               QStringLiteral("Tessaly"), Buttons::YesNoCancel,
                                               Icon::Question);
    if (answer == IDCANCEL) return false;
    if (answer == IDNO) return true;
    return !m_path.isEmpty() && OnSaveDocument(m_path);
}

void CDocument::SetModifiedFlag(bool modified) { m_modified = modified; }

void CDocument::SetPathName(const QString& path) {
    m_path = path;
    SetTitle(QFileInfo(path).fileName());
}

void CDocument::SetTitle(const QString& title) {
    m_title = title;
    for (CView* view : m_views)
        if (CChildFrame* frame = CChildFrame::Of(view->Widget())) frame->setWindowTitle(title);
    emit titleChanged(title);
}

void CDocument::AddView(CView* view) {
    if (std::find(m_views.begin(), m_views.end(), view) != m_views.end()) return;
    m_views.push_back(view);
    view->m_document = this;
}

void CDocument::RemoveView(CView* view) {
    m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
    view->m_document = nullptr;
    if (m_views.empty() && !m_closing) {
        m_closing = true;
        Detach();
        deleteLater();
    }
}

void CDocument::Detach() {
    if (m_template) m_template->RemoveDocument(this);
    m_template = nullptr;
}

CChildFrame* CDocument::Frame() const {
    return m_views.empty() ? nullptr : CChildFrame::Of(m_views.front()->Widget());
}

} // namespace tsl
