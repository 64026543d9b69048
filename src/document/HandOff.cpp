#include "document/HandOff.h"

namespace tsl {

QImage CHandOff::Take() {
    QImage out = image;
    image = QImage();
    name.clear();
    return out;
}

CHandOff& HandOff() {
    static CHandOff slot;
    return slot;
}

} // namespace tsl
