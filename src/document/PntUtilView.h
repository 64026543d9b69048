#pragma once
// CPntUtilView: the view of an image document. This first form shows the image at 100 %
// in a scrolling area; the paint control takes its place.

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

private:
    QLabel* m_label;
    QImage m_image;
};

} // namespace tsl
