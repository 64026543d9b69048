#include "document/PntUtilView.h"

#include "document/PntUtilDoc.h"
#include "framework/ChildFrame.h"
#include "ui/IconPainter.h"

#include <QLabel>
#include <QPixmap>

namespace tsl {

CPntUtilView::CPntUtilView(QWidget* parent) : QScrollArea(parent), m_label(new QLabel) {
    setWidget(m_label);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setBackgroundRole(QPalette::Dark);
}

CPntUtilDoc* CPntUtilView::Document() const {
    return static_cast<CPntUtilDoc*>(GetDocument());
}

void CPntUtilView::OnInitialUpdate() {
    if (CPntUtilDoc* doc = Document()) m_image = doc->TakeImage();
    m_label->setPixmap(QPixmap::fromImage(m_image));
    m_label->resize(m_image.size());
    if (CChildFrame* frame = CChildFrame::Of(this)) {
        frame->setWindowIcon(ApplicationIcon());
        frame->adjustSize();
    }
}

} // namespace tsl
