#pragma once
// The hand-off slot: an image (with a name) that a capture, a scan or Paste as New Image puts
// here just before asking for a new document, which takes it out. While the capture
// commands' multiple-captures flag is on, a document made from the slot asks the main frame to
// re-arm the capture instead of restoring the frame.

#include <QImage>
#include <QString>

namespace tsl {

struct CHandOff {
    QImage image;
    QString name;
    bool multipleCaptures = false; // lives for the process; not cleared by Take
    bool IsAllocated() const { return !image.isNull(); }
    // Takes the image out, leaving the slot empty.
    QImage Take();
};

CHandOff& HandOff();

} // namespace tsl
