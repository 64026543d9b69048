#pragma once
// CPntUtilDoc: one open image. It holds the image from loading until its view takes it.
// This first form reads files through Qt's image readers and makes plain new images; the
// program's own readers, the imaging library, saving and the New Image dialog replace it.

#include "framework/Document.h"

#include <QImage>

namespace tsl {

class CPntUtilDoc : public CDocument {
    Q_OBJECT
public:
    bool OnNewDocument() override;
    bool OnOpenDocument(const QString& path) override;

    // The image until the view takes it.
    QImage TakeImage();
    int BitsPerPixel() const { return m_bitsPerPixel; }

private:
    QImage m_image;
    int m_bitsPerPixel = 24;
};

// "<file name>: Image operation error: please check your paths and read/write permissions"
QString ImageOperationError(const QString& path);

} // namespace tsl
