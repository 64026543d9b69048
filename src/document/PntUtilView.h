#pragma once
// CPntUtilView: the view of an image document. This first form shows the image at 100 %
// in a scrolling area; the paint control takes its place. It prints the image (one page, "Fit
// to Page" on at first) and shows the print preview.

#include "framework/Document.h"

#include <QScrollArea>

class QLabel;

namespace tsl {

class CPntUtilDoc;

class CPntUtilView : public QScrollArea, public CView {
    Q_OBJECT
public:
    explicit CPntUtilView(QWidget* parent = nullptr);
    QWidget* Widget() override { return this; }
    void OnInitialUpdate() override;
    CPntUtilDoc* Document() const;
    const QImage& Image() const { return m_image; }
    bool FitToPage() const { return m_fitToPage; }

private:
    void OnPrint(bool preview);

    QLabel* m_label;
    QImage m_image;
    bool m_fitToPage = true;
};

} // namespace tsl
