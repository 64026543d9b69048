#include "framework/ChildFrame.h"

#include "framework/Document.h"

#include <QCloseEvent>

namespace tsl {

CChildFrame::CChildFrame(QWidget* parent) : QMdiSubWindow(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
}

CChildFrame::~CChildFrame() = default;

void CChildFrame::SetView(CView* view) {
    m_view = view;
    setWidget(view->Widget());
}

CDocument* CChildFrame::Document() const { return m_view ? m_view->GetDocument() : nullptr; }

void CChildFrame::CloseWithoutAsking() {
    m_force = true;
    close();
}

CChildFrame* CChildFrame::Of(QWidget* widget) {
    for (QWidget* w = widget; w; w = w->parentWidget())
        if (auto* frame = qobject_cast<CChildFrame*>(w)) return frame;
    return nullptr;
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    CDocument* document = Document();
    if (!m_force && document && !document->SaveModified()) {
        event->ignore();
        return;
    }
    event->accept();
    QMdiSubWindow::closeEvent(event);
    if (document && !m_force) document->OnCloseDocument();
}

} // namespace tsl
