#include "document/PntUtilDoc.h"

#include "document/HandOff.h"
#include "platform/Platform.h"

#include <QFileInfo>
#include <QImageReader>

namespace tsl {

QString ImageOperationError(const QString& path) {
    return QFileInfo(path).fileName() +
           QStringLiteral(": Image operation error: please check your paths and read/write "
                          "permissions");
}

bool CPntUtilDoc::OnNewDocument() {
    if (!CDocument::OnNewDocument()) return false;
    if (HandOff().IsAllocated()) {
        m_image = HandOff().Take();
        SetModifiedFlag(true);
        return true;
    }
    m_image = QImage(300, 200, QImage::Format_RGB32);
    m_image.fill(Qt::white);
    return true;
}

bool CPntUtilDoc::OnOpenDocument(const QString& path) {
    QImageReader reader(path);
    reader.setAllocationLimit(1024); // MiB
    QImage image = reader.read();
    if (image.isNull()) {
        platform::Platform().prompt->MessageBox(nullptr, ImageOperationError(path),
                                                QStringLiteral("Tessaly"), platform::Buttons::Ok,
                                                platform::Icon::Error);
        return false;
    }
    m_bitsPerPixel = image.depth() == 32 && !image.hasAlphaChannel() ? 24 : image.depth();
    m_image = image.convertToFormat(QImage::Format_RGB32);
    SetModifiedFlag(false);
    return true;
}

QImage CPntUtilDoc::TakeImage() {
    QImage out = m_image;
    m_image = QImage();
    return out;
}

} // namespace tsl
