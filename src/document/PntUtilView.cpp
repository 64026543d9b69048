#include "document/PntUtilView.h"

#include "document/ImagePrinter.h"
#include "document/PntUtilDoc.h"
#include "framework/Ids.h"
#include "platform/Platform.h"
#include "framework/ChildFrame.h"
#include "ui/IconPainter.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTimer>

namespace tsl {

CPntUtilView::CPntUtilView(QWidget* parent) : QScrollArea(parent), m_label(new QLabel) {
    setWidget(m_label);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setBackgroundRole(QPalette::Dark);
    OnCommand(ID_FILE_PRINT, [this] { OnPrint(false); });
    OnCommand(ID_FILE_PRINT_PREVIEW, [this] { OnPrint(true); });
    OnCommand(ID_FIT_TO_PAGE, [this] { m_fitToPage = !m_fitToPage; });
    OnUpdate(ID_FIT_TO_PAGE, [this](CCmdUI& ui) { ui.SetCheck(m_fitToPage); });
}

void CPntUtilView::OnPrint(bool preview) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setFromTo(1, 1);
    if (preview) {
        QPrintPreviewDialog dialog(&printer, this);
        connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* target) {
            QPainter painter(target);
            const QRect page = target->pageLayout().paintRectPixels(target->resolution());
            PaintPrintedImage(painter, m_image, page.size(), target->logicalDpiX(),
                              target->logicalDpiY(), m_fitToPage, true);
        });
        platform::Platform().dialogs->RunModal(dialog);
        return;
    }
    QPrintDialog dialog(&printer, this);
    dialog.setMinMax(1, 1);
    if (platform::Platform().dialogs->RunModal(dialog) != QDialog::Accepted) return;
    PrintImage(printer, m_image, m_fitToPage);
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
        // Once shown, grow the frame until the whole image shows, within the main window's
        // client area.
        QTimer::singleShot(0, this, [this] {
            CChildFrame* shown = CChildFrame::Of(this);
            if (!shown || shown->isMaximized()) return;
            QSize want = shown->size() + (m_image.size() - viewport()->size()).expandedTo(QSize(0, 0));
            if (const QWidget* area = shown->parentWidget(); area && area->width() > 100)
                want = want.boundedTo(area->size());
            shown->resize(want);
        });
    }
}

} // namespace tsl
