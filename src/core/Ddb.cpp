#include "core/Ddb.h"

namespace tsl {

CDdb CDdb::Create(int width, int height, int bitsPerPixel) {
    CDdb d;
    auto stride = DibStride(width, bitsPerPixel);
    auto size = DibImageSize(width, height, bitsPerPixel);
    if (!stride || !size || height <= 0) return d;
    d.m_width = width;
    d.m_height = height;
    d.m_bitsPerPixel = bitsPerPixel;
    d.m_stride = *stride;
    d.m_bits.assign(*size, 0);
    return d;
}

} // namespace tsl
